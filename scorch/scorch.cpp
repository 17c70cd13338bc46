// The wipe tool: scorch [file] /two /silent. Overwrites the file in place, then removes it.
#include "scorch/ScorchCommand.h"
#include "scorch/Win32Wipe.h"
#include "win/SystemText.h"
#include <windows.h>
#include <string>

using namespace scorch;

namespace {

// To the console as wide text; redirected, in the console's code page.
void print(DWORD which, const std::wstring& text) {
    const UINT codePage = GetConsoleOutputCP();
    mw::writeConsoleText(which, text, codePage ? codePage : GetOEMCP());
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
