// The wipe tool: scorch [file] /two /silent. Overwrites the file in place, then removes it.
#include "scorch/ScorchCommand.h"
#include "scorch/Win32Wipe.h"
#include <windows.h>
#include <string>

using namespace scorch;

namespace {

// To the console as wide text; redirected, in the console's code page.
void print(DWORD which, const std::wstring& text) {
    HANDLE out = GetStdHandle(which);
    if (!out || out == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    UINT codePage = GetConsoleOutputCP();
    if (codePage == 0) codePage = GetOEMCP();
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                        nullptr);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace

int main() {
    // The callers write the line in their code page; the wide form has every character right.
    Command command = parseArguments(argumentsOf(GetCommandLineW()));
    if (!command.usageError.empty()) {
        if (!command.silent)
            print(STD_ERROR_HANDLE, L"scorch: " + command.usageError + L"\r\n" + usageText());
        return static_cast<int>(Status::Usage);
    }
    if (command.help) {
        if (!command.silent) print(STD_OUTPUT_HANDLE, usageText());
        return static_cast<int>(Status::Wiped);
    }
    // No box may ever wait for a click in a hidden window.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    Outcome outcome = wipeFile(command.path, command.passes);
    if (!command.silent) {
        if (outcome)
            print(STD_OUTPUT_HANDLE, L"Wiped " + command.path + L"\r\n");
        else
            print(STD_ERROR_HANDLE,
                  L"scorch: cannot wipe " + command.path + L": " + outcome.reason + L"\r\n");
    }
    return static_cast<int>(outcome.status);
}
