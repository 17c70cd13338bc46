// The start of either program: common controls, screen DPI, the real seams, then the program's
// own windows and message loop.
#pragma once
#include <functional>

namespace mw {

class Application;

// Runs `program` (which creates the program's windows over the application it is handed and runs
// its loop) with the Win32 seams in place and returns its exit code. An exception that escapes
// start-up is shown in the error box.
int runProgram(const std::function<int(Application&)>& program);

} // namespace mw
