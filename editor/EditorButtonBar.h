// The editor's bar of twelve buttons inside Panel2.
#pragma once
#include <windows.h>
#include <vector>

namespace editor {

struct BarButton {
    const char* name;    // component name, e.g. "BitBtn1"
    const char* caption;
    int command;         // EditorCommands id of the handler
    bool purpleGlyph;    // transparent colour purple instead of olive
};

// The buttons top to bottom.
const std::vector<BarButton>& barButtons();

// Creates the buttons in `panel`: 115 x 25 at x = 4, y = 12 + 28 (n - 1). A click sends
// WM_COMMAND with the button's command id to the panel's parent.
void buildButtonBar(HWND panel);

} // namespace editor
