// A push button drawn by its owner: a glyph to the left of a caption in a chosen font and colour,
// as the dialogs' bitmap buttons look. The parent passes its WM_DRAWITEM on to drawItem().
#pragma once
#include "win/Controls.h"
#include "win/Win32Util.h"
#include <windows.h>
#include <string>

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
    // The DPI of the form the button is on.
    int dpi() const;
    // The glyph in its size for `dpi` (the 100% one where the program has none).
    void loadGlyphFor(int dpi) const;

    std::string glyphName_; // the resource at 100%
    HWND hwnd_ = nullptr;
    // The glyph in its size for glyphDpi_, loaded again when the form moves to another scale.
    mutable UniqueBitmap glyph_;
    mutable int glyphDpi_ = 0;
    mutable int glyphScale_ = 100; // the percentage it was drawn for
    UniqueFont font_;
    COLORREF textColor_;
    bool default_;
};

} // namespace mw
