// Text helpers over the ANSI Win32 calls.
#include "win/Win32Util.h"
#include <vector>

namespace mw {

std::string errorText(DWORD code) {
    char* buffer = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (n && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "system error " + std::to_string(code);
    return text;
}

std::string windowText(HWND hwnd) {
    int n = GetWindowTextLengthA(hwnd);
    if (n <= 0) return {};
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    int got = GetWindowTextA(hwnd, buf.data(), n + 1);
    return std::string(buf.data(), static_cast<size_t>(got < 0 ? 0 : got));
}

void setWindowText(HWND hwnd, const std::string& text) {
    SetWindowTextA(hwnd, text.c_str());
}

} // namespace mw
