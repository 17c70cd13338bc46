// What both test doubles share: where they stand and the log of every call they get.
#pragma once
#include <windows.h>
#include <fstream>
#include <string>

namespace doubles {

// The double's own directory, with a trailing backslash; its control and log files live there.
inline std::string ownDirectory() {
    char buffer[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string path(buffer, n);
    return path.substr(0, path.find_last_of('\\') + 1);
}

// Appends "CALL", "CWD <dir>" and one "ARG <text>" per argument to `logPath`.
inline void logCall(const std::string& logPath, int argc, char** argv) {
    std::ofstream log(logPath, std::ios::binary | std::ios::app);
    char cwd[MAX_PATH * 4] = {};
    GetCurrentDirectoryA(sizeof cwd, cwd);
    log << "CALL\r\nCWD " << cwd << "\r\n";
    for (int i = 1; i < argc; ++i)
        log << "ARG " << argv[i] << "\r\n";
}

} // namespace doubles
