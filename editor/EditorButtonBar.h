// The editor's bar of twelve image buttons inside Panel2.
#pragma once
#include "win/ButtonBar.h"
#include <memory>
#include <vector>
#include <windows.h>

namespace editor {

using mw::BarButton;

// The buttons top to bottom.
const std::vector<BarButton>& barButtons();

// Creates the buttons in `panel`: 115 x 25 at x = 4, y = 12 + 28 (n - 1), caption right of the
// glyph. Each button's control id is its command id, and a click sends WM_COMMAND with that id to
// the panel, which hands it on to the main window.
std::vector<std::unique_ptr<mw::TIEButton>> buildButtonBar(mw::Application& app, HWND panel);

} // namespace editor
