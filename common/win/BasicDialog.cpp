// Creation and closing of the simple dialogs.
#include "win/BasicDialog.h"
#include "win/Application.h"
#include "win/Controls.h"

namespace mw {

BasicDialog::BasicDialog(Application& application, const BasicDialogLayout& layout) : Form(application) {
    registerClass(layout.className,
                  layout.background ? layout.background : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    createHandle(layout.className, layout.caption,
                 WS_POPUP | WS_CAPTION | (layout.closeBox ? WS_SYSMENU : 0) | layout.style,
                 WS_EX_DLGMODALFRAME | layout.exStyle, 0, 0, 100, 100, app().mainWindow(), nullptr);
    setClientSize(layout.clientWidth, layout.clientHeight);
    const ControlParams button{.className = "BUTTON",
                               .text = layout.buttonText,
                               .id = IdCloseButton,
                               .x = layout.buttonX,
                               .y = layout.buttonY,
                               .width = layout.buttonWidth,
                               .height = layout.buttonHeight,
                               .style = WS_TABSTOP | BS_DEFPUSHBUTTON};
    if (layout.buttonGlyph)
        glyphButton_ = std::make_unique<GlyphButton>(app(), handle(), button, layout.buttonGlyph,
                                                     GetSysColor(COLOR_BTNTEXT), true, true);
    else
        addControl(button);
    centreOnScreen();
}

BasicDialog::~BasicDialog() {
    // The glyph button's font and bitmap go with this object: the window goes first.
    destroyHandle();
}

bool BasicDialog::onCommand(int id, int code, HWND) {
    if (id == IdCloseButton && code == BN_CLICKED) {
        close();
        return true;
    }
    return false;
}

bool BasicDialog::onDrawItem(const DRAWITEMSTRUCT& item) {
    return glyphButton_ && glyphButton_->drawItem(item);
}

} // namespace mw
