// pgp.exe: PGP 2.6's command line; every cryptographic step is the GnuPG engine's, found in the
// folder "gnupg" beside this program and nowhere else.
#include "pgp/Console.h"
#include "pgp/Program.h"
#include <windows.h>
#include <shellapi.h>
#include <cstdlib>
#include <cstring>
#include <io.h>

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

std::wstring environment(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), n));
    return value;
}

// PGPPASS, read into wiped storage and taken out of the environment, so no engine process
// started later inherits it.
std::optional<SecretWideText> passPhraseFromEnvironment() {
    DWORD n = GetEnvironmentVariableW(L"PGPPASS", nullptr, 0);
    if (n == 0) return std::nullopt;
    SecretWideText value(n, L'\0');
    value.resize(GetEnvironmentVariableW(L"PGPPASS", value.data(), n));
    SetEnvironmentVariableW(L"PGPPASS", nullptr);
    return value;
}

// PGPPASSFD: the first line read from that C runtime descriptor (0 is standard input).
std::optional<SecretWideText> passPhraseFromDescriptor() {
    std::wstring fd = environment(L"PGPPASSFD");
    if (fd.empty()) return std::nullopt;
    int number = _wtoi(fd.c_str());
    mw::SecretString bytes;
    char c = 0;
    while (_read(number, &c, 1) == 1 && c != '\n')
        if (c != '\r') bytes += c;
    c = 0;
    SecretWideText value;
    UINT codePage = GetConsoleCP() ? GetConsoleCP() : GetOEMCP();
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    value.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    if (n > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), value.data(), n);
    return value;
}

// The arguments, in wiped storage, and every other copy of the command line overwritten: it may
// hold the pass phrase after -z.
std::vector<Argument> takeArguments() {
    std::vector<Argument> args;
    int argc = 0;
    wchar_t* line = GetCommandLineW();
    LPWSTR* argv = CommandLineToArgvW(line, &argc);
    for (int i = 1; argv && i < argc; ++i) {
        args.emplace_back(argv[i]);
        SecureZeroMemory(argv[i], std::wcslen(argv[i]) * sizeof(wchar_t));
    }
    if (argv) LocalFree(argv);
    SecureZeroMemory(line, std::wcslen(line) * sizeof(wchar_t));
    char* ansi = GetCommandLineA();
    SecureZeroMemory(ansi, std::strlen(ansi));
    for (int i = 0; i < __argc; ++i)
        if (__argv && __argv[i]) SecureZeroMemory(__argv[i], std::strlen(__argv[i]));
    return args;
}

} // namespace

int main() {
    // No box may ever wait for a click when the console is hidden.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    Console console;
    Command command = parseCommandLine(takeArguments());
    if (!command.error.empty()) {
        console.say(L"pgp: " + command.error);
        console.say(kUsageHint);
        return static_cast<int>(ExitStatus::BadArgument);
    }
    std::optional<SecretWideText> passPhrase;
    if (command.passPhrase)
        passPhrase = SecretWideText(*command.passPhrase);
    else if (auto fromEnvironment = passPhraseFromEnvironment())
        passPhrase = std::move(fromEnvironment);
    else if (auto fromDescriptor = passPhraseFromDescriptor())
        passPhrase = std::move(fromDescriptor);
    SetEnvironmentVariableW(L"PGPPASS", nullptr);
    command.passPhrase.reset();

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
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, home.c_str(), -1, nullptr, 0, nullptr, &lost);
    if (lost) {
        std::wstring shortForm(MAX_PATH, L'\0');
        DWORD n = GetShortPathNameW(home.c_str(), shortForm.data(), MAX_PATH);
        shortForm.resize(n < MAX_PATH ? n : 0);
        lost = FALSE;
        if (!shortForm.empty())
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortForm.c_str(), -1, nullptr, 0, nullptr,
                                &lost);
        if (shortForm.empty() || lost) {
            console.say(L"pgp: PGP's directory '" + home + L"' cannot be named in this system's code page.");
            return static_cast<int>(ExitStatus::InvalidFile);
        }
        home = shortForm;
    }
    Program program(std::move(command), std::move(passPhrase), console, ownFolder() + L"gnupg\\", home);
    return static_cast<int>(program.run());
}
