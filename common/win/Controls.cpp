// Control creation and the panel container.
#include "win/Controls.h"
#include "core/UnicodeText.h"
#include "win/Application.h"
#include "win/Win32Util.h"
#include "win/Window.h"

namespace mw {

HWND createControl(Application& app, HWND parent, const ControlParams& params) {
    const DWORD style = WS_CHILD | WS_VISIBLE | params.style;
    const int x = app.scale(params.x), y = app.scale(params.y);
    const int width = app.scale(params.width), height = app.scale(params.height);
    const auto menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(params.id));
    HWND hwnd;
    if (params.unicode) {
        const std::u16string className = utf8ToUtf16(params.className), text = utf8ToUtf16(params.text);
        hwnd = CreateWindowExW(params.exStyle, reinterpret_cast<const wchar_t*>(className.c_str()),
                               reinterpret_cast<const wchar_t*>(text.c_str()), style, x, y, width, height,
                               parent, menu, GetModuleHandleW(nullptr), nullptr);
    } else {
        hwnd = CreateWindowExA(params.exStyle, params.className, params.text.c_str(), style, x, y, width,
                               height, parent, menu, GetModuleHandleA(nullptr), nullptr);
    }
    if (!hwnd)
        throwLastError(std::string("Cannot create the control ") + params.className + " \"" + params.text +
                       "\"");
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(params.font ? params.font : app.dialogFont()),
                 FALSE);
    return hwnd;
}

namespace {
// One ring of a bevel; `r` shrinks by the ring.
void bevelRing(HDC dc, RECT& r, int topLeftColor, int bottomRightColor) {
    auto line = [dc](int x, int y, int w, int h, int color) {
        RECT piece{x, y, x + w, y + h};
        FillRect(dc, &piece, GetSysColorBrush(color));
    };
    const int w = r.right - r.left, h = r.bottom - r.top;
    line(r.left, r.top, w, 1, topLeftColor);
    line(r.left, r.top, 1, h, topLeftColor);
    line(r.left, r.bottom - 1, w, 1, bottomRightColor);
    line(r.right - 1, r.top, 1, h, bottomRightColor);
    InflateRect(&r, -1, -1);
}

LRESULT panelMessage(void*, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PaintScope scope(hwnd);
        if (GetWindowLongPtrA(hwnd, GWL_STYLE) & kPanelInnerBevelLowered) {
            RECT r;
            GetClientRect(hwnd, &r);
            bevelRing(scope.dc(), r, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
            bevelRing(scope.dc(), r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
        }
        return 0;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    default:
        return callNextProc(hwnd, msg, wParam, lParam);
    }
}
} // namespace

void registerPanelClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    // Redrawn whole on every resize: the bevel runs along the edges.
    wc.style = CS_HREDRAW | CS_VREDRAW;
    // A plain class: createPanel gives each panel its handling.
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPanelClass;
    if (!RegisterClassExA(&wc))
        throwLastError(std::string("Cannot register the window class ") + kPanelClass);
    done = true;
}

HWND createPanel(Application& app, HWND parent, ControlParams params) {
    registerPanelClass();
    params.className = kPanelClass;
    HWND panel = createControl(app, parent, params);
    installSubclass(panel, &panelMessage, nullptr);
    return panel;
}

} // namespace mw
