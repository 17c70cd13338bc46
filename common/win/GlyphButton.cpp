// Drawing of the owner-drawn glyph buttons.
#include "win/GlyphButton.h"
#include "win/Application.h"
#include "win/Glyphs.h"
#include "win/Window.h"

namespace mw {

GlyphButton::GlyphButton(Application& app, HWND parent, const ControlParams& params,
                         const char* glyphResource, COLORREF textColor, bool bold, bool isDefault)
    : glyphName_(glyphResource), textColor_(textColor), default_(isDefault) {
    // "MS Sans Serif" 8 point, as every caption of the dialogs.
    font_.reset(createFont({.pixels = pointsToPixels(8, app.dpi()), .bold = bold}));
    ControlParams button = params;
    button.className = "BUTTON";
    button.style = (params.style & ~BS_TYPEMASK) | BS_OWNERDRAW;
    button.font = font_.get();
    hwnd_ = createControl(app, parent, button);
}

void GlyphButton::loadGlyphFor(int dpi) const {
    if (glyphDpi_ == dpi) return;
    glyph_.reset(glyphs::loadForDpi(glyphName_.c_str(), dpi, &glyphScale_));
    glyphDpi_ = dpi;
}

int GlyphButton::dpi() const {
    const Form* form = Form::fromHandle(GetAncestor(hwnd_, GA_ROOT));
    return form ? form->dpi() : screenDpi();
}

bool GlyphButton::drawItem(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != hwnd_) return false;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool pressed = item.itemState & ODS_SELECTED;
    const bool focused = item.itemState & ODS_FOCUS;
    // The default button (the focused one, or the one Enter presses) carries a dark outer ring.
    if (focused || default_) {
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&r, -1, -1);
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    const int shift = pressed ? 1 : 0;

    char caption[256] = {};
    GetWindowTextA(hwnd_, caption, sizeof caption);
    // The font it was given, which its form scales with the DPI.
    ScopedSelect font(dc, fontOf(hwnd_));
    const int scale = dpi();
    loadGlyphFor(scale);
    RECT text{};
    DrawTextA(dc, caption, -1, &text, DT_CALCRECT | DT_SINGLELINE);
    const int textWidth = text.right - text.left, textHeight = text.bottom - text.top;

    BITMAP bm{};
    int cell = 0;
    if (glyph_ && GetObjectA(glyph_.get(), sizeof bm, &bm)) cell = bm.bmHeight;
    // A glyph drawn for this scale shows pixel for pixel; one drawn for a smaller one is stretched.
    const int gap = cell ? MulDiv(4, scale, 96) : 0;
    const int glyphSize = MulDiv(cell * 100 / glyphScale_, scale, 96);
    const int total = glyphSize + gap + textWidth;
    int x = (r.left + r.right - total) / 2 + shift;
    const int midY = (r.top + r.bottom) / 2 + shift;
    if (cell) {
        MemoryDC source(dc);
        ScopedSelect bitmap(source.get(), glyph_.get());
        COLORREF transparent = GetPixel(source.get(), 0, bm.bmHeight - 1);
        TransparentBlt(dc, x, midY - glyphSize / 2, glyphSize, glyphSize, source.get(), 0, 0, cell, cell,
                       transparent);
        x += glyphSize + gap;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(hwnd_) ? textColor_ : GetSysColor(COLOR_GRAYTEXT));
    RECT place{x, midY - textHeight / 2, x + textWidth, midY - textHeight / 2 + textHeight};
    DrawTextA(dc, caption, -1, &place, DT_SINGLELINE);
    if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = r;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(dc, &focus);
    }
    return true;
}

} // namespace mw
