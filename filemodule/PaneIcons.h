// The small pictures before the entries of the browser's panes, drawn with GDI.
#pragma once
#include <windows.h>

namespace filemodule {

enum class PaneIcon { Document, Program, FolderOpen, FolderClosed, Drive };

// Draws the 16 x 16 (design pixels) picture with its top left at (x, y).
void drawPaneIcon(HDC dc, int x, int y, PaneIcon icon);

} // namespace filemodule
