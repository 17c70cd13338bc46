// The file module's bar of seven image buttons inside Panel1.
#pragma once
#include "win/ButtonBar.h"
#include <memory>
#include <vector>
#include <windows.h>

namespace filemodule {

// The buttons left to right.
const std::vector<mw::BarButton>& barButtons();

// Creates the buttons in `panel`: 80 x 40 at top 4, left 4 + 84 (n - 1), caption below the glyph.
// Each button's control id is its command id; the panel hands the click on to the main window.
std::vector<std::unique_ptr<mw::TIEButton>> buildButtonBar(mw::Application& app, HWND panel);

} // namespace filemodule
