// Command ids of the editor window: one per handler, shared by every menu item, popup item and
// button that invokes that handler.
#pragma once

namespace editor {

enum Command : int {
    CmdOpenFromFile1Click = 1000,
    CmdSavetofile1Click,
    CmdPrint1Click,
    CmdBitBtn1Click, // Encrypt
    CmdBitBtn2Click, // Decrypt
    CmdBitBtn3Click, // Sign
    CmdBitBtn4Click, // Sign & Encrypt
    CmdBitBtn5Click, // Encrypt IDEA
    CmdBitBtn6Click, // Paste & Decrypt
    CmdExit1Click,
    CmdCut1Click,
    CmdCopy1Click,
    CmdPaste1Click,
    CmdCutMessage1Click,
    CmdCopyMessage1Click,
    CmdPasgeMessage1Click,
    CmdSelectAll1Click,
    CmdAtuoAddTextSignature1Click,
    CmdEditorFont1Click,
    CmdEditorBackgroundColor1Click,
    CmdKeyManagement1Click,
    CmdEncryptDecryptFiles1Click,
    CmdOverlayer1Click,
    CmdStoredPassphrase1Click,
    CmdClearStoredPassPhrase1Click,
    CmdPGPSetup1Click,
    CmdMurkwellDocs1Click,
    CmdPGPDocs1Click,
    CmdAuthorsPublicKey1Click,
    CmdAbout1Click,
    CmdBitBtn10Click, // Clear
    CmdBitBtn11Click, // Quote
    CmdBitBtn12Click, // Exit button
};

} // namespace editor
