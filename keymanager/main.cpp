// Entry point of wendal.exe, the key manager; its command line is ignored.
#include "keymanager/KeyManagerApp.h"
#include "win/ProgramMain.h"
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return mw::runProgram([](mw::Application& app) {
        keymanager::KeyManagerApp keyManager(app);
        return keyManager.run();
    });
}
