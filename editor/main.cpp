// Entry point of Murkwell.exe, the message editor.
#include "editor/EditorApp.h"
#include "win/ProgramMain.h"
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return mw::runProgram([](mw::Application& app) {
        editor::EditorApp editorApp(app);
        return editorApp.run();
    });
}
