// File module main window: the panes and their links, the status line, the menus, the Shift
// flag and the clean-up at close.
#include "filemodule/TForm1.h"
#include "core/Errors.h"
#include "filemodule/core/FileBrowser.h"
#include "core/PathUtil.h"
#include "core/Platform.h"
#include "core/ProgramProfile.h"
#include "core/TextConvert.h"
#include "filemodule/DirectoryScan.h"
#include "filemodule/FileModuleApp.h"
#include "filemodule/FileModuleButtonBar.h"
#include "filemodule/FileModuleCommands.h"
#include "filemodule/HousekeepingLink.h"
#include "filemodule/FileOperations.h"
#include "filemodule/PaneIcons.h"
#include "filemodule/TAboutBox.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/ControlViews.h"
#include "win/Menus.h"
#include "win/SystemText.h"
#include "win/TPGPSetup.h"
#include <windowsx.h>

namespace filemodule {

namespace {

// Design geometry of the client area (594 x 402).
constexpr int kClientWidth = 594, kClientHeight = 402;
constexpr int kBarHeight = 48, kStatusHeight = 28, kLeftPaneWidth = 261;
constexpr int kPaneInset = 3; // one bevel pixel and a border of two
constexpr int kDriveBoxWidth = 255, kDriveHolderHeight = 26;
constexpr int kIndentPerLevel = 8;

// Item data of the directory pane: the indentation level and whether the entry is a level of
// the shown path (an open folder) or a subdirectory of it (a closed one).
LPARAM directoryItem(int level, bool open) {
    return level * 2 + (open ? 1 : 0);
}

std::wstring currentDirectory() {
    return mw::askedText([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
}

} // namespace

TForm1::TForm1(FileModuleApp& app)
    : MainForm(app.context(), [&app] { return app.setup().pgpDir(); }), app_(app) {
    auto& application = this->app();
    registerClass("TForm1", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // The system font of the panes, in its own proportions: the stock one keeps its 96-DPI width
    // at every scale, which squeezes its letters at 150 and 200%.
    LOGFONTA pane{};
    GetObjectA(GetStockObject(SYSTEM_FONT), sizeof pane, &pane);
    pane.lfWidth = 0;
    paneFont_.reset(CreateFontIndirectA(&pane));
    createHandle("TForm1", app_.context().profile().mainCaption,
                 WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, 0, 0, 100,
                 100, nullptr, nullptr);
    application.setMainWindow(handle());
    createMenus();
    setClientSize(kClientWidth, kClientHeight);
    createControls();
    centreOnScreen();
    // The browser opens on the process's current directory; a failure there is shown and the
    // panes stay empty.
    application.runHandler([this] { changeDirectory(mw::utf8Path(currentDirectory())); });
}

TForm1::~TForm1() {
    // The window goes first: its panes use the fonts, its owner the menus.
    destroyHandle();
}

HWND TForm1::directoryList() const {
    return GetDlgItem(item(IdPanel3), IdDirectory);
}

HWND TForm1::driveBox() const {
    return GetDlgItem(GetDlgItem(item(IdPanel3), IdPanel4), IdDriveComboBox1);
}

void TForm1::createMenus() {
    using mw::buildPopup;
    HMENU bar = CreateMenu();
    HMENU file = buildPopup({{"&Encrypt", "Ctrl+E", CmdSpeedButton1Click},
                             {"&Decrypt", "Ctrl+D", CmdSpeedButton2Click},
                             {nullptr, nullptr, 0},
                             {"Re&name File", "Ctrl+R", CmdRenameFile1Click},
                             {"Delete File", "Del", CmdN3Click},
                             {"\"&Scorch\" The File", "Shift+Del", CmdScorchTheFile1Click},
                             {nullptr, nullptr, 0},
                             {"&Run File", "Ctrl+O", CmdRunFile1Click},
                             {nullptr, nullptr, 0},
                             {"&Refresh", "F5", CmdRefresh1Click},
                             {nullptr, nullptr, 0},
                             {"E&xit", "Ctrl+F4", CmdExit1Click}});
    HMENU help = buildPopup({{"Help on Murkwell File", "F1", CmdHelponMurkwellFile1Click},
                             {nullptr, nullptr, 0},
                             {"&About", "Shift+F1", CmdAbout1Click}});
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_STRING, CmdPGPSetup1Click, "&PGP Setup");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    SetMenu(handle(), bar);

    popup_ = mw::UniqueMenu(buildPopup({{"Encrypt", "", CmdSpeedButton1Click},
                                        {"Decrypt", "", CmdSpeedButton2Click},
                                        {"Sign", "", CmdSpeedButton3Click},
                                        {"Sign Detached", "", CmdIEButton7Click},
                                        {"Sign/Encrypt", "", CmdSpeedButton4Click},
                                        {"Encrypt IDEA", "", CmdSpeedButton5Click},
                                        {nullptr, nullptr, 0},
                                        {"Run", "", CmdRunFile1Click},
                                        {"Rename", "", CmdRenameFile1Click},
                                        {"Delete", "", CmdN3Click},
                                        {"\"Scorch\" The File", "", CmdScorchTheFile1Click},
                                        {nullptr, nullptr, 0},
                                        {"Load Into Notepad", "", CmdLoadIntoNotepad1Click},
                                        {"DOS Prompt Here", "", CmdDOSPromptHere1Click},
                                        {"Refresh", "", CmdRefresh1Click}}));

    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, 'E', CmdSpeedButton1Click},
        {FVIRTKEY | FCONTROL, 'D', CmdSpeedButton2Click},
        {FVIRTKEY | FCONTROL, 'R', CmdRenameFile1Click},
        {FVIRTKEY, VK_DELETE, CmdN3Click},
        {FVIRTKEY | FSHIFT, VK_DELETE, CmdScorchTheFile1Click},
        {FVIRTKEY | FCONTROL, 'O', CmdRunFile1Click},
        {FVIRTKEY, VK_F5, CmdRefresh1Click},
        {FVIRTKEY | FCONTROL, VK_F4, CmdExit1Click},
        {FVIRTKEY, VK_F1, CmdHelponMurkwellFile1Click},
        {FVIRTKEY | FSHIFT, VK_F1, CmdAbout1Click},
    };
    setShortcuts(keys);
}

void TForm1::createControls() {
    HWND panel1 = mw::createPanel(
        app(), handle(),
        {.id = IdPanel1, .width = kClientWidth, .height = kBarHeight, .style = WS_CLIPCHILDREN});
    buttons_ = buildButtonBar(app(), panel1);

    addControl({.className = "STATIC",
                .id = IdPanel2,
                .y = kClientHeight - kStatusHeight,
                .width = kClientWidth,
                .height = kStatusHeight,
                .style = SS_OWNERDRAW,
                .unicode = true});
    makeStatusFont();
    createPanes();
}

void TForm1::createPanes() {
    const int bodyHeight = kClientHeight - kBarHeight - kStatusHeight;
    HWND panel3 = mw::createPanel(app(), handle(),
                                  {.id = IdPanel3,
                                   .y = kBarHeight,
                                   .width = kLeftPaneWidth,
                                   .height = bodyHeight,
                                   .style = WS_CLIPCHILDREN,
                                   // Tab reaches the drive box and the tree inside it.
                                   .exStyle = WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT});
    HWND panel4 = mw::createPanel(app(), panel3,
                                  {.id = IdPanel4,
                                   .x = kPaneInset,
                                   .y = kPaneInset,
                                   .width = kDriveBoxWidth,
                                   .height = kDriveHolderHeight,
                                   .style = WS_CLIPCHILDREN,
                                   .exStyle = WS_EX_CONTROLPARENT});
    mw::createControl(app(), panel4,
                      {.className = "COMBOBOX",
                       .id = IdDriveComboBox1,
                       .width = kDriveBoxWidth,
                       .height = 240,
                       .style = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                       .font = paneFont_.get()});
    const int treeTop = kPaneInset + kDriveHolderHeight;
    mw::createControl(app(), panel3,
                      {.className = "LISTBOX",
                       .id = IdDirectory,
                       .x = kPaneInset,
                       .y = treeTop,
                       .width = kDriveBoxWidth,
                       .height = bodyHeight - treeTop - kPaneInset,
                       .style = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                                LBS_NOINTEGRALHEIGHT,
                       .exStyle = WS_EX_CLIENTEDGE,
                       .font = paneFont_.get(),
                       .unicode = true});
    // Sorted by the list itself, which ignores case as the file system does.
    addControl({.className = "LISTBOX",
                .id = IdFileListBox1,
                .x = kLeftPaneWidth,
                .y = kBarHeight,
                .width = kClientWidth - kLeftPaneWidth,
                .height = bodyHeight,
                .style = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_SORT | LBS_OWNERDRAWFIXED |
                         LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                .exStyle = WS_EX_CLIENTEDGE,
                .font = paneFont_.get(),
                .unicode = true});
    for (const auto& drive : logicalDrives())
        mw::ComboBox(driveBox()).add(mw::toLowerAscii(drive.substr(0, 2)));
}

void TForm1::FormShow() {
    auto& platform = app_.context().platform();
    if (!platform.fileExists(app_.setup().pgpExe())) app_.setup().showModal();
    // Highlighted only: no change event, so the status line stays empty until the user selects.
    mw::ListBox(fileList()).select(0);
}

// --- the panes

int TForm1::selectedIndex() const {
    return mw::ListBox(fileList()).selected();
}

std::string TForm1::FileName() const {
    const int index = selectedIndex();
    if (index < 0) return {};
    // The panes are wide list boxes, so that names the ANSI code page cannot hold are kept; their
    // texts are UTF-8 inside the program.
    return mw::joinPath(directory_, mw::utf8Path(mw::ListBox(fileList()).text(index)));
}

bool TForm1::systemPaths(std::string& file, std::string& directory) {
    file.clear();
    const std::string selected = FileName();
    using Name = std::pair<const std::string*, std::string*>;
    for (const auto& [utf8, ansi] : {Name{&directory_, &directory}, Name{&selected, &file}}) {
        if (utf8->empty()) continue;
        *ansi = mw::ansiPath(*utf8);
        if (ansi->empty()) {
            app_.context().tell(mw::ansiText(mw::unreachableNameMessage(*utf8)));
            return false;
        }
    }
    return true;
}

bool TForm1::namesReachable() {
    std::string file, directory;
    return systemPaths(file, directory);
}

bool TForm1::showsPgpDirectory() const {
    const mw::TPGPSetup* setup = app_.setupIfMade();
    if (!setup) return false;
    std::wstring pgp = mw::widePath(mw::utf8FromAnsi(setup->pgpDir())), shown = mw::widePath(directory_);
    for (auto* path : {&pgp, &shown})
        while (path->size() > 3 && path->back() == L'\\')
            path->pop_back();
    return !pgp.empty() && lstrcmpiW(pgp.c_str(), shown.c_str()) == 0;
}

std::vector<mw::FileStamp> TForm1::listedFiles() const {
    std::vector<mw::FileStamp> stamps;
    for (auto& file : listFiles(directory_, showsPgpDirectory()))
        stamps.push_back({std::move(file.name), file.written});
    return stamps;
}

void TForm1::updateFileList(const std::string& select) {
    // Relative names typed by the user are taken relative to the shown directory.
    SetCurrentDirectoryW(mw::widePath(directory_).c_str());
    mw::ListBox list(fileList());
    list.setRedraw(false);
    list.clear();
    // The engine's files in PGP's directory are not the user's to pick.
    for (const auto& file : listFiles(directory_, showsPgpDirectory()))
        list.setData(list.add(mw::widePath(file.name)), static_cast<LPARAM>(file.icon));
    if (!select.empty())
        if (const int index = list.find(mw::widePath(select)); index >= 0) list.select(index);
    list.setRedraw(true);
    InvalidateRect(list.handle(), nullptr, TRUE);
    FileListBox1Change();
}

void TForm1::changeDirectory(const std::string& path) {
    const std::wstring wide = mw::widePath(path);
    const std::wstring full =
        mw::askedText([&](wchar_t* b, DWORD n) { return GetFullPathNameW(wide.c_str(), n, b, nullptr); });
    const std::wstring target = full.empty() ? wide : full;
    // Entering it is the test: a drive without a medium or a vanished directory fails here.
    if (!SetCurrentDirectoryW(target.c_str()))
        throw mw::IoError(mw::utf8Path(target), "open", mw::errorText(GetLastError()));
    const std::wstring entered = currentDirectory();
    directory_ = mw::utf8Path(entered.empty() ? target : entered);
    fillDirectoryPane();
    selectCurrentDrive();
    updateFileList();
    DirectoryChange();
}

void TForm1::fillDirectoryPane() {
    mw::ListBox list(directoryList());
    list.setRedraw(false);
    list.clear();
    directoryPaths_.clear();
    auto add = [&](const std::string& text, const std::string& path, int level, bool open) {
        list.setData(list.add(mw::widePath(text)), directoryItem(level, open));
        directoryPaths_.push_back(path);
    };
    const auto levels = mw::directoryLevels(directory_);
    for (std::size_t i = 0; i < levels.size(); ++i)
        add(i == 0 ? levels[i] : mw::fileNameOf(levels[i]), levels[i], static_cast<int>(i), true);
    const int current = static_cast<int>(levels.size()) - 1;
    for (const auto& name : listSubdirectories(directory_))
        add(name, mw::joinPath(directory_, name), current + 1, false);
    list.select(current);
    list.setRedraw(true);
    InvalidateRect(list.handle(), nullptr, TRUE);
}

void TForm1::selectCurrentDrive() {
    const std::string drive = mw::toLowerAscii(directory_.substr(0, 2));
    mw::ComboBox drives(driveBox());
    drives.select(drives.find(drive));
}

void TForm1::FileListBox1Change() {
    const int index = selectedIndex();
    if (index < 0) {
        setStatus("");
        return;
    }
    const std::string path = FileName();
    setStatus(mw::fileStatusLine(path, fileSize(path)));
}

void TForm1::DirectoryChange() {
    mw::ListBox(fileList()).select(0);
}

void TForm1::DirectoryDblClick() {
    const int index = mw::ListBox(directoryList()).selected();
    if (index < 0 || static_cast<std::size_t>(index) >= directoryPaths_.size()) return;
    changeDirectory(directoryPaths_[static_cast<std::size_t>(index)]);
}

void TForm1::DriveComboBox1Change() {
    const mw::ComboBox drives(driveBox());
    const int index = drives.selected();
    if (index < 0) return;
    // "x:" alone names the drive's current directory.
    try {
        changeDirectory(drives.text(index));
    } catch (...) {
        selectCurrentDrive();
        throw;
    }
}

std::string TForm1::statusText() const {
    return mw::unicodeText(statusPanel());
}

void TForm1::setStatus(const std::string& text) {
    mw::setUnicodeText(statusPanel(), text);
    InvalidateRect(statusPanel(), nullptr, TRUE);
}

// --- keys, commands and closing

bool TForm1::previewKey(const MSG& msg) {
    if (msg.wParam != VK_RETURN || msg.hwnd != directoryList()) return false;
    DirectoryDblClick();
    return true;
}

void TForm1::housekeep(void (mw::Housekeeping::*command)()) {
    if (!namesReachable()) return;
    auto housekeeping = housekeepingOf(*this, app_);
    (housekeeping.*command)();
}

void TForm1::scorchSelected() {
    housekeep(&mw::Housekeeping::scorchFile);
    mw::takeActivationBack(handle()); // from the wipe tool's console
}

#define MW_FILE_MODULE_HANDLER(Handler, action)                                                              \
    void TForm1::Handler() {                                                                                 \
        action;                                                                                              \
    }
MW_FILE_MODULE_COMMANDS(MW_FILE_MODULE_HANDLER)
#undef MW_FILE_MODULE_HANDLER

bool TForm1::onCommand(int id, int code, HWND control) {
    if (control == fileList()) {
        if (code == LBN_SELCHANGE) FileListBox1Change();
        if (code == LBN_DBLCLK) FileListBox1DblClick();
        return true;
    }
    if (control == directoryList()) {
        if (code == LBN_DBLCLK) DirectoryDblClick();
        return true;
    }
    if (control == driveBox()) {
        if (code == CBN_SELCHANGE) DriveComboBox1Change();
        return true;
    }
    switch (id) {
        MW_FILE_MODULE_COMMANDS(MW_COMMAND_CASE)
    default:
        return false;
    }
}

// --- drawing

void TForm1::showPopup(LPARAM screenPoint) {
    POINT pt{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (pt.x == -1 && pt.y == -1) {
        // From the keyboard: at the selected entry, or the pane's corner.
        RECT r{};
        const int index = selectedIndex();
        if (index < 0 || !mw::ListBox(fileList()).itemRect(index, r)) r = {};
        pt = {r.left + 8, r.bottom};
        ClientToScreen(fileList(), &pt);
    }
    TrackPopupMenu(popup_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, handle(), nullptr);
}

void TForm1::makeStatusFont() {
    statusFont_.reset(mw::createFont({.pixels = mw::pointsToPixels(10, dpi())}));
}

void TForm1::dpiChanged() {
    makeStatusFont();
}

void TForm1::drawStatus(const DRAWITEMSTRUCT& di) {
    HDC dc = di.hDC;
    RECT r = di.rcItem;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, BDR_RAISEDOUTER, BF_RECT);
    // Border width 4 between the outer bevel and the lowered inner one.
    InflateRect(&r, -scale(1) - scale(4), -scale(1) - scale(4));
    DrawEdge(dc, &r, BDR_SUNKENINNER, BF_RECT);
    InflateRect(&r, -scale(3), 0);
    mw::ScopedSelect font(dc, statusFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 128));
    const std::wstring text = mw::widePath(mw::unicodeText(di.hwndItem));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
}

void TForm1::drawItem(const DRAWITEMSTRUCT& di) {
    if (di.itemID == static_cast<UINT>(-1)) return;
    HDC dc = di.hDC;
    const bool selected = (di.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &di.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    int x = di.rcItem.left + scale(2);
    PaneIcon icon;
    if (di.CtlID == IdDirectory) {
        const int level = static_cast<int>(di.itemData / 2);
        x += scale(kIndentPerLevel) * level;
        icon =
            level == 0 ? PaneIcon::Drive : (di.itemData % 2 ? PaneIcon::FolderOpen : PaneIcon::FolderClosed);
    } else {
        icon = static_cast<mw::FileIcon>(di.itemData) == mw::FileIcon::Program ? PaneIcon::Program
                                                                               : PaneIcon::Document;
    }
    const int iconSize = scale(16);
    drawPaneIcon(dc, x, di.rcItem.top + (di.rcItem.bottom - di.rcItem.top - iconSize) / 2, iconSize, icon);
    RECT text = di.rcItem;
    text.left = x + iconSize + scale(4);
    const std::wstring caption = mw::ListBox(di.hwndItem).text(static_cast<int>(di.itemID));
    // The pane's font, which follows the window's DPI.
    mw::ScopedSelect font(dc, mw::fontOf(di.hwndItem));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (di.itemState & ODS_FOCUS) DrawFocusRect(dc, &di.rcItem);
}

bool TForm1::onMeasureItem(MEASUREITEMSTRUCT& item) {
    TEXTMETRICA tm{};
    {
        mw::WindowDC dc(handle());
        mw::ScopedSelect font(dc.get(), paneFont_.get());
        GetTextMetricsA(dc.get(), &tm);
    }
    const int iconSize = scale(16);
    item.itemHeight = static_cast<UINT>((tm.tmHeight > iconSize ? tm.tmHeight : iconSize) + 2);
    return true;
}

bool TForm1::onDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlID == IdPanel2)
        drawStatus(item);
    else
        drawItem(item);
    return true;
}

LRESULT TForm1::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CONTEXTMENU:
        // Right-click leaves the selection alone: the popup acts on the entry selected before.
        if (reinterpret_cast<HWND>(wParam) == fileList()) {
            showPopup(lParam);
            return 0;
        }
        break;
    default:
        break;
    }
    return Form::handleMessage(msg, wParam, lParam);
}

} // namespace filemodule
