// Pane pictures: a page, a program window, folders and a drive.
#include "filemodule/PaneIcons.h"
#include "win/Win32Util.h"

namespace filemodule {

namespace {

void box(HDC dc, int s, int x, int y, int l, int t, int r, int b, COLORREF fill, COLORREF edge) {
    mw::UniqueBrush brush(CreateSolidBrush(fill));
    mw::UniquePen pen(CreatePen(PS_SOLID, 1, edge));
    mw::ScopedSelect b1(dc, brush.get());
    mw::ScopedSelect p1(dc, pen.get());
    Rectangle(dc, x + l * s / 16, y + t * s / 16, x + r * s / 16, y + b * s / 16);
}

} // namespace

void drawPaneIcon(HDC dc, int x, int y, int size, PaneIcon icon) {
    const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255), grey = RGB(128, 128, 128);
    const COLORREF yellow = RGB(255, 255, 128), navy = RGB(0, 0, 128), ochre = RGB(192, 160, 0);
    switch (icon) {
    case PaneIcon::Document:
        box(dc, size, x, y, 3, 1, 13, 15, white, black);
        for (int line = 5; line <= 11; line += 3)
            box(dc, size, x, y, 5, line, 11, line + 1, grey, grey);
        break;
    case PaneIcon::Program:
        box(dc, size, x, y, 1, 3, 15, 13, white, black);
        box(dc, size, x, y, 1, 3, 15, 6, navy, black);
        break;
    case PaneIcon::FolderOpen:
    case PaneIcon::FolderClosed: {
        const bool open = icon == PaneIcon::FolderOpen;
        box(dc, size, x, y, 1, 3, 7, 6, yellow, ochre);
        box(dc, size, x, y, 1, 5, 15, 14, open ? white : yellow, ochre);
        if (open) box(dc, size, x, y, 3, 8, 15, 14, yellow, ochre);
        break;
    }
    case PaneIcon::Drive:
        box(dc, size, x, y, 1, 5, 15, 12, RGB(192, 192, 192), black);
        box(dc, size, x, y, 11, 8, 13, 10, RGB(0, 160, 0), RGB(0, 160, 0));
        break;
    }
}

} // namespace filemodule
