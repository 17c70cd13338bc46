// File module main window: start-up checks, Shift flag and the clean-up at close.
#include "filemodule/TForm1.h"
#include "win/Application.h"
#include "filemodule/FileModuleApp.h"
#include "core/Platform.h"
#include "core/ProgramProfile.h"
#include "win/TPGPSetup.h"

namespace filemodule {

TForm1::TForm1(FileModuleApp& app) : app_(app) {
    auto& application = mw::Application::instance();
    registerClass("TForm1", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, CmdExit1Click, "E&xit\tCtrl+F4");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_STRING, CmdPGPSetup1Click, "&PGP Setup");
    createHandle("TForm1", mw::fileModuleProfile().mainCaption,
                 WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 100, 100, nullptr, bar);
    application.setMainWindow(handle());
    setClientSize(594, 402);
    centreOnScreen();
}

void TForm1::showMain() {
    centreOnScreen();
    ShowWindow(handle(), SW_SHOW);
    UpdateWindow(handle());
    mw::Application::instance().runHandler([this] { FormShow(); });
}

void TForm1::FormShow() {
    auto& platform = mw::Application::instance().platform();
    if (!platform.fileExists(app_.setup().pgpExe())) app_.setup().showModal();
}

void TForm1::FormKeyDown(WPARAM key) {
    ShiftFlag = key == VK_SHIFT;
}

bool TForm1::preTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        FormKeyDown(msg.wParam);
        if (msg.wParam == VK_F4 && (GetKeyState(VK_CONTROL) & 0x8000)) {
            Exit1Click();
            return true;
        }
    }
    return mw::Form::preTranslateMessage(msg);
}

void TForm1::FormClose() {
    auto& platform = mw::Application::instance().platform();
    PGPDir = app_.setup().pgpDir();
    for (const std::string& name : mw::fileModuleProfile().leftoversAtClose)
        mw::deleteIfExists(platform, PGPDir + name);
    auto& application = mw::Application::instance();
    if (application.terminate) application.terminate();
}

void TForm1::Exit1Click() {
    close();
}
void TForm1::PGPSetup1Click() {
    app_.setup().showModal();
}

bool TForm1::onCommand(int id, int, HWND) {
    switch (id) {
    case CmdExit1Click:
        Exit1Click();
        return true;
    case CmdPGPSetup1Click:
        PGPSetup1Click();
        return true;
    default:
        return false;
    }
}

} // namespace filemodule
