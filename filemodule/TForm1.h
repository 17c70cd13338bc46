// The file module's browser window "Murkwell File - File Encryption Module".
#pragma once
#include "win/Window.h"
#include <string>

namespace filemodule {

class FileModuleApp;

class TForm1 : public mw::Form {
public:
    enum : int { CmdExit1Click = 2000, CmdPGPSetup1Click };

    explicit TForm1(FileModuleApp& app);

    // Job state shared with the operations and the key dialogs.
    std::string PGPExe, PGPDir, LockFile, BatchFile, Recipients, Signer;
    bool ShiftFlag = false;

    void showMain();
    void FormKeyDown(WPARAM key);
    void Exit1Click();
    void PGPSetup1Click();

protected:
    void FormShow() override;
    void FormClose() override;
    bool onCommand(int id, int code, HWND control) override;
    bool preTranslateMessage(MSG& msg) override;

private:
    FileModuleApp& app_;
};

} // namespace filemodule
