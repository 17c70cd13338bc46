// The commands of the file module's window, once each: the handler's name and what it does in
// TForm1. Menus, popup items, buttons and shortcuts name the id (Cmd + handler); TForm1 gets one
// method per row, and onCommand runs the row of an id (see win/Menus.h).
#pragma once
#include "win/Menus.h"

#define MW_FILE_MODULE_COMMANDS(Row)                                                                         \
    Row(SpeedButton1Click, runPgpOperation(app_, mw::FileOperation::Encrypt))                                \
        Row(SpeedButton2Click, runPgpOperation(app_, mw::FileOperation::Decrypt))                            \
            Row(SpeedButton3Click, runPgpOperation(app_, mw::FileOperation::Sign))                           \
                Row(IEButton7Click, runPgpOperation(app_, mw::FileOperation::SignDetached))                  \
                    Row(SpeedButton4Click, runPgpOperation(app_, mw::FileOperation::SignEncrypt))            \
                        Row(SpeedButton5Click, runPgpOperation(app_, mw::FileOperation::EncryptIdea))        \
                            Row(RenameFile1Click, housekeep(&mw::Housekeeping::renameFile))                  \
                                Row(N3Click, housekeep(&mw::Housekeeping::deleteFile))                       \
                                    Row(ScorchTheFile1Click, scorchSelected())                               \
                                        Row(RunFile1Click, housekeep(&mw::Housekeeping::runFile))            \
                                            Row(Refresh1Click, updateFileList()) Row(                        \
                                                LoadIntoNotepad1Click,                                       \
                                                housekeep(&mw::Housekeeping::loadIntoNotepad))               \
                                                Row(DOSPromptHere1Click,                                     \
                                                    housekeep(&mw::Housekeeping::dosPromptHere))             \
                                                    Row(Exit1Click, close()) Row(IEButton6Click, close())    \
                                                        Row(PGPSetup1Click, app_.setup().showModal())        \
                                                            Row(HelponMurkwellFile1Click, openHelp())        \
                                                                Row(About1Click, app_.about().showModal())

namespace filemodule {

// SpeedButton1 to SpeedButton5 are Encrypt, Decrypt, Sign, Sign Encrypt and Encrypt IDEA,
// IEButton7 Sign Detached, IEButton6 the Exit button, N3 Delete.
enum Command : int {
    CmdBeforeFirst = 1999, // the ids run from 2000 in the table's order
    MW_FILE_MODULE_COMMANDS(MW_COMMAND_ID)
};

} // namespace filemodule
