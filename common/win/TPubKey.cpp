// Public-key selection dialog: listing, Add, Remove and OK.
#include "win/TPubKey.h"
#include "win/Application.h"
#include "win/Context.h"
#include "win/Controls.h"
#include "win/ControlViews.h"
#include "core/KeyChoice.h"

namespace mw {

TPubKey::TPubKey(const Context& context, KeyDialogLink link)
    : Form(context.application()), context_(context), link_(std::move(link)) {
    registerClass("TPubKey", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // The close box, Alt+F4 and Escape cancel the operation; OK goes on with "Keys To Use".
    createHandle("TPubKey", "Available Public Keys", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
                 0, 0, 100, 100, app().mainWindow(), nullptr);
    setClientSize(572, 373);
    const DWORD listStyle = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    // One control to a line, as the form reads.
    // clang-format off
    addControl({.text = "Select up to 3 public keys to use to encrypt this file.", .id = IdLabel1,
                                    .x = 0, .y = 0, .width = 572, .height = 37, .style = SS_CENTER | SS_CENTERIMAGE});
    addControl({.text = "Available Keys", .id = IdLabel2, .x = 4, .y = 36, .width = 240, .height = 16});
    available_.create(app(), handle(), {.id = IdListBox1, .x = 4, .y = 52, .width = 240, .height = 270,
                                        .style = listStyle, .exStyle = WS_EX_CLIENTEDGE});
    addControl({.className = "BUTTON", .text = "&Add >>", .id = IdSpeedButton1, .x = 248, .y = 100,
                                    .width = 77, .height = 32, .style = BS_PUSHBUTTON});
    addControl({.className = "BUTTON", .text = "<< &Remove", .id = IdSpeedButton2, .x = 248, .y = 152,
                                    .width = 77, .height = 32, .style = BS_PUSHBUTTON});
    addControl({.text = "Keys To Use", .id = IdLabel3, .x = 330, .y = 36, .width = 240, .height = 16});
    addControl({.className = "LISTBOX", .id = IdListBox2, .x = 330, .y = 52, .width = 240, .height = 270,
                                    .style = listStyle, .exStyle = WS_EX_CLIENTEDGE});
    addControl({.className = "BUTTON", .text = "&OK", .id = IdButton1, .x = 140, .y = 332, .width = 297,
                                    .height = 37, .style = WS_TABSTOP | BS_DEFPUSHBUTTON});
    // clang-format on
    centreOnScreen();
}

void TPubKey::FormShow() {
    centreOnScreen();
    chosen_ = false;
    // Emptied first, so that a listing that fails leaves no entries of an earlier showing.
    available_.assign({});
    available_.assign(listUserIds(context_, link_, KeyRing::Public, &offeredFirstKey_));
    if (offeredFirstKey_) {
        close();
        return;
    }
    SetFocus(listBox1());
}

void TPubKey::SpeedButton1Click() {
    const std::string* selected = available_.selected();
    if (!selected) return;
    switch (addKeyToUse(keysToUse_, *selected)) {
    case AddOutcome::Added:
        ListBox(listBox2()).addAnsi(keysToUse_.back());
        break;
    case AddOutcome::Refused:
        refuseUserId(context_);
        break;
    case AddOutcome::Full:
        break; // silently, as with nothing selected
    }
}

void TPubKey::SpeedButton2Click() {
    const int selected = selectedIndex(listBox2());
    if (selected < 0 || selected >= static_cast<int>(keysToUse_.size())) return;
    keysToUse_.erase(keysToUse_.begin() + selected);
    ListBox(listBox2()).remove(selected);
}

void TPubKey::Button1Click() {
    if (link_.store) link_.store(recipientString(keysToUse_));
    chosen_ = true;
    close();
}

void TPubKey::FormClose() {
    // Also on a cancel, which keeps Recipients as it was.
    available_.assign({});
}

bool TPubKey::onCommand(int id, int code, HWND) {
    switch (id) {
    case IdSpeedButton1:
        if (code == BN_CLICKED) SpeedButton1Click();
        return true;
    case IdSpeedButton2:
        if (code == BN_CLICKED) SpeedButton2Click();
        return true;
    case IdListBox1:
        if (code == LBN_DBLCLK) SpeedButton1Click();
        return true;
    case IdListBox2:
        if (code == LBN_DBLCLK) SpeedButton2Click();
        return true;
    case IdButton1:
        if (code == BN_CLICKED) Button1Click();
        return true;
    case IDOK:
        // Enter on a highlighted available key adds it; anywhere else it is OK.
        if (GetFocus() == listBox1() && available_.selected())
            SpeedButton1Click();
        else
            Button1Click();
        return true;
    case IDCANCEL:
        close();
        return true;
    default:
        return false;
    }
}

} // namespace mw
