// Secret-key selection dialog: listing with the first entry preselected, and OK.
#include "win/TSecKey.h"
#include "win/Application.h"
#include "win/Context.h"
#include "win/Controls.h"
#include "win/ControlViews.h"
#include "core/KeyChoice.h"

namespace mw {

TSecKey::TSecKey(const Context& context, KeyDialogLink link)
    : Form(context.application()), context_(context), link_(std::move(link)) {
    registerClass("TSecKey", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    createHandle("TSecKey", "SecKey", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 0, 0, 100, 100,
                 app().mainWindow(), nullptr);
    setClientSize(426, 273);
    // One control to a line, as the form reads.
    // clang-format off
    addControl({.text = "Select the Secret Key you wish to use to sign this file.", .id = IdLabel1,
                                    .x = 0, .y = 0, .width = 426, .height = 29, .style = SS_CENTER | SS_CENTERIMAGE});
    available_.create(app(), handle(), {.id = IdListBox1, .x = 0, .y = 29, .width = 426, .height = 199,
                                        .style = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                        .exStyle = WS_EX_CLIENTEDGE});
    // The panel lets Tab reach its button and hands the button's clicks to the form.
    HWND panel = createPanel(app(), handle(), {.id = IdPanel1, .x = 0, .y = 228, .width = 426,
                                               .height = 45, .exStyle = WS_EX_CONTROLPARENT});
    createControl(app(), panel, {.className = "BUTTON", .text = "&OK", .id = IdButton1, .x = 0, .y = 0, .width = 426,
                                 .height = 45, .style = WS_TABSTOP | BS_DEFPUSHBUTTON});
    // clang-format on
    centreOnScreen();
}

void TSecKey::FormShow() {
    centreOnScreen();
    chosen_ = false;
    // Emptied first, so that a listing that fails leaves no entries of an earlier showing.
    available_.assign({});
    available_.assign(listUserIds(context_, link_, KeyRing::Secret, &offeredFirstKey_));
    if (offeredFirstKey_) {
        close();
        return;
    }
    // OK without a click signs with the alphabetically first key.
    if (!available_.entries().empty()) ListBox(listBox1()).select(0);
    SetFocus(listBox1());
}

void TSecKey::Button1Click() {
    if (const std::string* selected = available_.selected()) {
        const auto signer = chooseSigner(context_.profile().program, *selected);
        // Refused IDs keep the dialog open, so another key can be chosen.
        if (!signer) {
            refuseUserId(context_);
            return;
        }
        if (link_.store) link_.store(*signer);
    }
    chosen_ = true;
    close();
}

void TSecKey::FormClose() {
    // Also on the close box, which keeps Signer as it was and cancels the operation.
    available_.assign({});
}

bool TSecKey::onCommand(int id, int code, HWND) {
    switch (id) {
    case IdListBox1:
        if (code == LBN_DBLCLK) Button1Click();
        return true;
    case IdButton1:
    case IDOK:
        if (code == BN_CLICKED) Button1Click();
        return true;
    case IDCANCEL:
        close();
        return true; // Escape acts as the close box
    default:
        return false;
    }
}

} // namespace mw
