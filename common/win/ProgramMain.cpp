// Shared body of both programs' WinMain.
#include "win/ProgramMain.h"
#include "win/Application.h"
#include "win/Win32Interaction.h"
#include "win/Win32Platform.h"
#include <commctrl.h>
#include <windows.h>

namespace mw {

int runProgram(const std::function<int(Application&)>& program) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    auto& app = Application::instance();
    Win32Platform platform(app);
    Win32Interaction interaction(app);
    app.readScreenDpi();
    app.setPlatform(&platform);
    app.setInteraction(&interaction);
    app.terminate = [] { ExitProcess(0); };
    int code = 1;
    app.runHandler([&] { code = program(app); });
    return code;
}

} // namespace mw
