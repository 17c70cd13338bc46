// Stand-in for a companion program (key manager, embedding editor): logs its call, working
// directory and show mode beside itself as "<its name>.log" and ends.
#include "DoubleSupport.h"
#include <windows.h>
#include <fstream>

int main(int argc, char** argv) {
    char self[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, n);
    std::string name = path.substr(path.find_last_of('\\') + 1);
    name = name.substr(0, name.find_last_of('.'));
    const std::string log = doubles::ownDirectory() + name + ".log";
    doubles::logCall(log, argc, argv);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    std::ofstream(log, std::ios::binary | std::ios::app)
        << "SHOW " << ((startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1) << "\r\n";
    return 0;
}
