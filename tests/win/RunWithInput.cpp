#include "RunWithInput.h"
#include "win/Handles.h"
#include <windows.h>

namespace mwtest {

int runWithInput(std::string commandLine, const std::string& input, const char* directory) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    mw::UniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    mw::UniqueHandle nul(
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA si{sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = readEnd;
    si.hStdOutput = nul.get();
    si.hStdError = nul.get();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        directory, &si, &pi))
        return -1;
    mw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    reader.reset();
    DWORD written = 0;
    WriteFile(writeEnd, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    writer.reset();
    // The engine's agent inherits nothing of ours that matters: wait for the process, not the pipe.
    if (WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

} // namespace mwtest
