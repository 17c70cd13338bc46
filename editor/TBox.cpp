// The editor's about box, painted on black around its one button.
#include "editor/TBox.h"
#include "win/Application.h"
#include "win/Glyphs.h"

namespace editor {

namespace {

constexpr COLORREF kAqua = RGB(0, 255, 255), kLime = RGB(0, 255, 0), kYellow = RGB(255, 255, 0),
                   kWhite = RGB(255, 255, 255);
// The inner panel's origin: every position on it is relative to this.
constexpr int kPanelX = 8, kPanelY = 8, kPanelWidth = 350, kPanelHeight = 193;

struct Line {
    const char* text;
    int x, y, width, height;
    COLORREF color;
    bool productFont;
};

const Line kLines[] = {
    {"Murkwell - Message Encryption Shell", 108, 8, 237, 45, kAqua, true},
    {"Version 2.20 - 32-bit", 128, 56, 205, 13, kLime, false},
    {"Murkwell is written and given away by its authors.", 8, 100, 333, 16, kYellow, false},
    {"It does no cryptography itself: PGP does it all.", 8, 118, 333, 16, kYellow, false},
    {"PGP 2.6 is the work of its own author, whom we thank for it.", 4, 152, 345, 37, kWhite, false},
};

RECT scaled(const mw::Application& app, int x, int y, int width, int height) {
    return {app.scale(x), app.scale(y), app.scale(x + width), app.scale(y + height)};
}

} // namespace

TBox::TBox(const mw::Context& context)
    : BasicDialog(context.application(), {.className = "TBox",
                                          .caption = "About Murkwell",
                                          .clientWidth = 367,
                                          .clientHeight = 247,
                                          .closeBox = true,
                                          .buttonText = "OK",
                                          .buttonX = 8,
                                          .buttonY = 210,
                                          .buttonWidth = 350,
                                          .buttonHeight = 27,
                                          .style = WS_CLIPCHILDREN,
                                          .exStyle = WS_EX_TOPMOST,
                                          .background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                                          .buttonGlyph = mw::glyphs::Ok}) {
    auto& app = context.application();
    productFont_.reset(mw::createFont({.face = "Times New Roman",
                                       .pixels = app.scale(19),
                                       .bold = true,
                                       .pitchAndFamily = DEFAULT_PITCH | FF_ROMAN}));
    smallBoldFont_.reset(mw::createFont({.pixels = app.scale(11), .bold = true}));
    picture_.reset(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), "PRODUCT_PICTURE", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

TBox::~TBox() {
    destroyHandle();
}

void TBox::OKButtonClick() {
    close();
}

void TBox::onPaint(HDC dc) {
    RECT client;
    GetClientRect(handle(), &client);
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);

    RECT panel = scaled(app(), kPanelX, kPanelY, kPanelWidth, kPanelHeight);
    DrawEdge(dc, &panel, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    DrawEdge(dc, &panel, EDGE_RAISED, BF_RECT);

    if (picture_) {
        BITMAP bm{};
        GetObjectA(picture_.get(), sizeof bm, &bm);
        mw::MemoryDC source(dc);
        mw::ScopedSelect selected(source.get(), picture_.get());
        RECT at = scaled(app(), kPanelX + 8, kPanelY + 8, 113, 77);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, at.left, at.top, at.right - at.left, at.bottom - at.top, source.get(), 0, 0,
                   bm.bmWidth, bm.bmHeight, SRCCOPY);
    }
    RECT notice = scaled(app(), kPanelX + 14, kPanelY + 96, 323, 41);
    DrawEdge(dc, &notice, EDGE_ETCHED, BF_RECT);

    SetBkMode(dc, TRANSPARENT);
    for (const Line& line : kLines) {
        mw::ScopedSelect font(dc, line.productFont ? productFont_.get() : smallBoldFont_.get());
        SetTextColor(dc, line.color);
        RECT box = scaled(app(), kPanelX + line.x, kPanelY + line.y, line.width, line.height);
        // Centred both ways, over as many lines as the width needs.
        RECT need = box;
        DrawTextA(dc, line.text, -1, &need, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
        const int height = need.bottom - need.top;
        if (height < box.bottom - box.top) box.top += (box.bottom - box.top - height) / 2;
        DrawTextA(dc, line.text, -1, &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP);
    }
}

} // namespace editor
