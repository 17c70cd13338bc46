// The commands of the editor window, once each: the handler's name and what it does in TForm1.
// Menus, popup items, buttons and shortcuts name the id (Cmd + handler); TForm1 gets one method
// per row, and onCommand runs the row of an id (see win/Menus.h).
#pragma once
#include "win/Menus.h"

#define MW_EDITOR_COMMANDS(Row)                                                                              \
    Row(OpenFromFile1Click, tools_->openFromFile()) Row(Savetofile1Click, tools_->saveToFile()) Row(         \
        Print1Click, tools_->print()) Row(BitBtn1Click, operations_->encrypt())                              \
        Row(BitBtn2Click, operations_->decrypt()) Row(BitBtn3Click, operations_->sign()) Row(                \
            BitBtn4Click, operations_->signAndEncrypt()) Row(BitBtn5Click, operations_->encryptIdea())       \
            Row(BitBtn6Click, operations_->pasteAndDecrypt()) Row(Exit1Click, close()) Row(                  \
                Cut1Click, tools_->cut()) Row(Copy1Click, tools_->copy()) Row(Paste1Click, tools_->paste())  \
                Row(CutMessage1Click, tools_->cutMessage()) Row(CopyMessage1Click, tools_->copyMessage())    \
                    Row(PasgeMessage1Click, tools_->pasteMessage())                                          \
                        Row(SelectAll1Click, tools_->selectAll()) Row(AtuoAddTextSignature1Click,            \
                                                                      app_.signature().showModal())          \
                            Row(EditorFont1Click, tools_->chooseFont()) Row(EditorBackgroundColor1Click,     \
                                                                            tools_->chooseBackground())      \
                                Row(KeyManagement1Click, app_.companions().keyManagement())                  \
                                    Row(EncryptDecryptFiles1Click, app_.companions().encryptDecryptFiles())  \
                                        Row(Overlayer1Click, app_.companions().overlayer())                  \
                                            Row(StoredPassphrase1Click, app_.passPhrase().showModal())       \
                                                Row(ClearStoredPassPhrase1Click, clearStoredPassPhrase())    \
                                                    Row(PGPSetup1Click, app_.setup().showModal())            \
                                                        Row(MurkwellDocs1Click, openHelp()) Row(             \
                                                            PGPDocs1Click, app_.companions().pgpDocs())      \
                                                            Row(AuthorsPublicKey1Click,                      \
                                                                app_.authorKey().showModal())                \
                                                                Row(About1Click, app_.about().showModal())   \
                                                                    Row(BitBtn10Click, tools_->clear())      \
                                                                        Row(BitBtn11Click, tools_->quote())  \
                                                                            Row(BitBtn12Click, close())

namespace editor {

// BitBtn1 to BitBtn6 are Encrypt, Decrypt, Sign, Sign & Encrypt, Encrypt IDEA and Paste & Decrypt;
// BitBtn10 to BitBtn12 Clear, Quote and the Exit button.
enum Command : int {
    CmdBeforeFirst = 999, // the ids run from 1000 in the table's order
    MW_EDITOR_COMMANDS(MW_COMMAND_ID)
};

} // namespace editor
