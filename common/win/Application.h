// Process-wide state of either program: title, the seams, the message pump and the one place
// where a handler's exception becomes the standard error box.
#pragma once
#include "win/Win32Util.h"
#include <windows.h>
#include <functional>
#include <string>

namespace mw {

class Form;
class Interaction;
class Platform;

class Application {
public:
    static Application& instance();

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

    Platform& platform() { return *platform_; }
    Interaction& interaction() { return *interaction_; }
    void setPlatform(Platform* p) { platform_ = p; }
    void setInteraction(Interaction* i) { interaction_ = i; }

    HWND mainWindow() const { return mainWindow_; }
    void setMainWindow(HWND hwnd) { mainWindow_ = hwnd; }

    // Design pixels to device pixels: at 96 DPI every value stays as designed.
    int scale(int designPixels) const { return MulDiv(designPixels, dpi_, 96); }
    int dpi() const { return dpi_; }
    void readScreenDpi();

    // Called with every one of the programs' own dialogs once it is visible inside its modal
    // loop; tests set it to drive and close the dialog.
    std::function<void(Form&)> modalHook;
    // Ends the process at once (the main window's close). Tests replace it.
    std::function<void()> terminate;

    // The default dialog font ("MS Sans Serif" 8 point), created on first use.
    HFONT dialogFont();

    // Shows the exception in the standard error box: application title, stop icon, OK.
    void showException(const std::exception& e);
    // For a catch(...) at the dispatch boundary.
    void showCurrentException();
    // Runs a handler; an exception it throws is shown in the error box. False when it threw.
    bool runHandler(const std::function<void()>& handler);

    // Handles every pending message, then returns. WM_QUIT is put back for the main loop.
    void processMessages();
    // Runs until WM_QUIT; returns its exit code.
    int run();
    // Routes one message through key preview, accelerators and dialog navigation.
    void dispatch(MSG& msg);
    bool quitRequested() const { return quit_; }

private:
    Application() = default;
    std::string title_;
    Platform* platform_ = nullptr;
    Interaction* interaction_ = nullptr;
    HWND mainWindow_ = nullptr;
    int dpi_ = 96;
    UniqueFont dialogFont_;
    bool quit_ = false;
};

} // namespace mw
