// The editor's bar of twelve image buttons inside Panel2.
#pragma once
#include "win/TIEButton.h"
#include <memory>
#include <vector>
#include <windows.h>

namespace editor {

struct BarButton {
    const char* name; // component name, e.g. "BitBtn1"
    const char* caption;
    int command;       // EditorCommands id of the handler
    const char* glyph; // BITMAP resource of the glyph
    bool purpleGlyph;  // transparent colour purple instead of olive
};

// The buttons top to bottom.
const std::vector<BarButton>& barButtons();

// Creates the buttons in `panel`: 115 x 25 at x = 4, y = 12 + 28 (n - 1), caption right of the
// glyph. Each button's control id is its command id, and a click sends WM_COMMAND with that id to
// the panel, which hands it on to the main window.
std::vector<std::unique_ptr<mw::TIEButton>> buildButtonBar(HWND panel);

} // namespace editor
