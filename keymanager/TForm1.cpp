// The key manager's main window: its controls and their places, the virtual key list and its
// sort and filter, the details pane, the menus and shortcuts, and dropped key files.
#include "keymanager/TForm1.h"
#include "core/ProgramProfile.h"
#include "keymanager/KeyActions.h"
#include "keymanager/KeyManagerApp.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/ControlViews.h"
#include "win/Menus.h"
#include "win/SystemText.h"
#include "win/TPGPSetup.h"
#include <algorithm>
#include <shellapi.h>
#include <windowsx.h>

namespace keymanager {

namespace {

// Design geometry (96 DPI).
constexpr int kClientWidth = 760, kClientHeight = 520;
constexpr int kMargin = 6, kToolHeight = 25, kToolWidth = 78, kStatusHeight = 22, kFilterWidth = 180;
constexpr int kLabelWidth = 36;

// The tool buttons, left to right.
struct Tool {
    const char* caption;
    int command;
};
constexpr Tool kTools[] = {
    {"&New Key...", CmdNewKeyPair1Click},  {"&Add Keys...", CmdAddFromFiles1Click},
    {"E&xport...", CmdExportToFile1Click}, {"&Certify...", CmdCertify1Click},
    {"&Trust...", CmdTrustOwner1Click},    {"&Remove...", CmdRemove1Click},
};

constexpr int kColumnWidths[kColumnCount] = {250, 80, 110, 80, 80, 70, 70};

std::wstring wide(const std::string& utf8) {
    return mw::toWide(CP_UTF8, utf8);
}

} // namespace

TForm1::TForm1(KeyManagerApp& app)
    : MainForm(app.context(), [&app] { return app.setup().pgpDir(); }), app_(app),
      actions_(std::make_unique<KeyActions>(app)) {
    registerClass("TForm1", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    createHandle("TForm1", app.context().profile().mainCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                 0, 100, 100, nullptr, nullptr);
    this->app().setMainWindow(handle());
    createMenus();
    createControls();
    setClientSize(kClientWidth, kClientHeight);
    fitWorkArea();
    centreOnScreen();
    DragAcceptFiles(handle(), TRUE);
    layout();
}

TForm1::~TForm1() {
    destroyHandle();
}

void TForm1::fitWorkArea() {
    // At 200% the design size can be more than the screen holds.
    RECT work{}, frame{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(handle(), &frame);
    const int width = std::min<int>(frame.right - frame.left, work.right - work.left);
    const int height = std::min<int>(frame.bottom - frame.top, work.bottom - work.top);
    SetWindowPos(handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm1::createMenus() {
    using mw::buildPopup;
    HMENU bar = CreateMenu();
    HMENU keys = buildPopup({{"&New Key Pair...", "Ctrl+N", CmdNewKeyPair1Click},
                             {nullptr, nullptr, 0},
                             {"&Add Keys from Files...", "Ctrl+O", CmdAddFromFiles1Click},
                             {"Add Keys from the Clip&board", "Ctrl+Shift+V", CmdAddFromClipboard1Click},
                             {nullptr, nullptr, 0},
                             {"&Export to a File...", "Ctrl+E", CmdExportToFile1Click},
                             {"&Copy to the Clipboard", "Ctrl+Shift+C", CmdCopyToClipboard1Click},
                             {"Export the &Secret Key...", "", CmdExportSecretKey1Click},
                             {nullptr, nullptr, 0},
                             {"&Remove...", "Del", CmdRemove1Click},
                             {nullptr, nullptr, 0},
                             {"PGP Se&tup...", "", CmdPGPSetup1Click},
                             {nullptr, nullptr, 0},
                             {"E&xit", "Alt+F4", CmdExit1Click}});
    HMENU key = buildPopup({{"&Certifications and Details", "Enter", CmdCertifications1Click},
                            {nullptr, nullptr, 0},
                            {"Ce&rtify...", "Ctrl+S", CmdCertify1Click},
                            {"&Trust Its Owner...", "Ctrl+T", CmdTrustOwner1Click},
                            {"&Disable or Enable...", "", CmdDisableOrEnable1Click},
                            {"Re&voke Your Key...", "", CmdRevoke1Click},
                            {nullptr, nullptr, 0},
                            {"Change Your &Pass Phrase...", "", CmdChangePassPhrase1Click},
                            {"Add a &User ID...", "", CmdAddUserId1Click},
                            {"Re&move a User ID...", "", CmdRemoveUserId1Click},
                            {"Change the E&xpiry...", "", CmdChangeExpiry1Click}});
    HMENU view = buildPopup({{"&Filter", "Ctrl+F", CmdFilter1Click}, {"&Refresh", "F5", CmdRefresh1Click}});
    HMENU help = buildPopup({{"&Help", "F1", CmdHelp1Click}});
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(keys), "&Keys");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(key), "K&ey");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), "&View");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    SetMenu(handle(), bar);

    popup_ = mw::UniqueMenu(buildPopup({{"Certifications and Details", "", CmdCertifications1Click},
                                        {nullptr, nullptr, 0},
                                        {"Certify...", "", CmdCertify1Click},
                                        {"Trust Its Owner...", "", CmdTrustOwner1Click},
                                        {"Disable or Enable...", "", CmdDisableOrEnable1Click},
                                        {nullptr, nullptr, 0},
                                        {"Export to a File...", "", CmdExportToFile1Click},
                                        {"Copy to the Clipboard", "", CmdCopyToClipboard1Click},
                                        {nullptr, nullptr, 0},
                                        {"Remove...", "", CmdRemove1Click}}));

    ACCEL shortcuts[] = {
        {FVIRTKEY | FCONTROL, 'N', CmdNewKeyPair1Click},
        {FVIRTKEY | FCONTROL, 'O', CmdAddFromFiles1Click},
        {FVIRTKEY | FCONTROL | FSHIFT, 'V', CmdAddFromClipboard1Click},
        {FVIRTKEY | FCONTROL, 'E', CmdExportToFile1Click},
        {FVIRTKEY | FCONTROL | FSHIFT, 'C', CmdCopyToClipboard1Click},
        {FVIRTKEY | FCONTROL, 'S', CmdCertify1Click},
        {FVIRTKEY | FCONTROL, 'T', CmdTrustOwner1Click},
        {FVIRTKEY | FCONTROL, 'F', CmdFilter1Click},
        {FVIRTKEY, VK_F5, CmdRefresh1Click},
        {FVIRTKEY, VK_F1, CmdHelp1Click},
    };
    setShortcuts(shortcuts);
}

void TForm1::createControls() {
    int x = kMargin;
    for (std::size_t i = 0; i < std::size(kTools); ++i) {
        addControl({.className = "BUTTON",
                    .text = kTools[i].caption,
                    .id = IdFirstTool + static_cast<int>(i),
                    .x = x,
                    .y = kMargin,
                    .width = kToolWidth,
                    .height = kToolHeight,
                    .style = WS_TABSTOP | BS_PUSHBUTTON});
        x += kToolWidth + 4;
    }
    addControl({.text = "&Filter:", .id = IdFilterLabel, .x = 0, .y = 0, .width = kLabelWidth, .height = 16});
    addControl({.className = "EDIT",
                .id = IdFilter,
                .x = 0,
                .y = 0,
                .width = kFilterWidth,
                .height = 22,
                .style = WS_TABSTOP | ES_AUTOHSCROLL,
                .exStyle = WS_EX_CLIENTEDGE,
                .unicode = true});
    HWND list = addControl({.className = "SysListView32",
                            .text = "Keys",
                            .id = IdKeyList,
                            .x = 0,
                            .y = 0,
                            .width = 100,
                            .height = 100,
                            .style = WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                            .exStyle = WS_EX_CLIENTEDGE,
                            .unicode = true});
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    // Its notifications in UTF-16 (the user IDs), though this window's class is of the ANSI calls.
    SendMessageW(list, CCM_SETUNICODEFORMAT, TRUE, 0);
    for (int c = 0; c < kColumnCount; ++c) {
        std::wstring title = wide(columnTitle(static_cast<Column>(c)));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = scale(kColumnWidths[c]);
        column.iSubItem = c;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
    addControl({.className = "EDIT",
                .text = "Details",
                .id = IdDetails,
                .x = 0,
                .y = 0,
                .width = 100,
                .height = 100,
                .style = WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                .exStyle = WS_EX_CLIENTEDGE,
                .unicode = true});
    mw::setWindowText(item(IdDetails), "");
    addControl({.className = STATUSCLASSNAMEA, .id = IdStatus, .x = 0, .y = 0, .width = 0, .height = 0});
}

void TForm1::layout() {
    RECT client{};
    GetClientRect(handle(), &client);
    const int width = client.right, height = client.bottom;
    const int margin = scale(kMargin), toolHeight = scale(kToolHeight);
    HWND status = item(IdStatus);
    SendMessageW(status, WM_SIZE, 0, 0);
    RECT bar{};
    GetWindowRect(status, &bar);
    const int statusHeight = bar.bottom - bar.top > 0 ? bar.bottom - bar.top : scale(kStatusHeight);
    int x = margin;
    for (std::size_t i = 0; i < std::size(kTools); ++i) {
        MoveWindow(item(IdFirstTool + static_cast<int>(i)), x, margin, scale(kToolWidth), toolHeight, TRUE);
        x += scale(kToolWidth + 4);
    }
    // The filter at the right of the tools, or on a row of its own when the window is too narrow.
    const int filterWidth = scale(kFilterWidth), labelWidth = scale(kLabelWidth + 4);
    const bool ownRow = width - margin - filterWidth - labelWidth < x;
    const int filterTop = ownRow ? margin * 2 + toolHeight : margin;
    const int filterLeft = ownRow ? margin + labelWidth : width - margin - filterWidth;
    MoveWindow(filterBox(), filterLeft, filterTop + scale(1), filterWidth, scale(22), TRUE);
    MoveWindow(item(IdFilterLabel), filterLeft - labelWidth, filterTop + scale(4), scale(kLabelWidth),
               scale(16), TRUE);
    const int top = filterTop + toolHeight + margin;
    const int bottom = height - statusHeight - margin;
    const int details = (bottom - top) * 3 / 10;
    MoveWindow(keyList(), margin, top, width - 2 * margin, bottom - top - details - margin, TRUE);
    MoveWindow(detailsPane(), margin, bottom - details, width - 2 * margin, details, TRUE);
}

LRESULT TForm1::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        layout();
        return 0;
    case WM_NOTIFYFORMAT:
        if (lParam == NF_QUERY) break;
        return reinterpret_cast<HWND>(wParam) == keyList() ? NFR_UNICODE : NFR_ANSI;
    case WM_NOTIFY:
        return mw::guardedDispatch([&] { return onNotify(*reinterpret_cast<const NMHDR*>(lParam)); });
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == keyList()) {
            mw::guardedDispatch([&] {
                showContextMenu(lParam);
                return LRESULT(0);
            });
            return 0;
        }
        break;
    case WM_DROPFILES:
        mw::guardedDispatch([&] {
            dropFiles(reinterpret_cast<HDROP>(wParam));
            return LRESULT(0);
        });
        return 0;
    }
    return MainForm::handleMessage(msg, wParam, lParam);
}

bool TForm1::onCommand(int id, int code, HWND control) {
    if (id == IdFilter && code == EN_CHANGE) {
        applyFilter();
        return true;
    }
    if (id >= IdFirstTool && id < IdFirstTool + static_cast<int>(std::size(kTools)) && code == BN_CLICKED)
        return onCommand(kTools[id - IdFirstTool].command, 0, control);
    switch (id) {
        MW_KEY_MANAGER_COMMANDS(MW_COMMAND_CASE)
    default:
        return false;
    }
}

#define MW_KEY_MANAGER_HANDLER(Handler, action)                                                              \
    void TForm1::Handler() {                                                                                 \
        action;                                                                                              \
    }
MW_KEY_MANAGER_COMMANDS(MW_KEY_MANAGER_HANDLER)
#undef MW_KEY_MANAGER_HANDLER

bool TForm1::previewKey(const MSG& msg) {
    if (msg.hwnd != keyList() || msg.message != WM_KEYDOWN) return false;
    if (msg.wParam == VK_DELETE) {
        Remove1Click();
        return true;
    }
    if (msg.wParam == VK_RETURN) {
        Certifications1Click();
        return true;
    }
    return false;
}

LRESULT TForm1::onNotify(const NMHDR& header) {
    if (header.hwndFrom != keyList()) return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if ((info.item.mask & LVIF_TEXT) && info.item.iItem >= 0 &&
            static_cast<std::size_t>(info.item.iItem) < table_.shown()) {
            cellText_ = wide(table_.cell(static_cast<std::size_t>(info.item.iItem),
                                         static_cast<Column>(info.item.iSubItem)));
            info.item.pszText = cellText_.data();
        }
        return 0;
    }
    case LVN_COLUMNCLICK:
        sortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return 0;
    case LVN_ITEMCHANGED:
        if (reinterpret_cast<const NMLISTVIEW&>(header).uChanged & LVIF_STATE) showDetails();
        return 0;
    case LVN_ODSTATECHANGED: // a range selected with Shift
        showDetails();
        return 0;
    case NM_DBLCLK:
        if (selectedKey()) Certifications1Click();
        return 0;
    default:
        return 0;
    }
}

void TForm1::refreshKeys(const std::string& select) {
    actions_->listKeys(select);
}

void TForm1::showKeys(std::vector<pgp::Key> keys, const std::string& select) {
    const pgp::Key* before = selectedKey();
    const std::string keep = !select.empty() ? select : before ? before->fingerprint : std::string();
    table_.load(std::move(keys));
    SendMessageW(keyList(), LVM_SETITEMCOUNT, table_.shown(), 0);
    InvalidateRect(keyList(), nullptr, TRUE);
    setStatus(std::to_string(table_.total()) + (table_.total() == 1 ? " key" : " keys") +
              (table_.shown() == table_.total() ? "" : ", " + std::to_string(table_.shown()) + " shown"));
    selectKey(keep);
    showDetails();
}

namespace {

std::vector<int> selectedRows(HWND list) {
    std::vector<int> rows;
    for (int row = -1; (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                            LVNI_SELECTED))) >= 0;)
        rows.push_back(row);
    return rows;
}

} // namespace

const pgp::Key* TForm1::selectedKey() const {
    int row =
        static_cast<int>(SendMessageW(keyList(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (row < 0 ||
        !(SendMessageW(keyList(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED))
        row = static_cast<int>(
            SendMessageW(keyList(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0 || static_cast<std::size_t>(row) >= table_.shown()) return nullptr;
    return &table_.key(static_cast<std::size_t>(row));
}

std::vector<const pgp::Key*> TForm1::selectedKeys() const {
    std::vector<const pgp::Key*> keys;
    for (int row : selectedRows(keyList()))
        if (static_cast<std::size_t>(row) < table_.shown())
            keys.push_back(&table_.key(static_cast<std::size_t>(row)));
    return keys;
}

void TForm1::selectKey(const std::string& fingerprint) {
    std::optional<std::size_t> row;
    if (!fingerprint.empty()) row = table_.rowOf(fingerprint);
    if (!row && table_.shown() > 0) row = 0;
    // Only the rows that change: a state set on every row at once costs a pass over all of them.
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    for (int current : selectedRows(keyList()))
        if (!row || static_cast<std::size_t>(current) != *row)
            SendMessageW(keyList(), LVM_SETITEMSTATE, static_cast<WPARAM>(current),
                         reinterpret_cast<LPARAM>(&state));
    if (!row) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(keyList(), LVM_SETITEMSTATE, *row, reinterpret_cast<LPARAM>(&state));
    SendMessageW(keyList(), LVM_ENSUREVISIBLE, *row, FALSE);
}

void TForm1::applyFilter() {
    const pgp::Key* before = selectedKey();
    const std::string keep = before ? before->fingerprint : std::string();
    table_.filter(mw::unicodeText(filterBox()));
    SendMessageW(keyList(), LVM_SETITEMCOUNT, table_.shown(), LVSICF_NOSCROLL);
    InvalidateRect(keyList(), nullptr, FALSE);
    selectKey(keep);
    setStatus(std::to_string(table_.shown()) + " of " + std::to_string(table_.total()) + " keys shown");
    showDetails();
}

void TForm1::focusFilter() {
    SetFocus(filterBox());
    mw::Edit(filterBox()).selectAll();
}

void TForm1::showDetails() {
    const pgp::Key* key = selectedKey();
    SetWindowTextW(detailsPane(), key ? wide(detailsText(*key)).c_str() : L"");
}

void TForm1::sortBy(int column) {
    const auto chosen = static_cast<Column>(column);
    const bool ascending = table_.sortColumn() == chosen ? !table_.ascending() : true;
    const pgp::Key* before = selectedKey();
    const std::string keep = before ? before->fingerprint : std::string();
    table_.sortBy(chosen, ascending);
    InvalidateRect(keyList(), nullptr, FALSE);
    selectKey(keep);
}

void TForm1::setStatus(const std::string& text) {
    SetWindowTextW(item(IdStatus), wide(text).c_str());
}

std::string TForm1::statusText() const {
    return mw::unicodeText(item(IdStatus));
}

void TForm1::showContextMenu(LPARAM screenPoint) {
    POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: under the selected row.
        RECT row{LVIR_BOUNDS};
        const int selected = static_cast<int>(
            SendMessageW(keyList(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (selected < 0 || !SendMessageW(keyList(), LVM_GETITEMRECT, static_cast<WPARAM>(selected),
                                          reinterpret_cast<LPARAM>(&row)))
            row = RECT{};
        at = {row.left + scale(16), row.bottom};
        ClientToScreen(keyList(), &at);
    }
    TrackPopupMenu(popup_.get(), TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, handle(), nullptr);
}

void TForm1::dropFiles(HDROP drop) {
    std::vector<std::string> files;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::string name(length + 1, '\0');
        DragQueryFileA(drop, i, name.data(), length + 1);
        name.resize(length);
        files.push_back(name);
    }
    DragFinish(drop);
    actions_->addFiles(files);
}

} // namespace keymanager
