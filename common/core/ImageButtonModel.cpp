// Setter rules, cell choice and placement of the image button.
#include "core/ImageButtonModel.h"

namespace mw {

namespace {
constexpr int kMaxMargin = 25; // the margin's type ends here
} // namespace

ImageButtonModel::ImageButtonModel() {
    // Start from zero like a freshly allocated control, so that the border width goes through its
    // setter and brings the margin with it.
    borderWidth_ = 0;
    margin_ = 0;
    setBorderWidth(1);
    setButtonLayout(blCaptionCenter);
    hot_ = false;
    setMargin(3);
    numGlyphs_ = 2;
}

bool ImageButtonModel::setBorderWidth(int value) {
    if (value == borderWidth_ || value < 1 || value > 9) return false;
    borderWidth_ = value;
    setMargin(value + 2);
    return true;
}

bool ImageButtonModel::setButtonLayout(TButtonLayout value) {
    if (value == layout_ || value < blCaptionCenter || value > blCaptionBottom) return false;
    layout_ = value;
    return true;
}

bool ImageButtonModel::setCaption(const std::string& value) {
    caption_ = value;
    return true; // even an unchanged caption repaints
}

bool ImageButtonModel::setMargin(int value) {
    if (value == margin_ || value <= borderWidth_ + 1 || value > kMaxMargin) return false;
    margin_ = value;
    return true;
}

bool ImageButtonModel::setDpi(int value) {
    if (value <= 0 || value == dpi_) return false;
    dpi_ = value;
    return true;
}

bool ImageButtonModel::setNumGlyphs(int value) {
    if (value == numGlyphs_ || value < 1 || value > 3) return false;
    numGlyphs_ = value;
    return true;
}

bool ImageButtonModel::setTransparentColor(std::int32_t value) {
    if (value == transparentColor_) return false;
    transparentColor_ = value;
    return true;
}

bool ImageButtonModel::setEnabled(bool value) {
    if (value == enabled_) return false;
    enabled_ = value;
    return true;
}

void ImageButtonModel::setGlyphSize(int width, int height) {
    glyphWidth_ = width < 0 ? 0 : width;
    glyphHeight_ = height < 0 ? 0 : height;
}

PointerReaction ImageButtonModel::pointerEnter() {
    hot_ = true; // followed even while disabled, so enabling again shows the right look
    if (!enabled_) return {};
    return {true, ButtonFrame::Raised};
}

PointerReaction ImageButtonModel::pointerLeave() {
    hot_ = false;
    if (!enabled_) return {};
    return {true, ButtonFrame::Flat};
}

ButtonFrame ImageButtonModel::frameOnButtonDown() const {
    return enabled_ ? ButtonFrame::Sunken : ButtonFrame::None;
}

ButtonFrame ImageButtonModel::frameOnButtonUp() const {
    return paintFrame();
}

ButtonFrame ImageButtonModel::paintFrame() const {
    if (!enabled_) return ButtonFrame::None;
    return hot_ ? ButtonFrame::Raised : ButtonFrame::Flat;
}

int ImageButtonModel::cellIndex() const {
    if (enabled_ && hot_) return 1;
    if (enabled_) return numGlyphs_;
    return numGlyphs_ == 1 ? 1 : 2;
}

IntRect ImageButtonModel::sourceRect() const {
    const int w = cellWidth();
    const int h = glyphHeight_;
    // The resting image is taken from the right-hand end, so a width that is not a multiple of
    // the cell count loses its odd columns from the last cell.
    if (enabled_ && !hot_) return {glyphWidth_ - w, 0, numGlyphs_ * w, h};
    const int cell = cellIndex();
    return {(cell - 1) * w, 0, cell * w, h};
}

IntRect ImageButtonModel::glyphRect(int width, int height) const {
    const int w = cellWidth();
    const int h = glyphHeight_;
    int x = 0, y = 0;
    switch (layout_) {
    case blCaptionCenter:
        x = (width - w) / 2;
        y = (height - h) / 2;
        break;
    case blCaptionLeft:
        x = width - w - margin_;
        y = (height - h) / 2;
        break;
    case blCaptionRight:
        x = margin_;
        y = (height - h) / 2;
        break;
    case blCaptionTop:
        x = (width - w) / 2;
        y = height - h - margin_;
        break;
    case blCaptionBottom:
        x = (width - w) / 2;
        y = margin_;
        break;
    }
    return {x, y, x + w, y + h};
}

IntPoint ImageButtonModel::captionOrigin(int width, int height, int textWidth, int textHeight) const {
    switch (layout_) {
    case blCaptionLeft:
        return {margin_, (height - textHeight) / 2};
    case blCaptionRight:
        return {(kCaptionRightColumn * dpi_ + 48) / 96, (height - textHeight) / 2};
    case blCaptionTop:
        return {(width - textWidth) / 2, margin_};
    case blCaptionBottom:
        return {(width - textWidth) / 2, height - textHeight - margin_};
    case blCaptionCenter:
        break;
    }
    return {(width - textWidth) / 2, (height - textHeight) / 2};
}

std::vector<IntRect> ImageButtonModel::frameRings(int width, int height) const {
    std::vector<IntRect> rings;
    for (int i = 0; i < borderWidth_; ++i) {
        IntRect r{i, i, width - i, height - i};
        if (r.right <= r.left || r.bottom <= r.top) break;
        rings.push_back(r);
    }
    return rings;
}

} // namespace mw
