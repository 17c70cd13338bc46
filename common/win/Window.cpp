// Window trampoline and the modal loop of Form.
#include "win/Window.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/ControlViews.h"
#include "win/Win32Util.h"
#include <algorithm>
#include <set>
#include <stdexcept>

namespace mw {

void showHandlerException() {
    Application::instance().showCurrentException();
}

namespace {
// The property under which a subclassed window keeps what it was taken over with.
constexpr const char* kSubclassProperty = "MwSubclass";

struct Subclassing {
    SubclassHandler handler;
    void* context;
    WNDPROC next; // the window's own procedure
    // A window of the wide calls stays one: taking it over with the ANSI calls would make it an
    // ANSI window, and every typed or pasted character would pass through the ANSI code page.
    bool unicode;
};

LRESULT callProc(const Subclassing& s, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return s.unicode ? CallWindowProcW(s.next, hwnd, msg, wParam, lParam)
                     : CallWindowProcA(s.next, hwnd, msg, wParam, lParam);
}

LONG_PTR setProc(bool unicode, HWND hwnd, LONG_PTR proc) {
    return unicode ? SetWindowLongPtrW(hwnd, GWLP_WNDPROC, proc)
                   : SetWindowLongPtrA(hwnd, GWLP_WNDPROC, proc);
}

Subclassing* subclassingOf(HWND hwnd) {
    return static_cast<Subclassing*>(GetPropA(hwnd, kSubclassProperty));
}

LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Asked in the window's own kind: the other kind's call would give a stand-in for the procedure.
bool runsSubclassProc(bool unicode, HWND hwnd) {
    const LONG_PTR proc =
        unicode ? GetWindowLongPtrW(hwnd, GWLP_WNDPROC) : GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
    return proc == reinterpret_cast<LONG_PTR>(&subclassProc);
}

LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Subclassing* s = subclassingOf(hwnd);
    if (!s) return DefWindowProcA(hwnd, msg, wParam, lParam);
    const Subclassing copy = *s;
    const LRESULT result =
        s->handler ? guardedDispatch([&] { return s->handler(s->context, hwnd, msg, wParam, lParam); })
                   : callProc(copy, hwnd, msg, wParam, lParam);
    // The window's last message: whatever it was taken over with goes too.
    if (msg == WM_NCDESTROY) {
        if (Subclassing* last = subclassingOf(hwnd)) {
            if (runsSubclassProc(last->unicode, hwnd))
                setProc(last->unicode, hwnd, reinterpret_cast<LONG_PTR>(last->next));
            RemovePropA(hwnd, kSubclassProperty);
            delete last;
        }
    }
    return result;
}
} // namespace

void installSubclass(HWND hwnd, SubclassHandler handler, void* context) {
    if (subclassingOf(hwnd)) throw std::logic_error("The window is already taken over");
    const bool unicode = IsWindowUnicode(hwnd);
    auto* s = new Subclassing{handler, context, nullptr, unicode};
    SetPropA(hwnd, kSubclassProperty, s);
    s->next = reinterpret_cast<WNDPROC>(setProc(unicode, hwnd, reinterpret_cast<LONG_PTR>(&subclassProc)));
}

void removeSubclass(HWND hwnd) {
    Subclassing* s = subclassingOf(hwnd);
    if (!s) return;
    // Another procedure put on top since cannot be unlinked: ours then only passes messages on
    // until the window goes.
    if (!runsSubclassProc(s->unicode, hwnd)) {
        s->handler = nullptr;
        return;
    }
    setProc(s->unicode, hwnd, reinterpret_cast<LONG_PTR>(s->next));
    RemovePropA(hwnd, kSubclassProperty);
    delete s;
}

LRESULT callNextProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Subclassing* s = subclassingOf(hwnd);
    if (s) return callProc(*s, hwnd, msg, wParam, lParam);
    return IsWindowUnicode(hwnd) ? DefWindowProcW(hwnd, msg, wParam, lParam)
                                 : DefWindowProcA(hwnd, msg, wParam, lParam);
}

Window::~Window() {
    destroyHandle();
}

void Window::destroyHandle() {
    if (hwnd_) {
        HWND h = hwnd_;
        SetWindowLongPtrA(h, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        DestroyWindow(h);
    }
}

Window* Window::fromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    // Other windows may keep anything in their user data; only ours hold a Window there.
    if (GetClassLongPtrA(hwnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&Window::windowProc))
        return nullptr;
    return reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void Window::registerClass(const char* className, HBRUSH background, UINT style) {
    static std::set<std::string> registered;
    if (registered.count(className)) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    // The program's own icon, each size drawn for itself; the system's default where it has none.
    auto icon = [](int metricX, int metricY) {
        return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON,
                                             GetSystemMetrics(metricX), GetSystemMetrics(metricY),
                                             LR_SHARED));
    };
    wc.hIcon = icon(SM_CXICON, SM_CYICON);
    wc.hIconSm = icon(SM_CXSMICON, SM_CYSMICON);
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    // A class of this name from elsewhere in the process would not forward to us.
    if (!RegisterClassExA(&wc)) throwLastError(std::string("Cannot register the window class ") + className);
    registered.insert(className);
}

HWND Window::createHandle(const char* className, const std::string& caption, DWORD style, DWORD exStyle,
                          int x, int y, int width, int height, HWND parent, HMENU menu) {
    HWND hwnd = CreateWindowExA(exStyle, className, caption.c_str(), style, x, y, width, height, parent, menu,
                                GetModuleHandleA(nullptr), this);
    if (!hwnd) throwLastError("Cannot create the window \"" + caption + "\" (" + className + ")");
    return hwnd;
}

LRESULT Window::defaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

HBRUSH Window::defaultControlColor(UINT kind, HDC dc, HWND control) {
    return reinterpret_cast<HBRUSH>(
        defaultProc(kind, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
}

LRESULT Window::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
        break;
    case WM_PAINT: {
        PaintScope scope(hwnd_);
        onPaint(scope.dc());
        return 0;
    }
    case WM_DRAWITEM:
        if (onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_MEASUREITEM:
        if (onMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = onControlColor(msg, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(brush);
        break;
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<Window*>(cs->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = fromHandle(hwnd);
    }
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return guardedDispatch([&] { return self->handleMessage(msg, wParam, lParam); });
}

Form::Form(Application& application) : app_(application), dpi_(application.dpi()) {}

Form* Form::fromHandle(HWND hwnd) {
    return dynamic_cast<Form*>(Window::fromHandle(hwnd));
}

void Form::setClientSize(int width, int height) {
    RECT r{0, 0, scale(width), scale(height)};
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(handle(), GWL_STYLE));
    DWORD ex = static_cast<DWORD>(GetWindowLongPtrA(handle(), GWL_EXSTYLE));
    AdjustWindowRectEx(&r, style, GetMenu(handle()) != nullptr, ex);
    SetWindowPos(handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {
BOOL CALLBACK collectWindow(HWND hwnd, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
    return TRUE;
}

// The same font drawn for another DPI.
HFONT scaledFont(HFONT font, int newDpi, int oldDpi) {
    LOGFONTA lf{};
    if (!GetObjectA(font, sizeof lf, &lf)) return nullptr;
    lf.lfHeight = MulDiv(lf.lfHeight, newDpi, oldDpi);
    lf.lfWidth = MulDiv(lf.lfWidth, newDpi, oldDpi);
    return CreateFontIndirectA(&lf);
}
} // namespace

void Form::changeDpi(int newDpi, const RECT* bounds) {
    const int oldDpi = dpi_;
    if (newDpi > 0 && newDpi != oldDpi) {
        dpi_ = newDpi;
        auto scaled = [&](int v) { return MulDiv(v, newDpi, oldDpi); };
        std::vector<HWND> controls; // every window inside the form, parents before their children
        EnumChildWindows(handle(), collectWindow, reinterpret_cast<LPARAM>(&controls));
        std::vector<std::pair<HFONT, HFONT>> fonts; // old font, its copy for the new DPI
        std::vector<UniqueFont> made;
        for (HWND control : controls) {
            // Ours from their design places; the system's (a combo box's edit) in proportion.
            if (!placeForDpi(control, newDpi)) {
                RECT r;
                GetWindowRect(control, &r);
                MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
                SetWindowPos(control, nullptr, scaled(r.left), scaled(r.top),
                             scaled(r.right) - scaled(r.left), scaled(r.bottom) - scaled(r.top),
                             SWP_NOZORDER | SWP_NOACTIVATE);
            }
            if (HFONT font = fontOf(control)) {
                auto known =
                    std::find_if(fonts.begin(), fonts.end(), [&](auto& f) { return f.first == font; });
                if (known == fonts.end()) {
                    made.emplace_back(scaledFont(font, newDpi, oldDpi));
                    known = fonts.insert(fonts.end(), {font, made.back().get()});
                }
                if (known->second) setFont(control, known->second, false);
            }
            const auto style = GetWindowLongPtrA(control, GWL_STYLE);
            char cls[16] = "";
            GetClassNameA(control, cls, sizeof cls);
            if (lstrcmpiA(cls, "LISTBOX") == 0 && (style & LBS_OWNERDRAWFIXED)) {
                ListBox list(control);
                if (const int height = list.itemHeight(); height > 0) list.setItemHeight(scaled(height));
            }
            SendMessageA(control, WM_MW_DPICHANGED, static_cast<WPARAM>(newDpi), 0);
        }
        // Every control has let go of the fonts of the change before.
        dpiFonts_ = std::move(made);
    }
    RECT r;
    GetWindowRect(handle(), &r);
    if (bounds)
        r = *bounds;
    else if (newDpi != oldDpi)
        r = {r.left, r.top, r.left + MulDiv(r.right - r.left, newDpi, oldDpi),
             r.top + MulDiv(r.bottom - r.top, newDpi, oldDpi)};
    SetWindowPos(handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (newDpi != oldDpi) app_.runHandler([this] { dpiChanged(); });
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Form::centreOnScreen() {
    RECT r;
    GetWindowRect(handle(), &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    SetWindowPos(handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Form::preTranslateMessage(MSG& msg) {
    if (escapeDoesNothing_ && msg.wParam == VK_ESCAPE &&
        (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR))
        return true;
    if (dialogNavigation_ && IsDialogMessageW(handle(), &msg)) return true;
    return false;
}

namespace {
struct DisableContext {
    HWND except;
    std::vector<HWND> disabled;
};

BOOL CALLBACK disableOthers(HWND hwnd, LPARAM lParam) {
    auto* ctx = reinterpret_cast<DisableContext*>(lParam);
    if (hwnd != ctx->except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        ctx->disabled.push_back(hwnd);
    }
    return TRUE;
}
} // namespace

HWND Form::addControl(const ControlParams& params) {
    return createControl(app_, handle(), params);
}

HWND Form::initialFocus() const {
    return GetNextDlgTabItem(handle(), nullptr, FALSE);
}

void Form::rememberFocus() {
    HWND focus = GetFocus();
    if (focus && IsChild(handle(), focus)) focused_ = focus;
}

bool Form::restoreFocus() {
    HWND target = focused_;
    if (!target || !IsWindow(target) || !IsChild(handle(), target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
        target = initialFocus();
    if (!target) return false;
    focused_ = target;
    SetFocus(target);
    return true;
}

void Form::showModal() {
    auto& app = app_;
    HWND previous = GetActiveWindow();
    // Each showing starts at the form's first control, as a dialog made afresh would.
    focused_ = nullptr;
    DisableContext ctx{handle(), {}};
    EnumThreadWindows(GetCurrentThreadId(), disableOthers, reinterpret_cast<LPARAM>(&ctx));
    modal_ = true;
    modalDone_ = false;
    app.runHandler([this] { FormShow(); });
    // A form that closed itself in FormShow (a key dialog with nothing to list) is never shown.
    if (!modalDone_) {
        ShowWindow(handle(), SW_SHOW);
        SetForegroundWindow(handle());
        SetActiveWindow(handle());
        if (app.modalHook) PostMessageA(handle(), WM_MW_MODALHOOK, 0, 0);
    }
    MSG msg;
    while (!modalDone_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 1);
            break;
        }
        app.dispatch(msg);
    }
    for (HWND h : ctx.disabled)
        if (IsWindow(h)) EnableWindow(h, TRUE);
    ShowWindow(handle(), SW_HIDE);
    modal_ = false;
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
}

void Form::close() {
    // A failed FormClose has shown its error; the main window then stays open (its FormClose ends
    // the program only when it succeeds), a modal form ends its showing all the same.
    app_.runHandler([this] { FormClose(); });
    if (modal_) modalDone_ = true;
}

LRESULT Form::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        close();
        return 0;
    case WM_CANCELMODE:
        // Comes first when the form is disabled under a modal window: the focus is remembered
        // before disabling or the modal window's activation can move it.
        rememberFocus();
        return Window::handleMessage(msg, wParam, lParam);
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            rememberFocus();
            return 0;
        }
        // A minimised form keeps the focus itself, as the default handling does.
        if (!HIWORD(wParam) && restoreFocus()) return 0;
        return Window::handleMessage(msg, wParam, lParam);
    case WM_SETFOCUS:
        // The form itself has nothing to type into: hand the focus on.
        if (!IsIconic(handle())) restoreFocus();
        return 0;
    case WM_DPICHANGED:
        changeDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_MW_MODALHOOK:
        if (app_.modalHook && modal_) app_.modalHook(*this);
        return 0;
    default:
        return Window::handleMessage(msg, wParam, lParam);
    }
}

} // namespace mw
