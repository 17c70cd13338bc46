// Console input and output for pgp.exe.
#include "pgp/Console.h"
#include <windows.h>

namespace pgp {

namespace {

// Each character the code page lacks becomes "?", never a look-alike: "\u0160imon" must not
// pass for "Simon".
std::string toCodePage(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                            nullptr, nullptr);
    return bytes;
}

} // namespace

void Console::write(DWORD which, std::wstring_view text) {
    HANDLE h = GetStdHandle(which);
    if (!h || h == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(h, &mode)) {
        WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // Redirected: the bytes a reader of this console's output expects.
    const UINT codePage = outputBytesCodePage_;
    std::string bytes = toCodePage(codePage, text);
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring fromUtf8(std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

mw::SecretString secretToUtf8(const SecretWideText& text) {
    mw::SecretString out;
    if (text.empty()) return out;
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    out.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

Console::Console()
    : inputCodePage_(GetConsoleCP()), outputCodePage_(GetConsoleOutputCP()),
      inputBytesCodePage_(inputCodePage_ ? inputCodePage_ : GetOEMCP()),
      outputBytesCodePage_(outputCodePage_ ? outputCodePage_ : GetOEMCP()) {
    DWORD mode = 0;
    inputIsConsole_ = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
    // Counted now: the engine's agent, started later, shares the console.
    DWORD processes[2] = {};
    ownWindow_ = inputIsConsole_ && GetConsoleProcessList(processes, 2) == 1;
}

Console::~Console() {
    if (consoleIn_) CloseHandle(consoleIn_);
    if (inputCodePage_ && GetConsoleCP() != inputCodePage_) SetConsoleCP(inputCodePage_);
    if (outputCodePage_ && GetConsoleOutputCP() != outputCodePage_) SetConsoleOutputCP(outputCodePage_);
}

void Console::say(std::wstring_view line) {
    said_.emplace_back(line);
    if (said_.size() > kSaidKept) said_.erase(said_.begin());
    std::wstring text(line);
    text += L"\r\n";
    write(STD_ERROR_HANDLE, text);
}

void Console::out(std::wstring_view text) {
    write(STD_OUTPUT_HANDLE, text);
}

void Console::answersFromConsoleOnly() {
    consoleOnly_ = true;
    if (consoleIn_) return;
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    if (in == INVALID_HANDLE_VALUE) return;
    if (!GetConsoleMode(in, &mode)) {
        CloseHandle(in);
        return;
    }
    consoleIn_ = in;
}

void Console::readInto(SecretWideText& line, bool echo) {
    line.clear();
    HANDLE in = consoleOnly_ ? consoleIn_ : GetStdHandle(STD_INPUT_HANDLE);
    if (!in || in == INVALID_HANDLE_VALUE) return;
    if (consoleOnly_ || inputIsConsole_) {
        DWORD mode = 0;
        GetConsoleMode(in, &mode);
        SetConsoleMode(in, echo ? (mode | ENABLE_ECHO_INPUT) : (mode & ~ENABLE_ECHO_INPUT));
        line.resize(1024);
        DWORD read = 0;
        if (!ReadConsoleW(in, line.data(), static_cast<DWORD>(line.size()), &read, nullptr)) read = 0;
        line.resize(read);
        SetConsoleMode(in, mode);
        if (!echo) write(STD_ERROR_HANDLE, L"\r\n");
    } else {
        // A byte at a time, so nothing after the line is taken from whoever reads next.
        mw::SecretString bytes;
        char c = 0;
        DWORD read = 0;
        while (ReadFile(in, &c, 1, &read, nullptr) && read == 1 && c != '\n')
            bytes += c;
        c = 0;
        const UINT codePage = inputBytesCodePage_;
        int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        line.resize(static_cast<std::size_t>(n > 0 ? n : 0));
        if (n > 0)
            MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), line.data(), n);
    }
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r'))
        line.pop_back();
}

std::string Console::inCodePage(std::string_view utf8) const {
    const UINT codePage = outputBytesCodePage_;
    if (codePage == CP_UTF8) return std::string(utf8);
    const std::string bytes = toCodePage(codePage, fromUtf8(utf8));
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring back(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), back.data(), n);
    return toUtf8(back);
}

bool Console::confirm(std::wstring_view question) {
    write(STD_ERROR_HANDLE, question);
    SecretWideText answer;
    readInto(answer, true);
    return !answer.empty() && (answer[0] == L'y' || answer[0] == L'Y');
}

void Console::keepOwnWindowOpen() {
    if (!ownWindow_) return;
    SecretWideText answer;
    write(STD_ERROR_HANDLE, L"Press Enter to close this window.");
    readInto(answer, false);
}

std::wstring Console::readLine(std::wstring_view prompt) {
    write(STD_ERROR_HANDLE, prompt);
    SecretWideText answer;
    readInto(answer, true);
    return std::wstring(answer);
}

SecretWideText Console::readHidden(std::wstring_view prompt) {
    write(STD_ERROR_HANDLE, prompt);
    SecretWideText answer;
    readInto(answer, false);
    return answer;
}

} // namespace pgp
