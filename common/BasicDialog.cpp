// Creation and closing of the simple dialogs.
#include "BasicDialog.h"
#include "Application.h"
#include "Controls.h"

namespace mw {

BasicDialog::BasicDialog(const BasicDialogSpec& spec) {
    registerClass(spec.className, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    createHandle(spec.className, spec.caption, WS_POPUP | WS_CAPTION | (spec.closeBox ? WS_SYSMENU : 0),
                 WS_EX_DLGMODALFRAME, 0, 0, 100, 100, Application::instance().mainWindow(), nullptr);
    setClientSize(spec.clientWidth, spec.clientHeight);
    createControl(handle(), {.className = "BUTTON", .text = spec.buttonText, .id = IdCloseButton, .x = spec.buttonX,
                             .y = spec.buttonY, .width = spec.buttonWidth, .height = spec.buttonHeight,
                             .style = WS_TABSTOP | BS_DEFPUSHBUTTON});
    centreOnScreen();
}

bool BasicDialog::onCommand(int id, int code, HWND) {
    if (id == IdCloseButton && code == BN_CLICKED) {
        close();
        return true;
    }
    return false;
}

} // namespace mw
