// Control creation and the panel container.
#include "Controls.h"
#include "Application.h"

namespace mw {

HWND createControl(HWND parent, const ControlSpec& spec) {
    auto& app = Application::instance();
    HWND hwnd = CreateWindowExA(spec.exStyle, spec.className, spec.text.c_str(), WS_CHILD | WS_VISIBLE | spec.style,
                                app.scale(spec.x), app.scale(spec.y), app.scale(spec.width), app.scale(spec.height),
                                parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)),
                                GetModuleHandleA(nullptr), nullptr);
    if (hwnd) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(spec.font ? spec.font : app.dialogFont()), FALSE);
    return hwnd;
}

namespace {
LRESULT CALLBACK panelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}
} // namespace

void registerPanelClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = panelProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPanelClass;
    RegisterClassExA(&wc);
    done = true;
}

} // namespace mw
