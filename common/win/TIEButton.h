// The flat image button of both button bars: a child window of class "TIEButton" that draws a
// glyph cell, a caption and a one-pixel-per-ring frame with GDI.
#pragma once
#include "core/ImageButtonModel.h"
#include "win/Win32Util.h"
#include "win/Window.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mw {

class Application;

class TIEButton : public Window {
public:
    // A 25 x 25 button with control id `id` in `parent`. A click raises OnClick and sends the
    // parent WM_COMMAND (id, BN_CLICKED), which is how a window binds it to a handler.
    // `app` gives the scale of its bounds and caption font.
    TIEButton(Application& app, HWND parent, int id);
    ~TIEButton() override;

    // Component name, e.g. "BitBtn1"; not shown anywhere.
    std::string Name;

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    // Mouse button (VK_LBUTTON, VK_RBUTTON or VK_MBUTTON), key flags (MK_*), client point.
    std::function<void(int button, WPARAM keys, POINT pt)> OnMouseDown;
    std::function<void(int button, WPARAM keys, POINT pt)> OnMouseUp;
    std::function<void(WPARAM keys, POINT pt)> OnMouseMove;

    const ImageButtonModel& model() const { return model_; }
    int borderWidth() const { return model_.borderWidth(); }
    TButtonLayout buttonLayout() const { return model_.buttonLayout(); }
    const std::string& caption() const { return model_.caption(); }
    int margin() const { return model_.margin(); }
    int numGlyphs() const { return model_.numGlyphs(); }
    std::int32_t transparentColor() const { return model_.transparentColor(); }
    std::int32_t color() const { return color_; }
    const ButtonFont& font() const { return font_; }
    bool enabled() const { return model_.enabled(); }
    bool hot() const { return model_.hot(); }

    void setBorderWidth(int value);
    void setButtonLayout(TButtonLayout value);
    void setCaption(const std::string& value);
    // Copies the bitmap; the caller keeps its own. Shown from the next paint on.
    void setGlyph(HBITMAP bitmap);
    // Loads a BITMAP resource of the running program, in its size for the button's DPI when the
    // program has one; false (and an empty glyph) when missing.
    bool loadGlyph(const char* resourceName);
    void setMargin(int value);
    void setNumGlyphs(int value);
    void setTransparentColor(std::int32_t value);
    void setColor(std::int32_t value);
    void setFont(const ButtonFont& value);
    // Kept apart from the window's own enabled state: a disabled button still follows the pointer.
    void setEnabled(bool value);
    void setVisible(bool value);

    // Position and size in design pixels, scaled to the screen.
    void setBounds(int x, int y, int width, int height);

    // Draws the whole button into `dc` as a paint does.
    void paint(HDC dc);

protected:
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void onPaint(HDC dc) override { paint(dc); }

private:
    void repaint();
    void drawFrame(HDC dc, ButtonFrame frame);
    void drawFrameNow(ButtonFrame frame);
    void drawGlyph(HDC dc, const IntRect& dest);
    void drawCaption(HDC dc, int width, int height);
    void pointerEnter();
    void pointerLeave();
    void onButtonDown(int button, WPARAM keys, POINT pt, bool doubleClick);
    void onButtonUp(int button, WPARAM keys, POINT pt);
    void onMouseMove(WPARAM keys, POINT pt);
    // A press, double click or release of any mouse button; false for another message.
    bool mouseButton(UINT msg, WPARAM keys, POINT pt);
    RECT clientRect() const;

    int dpi_;               // of the screen the button is on
    std::string glyphName_; // the glyph's resource at 100%
    int designMargin_ = 0;  // the margin at 96 DPI
    ImageButtonModel model_;
    std::int32_t color_;
    ButtonFont font_;
    UniqueFont hfont_;
    // The glyph as 32-bit pixels, top row first, 0x00RRGGBB.
    std::vector<std::uint32_t> glyph_;
    bool tracking_ = false;
    bool leftPressed_ = false;
};

} // namespace mw
