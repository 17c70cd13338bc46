// Thin window wrappers: one trampoline forwarding to member functions, and Form, a top-level
// window that can be shown modally the way every dialog of the programs is.
#pragma once
#include "win/Win32Util.h"
#include <windows.h>
#include <string>
#include <vector>

namespace mw {

struct ControlParams;

class Application;

// Private message through which a visible modal form calls Application::modalHook.
constexpr UINT WM_MW_MODALHOOK = WM_APP + 0x100;
// Sent by a form to each of its windows once it has moved to a monitor of another scale; wParam
// is the new DPI. Windows that draw their own pictures and texts take sizes for it.
constexpr UINT WM_MW_DPICHANGED = WM_APP + 0x101;

// Shows the exception being handled in the standard error box.
void showHandlerException();

// Runs one message handler. Exceptions must not cross back into Windows: they end here, shown in
// the standard error box, and the message answers 0. Every window procedure of ours goes
// through it: the trampoline of Window and the subclass procedure below.
template <typename Handler> LRESULT guardedDispatch(Handler&& handler) {
    try {
        return handler();
    } catch (...) {
        showHandlerException();
        return 0;
    }
}

// Messages of a window that has no Window object (a system control, a panel) taken over by a
// handler, through the same guard as the trampoline. `context` comes back with each message;
// callNextProc gives the window's own handling. The window stays a window of the ANSI calls, so
// texts and typed characters reach the handler as they reach the control. The subclass goes
// with the window, or earlier through removeSubclass.
using SubclassHandler = LRESULT (*)(void* context, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void installSubclass(HWND hwnd, SubclassHandler handler, void* context);
void removeSubclass(HWND hwnd);
LRESULT callNextProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND handle() const { return hwnd_; }
    // The object of a window of ours; null for any other window (a message box, a control),
    // whatever its user data holds.
    static Window* fromHandle(HWND hwnd);

    // Registers a class whose windows forward to Window objects; once per name. Throws
    // SystemError with the system's reason when the class cannot be registered.
    static void registerClass(const char* className, HBRUSH background, UINT style = CS_DBLCLKS);

protected:
    // Creates the window; `this` reaches the trampoline through lpCreateParams. Throws
    // SystemError with the system's reason when the window cannot be created.
    HWND createHandle(const char* className, const std::string& caption, DWORD style, DWORD exStyle, int x,
                      int y, int width, int height, HWND parent, HMENU menu);
    virtual LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT defaultProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Destroys the window now. A class whose members the window uses (fonts, brushes, menus)
    // calls it from its destructor, so those outlive the window.
    void destroyHandle();
    // Decoded WM_COMMAND; true when handled.
    virtual bool onCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    // Decoded WM_PAINT, inside BeginPaint and EndPaint. By default nothing is drawn and the
    // update region is validated, as the default handling does.
    virtual void onPaint(HDC /*dc*/) {}
    // Decoded WM_DRAWITEM and WM_MEASUREITEM of an owner-drawn control; true when handled.
    virtual bool onDrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
    virtual bool onMeasureItem(MEASUREITEMSTRUCT& /*item*/) { return false; }
    // Decoded WM_CTLCOLOR* (`kind` is the message): the brush for `control`'s background, its
    // colours set into `dc`; null leaves the defaults.
    virtual HBRUSH onControlColor(UINT /*kind*/, HDC /*dc*/, HWND /*control*/) { return nullptr; }
    // The default colours and brush, for a handler that changes only some of them.
    HBRUSH defaultControlColor(UINT kind, HDC dc, HWND control);

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// A top-level window of either program. Closing runs FormClose; a modal showing runs FormShow
// before the form becomes visible, while the other windows are already disabled.
class Form : public Window {
public:
    // The application whose pump, scale, error box and hooks the form uses.
    explicit Form(Application& application);

    static Form* fromHandle(HWND hwnd);
    Application& app() const { return app_; }

    void showModal();
    // Shown modally, and no close has ended the showing yet.
    bool isShowingModal() const { return modal_ && !modalDone_; }
    // Closes as the close box does: runs FormClose; a modal form then ends its showing.
    void close();

    // The DPI the form is laid out for: the screen's when it is made, the monitor's after it moves
    // to one of another scale. scale() turns 96-DPI design pixels into its pixels, unscale() back.
    int dpi() const { return dpi_; }
    int scale(int designPixels) const { return MulDiv(designPixels, dpi_, 96); }
    int unscale(int pixels) const { return MulDiv(pixels, 96, dpi_); }

    // Client size and screen centring in design pixels.
    void setClientSize(int width, int height);
    void centreOnScreen();

    // Lays the form out for `newDpi`: every control's place, size, font and item height scaled
    // from the old DPI, then the form's own parts (dpiChanged). The form takes `bounds` (screen
    // pixels), or keeps its place and scales its size. WM_DPICHANGED comes here.
    void changeDpi(int newDpi, const RECT* bounds);

    // Key preview and dialog navigation; true when the message was consumed.
    virtual bool preTranslateMessage(MSG& msg);

    // The control with this id, or null.
    HWND item(int id) const { return GetDlgItem(handle(), id); }
    // A control of the form itself, scaled and given its font by the form's application.
    HWND addControl(const ControlParams& params);

protected:
    // The control that gets the focus when the form is activated with none remembered: at each
    // modal showing and at the first activation. By default the first control in Tab order.
    virtual HWND initialFocus() const;
    virtual void FormShow() {}
    // After changeDpi has scaled the controls: fonts and layout the form keeps itself.
    virtual void dpiChanged() {}
    // Runs on every close; an exception is shown in the error box and, for the main window,
    // keeps the window open.
    virtual void FormClose() {}
    // Whether Tab and arrow keys move between controls (off where a control wants the Tab key).
    bool dialogNavigation_ = true;
    // Whether Escape is kept from the form's controls: a multi-line edit asks its parent to close
    // on Escape, which a form without a way to cancel must not do.
    bool escapeDoesNothing_ = false;
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // The classic dialog manager's behaviour for every form: the focused control is remembered
    // when the form loses activation (or is disabled under it) and given back when it is
    // activated again, so typing goes on where it stopped after a dialog, a message box or
    // another program.
    void rememberFocus();
    bool restoreFocus();

    Application& app_;
    int dpi_;
    std::vector<UniqueFont> dpiFonts_; // the controls' fonts scaled at the last change
    bool modal_ = false;
    bool modalDone_ = false;
    HWND focused_ = nullptr;
};

} // namespace mw
