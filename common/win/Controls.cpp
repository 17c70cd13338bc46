// Control creation and the panel container.
#include "win/Controls.h"
#include "win/ControlViews.h"
#include "core/UnicodeText.h"
#include "win/Application.h"
#include "win/Win32Util.h"
#include "win/Window.h"
#include <optional>

namespace mw {

namespace {
// Where a control lies in the design pixels of its form's client area, kept on the window.
constexpr const char* kDesignTopLeft = "MwDesignTopLeft";
constexpr const char* kDesignBottomRight = "MwDesignBottomRight";

HANDLE packed(LONG a, LONG b) {
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(MAKELONG(a, b)));
}
POINT unpacked(HANDLE h) {
    const auto v = static_cast<DWORD>(reinterpret_cast<INT_PTR>(h));
    return {LOWORD(v), HIWORD(v)};
}

std::optional<RECT> designRectOf(HWND control) {
    if (!GetPropA(control, kDesignBottomRight)) return std::nullopt;
    const POINT tl = unpacked(GetPropA(control, kDesignTopLeft)),
                br = unpacked(GetPropA(control, kDesignBottomRight));
    return RECT{tl.x, tl.y, br.x, br.y};
}

// The rectangle in the parent's pixels at `dpi`. Edges are scaled in the form's coordinates, not
// sizes in the parent's: controls that meet at 96 DPI meet at every scale, nested or not.
RECT pixelsAt(HWND parent, const RECT& design, int dpi) {
    const RECT origin = designRectOf(parent).value_or(RECT{});
    auto at = [dpi](LONG v) { return MulDiv(v, dpi, 96); };
    return {at(design.left) - at(origin.left), at(design.top) - at(origin.top),
            at(design.right) - at(origin.left), at(design.bottom) - at(origin.top)};
}
} // namespace

bool placeForDpi(HWND control, int dpi) {
    const auto design = designRectOf(control);
    if (!design) return false;
    const RECT r = pixelsAt(GetParent(control), *design, dpi);
    SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

HWND createControl(Application& app, HWND parent, const ControlParams& params) {
    const DWORD style = WS_CHILD | WS_VISIBLE | params.style;
    const RECT origin = designRectOf(parent).value_or(RECT{});
    const RECT design{origin.left + params.x, origin.top + params.y, origin.left + params.x + params.width,
                      origin.top + params.y + params.height};
    const RECT at = pixelsAt(parent, design, app.dpi());
    const int x = at.left, y = at.top, width = at.right - at.left, height = at.bottom - at.top;
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
    SetPropA(hwnd, kDesignTopLeft, packed(design.left, design.top));
    SetPropA(hwnd, kDesignBottomRight, packed(design.right, design.bottom));
    setFont(hwnd, params.font ? params.font : app.dialogFont(), false);
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

void addOkCancel(Form& box, int clientWidth, int clientHeight, int okId, int cancelId) {
    const int y = clientHeight - 33;
    box.addControl({.className = "BUTTON",
                    .text = "OK",
                    .id = okId,
                    .x = clientWidth - 164,
                    .y = y,
                    .width = 75,
                    .height = 25,
                    .style = WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON});
    box.addControl({.className = "BUTTON",
                    .text = "Cancel",
                    .id = cancelId,
                    .x = clientWidth - 83,
                    .y = y,
                    .width = 75,
                    .height = 25,
                    .style = WS_TABSTOP | BS_PUSHBUTTON});
}

bool okOrCancel(Form& box, int id, int code, int okId, int cancelId, const std::function<bool()>& accept) {
    if (code != BN_CLICKED) return false;
    if (id == okId || id == IDOK) {
        if (accept()) box.close();
        return true;
    }
    if (id == cancelId || id == IDCANCEL) {
        box.close();
        return true;
    }
    return false;
}

} // namespace mw
