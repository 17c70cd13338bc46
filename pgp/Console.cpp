// Console input and output for pgp.exe.
#include "pgp/Console.h"
#include "win/SystemText.h"
#include <windows.h>

namespace pgp {

void Console::write(DWORD which, std::wstring_view text) {
    // Redirected: the bytes a reader of this console's output expects.
    mw::writeConsoleText(which, text, outputBytesCodePage_);
}

std::wstring fromUtf8(std::string_view text) {
    return mw::toWide(CP_UTF8, text);
}

std::string toUtf8(std::wstring_view text) {
    return mw::fromWide(CP_UTF8, text);
}

mw::SecretString secretToUtf8(const SecretWideText& text) {
    mw::SecretString out;
    mw::fromWide(CP_UTF8, text, out);
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

void Console::outUtf8(std::string_view text) {
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (!h || h == INVALID_HANDLE_VALUE || GetConsoleMode(h, &mode)) return out(fromUtf8(text));
    while (!text.empty() && WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written)
        text.remove_prefix(written);
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
        bool any = false;
        while (ReadFile(in, &c, 1, &read, nullptr) && read == 1) {
            any = true;
            if (c == '\n') break;
            bytes += c;
        }
        c = 0;
        if (!any) inputEnded_ = true;
        mw::toWide(inputBytesCodePage_, bytes, line);
    }
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r'))
        line.pop_back();
}

std::string Console::inCodePage(std::string_view utf8) const {
    const UINT codePage = outputBytesCodePage_;
    if (codePage == CP_UTF8) return std::string(utf8);
    // Each character the code page lacks becomes "?", never a look-alike: "\u0160imon" must not
    // pass for "Simon".
    const std::string bytes = mw::fromWide(codePage, fromUtf8(utf8), WC_NO_BEST_FIT_CHARS);
    return toUtf8(mw::toWide(codePage, bytes));
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
