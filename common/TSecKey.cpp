// Secret-key selection dialog: window, caption and size; the key listing comes with its own work.
#include "TSecKey.h"
#include "Application.h"
#include "Controls.h"

namespace mw {

TSecKey::TSecKey() {
    registerClass("TSecKey", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    createHandle("TSecKey", "SecKey", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 0, 0, 100, 100,
                 Application::instance().mainWindow(), nullptr);
    setClientSize(426, 273);
    createControl(handle(), {.className = "BUTTON", .text = "&OK", .id = IdButton1, .x = 0, .y = 228, .width = 426,
                             .height = 45, .style = WS_TABSTOP | BS_DEFPUSHBUTTON});
    centreOnScreen();
}

bool TSecKey::onCommand(int id, int code, HWND) {
    if ((id == IdButton1 || id == IDOK) && code == BN_CLICKED) {
        close();
        return true;
    }
    return false;
}

} // namespace mw
