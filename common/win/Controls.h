// Child controls created from named fields, in design pixels scaled to the screen.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace mw {

class Application;
class Form;

struct ControlParams {
    const char* className = "STATIC";
    std::string text;
    int id = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    DWORD style = 0; // WS_CHILD | WS_VISIBLE are always added
    DWORD exStyle = 0;
    HFONT font = nullptr; // the dialog font when null
    // Created with the wide call, so that typing, pasting and the text hold every character; a
    // window of the ANSI calls passes each through the ANSI code page.
    bool unicode = false;
};

// Placed and given its font by `app`'s scale and dialog font. Throws SystemError with the
// system's reason when the control cannot be created.
HWND createControl(Application& app, HWND parent, const ControlParams& params);
// Moves a control made by createControl to its design place at `dpi`; false for any other window.
bool placeForDpi(HWND control, int dpi);

// "TPanel": a plain container with an optional sunken or raised edge; it hands its children's
// notifications on to its parent, so the form sees them as its own.
constexpr const char* kPanelClass = "TPanel";
// Panel style: a raised outer and a lowered inner bevel, one pixel each, painted inside the panel,
// so that children stay placed from its outer edge.
constexpr DWORD kPanelInnerBevelLowered = 0x0001;
void registerPanelClass();
// Creates a panel (the class name in `params` is ignored); throws SystemError as createControl does.
HWND createPanel(Application& app, HWND parent, ControlParams params);

// A box's OK (the default button) and Cancel at the right of its bottom edge, in design pixels
// of a client area `clientWidth` by `clientHeight`.
void addOkCancel(Form& box, int clientWidth, int clientHeight, int okId, int cancelId);
// A click on OK runs `accept`, which closes the box by returning true; Cancel (or Escape) closes it.
// False for any other command.
bool okOrCancel(Form& box, int id, int code, int okId, int cancelId, const std::function<bool()>& accept);

} // namespace mw
