// A fixed-frame dialog of a registered class with one closing button: the shape shared by the
// editor's smaller dialogs and the file module's about box.
#pragma once
#include "win/GlyphButton.h"
#include "win/Window.h"
#include <memory>
#include <string>

namespace mw {

struct BasicDialogLayout {
    const char* className;
    std::string caption;
    int clientWidth;
    int clientHeight;
    bool closeBox;          // standard close box in the title bar
    std::string buttonText; // the closing button
    int buttonX, buttonY, buttonWidth, buttonHeight;
    DWORD style = 0;             // added to the fixed frame's
    DWORD exStyle = 0;           // added to the fixed frame's
    HBRUSH background = nullptr; // the button face when null
    // A glyph resource: the button is then a GlyphButton (bold caption, default ring) instead of
    // a push button.
    const char* buttonGlyph = nullptr;
};

class BasicDialog : public Form {
public:
    // IDOK, so that Enter presses the button wherever the focus is.
    enum : int { IdCloseButton = IDOK };
    BasicDialog(Application& application, const BasicDialogLayout& layout);
    ~BasicDialog() override;

protected:
    bool onCommand(int id, int code, HWND control) override;
    bool onDrawItem(const DRAWITEMSTRUCT& item) override;
    void FormShow() override { centreOnScreen(); }

private:
    std::unique_ptr<GlyphButton> glyphButton_;
};

} // namespace mw
