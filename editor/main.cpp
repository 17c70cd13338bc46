// Entry point of Murkwell.exe, the message editor.
#include "win/Application.h"
#include "editor/EditorApp.h"
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
    editor::EditorApp editorApp;
    return editorApp.run();
}
