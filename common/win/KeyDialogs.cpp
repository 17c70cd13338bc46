// Listing job, the user-ID list and the refusal box of both key dialogs.
#include "win/KeyDialogs.h"
#include "win/Application.h"
#include "win/Context.h"
#include "win/ControlViews.h"
#include "win/SystemText.h"
#include "win/Win32Util.h"
#include "core/Launches.h"
#include "core/Interaction.h"
#include "core/KeyChoice.h"
#include <algorithm>

namespace mw {

namespace {
// Only the start of a very long ID fits the list's width; drawing all of it would slow every
// repaint.
constexpr std::size_t kMostBytesDrawn = 1024;
// More than any screen shows, and enough for a typed initial to find its first entries; a step
// of the rest takes a few milliseconds under Wine, so the dialog keeps answering while it fills.
constexpr std::size_t kFirstFill = 1000;
constexpr std::size_t kFillStep = 10000;
} // namespace

std::vector<std::string> listUserIds(const Context& context, const KeyDialogLink& link, KeyRing ring,
                                     bool* offeredFirstKey) {
    const KeyListingSources sources = link.sources ? link.sources() : KeyListingSources{};
    bool finished = false;
    auto ids = listKeyRing(context.platform(), context.interaction(), context.profile().program, ring,
                           sources, &finished);
    // A first start: nothing to choose from, and the way to a first key.
    const bool empty = finished && ids.empty();
    if (empty)
        offerFirstKey(context.platform(), context.interaction(), context.profile(), sources.pgpDir,
                      ring == KeyRing::Secret, sources.pgpExe);
    if (offeredFirstKey) *offeredFirstKey = empty;
    return ids;
}

void UserIdList::create(Application& app, HWND parent, ControlParams params) {
    params.className = "LISTBOX";
    // Unsorted: the IDs come in the system's collation already (see sortUserIds).
    params.style = (params.style & ~(LBS_SORT | LBS_NODATA | LBS_OWNERDRAWVARIABLE)) | LBS_HASSTRINGS |
                   LBS_OWNERDRAWFIXED;
    hwnd_ = createControl(app, parent, params);
    // Owner-drawn entries keep the height of the font the list box was created with; give them
    // the height a list box with strings takes from the font it is given.
    TEXTMETRICA tm{};
    {
        WindowDC dc(hwnd_);
        ScopedSelect font(dc.get(), fontOf(hwnd_));
        GetTextMetricsA(dc.get(), &tm);
    }
    ListBox(hwnd_).setItemHeight(tm.tmHeight);
}

UserIdList::~UserIdList() {
    if (hwnd_ && IsWindow(hwnd_)) KillTimer(hwnd_, fillTimerId());
}

void UserIdList::assign(std::vector<std::string> ids) {
    if (hwnd_) KillTimer(hwnd_, fillTimerId()); // the rest of an earlier list must not follow
    ids_ = std::move(ids);
    filled_ = 0;
    ListBox(hwnd_).clear();
    // The first page at once; the rest of a big ring between the user's messages, so that the
    // dialog shows in the time the listing takes, not in the time 100,000 additions take.
    fill(kFirstFill);
    if (filled_ < ids_.size()) SetTimer(hwnd_, fillTimerId(), USER_TIMER_MINIMUM, &UserIdList::fillLater);
}

void CALLBACK UserIdList::fillLater(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    auto* self = reinterpret_cast<UserIdList*>(id);
    Application::instance().runHandler([&] {
        self->fill(kFillStep);
        if (self->filled_ >= self->ids_.size()) KillTimer(hwnd, id);
    });
}

void UserIdList::fill(std::size_t most) {
    // With redraw on, every addition would repaint: minutes for a big ring.
    ListBox(hwnd_).setRedraw(false);
    // Handed over in UTF-16, as the list keeps them, and straight to the list box's procedure: the
    // ANSI call converts each ID through a buffer of its own and the dispatch of 100,000 messages
    // costs a seventh more (measured under Wine).
    std::wstring wide;
    const auto own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd_, GWLP_WNDPROC));
    const std::size_t end = std::min(ids_.size(), filled_ + most);
    bool refused = false;
    DWORD failure = 0;
    for (; filled_ < end; ++filled_) {
        const std::string& id = ids_[filled_];
        toWide(CP_ACP, id, wide);
        if (CallWindowProcW(own, hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())) < 0) {
            refused = true;
            failure = GetLastError();
            break;
        }
    }
    if (refused) {
        // An entry must never stand for another ID: the list and the IDs go together.
        KillTimer(hwnd_, fillTimerId());
        ListBox(hwnd_).clear();
        ids_.clear();
        filled_ = 0;
    }
    ListBox(hwnd_).setRedraw(true);
    InvalidateRect(hwnd_, nullptr, TRUE);
    if (refused) throw SystemError("The list of user IDs could not hold every key", failure);
}

const std::string* UserIdList::selected() const {
    const int index = selectedIndex(hwnd_);
    return index >= 0 && index < static_cast<int>(filled_) ? &ids_[static_cast<std::size_t>(index)] : nullptr;
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
        ScopedSelect font(dc, fontOf(hwnd_));
        const std::string& id = ids_[item.itemID];
        ExtTextOutA(dc, r.left + 1, r.top, ETO_OPAQUE | ETO_CLIPPED, &r, id.data(),
                    static_cast<UINT>(std::min(id.size(), kMostBytesDrawn)), nullptr);
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
    return true;
}

int selectedIndex(HWND listBox) {
    return ListBox(listBox).selected();
}

void refuseUserId(const Context& context) {
    context.tell(kUnsafeUserIdMessage);
}

} // namespace mw
