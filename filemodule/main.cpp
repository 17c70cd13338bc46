// Entry point of bramlet.exe, the file module; its command line is ignored.
#include "win/Application.h"
#include "filemodule/FileModuleApp.h"
#include "win/Win32Interaction.h"
#include "win/Win32Platform.h"
#include <commctrl.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    mw::Win32Platform platform;
    mw::Win32Interaction interaction;
    auto& app = mw::Application::instance();
    app.readScreenDpi();
    app.setPlatform(&platform);
    app.setInteraction(&interaction);
    app.terminate = [] { ExitProcess(0); };
    filemodule::FileModuleApp fileModule;
    return fileModule.run();
}
