// Input box used for questions that need a typed answer.
#include "win/ControlViews.h"
#include "win/InputBox.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/Win32Util.h"

namespace mw {

InputBox::InputBox(Application& application, const std::string& title, const std::string& prompt,
                   const std::string& preset)
    : Form(application) {
    registerClass("TInputBox", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    HWND owner = GetActiveWindow();
    createHandle("TInputBox", title, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 0, 0, 100, 100,
                 owner ? owner : app().mainWindow(), nullptr);
    setClientSize(350, 100);
    addControl({.text = prompt, .id = IdPrompt, .x = 8, .y = 10, .width = 334, .height = 16});
    addControl({.className = "EDIT",
                .text = preset,
                .id = IdEdit,
                .x = 8,
                .y = 30,
                .width = 334,
                .height = 21,
                .style = WS_TABSTOP | ES_AUTOHSCROLL,
                .exStyle = WS_EX_CLIENTEDGE});
    addControl({.className = "BUTTON",
                .text = "OK",
                .id = IdOk,
                .x = 186,
                .y = 64,
                .width = 75,
                .height = 25,
                .style = WS_TABSTOP | BS_DEFPUSHBUTTON});
    addControl({.className = "BUTTON",
                .text = "Cancel",
                .id = IdCancel,
                .x = 267,
                .y = 64,
                .width = 75,
                .height = 25,
                .style = WS_TABSTOP | BS_PUSHBUTTON});
    centreOnScreen();
}

void InputBox::FormShow() {
    SetFocus(item(IdEdit));
    Edit(item(IdEdit)).selectAll();
}

std::optional<std::string> InputBox::ask() {
    result_.reset();
    showModal();
    return result_;
}

bool InputBox::onCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IdOk || id == IDOK) {
        result_ = windowText(item(IdEdit));
        close();
        return true;
    }
    if (id == IdCancel || id == IDCANCEL) {
        close();
        return true;
    }
    return false;
}

} // namespace mw
