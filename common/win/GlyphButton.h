// A push button drawn by its owner: a glyph to the left of a caption in a chosen font and colour,
// as the dialogs' bitmap buttons look. The parent passes its WM_DRAWITEM on to drawItem().
#pragma once
#include "win/Controls.h"
#include "win/Win32Util.h"
#include <windows.h>

namespace mw {

class GlyphButton {
public:
    // `glyphResource` names a BITMAP resource of square cells, the first of which is shown; its
    // bottom-left pixel is the transparent colour. `params.className` and the style's button
    // kind are ignored. A default button (the one Enter presses) shows a dark outer ring.
    GlyphButton(Application& app, HWND parent, const ControlParams& params, const char* glyphResource,
                COLORREF textColor, bool bold, bool isDefault = false);
    GlyphButton(const GlyphButton&) = delete;
    GlyphButton& operator=(const GlyphButton&) = delete;

    HWND handle() const { return hwnd_; }
    // Draws the button when `item` is about it; false otherwise.
    bool drawItem(const DRAWITEMSTRUCT& item) const;

private:
    // Whose scale the glyph and its gap follow.
    Application& app_;
    HWND hwnd_ = nullptr;
    UniqueBitmap glyph_;
    UniqueFont font_;
    COLORREF textColor_;
    bool default_;
};

} // namespace mw
