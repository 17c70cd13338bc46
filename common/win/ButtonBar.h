// A row or column of image buttons built from a table: what both programs' button bars share.
#pragma once
#include "win/TIEButton.h"
#include <memory>
#include <vector>
#include <windows.h>

namespace mw {

struct BarButton {
    const char* name; // component name, e.g. "BitBtn1"
    const char* caption;
    int command;       // control id, and the command id of the handler
    const char* glyph; // BITMAP resource of the glyph
    bool purpleGlyph;  // transparent colour purple instead of olive
};

// Where the buttons go and how they look, in design pixels.
struct BarStyle {
    int left, top, width, height;
    int stepX, stepY; // from one button to the next
    TButtonLayout layout;
    int margin;
    ButtonFont font;
};

// Creates the buttons in `panel` in table order. A click sends WM_COMMAND with the button's
// command id to the panel, which hands it on to the main window.
std::vector<std::unique_ptr<TIEButton>>
buildButtonBar(Application& app, HWND panel, const std::vector<BarButton>& buttons, const BarStyle& style);

} // namespace mw
