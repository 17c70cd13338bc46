// The key manager's new-key box.
#include "keymanager/TNewKey.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/ControlViews.h"
#include "win/Win32Util.h"

namespace keymanager {

namespace {

constexpr const char* kKinds[] = {"The engine's modern default (Ed25519 and Cv25519)", "RSA, 3072 bits",
                                  "RSA, 4096 bits"};

} // namespace

std::string makeUserId(const std::string& name, const std::string& email, const std::string& comment) {
    std::string id = name;
    if (!comment.empty()) id += (id.empty() ? "(" : " (") + comment + ")";
    if (!email.empty()) id += (id.empty() ? "<" : " <") + email + ">";
    return id;
}

TNewKey::TNewKey(mw::Application& application) : Form(application) {
    registerClass("TNewKey", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    HWND owner = GetActiveWindow();
    createHandle("TNewKey", "New Key Pair", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 0, 0,
                 100, 100, owner ? owner : app().mainWindow(), nullptr);
    setClientSize(400, 216);
    int y = 10;
    auto row = [&](int labelId, const char* label, int fieldId, const char* className, DWORD style) {
        addControl({.text = label, .id = labelId, .x = 8, .y = y + 3, .width = 100, .height = 16});
        HWND field = addControl({.className = className,
                                 .id = fieldId,
                                 .x = 112,
                                 .y = y,
                                 .width = 280,
                                 .height = className[0] == 'E' ? 21 : 120,
                                 .style = WS_TABSTOP | style,
                                 .exStyle = className[0] == 'E' ? DWORD(WS_EX_CLIENTEDGE) : 0u,
                                 .unicode = true});
        y += 30;
        return field;
    };
    row(IdNameLabel, "&Name:", IdName, "EDIT", ES_AUTOHSCROLL);
    row(IdEmailLabel, "&E-mail address:", IdEmail, "EDIT", ES_AUTOHSCROLL);
    row(IdCommentLabel, "&Comment:", IdComment, "EDIT", ES_AUTOHSCROLL);
    mw::ComboBox kinds(row(IdKindLabel, "Key &type:", IdKind, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL));
    for (const char* kind : kKinds)
        kinds.add(kind);
    kinds.select(0);
    mw::ComboBox expiries(
        row(IdExpiryLabel, "E&xpires:", IdExpiry, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL));
    for (const ExpiryChoice& e : kExpiryChoices)
        expiries.add(e.text);
    expiries.select(0);
    mw::addOkCancel(*this, 400, 216, IdOk, IdCancel);
    centreOnScreen();
}

void TNewKey::FormShow() {
    SetFocus(item(IdName));
}

std::optional<NewKeyRequest> TNewKey::ask() {
    result_.reset();
    showModal();
    return result_;
}

bool TNewKey::onCommand(int id, int code, HWND) {
    return mw::okOrCancel(*this, id, code, IdOk, IdCancel, [this] {
        if (mw::unicodeText(item(IdName)).empty() && mw::unicodeText(item(IdEmail)).empty()) {
            MessageBoxW(handle(),
                        L"Type your name or your e-mail address: the key's user ID is made of them.",
                        L"New Key Pair", MB_OK | MB_ICONINFORMATION);
            SetFocus(item(IdName));
            return false;
        }
        NewKeyRequest r;
        r.userId = makeUserId(mw::unicodeText(item(IdName)), mw::unicodeText(item(IdEmail)),
                              mw::unicodeText(item(IdComment)));
        const int kind = mw::ComboBox(item(IdKind)).selected();
        const int expiry = mw::ComboBox(item(IdExpiry)).selected();
        r.kind = static_cast<NewKeyKind>(kind < 0 ? 1 : kind + 1);
        r.expireDays = expiry < 0 ? 0 : kExpiryChoices[expiry].days;
        result_ = r;
        return true;
    });
}

} // namespace keymanager
