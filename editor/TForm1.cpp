// Editor main window: creation from the settings file, first showing, Shift flag and closing.
#include "editor/TForm1.h"
#include "core/UnicodeText.h"
#include "win/Application.h"
#include "win/ControlViews.h"
#include "win/Controls.h"
#include "editor/EditorApp.h"
#include "editor/EditorButtonBar.h"
#include "editor/EditorCommands.h"
#include "core/PathUtil.h"
#include "core/Platform.h"
#include "core/ProgramProfile.h"
#include "editor/TBox.h"
#include "editor/TForm2.h"
#include "editor/TForm3.h"
#include "editor/MessageOperations.h"
#include "editor/TKey.h"
#include "editor/TextTools.h"
#include "win/Menus.h"
#include "win/TPGPSetup.h"
#include <algorithm>
#include <commctrl.h>
#include <windowsx.h>

namespace editor {

using mw::buildPopup;

namespace {

constexpr int kPanelWidth = 123;
constexpr int kStatusHeight = 20;

// Memo1 shows the window's popup menu instead of the edit control's own.
LRESULT memoMessage(void* context, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CONTEXTMENU) {
        auto* form = static_cast<TForm1*>(context);
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (pt.x == -1 && pt.y == -1) {
            pt = {0, 0};
            ClientToScreen(hwnd, &pt);
        }
        SetFocus(hwnd);
        TrackPopupMenu(form->popupMenu(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, form->handle(),
                       nullptr);
        return 0;
    }
    return mw::callNextProc(hwnd, msg, wParam, lParam);
}

} // namespace

TForm1::TForm1(EditorApp& app) : MainForm(app.context(), [&app] { return app.setup().pgpDir(); }), app_(app) {
    auto& application = this->app();
    registerClass("TForm1", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // Design geometry; FormCreate replaces it from the settings file or the defaults.
    createHandle("TForm1", app_.context().profile().mainCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                 application.scale(298), application.scale(117), application.scale(663),
                 application.scale(485), nullptr, nullptr);
    application.setMainWindow(handle());
    dialogNavigation_ = false; // Tab belongs to the message text
    createMenus();
    createControls();
    tools_ = std::make_unique<TextTools>(
        app_.context(), memo(),
        MemoAppearance{[this] { return memoFont(); }, [this](const mw::FontChoice& f) { setMemoFont(f); },
                       [this](std::uint32_t c) { setBackgroundColor(static_cast<std::int32_t>(c)); }});
    // TKey is created after this window: reached only when an operation runs.
    operations_ = std::make_unique<MessageOperations>(
        app_, StoredPassPhrase{[this] { return app_.passPhrase().passPhraseEmpty(); },
                               [this] { app_.passPhrase().showModal(); },
                               [this] { return app_.passPhrase().passPhrase(); }});
    applyMemoFont();
    layout();
    // The handler around a window's creation shows what went wrong and lets start-up go on.
    application.runHandler([this] { FormCreate(); });
}

TForm1::~TForm1() {
    if (memo()) mw::removeSubclass(memo());
    // The window goes first: its memo uses the font and brush, its owner the menus.
    destroyHandle();
}

void TForm1::createMenus() {
    HMENU bar = CreateMenu();
    HMENU file = buildPopup({{"&Open From File", "Ctrl+O", CmdOpenFromFile1Click},
                             {"&Save To File", "Ctrl+S", CmdSavetofile1Click},
                             {nullptr, nullptr, 0},
                             {"&Print", "Ctrl+P", CmdPrint1Click},
                             {nullptr, nullptr, 0},
                             {"&Encrypt Message", "Ctrl+E", CmdBitBtn1Click},
                             {"Encrypt &IDEA", "Ctrl+I", CmdBitBtn5Click},
                             {"&Decrypt Message", "Ctrl+D", CmdBitBtn2Click},
                             {"Paste && Decrypt", "Ctrl+T", CmdBitBtn6Click},
                             {nullptr, nullptr, 0},
                             {"E&xit", "Ctrl+F4", CmdExit1Click}});
    HMENU edit = buildPopup({{"&Cut", "Ctrl+X", CmdCut1Click},
                             {"C&opy", "Ctrl+C", CmdCopy1Click},
                             {"&Paste", "Ctrl+V", CmdPaste1Click},
                             {nullptr, nullptr, 0},
                             {"Cu&t Message", "", CmdCutMessage1Click},
                             {"Cop&y Message", "", CmdCopyMessage1Click},
                             {"Paste &Message", "", CmdPasgeMessage1Click},
                             {nullptr, nullptr, 0},
                             {"&Select All", "Ctrl+A", CmdSelectAll1Click},
                             {nullptr, nullptr, 0},
                             {"Auto-Add Text Signature", "", CmdAtuoAddTextSignature1Click},
                             {nullptr, nullptr, 0},
                             {"Editor Font", "", CmdEditorFont1Click},
                             {"Editor Background Color", "", CmdEditorBackgroundColor1Click}});
    HMENU pgp = buildPopup({{"&Key Management", "Ctrl+K", CmdKeyManagement1Click},
                            {"&Encrypt/Decrypt Files", "Ctrl+F", CmdEncryptDecryptFiles1Click},
                            {"Overlayer", "", CmdOverlayer1Click},
                            {nullptr, nullptr, 0},
                            {"Stored Pass phrase", "", CmdStoredPassphrase1Click},
                            {"Clear Stored Pass Phrase", "Ctrl+Del", CmdClearStoredPassPhrase1Click}});
    HMENU help = buildPopup({{"&Murkwell Docs", "F1", CmdMurkwellDocs1Click},
                             {"PGP Docs", "", CmdPGPDocs1Click},
                             {nullptr, nullptr, 0},
                             {"Authors Public Key", "", CmdAuthorsPublicKey1Click},
                             {nullptr, nullptr, 0},
                             {"&About", "Shift+F1", CmdAbout1Click}});
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(pgp), "P&GP");
    AppendMenuA(bar, MF_STRING, CmdPGPSetup1Click, "PGP Se&tup");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    SetMenu(handle(), bar);
    createPopupAndKeys();
}

void TForm1::createPopupAndKeys() {
    popup_ = mw::UniqueMenu(buildPopup({{"Open", "", CmdOpenFromFile1Click},
                                        {"Save", "", CmdSavetofile1Click},
                                        {"Print", "", CmdPrint1Click},
                                        {nullptr, nullptr, 0},
                                        {"Encrypt", "", CmdBitBtn1Click},
                                        {"Encrypt IDEA", "", CmdBitBtn5Click},
                                        {nullptr, nullptr, 0},
                                        {"Decrypt", "", CmdBitBtn2Click},
                                        {"Paste/Decrypt", "", CmdBitBtn6Click},
                                        {nullptr, nullptr, 0},
                                        {"Sign", "", CmdBitBtn3Click},
                                        {"Sign/Encrypt", "", CmdBitBtn4Click},
                                        {nullptr, nullptr, 0},
                                        {"Cut", "", CmdCut1Click},
                                        {"Cut Message", "", CmdCutMessage1Click},
                                        {nullptr, nullptr, 0},
                                        {"Copy", "", CmdCopy1Click},
                                        {"Copy Message", "", CmdCopyMessage1Click},
                                        {nullptr, nullptr, 0},
                                        {"Paste", "", CmdPaste1Click},
                                        {"Paste Message", "", CmdPasgeMessage1Click}}));

    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, 'O', CmdOpenFromFile1Click},
        {FVIRTKEY | FCONTROL, 'S', CmdSavetofile1Click},
        {FVIRTKEY | FCONTROL, 'P', CmdPrint1Click},
        {FVIRTKEY | FCONTROL, 'E', CmdBitBtn1Click},
        {FVIRTKEY | FCONTROL, 'I', CmdBitBtn5Click},
        {FVIRTKEY | FCONTROL, 'D', CmdBitBtn2Click},
        {FVIRTKEY | FCONTROL, 'T', CmdBitBtn6Click},
        {FVIRTKEY | FCONTROL, VK_F4, CmdExit1Click},
        {FVIRTKEY | FCONTROL, 'X', CmdCut1Click},
        {FVIRTKEY | FCONTROL, 'C', CmdCopy1Click},
        {FVIRTKEY | FCONTROL, 'V', CmdPaste1Click},
        {FVIRTKEY | FCONTROL, 'A', CmdSelectAll1Click},
        {FVIRTKEY | FCONTROL, 'K', CmdKeyManagement1Click},
        {FVIRTKEY | FCONTROL, 'F', CmdEncryptDecryptFiles1Click},
        {FVIRTKEY | FCONTROL, VK_DELETE, CmdClearStoredPassPhrase1Click},
        {FVIRTKEY, VK_F1, CmdMurkwellDocs1Click},
        {FVIRTKEY | FSHIFT, VK_F1, CmdAbout1Click},
    };
    setShortcuts(keys);
}

void TForm1::createControls() {
    addControl(
        {.className = "EDIT",
         .id = IdMemo1,
         .style = WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | ES_NOHIDESEL,
         .exStyle = WS_EX_CLIENTEDGE,
         .unicode = true});
    // No practical size limit: multi-megabyte messages must fit.
    mw::Edit(memo()).setLimit(0);
    mw::installSubclass(memo(), &memoMessage, this);

    mw::createPanel(app(), handle(),
                    {.id = IdPanel2, .style = WS_CLIPCHILDREN | mw::kPanelInnerBevelLowered});
    buttons_ = buildButtonBar(app(), panel2());

    // Its height is ours (layout), whatever its font: it must not size itself.
    addControl({.className = STATUSCLASSNAMEA, .id = IdStatusBar1, .style = CCS_BOTTOM | CCS_NORESIZE});
    mw::StatusBar status(statusBar());
    status.spanOnePart();
    // A leading tab centres the text of a status-bar part.
    status.setText(L"\t" + mw::widePath(app_.context().profile().statusText));
}

void TForm1::showOutcome(const std::string& text) {
    // pgp.exe reports in UTF-8: a user ID in any script shows as it is.
    mw::StatusBar(statusBar()).setText(L"\t" + mw::widePath(text));
}

void TForm1::layout() {
    RECT rc;
    GetClientRect(handle(), &rc);
    const int statusH = scale(kStatusHeight);
    const int panelW = scale(kPanelWidth);
    const int bodyH = std::max<int>(0, rc.bottom - statusH);
    MoveWindow(statusBar(), 0, bodyH, rc.right, statusH, TRUE);
    // A bar that does not size itself keeps its part's bounds from the last SB_SETPARTS: give them
    // again for the new width, and paint it all, so the centred text moves with it.
    mw::StatusBar(statusBar()).spanOnePart();
    InvalidateRect(statusBar(), nullptr, TRUE);
    const int panelX = barLeft_ ? 0 : std::max<int>(0, rc.right - panelW);
    MoveWindow(panel2(), panelX, 0, panelW, bodyH, TRUE);
    const int memoX = barLeft_ ? panelW : 0;
    MoveWindow(memo(), memoX, 0, std::max<int>(0, rc.right - panelW), bodyH, TRUE);
}

void TForm1::dockButtonBar(bool left) {
    barLeft_ = left;
    layout();
}

void TForm1::dpiChanged() {
    applyMemoFont();
    layout();
}

void TForm1::applyMemoFont() {
    // The memo gets the new font and brush before the old ones are deleted.
    auto create = [&](BYTE pitchAndFamily) {
        return mw::UniqueFont(mw::createFont({.face = fontName_,
                                              .pixels = mw::pointsToPixels(fontSize_, dpi()),
                                              .bold = fontBold_,
                                              .italic = fontItalic_,
                                              .underline = fontUnderline_,
                                              .strikeOut = fontStrikeOut_,
                                              .pitchAndFamily = pitchAndFamily}));
    };
    // The chosen face, proportional or not; where the system lacks it, a fixed pitch stands in,
    // so that armoured lines and quoted replies keep their columns.
    mw::UniqueFont font = create(DEFAULT_PITCH | FF_DONTCARE);
    if (!mw::fontHasFace(font.get(), fontName_)) font = create(FIXED_PITCH | FF_MODERN);
    mw::setFont(memo(), font.get(), true);
    memoFont_ = std::move(font);
    memoBrush_ = mw::UniqueBrush(
        CreateSolidBrush(mw::resolveColor(backgroundColor_, [](int i) { return GetSysColor(i); })));
    InvalidateRect(memo(), nullptr, TRUE);
}

void TForm1::setGeometry(int left, int top, int width, int height) {
    SetWindowPos(handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

mw::EditorWindowValues TForm1::windowValues() const {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    RECT r;
    GetWindowRect(handle(), &r);
    if (IsIconic(handle()) && GetWindowPlacement(handle(), &wp)) r = wp.rcNormalPosition;
    // Kept in 96-DPI units, so that a file written at one scale opens whole at another.
    mw::EditorWindowValues v;
    v.top = unscale(r.top);
    v.left = unscale(r.left);
    v.width = unscale(r.right - r.left);
    v.height = unscale(r.bottom - r.top);
    v.fontName = fontName_;
    v.fontSize = fontSize_;
    v.fontColor = fontColor_;
    v.backgroundColor = backgroundColor_;
    return v;
}

void TForm1::setTop(std::int32_t v) {
    RECT r;
    GetWindowRect(handle(), &r);
    setGeometry(r.left, scale(v), r.right - r.left, r.bottom - r.top);
}
void TForm1::setLeft(std::int32_t v) {
    RECT r;
    GetWindowRect(handle(), &r);
    setGeometry(scale(v), r.top, r.right - r.left, r.bottom - r.top);
}
void TForm1::setWidth(std::int32_t v) {
    RECT r;
    GetWindowRect(handle(), &r);
    setGeometry(r.left, r.top, scale(v), r.bottom - r.top);
}
void TForm1::setHeight(std::int32_t v) {
    RECT r;
    GetWindowRect(handle(), &r);
    setGeometry(r.left, r.top, r.right - r.left, scale(v));
}
void TForm1::setFontName(const std::string& name) {
    fontName_ = name;
    applyMemoFont();
}
void TForm1::setFontSize(std::int32_t points) {
    fontSize_ = points;
    applyMemoFont();
}
void TForm1::setFontColor(std::int32_t color) {
    fontColor_ = color;
    InvalidateRect(memo(), nullptr, TRUE);
}
void TForm1::setBackgroundColor(std::int32_t color) {
    backgroundColor_ = color;
    applyMemoFont();
}

mw::FontChoice TForm1::memoFont() const {
    mw::FontChoice f;
    f.name = fontName_;
    f.sizePoints = fontSize_;
    f.color = mw::resolveColor(fontColor_, [](int i) { return GetSysColor(i); });
    f.bold = fontBold_;
    f.italic = fontItalic_;
    f.underline = fontUnderline_;
    f.strikeOut = fontStrikeOut_;
    return f;
}

void TForm1::setMemoFont(const mw::FontChoice& font) {
    fontName_ = font.name.substr(0, 255);
    fontSize_ = font.sizePoints;
    fontColor_ = static_cast<std::int32_t>(font.color);
    fontBold_ = font.bold;
    fontItalic_ = font.italic;
    fontUnderline_ = font.underline;
    fontStrikeOut_ = font.strikeOut;
    applyMemoFont();
}

void TForm1::FormCreate() {
    auto& platform = app_.context().platform();
    const std::string path = mw::settingsPathFor(platform.executablePath());
    if (!platform.fileExists(path)) {
        setGeometry(0, 0, scale(640), scale(450));
        return;
    }
    mw::applyEditorWindowLines(mw::readSettings(platform, path), *this);
}

void TForm1::FormShow() {
    auto& platform = app_.context().platform();
    auto& setup = app_.setup();
    // A lock left by a run that ended during a job would refuse the first operation as busy.
    const std::string staleLock = setup.pgpDir() + app_.context().profile().lockName;
    mw::deleteIfExists(platform, staleLock);
    const std::string signature =
        mw::directoryOf(platform.executablePath()) + app_.context().profile().signatureName;
    // Byte for byte, as "&Get from File" reads it: a final line break is part of the signature.
    if (platform.fileExists(signature)) {
        auto text = readTextForMemo(platform, signature);
        if (text)
            mw::setUnicodeText(app_.signature().memo1(), *text);
        else
            reportError(app_.context(), kTextTooLarge);
    }
    if (!platform.fileExists(setup.pgpExe())) setup.showModal();
    SetFocus(memo());
}

void TForm1::closing() {
    app_.setup().writeSettings();
    // The process ends at once: nothing else would overwrite the pass phrase.
    app_.passPhrase().clearPassPhrase();
}

void TForm1::clearStoredPassPhrase() {
    app_.passPhrase().clearPassPhrase();
    app_.context().tell("The Stored Pass Phrase has been cleared.");
}

#define MW_EDITOR_HANDLER(Handler, action)                                                                   \
    void TForm1::Handler() {                                                                                 \
        action;                                                                                              \
    }
MW_EDITOR_COMMANDS(MW_EDITOR_HANDLER)
#undef MW_EDITOR_HANDLER

bool TForm1::onCommand(int id, int, HWND) {
    switch (id) {
        MW_EDITOR_COMMANDS(MW_COMMAND_CASE)
    default:
        return false;
    }
}

HBRUSH TForm1::onControlColor(UINT kind, HDC dc, HWND control) {
    if (kind != WM_CTLCOLOREDIT || control != memo()) return nullptr;
    auto system = [](int i) { return GetSysColor(i); };
    return mw::colourControl(dc, mw::resolveColor(fontColor_, system),
                             mw::resolveColor(backgroundColor_, system), memoBrush_.get());
}

LRESULT TForm1::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SIZE) {
        layout();
        return 0;
    }
    return Form::handleMessage(msg, wParam, lParam);
}

} // namespace editor
