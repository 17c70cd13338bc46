// Command ids of the file module's window: one per handler, shared by every menu item, popup
// item, button and shortcut that invokes that handler.
#pragma once

namespace filemodule {

enum Command : int {
    CmdSpeedButton1Click = 2000, // Encrypt
    CmdSpeedButton2Click,        // Decrypt
    CmdSpeedButton3Click,        // Sign
    CmdIEButton7Click,           // Sign Detached
    CmdSpeedButton4Click,        // Sign Encrypt
    CmdSpeedButton5Click,        // Encrypt IDEA
    CmdRenameFile1Click,
    CmdN3Click, // Delete
    CmdScorchTheFile1Click,
    CmdRunFile1Click,
    CmdRefresh1Click,
    CmdLoadIntoNotepad1Click,
    CmdDOSPromptHere1Click,
    CmdExit1Click,
    CmdIEButton6Click, // Exit button
    CmdPGPSetup1Click,
    CmdHelponMurkwellFile1Click,
    CmdAbout1Click,
};

} // namespace filemodule
