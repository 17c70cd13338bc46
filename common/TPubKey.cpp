// Public-key selection dialog: window, caption and size; the key listing comes with its own work.
#include "TPubKey.h"
#include "Application.h"
#include "Controls.h"

namespace mw {

TPubKey::TPubKey() {
    registerClass("TPubKey", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // No title-bar buttons: OK is the only way out.
    createHandle("TPubKey", "Available Public Keys", WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME, 0, 0, 100, 100,
                 Application::instance().mainWindow(), nullptr);
    setClientSize(572, 373);
    createControl(handle(), {.className = "BUTTON", .text = "&OK", .id = IdButton1, .x = 140, .y = 332, .width = 297,
                             .height = 37, .style = WS_TABSTOP | BS_DEFPUSHBUTTON});
    centreOnScreen();
}

bool TPubKey::onCommand(int id, int code, HWND) {
    if ((id == IdButton1 || id == IDOK) && code == BN_CLICKED) {
        close();
        return true;
    }
    return false;
}

} // namespace mw
