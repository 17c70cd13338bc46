// Listing job, the user-ID list and the refusal box of both key dialogs.
#include "win/KeyDialogs.h"
#include "win/Context.h"
#include "win/Window.h"
#include "win/Win32Util.h"
#include "core/Interaction.h"
#include "core/KeyChoice.h"
#include <algorithm>
#include <array>
#include <cstring>

namespace mw {

namespace {
// Only the start of a very long ID fits the list's width; drawing all of it would slow every
// repaint.
constexpr std::size_t kMostBytesDrawn = 1024;

// The system's upper case of every ANSI byte, for comparisons without regard to case.
const std::array<unsigned char, 256>& upperCase() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (std::size_t c = 0; c < t.size(); ++c)
            t[c] = static_cast<unsigned char>(c);
        CharUpperBuffA(reinterpret_cast<char*>(t.data() + 1), static_cast<DWORD>(t.size() - 1));
        return t;
    }();
    return table;
}

bool equalFolded(const char* a, const char* b, std::size_t n) {
    const auto& upper = upperCase();
    for (std::size_t i = 0; i < n; ++i)
        if (upper[static_cast<unsigned char>(a[i])] != upper[static_cast<unsigned char>(b[i])]) return false;
    return true;
}
} // namespace

std::vector<std::string> listUserIds(const Context& context, const KeyDialogLink& link, KeyRing ring) {
    return listKeyRing(context.platform(), context.interaction(), context.profile().program, ring,
                       link.sources ? link.sources() : KeyListingSources{});
}

UserIdList::~UserIdList() {
    // The list box may outlive us inside its dialog: hand it back its own procedure.
    if (hwnd_ && IsWindow(hwnd_)) removeSubclass(hwnd_);
}

void UserIdList::create(Application& app, HWND parent, ControlParams params) {
    params.className = "LISTBOX";
    params.style = (params.style & ~(LBS_SORT | LBS_HASSTRINGS | LBS_OWNERDRAWVARIABLE)) | LBS_NODATA |
                   LBS_OWNERDRAWFIXED;
    hwnd_ = createControl(app, parent, params);
    // Owner-drawn entries keep the height of the font the list box was created with; give them
    // the height a list box with strings takes from the font it is given.
    TEXTMETRICA tm{};
    {
        WindowDC dc(hwnd_);
        ScopedSelect font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
        GetTextMetricsA(dc.get(), &tm);
    }
    SendMessageA(hwnd_, LB_SETITEMHEIGHT, 0, MAKELPARAM(tm.tmHeight, 0));
    installSubclass(hwnd_, &UserIdList::subclassMessage, this);
}

void UserIdList::assign(std::vector<std::string> ids) {
    ids_ = std::move(ids);
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0);
    SendMessageA(hwnd_, LB_SETCOUNT, ids_.size(), 0);
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

const std::string* UserIdList::selected() const {
    const int index = selectedIndex(hwnd_);
    return index >= 0 && index < static_cast<int>(ids_.size()) ? &ids_[static_cast<std::size_t>(index)]
                                                               : nullptr;
}

bool UserIdList::drawItem(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != hwnd_) return false;
    HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    if (item.itemID < ids_.size()) {
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        const bool disabled = (item.itemState & ODS_DISABLED) != 0;
        SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        SetTextColor(dc, GetSysColor(selected   ? COLOR_HIGHLIGHTTEXT
                                     : disabled ? COLOR_GRAYTEXT
                                                : COLOR_WINDOWTEXT));
        ScopedSelect font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
        const std::string& id = ids_[item.itemID];
        ExtTextOutA(dc, r.left + 1, r.top, ETO_OPAQUE | ETO_CLIPPED, &r, id.data(),
                    static_cast<UINT>(std::min(id.size(), kMostBytesDrawn)), nullptr);
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
    return true;
}

LRESULT UserIdList::subclassMessage(void* self, HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    return static_cast<UserIdList*>(self)->handleMessage(msg, wParam, lParam);
}

LRESULT UserIdList::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool valid = wParam < ids_.size();
    switch (msg) {
    case LB_GETTEXTLEN:
        return valid ? static_cast<LRESULT>(ids_[wParam].size()) : LB_ERR;
    case LB_GETTEXT: {
        if (!valid || !lParam) return LB_ERR;
        const std::string& id = ids_[wParam];
        char* out = reinterpret_cast<char*>(lParam);
        std::memcpy(out, id.data(), id.size());
        out[id.size()] = '\0';
        return static_cast<LRESULT>(id.size());
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
        if (!lParam) return LB_ERR;
        const int at =
            find(static_cast<int>(wParam), reinterpret_cast<const char*>(lParam), msg == LB_FINDSTRINGEXACT);
        if (at < 0) return LB_ERR;
        if (msg == LB_SELECTSTRING) callNextProc(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
        return at;
    }
    case WM_CHAR: {
        const int caret = static_cast<int>(callNextProc(hwnd_, LB_GETCARETINDEX, 0, 0));
        const int at = find(caret, std::string(1, static_cast<char>(wParam)), false);
        if (at >= 0) selectAndNotify(at);
        return 0;
    }
    case WM_NCDESTROY: {
        const LRESULT result = callNextProc(hwnd_, msg, wParam, lParam);
        hwnd_ = nullptr;
        return result;
    }
    default:
        return callNextProc(hwnd_, msg, wParam, lParam);
    }
}

int UserIdList::find(int after, const std::string& text, bool whole) const {
    const int count = static_cast<int>(ids_.size());
    if (text.empty() || count == 0) return -1;
    const int start = after < 0 || after + 1 >= count ? 0 : after + 1;
    for (int k = 0; k < count; ++k) {
        const int i = (start + k) % count;
        const std::string& id = ids_[static_cast<std::size_t>(i)];
        const bool fits = whole ? id.size() == text.size() : id.size() >= text.size();
        if (fits && equalFolded(id.data(), text.data(), text.size())) return i;
    }
    return -1;
}

void UserIdList::selectAndNotify(int index) {
    callNextProc(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (GetWindowLongA(hwnd_, GWL_STYLE) & LBS_NOTIFY)
        SendMessageA(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(hwnd_));
}

int selectedIndex(HWND listBox) {
    LRESULT i = SendMessageA(listBox, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

void refuseUserId(const Context& context) {
    context.tell(kUnsafeUserIdMessage);
}

} // namespace mw
