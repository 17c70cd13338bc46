// Entry point of bramlet.exe, the file module; its command line is ignored.
#include "filemodule/FileModuleApp.h"
#include "win/ProgramMain.h"
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return mw::runProgram([](mw::Application& app) {
        filemodule::FileModuleApp fileModule(app);
        return fileModule.run();
    });
}
