// The small pictures before the entries of the browser's panes, drawn with GDI.
#pragma once
#include <windows.h>

namespace filemodule {

enum class PaneIcon { Document, Program, FolderOpen, FolderClosed, Drive };

// Draws the picture, `size` device pixels square (16 design pixels scaled), top left at (x, y).
void drawPaneIcon(HDC dc, int x, int y, int size, PaneIcon icon);

} // namespace filemodule
