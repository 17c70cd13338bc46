// The key manager's choice box.
#include "keymanager/TChoice.h"
#include "win/Application.h"
#include "win/Controls.h"

namespace keymanager {

TChoice::TChoice(mw::Application& application, const std::string& caption, const std::string& prompt,
                 const std::vector<std::string>& options, int preset)
    : Form(application), count_(static_cast<int>(options.size())), preset_(preset) {
    registerClass("TChoice", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    HWND owner = GetActiveWindow();
    createHandle("TChoice", caption, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 0, 0, 100, 100,
                 owner ? owner : app().mainWindow(), nullptr);
    const int promptHeight = 64;
    const int height = promptHeight + 16 + count_ * 22 + 40;
    setClientSize(400, height);
    addControl({.text = prompt,
                .id = IdPrompt,
                .x = 8,
                .y = 8,
                .width = 384,
                .height = promptHeight,
                .unicode = true});
    for (int i = 0; i < count_; ++i)
        addControl({.className = "BUTTON",
                    .text = options[static_cast<std::size_t>(i)],
                    .id = IdFirstOption + i,
                    .x = 16,
                    .y = promptHeight + 16 + i * 22,
                    .width = 368,
                    .height = 20,
                    .style = BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0u),
                    .unicode = true});
    mw::addOkCancel(*this, 400, height, IdOk, IdCancel);
    if (preset_ >= 0 && preset_ < count_)
        CheckRadioButton(handle(), IdFirstOption, IdFirstOption + count_ - 1, IdFirstOption + preset_);
    centreOnScreen();
}

void TChoice::FormShow() {
    SetFocus(item(IdFirstOption + (preset_ >= 0 && preset_ < count_ ? preset_ : 0)));
}

std::optional<int> TChoice::ask() {
    result_.reset();
    showModal();
    return result_;
}

bool TChoice::onCommand(int id, int code, HWND) {
    return mw::okOrCancel(*this, id, code, IdOk, IdCancel, [this] {
        for (int i = 0; i < count_; ++i)
            if (IsDlgButtonChecked(handle(), IdFirstOption + i) == BST_CHECKED) result_ = i;
        return result_.has_value();
    });
}

} // namespace keymanager
