// pgp.exe: PGP 2.6's command line; every cryptographic step is the GnuPG engine's, found in the
// folder "gnupg" beside this program and nowhere else.
#include "pgp/Console.h"
#include "pgp/Files.h"
#include "pgp/Program.h"
#include "pgp/Startup.h"
#include "win/SystemText.h"
#include "core/JobOutcome.h"
#include <windows.h>

using namespace pgp;

namespace {

std::wstring ownFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// config.txt in PGP's directory, when there is one: UTF-8, else the ANSI code page. Its problems
// are said and skipped, as a file of settings cannot be answered back.
Settings readConfig(const std::wstring& home, Console& console) {
    const std::wstring path = home + (home.back() == L'\\' ? L"" : L"\\") + L"config.txt";
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char block[4096];
    DWORD n = 0;
    // Settings take a few lines; a bigger file is no config.txt of ours.
    while (bytes.size() < 65536 && ReadFile(file, block, sizeof block, &n, nullptr) && n > 0)
        bytes.append(block, n);
    CloseHandle(file);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    const std::wstring text = textOfBytes(bytes);
    std::vector<std::wstring> problems;
    Settings settings = parseConfig(text, problems);
    for (const auto& problem : problems)
        console.say(L"pgp: " + path + L", " + problem + L".");
    return settings;
}

// Appends what this run came to, for the program whose job started pgp.exe, when the job names a
// file for it. Nothing of a pass phrase is in it: only the lines said on the console.
void writeOutcome(ExitStatus status, const std::string& summary, const Console& console) {
    const std::wstring path = environment(L"PGPOUTCOME");
    if (path.empty()) return;
    mw::OutcomeRecord record;
    record.status = static_cast<int>(status);
    record.summary = summary;
    for (const auto& line : console.said())
        record.said.push_back(toUtf8(line));
    const std::string text = mw::formatOutcome(record);
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

int mainOf(Console& console, std::string& summary);

} // namespace

int main() {
    // No box may ever wait for a click when the console is hidden.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    Console console;
    std::string summary;
    const int status = mainOf(console, summary);
    writeOutcome(static_cast<ExitStatus>(status), summary, console);
    return status;
}

namespace {

int mainOf(Console& console, std::string& summary) {
    Command command = parseCommandLine(takeArguments());
    if (!command.error.empty()) {
        console.say(L"pgp: " + command.error);
        console.say(kUsageHint);
        return static_cast<int>(ExitStatus::BadArgument);
    }
    std::optional<SecretWideText> passPhrase = takeGivenPassPhrase(command);

    // PGP's directory: PGPPATH, or the working directory; the engine keeps its keys there.
    std::wstring home = environment(L"PGPPATH");
    if (home.empty()) {
        home.resize(GetCurrentDirectoryW(0, nullptr));
        home.resize(GetCurrentDirectoryW(static_cast<DWORD>(home.size()), home.data()));
    }
    while (home.size() > 3 && (home.back() == L'\\' || home.back() == L'/'))
        home.pop_back();
    DWORD attributes = GetFileAttributesW(home.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        console.say(L"pgp: PGP's directory '" + home + L"' does not exist.");
        return static_cast<int>(ExitStatus::FileNotFound);
    }
    // The engine reads its argument vector in the ANSI code page; a short form is plain ASCII.
    bool lost = false;
    mw::fromWide(CP_ACP, home, WC_NO_BEST_FIT_CHARS, &lost);
    if (lost) {
        const std::wstring shortForm = shortPathOf(home);
        if (!shortForm.empty()) mw::fromWide(CP_ACP, shortForm, WC_NO_BEST_FIT_CHARS, &lost);
        if (shortForm.empty() || lost) {
            console.say(L"pgp: PGP's directory '" + home + L"' cannot be named in this system's code page.");
            return static_cast<int>(ExitStatus::InvalidFile);
        }
        home = shortForm;
    }
    applyConfig(command, readConfig(home, console));
    Program program(std::move(command), std::move(passPhrase), console, ownFolder() + L"gnupg\\", home);
    const ExitStatus status = program.run();
    summary = program.summary();
    return static_cast<int>(status);
}

} // namespace
