// The key manager's pass-phrase box.
#include "keymanager/TPassPhrase.h"
#include "core/CodePages.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/ControlViews.h"

namespace keymanager {

TPassPhrase::TPassPhrase(const mw::Context& context, const std::string& prompt, bool twice)
    : Form(context.application()), context_(context), twice_(twice) {
    registerClass("TPassPhrase", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    HWND owner = GetActiveWindow();
    createHandle("TPassPhrase", "Pass Phrase", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 0, 0,
                 100, 100, owner ? owner : app().mainWindow(), nullptr);
    const int height = twice ? 150 : 112;
    setClientSize(360, height);
    addControl({.text = prompt, .id = IdPrompt, .x = 8, .y = 8, .width = 344, .height = 32});
    auto field = [&](int id, int y) {
        mw::Edit(addControl({.className = "EDIT",
                             .id = id,
                             .x = 8,
                             .y = y,
                             .width = 344,
                             .height = 21,
                             .style = WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
                             .exStyle = WS_EX_CLIENTEDGE,
                             .unicode = true}))
            .setLimit(kLimit);
    };
    field(IdFirst, 44);
    if (twice) {
        addControl({.text = "&Again:", .id = IdAgainLabel, .x = 8, .y = 72, .width = 344, .height = 16});
        field(IdAgain, 90);
    }
    mw::addOkCancel(*this, 360, height, IdOk, IdCancel);
    // The fields' storage grown to its full size now: a pass phrase typed later is overwritten in
    // place, never left behind in a smaller block the control gives up as it grows.
    wipeFields();
    centreOnScreen();
}

TPassPhrase::~TPassPhrase() {
    if (handle()) wipeFields();
    destroyHandle();
}

void TPassPhrase::FormShow() {
    SetFocus(item(IdFirst));
}

std::optional<mw::SecretString> TPassPhrase::ask() {
    result_.reset();
    showModal();
    wipeFields();
    return std::move(result_);
}

void TPassPhrase::wipeFields() {
    mw::Edit(item(IdFirst)).wipe(kLimit);
    if (twice_) mw::Edit(item(IdAgain)).wipe(kLimit);
}

std::optional<mw::SecretString> TPassPhrase::taken() {
    const mw::SecretWide first = mw::Edit(item(IdFirst)).secretText();
    if (twice_ && first != mw::Edit(item(IdAgain)).secretText()) {
        context_.tell("The two pass phrases are not the same. Type the same pass phrase in both fields.");
        return std::nullopt;
    }
    if (first.empty()) {
        context_.tell("Type a pass phrase.");
        return std::nullopt;
    }
    // pgp.exe reads it as a line of the console's code page: a character that page lacks would
    // reach the engine as another one.
    auto& platform = context_.platform();
    auto bytes = mw::encodeSecret(platform, first, platform.consoleCodePage());
    if (!bytes) {
        context_.tell("The pass phrase holds a character that cannot be handed to pgp.exe in this system's "
                      "console code page. Use other characters.");
        return std::nullopt;
    }
    return bytes;
}

bool TPassPhrase::onCommand(int id, int code, HWND) {
    return mw::okOrCancel(*this, id, code, IdOk, IdCancel, [this] {
        result_ = taken();
        return result_.has_value();
    });
}

} // namespace keymanager
