// pgp.exe's arguments and the pass phrase given with them, taken into wiped storage.
#include "pgp/Startup.h"
#include "pgp/core/ArgumentVector.h"
#include "win/SystemText.h"
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <io.h>

namespace pgp {

std::wstring environment(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), n));
    return value;
}

namespace {

// PGPPASS, read into wiped storage and taken out of the environment.
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
    mw::toWide(GetConsoleCP() ? GetConsoleCP() : GetOEMCP(), bytes, value);
    return value;
}

} // namespace

std::vector<Argument> takeArguments() {
    std::vector<Argument> args;
    wchar_t* line = GetCommandLineW();
    std::vector<std::wstring> split = splitCommandLine(line);
    for (std::size_t i = 0; i < split.size(); ++i) {
        if (i > 0) args.emplace_back(split[i].c_str());
        SecureZeroMemory(split[i].data(), split[i].size() * sizeof(wchar_t));
    }
    SecureZeroMemory(line, std::wcslen(line) * sizeof(wchar_t));
    char* ansi = GetCommandLineA();
    SecureZeroMemory(ansi, std::strlen(ansi));
    for (int i = 0; i < __argc; ++i)
        if (__argv && __argv[i]) SecureZeroMemory(__argv[i], std::strlen(__argv[i]));
    return args;
}

std::optional<SecretWideText> takeGivenPassPhrase(Command& command) {
    std::optional<SecretWideText> passPhrase;
    if (command.passPhrase)
        passPhrase = SecretWideText(*command.passPhrase);
    else if (auto fromEnvironment = passPhraseFromEnvironment())
        passPhrase = std::move(fromEnvironment);
    else if (auto fromDescriptor = passPhraseFromDescriptor())
        passPhrase = std::move(fromDescriptor);
    SetEnvironmentVariableW(L"PGPPASS", nullptr);
    command.passPhrase.reset();
    return passPhrase;
}

} // namespace pgp
