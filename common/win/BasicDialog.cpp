// Creation and closing of the simple dialogs.
#include "win/BasicDialog.h"
#include "win/Application.h"
#include "win/Controls.h"

namespace mw {

BasicDialog::BasicDialog(Application& application, const BasicDialogLayout& layout) : Form(application) {
    registerClass(layout.className, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    createHandle(layout.className, layout.caption, WS_POPUP | WS_CAPTION | (layout.closeBox ? WS_SYSMENU : 0),
                 WS_EX_DLGMODALFRAME, 0, 0, 100, 100, app().mainWindow(), nullptr);
    setClientSize(layout.clientWidth, layout.clientHeight);
    createControl(handle(), {.className = "BUTTON",
                             .text = layout.buttonText,
                             .id = IdCloseButton,
                             .x = layout.buttonX,
                             .y = layout.buttonY,
                             .width = layout.buttonWidth,
                             .height = layout.buttonHeight,
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
