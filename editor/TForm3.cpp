// The author's key dialog.
#include "editor/TForm3.h"
#include "editor/AuthorKey.h"
#include "win/ControlViews.h"
#include "win/Application.h"
#include "win/Glyphs.h"

namespace editor {

namespace {
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr int kMemoHeight = 163;
} // namespace

TForm3::TForm3(const mw::Context& context) : Form(context.application()) {
    auto& app = context.application();
    registerClass("TForm3", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // No system menu: only the Close button ends a showing.
    createHandle("TForm3", "Use this key when contacting the author...", WS_POPUP | WS_CAPTION,
                 WS_EX_DLGMODALFRAME, 0, 0, 100, 100, app.mainWindow(), nullptr);
    setClientSize(490, 209);
    memoFont_.reset(mw::createFont(
        {.face = "Courier New", .pixels = app.scale(11), .pitchAndFamily = FIXED_PITCH | FF_MODERN}));
    // The selection stays visible after Copy to Clipboard, which shows what was copied.
    addControl({.className = "EDIT",
                .text = kAuthorKeyBlock,
                .id = IdMemo1,
                .x = 0,
                .y = 0,
                .width = 490,
                .height = kMemoHeight,
                .style = WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN |
                         ES_NOHIDESEL | WS_VSCROLL | WS_HSCROLL,
                .exStyle = WS_EX_CLIENTEDGE,
                .font = memoFont_.get()});
    bitBtn2_ = std::make_unique<mw::GlyphButton>(app, handle(),
                                                 mw::ControlParams{.text = "Copy to Clipboard",
                                                                   .id = IdBitBtn2,
                                                                   .x = 32,
                                                                   .y = kMemoHeight + 6,
                                                                   .width = 209,
                                                                   .height = 37,
                                                                   .style = WS_TABSTOP},
                                                 mw::glyphs::CopyMessage, kNavy, false);
    bitBtn1_ = std::make_unique<mw::GlyphButton>(app, handle(),
                                                 mw::ControlParams{.text = "&Close",
                                                                   .id = IdBitBtn1,
                                                                   .x = 248,
                                                                   .y = kMemoHeight + 6,
                                                                   .width = 209,
                                                                   .height = 37,
                                                                   .style = WS_TABSTOP},
                                                 mw::glyphs::Exit, kNavy, false);
    // Only the button ends a showing; Escape in the text must not close it either.
    escapeDoesNothing_ = true;
    centreOnScreen();
}

TForm3::~TForm3() {
    destroyHandle();
}

void TForm3::BitBtn1Click() {
    close();
}

void TForm3::BitBtn2Click() {
    mw::Edit memo(memo1());
    memo.selectAll();
    memo.copy();
}

bool TForm3::onCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IdBitBtn1) {
        BitBtn1Click();
        return true;
    }
    if (id == IdBitBtn2) {
        BitBtn2Click();
        return true;
    }
    return false;
}

HBRUSH TForm3::onControlColor(UINT kind, HDC dc, HWND control) {
    // Black on the button face, like the rest of the dialog.
    if (kind == WM_CTLCOLOREDIT && control == memo1())
        return mw::colourControl(dc, RGB(0, 0, 0), GetSysColor(COLOR_BTNFACE),
                                 GetSysColorBrush(COLOR_BTNFACE));
    return nullptr;
}

bool TForm3::onDrawItem(const DRAWITEMSTRUCT& item) {
    return (bitBtn1_ && bitBtn1_->drawItem(item)) || (bitBtn2_ && bitBtn2_->drawItem(item));
}

} // namespace editor
