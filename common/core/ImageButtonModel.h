// Property rules, visual state and geometry of the image button, free of Win32 so that they can be
// tested natively; TIEButton draws what this model decides.
#pragma once
#include "core/Colors.h"
#include <cstdint>
#include <string>
#include <vector>

namespace mw {

enum TButtonLayout : int {
    blCaptionCenter = 0,
    blCaptionLeft,
    blCaptionRight,
    blCaptionTop,
    blCaptionBottom
};

struct IntPoint {
    int x = 0;
    int y = 0;
    bool operator==(const IntPoint&) const = default;
};

// Left, top, right, bottom: right and bottom are exclusive.
struct IntRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const IntRect&) const = default;
};

// The caption font: what is copied into the drawing surface before the caption is drawn.
struct ButtonFont {
    std::string name = "MS Sans Serif";
    int size = 8; // points
    std::int32_t color = colors::clBlack;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const ButtonFont&) const = default;
};

// Which frame to draw: none leaves the one-pixel face-coloured outline of the background visible.
enum class ButtonFrame { None, Flat, Raised, Sunken };

// What a pointer movement asks of the window: whether to invalidate, and a frame to draw at once.
struct PointerReaction {
    bool repaint = false;
    ButtonFrame frameNow = ButtonFrame::None;
    bool operator==(const PointerReaction&) const = default;
};

class ImageButtonModel {
public:
    static constexpr int kInitialSize = 25;
    // blCaptionRight puts the caption at this fixed column (at 96 DPI) whatever the glyph and margin.
    static constexpr int kCaptionRightColumn = 30;

    ImageButtonModel();

    int borderWidth() const { return borderWidth_; }
    TButtonLayout buttonLayout() const { return layout_; }
    const std::string& caption() const { return caption_; }
    int margin() const { return margin_; }
    int numGlyphs() const { return numGlyphs_; }
    std::int32_t transparentColor() const { return transparentColor_; }
    bool enabled() const { return enabled_; }
    bool hot() const { return hot_; }
    int glyphWidth() const { return glyphWidth_; }
    int glyphHeight() const { return glyphHeight_; }

    // Each setter returns true when the button must be repainted. Values a setter does not accept
    // are ignored silently.
    bool setBorderWidth(int value);
    bool setButtonLayout(TButtonLayout value);
    bool setCaption(const std::string& value);
    bool setMargin(int value);
    // The screen's dots per inch, which scale the caption's column; 96 by default.
    bool setDpi(int value);
    bool setNumGlyphs(int value);
    bool setTransparentColor(std::int32_t value);
    bool setEnabled(bool value);
    // A new glyph is shown at the next paint; assigning one does not repaint by itself.
    void setGlyphSize(int width, int height);

    PointerReaction pointerEnter();
    PointerReaction pointerLeave();
    // Frames drawn at once when a mouse button goes down or up; the look is not remembered.
    ButtonFrame frameOnButtonDown() const;
    ButtonFrame frameOnButtonUp() const;
    // The frame a paint draws.
    ButtonFrame paintFrame() const;

    int cellWidth() const { return glyphWidth_ / numGlyphs_; }
    // 1-based cell shown in the current state.
    int cellIndex() const;
    // Area of the glyph bitmap copied by a paint.
    IntRect sourceRect() const;
    // Where the cell is drawn on a button of width x height.
    IntRect glyphRect(int width, int height) const;
    // Top-left corner of a caption that measures textWidth x textHeight.
    IntPoint captionOrigin(int width, int height, int textWidth, int textHeight) const;
    // BorderWidth nested one-pixel rings, outermost first.
    std::vector<IntRect> frameRings(int width, int height) const;

private:
    int borderWidth_ = 1;
    TButtonLayout layout_ = blCaptionCenter;
    std::string caption_;
    int margin_ = 3;
    int dpi_ = 96;
    int numGlyphs_ = 2;
    std::int32_t transparentColor_ = colors::clBlack;
    bool enabled_ = true;
    bool hot_ = false;
    int glyphWidth_ = 0;
    int glyphHeight_ = 0;
};

} // namespace mw
