// Text helpers over the ANSI Win32 calls.
#include "win/Win32Util.h"
#include "core/UnicodeText.h"
#include "win/SystemText.h"
#include <optional>
#include <vector>

namespace mw {

HBRUSH colourControl(HDC dc, COLORREF text, COLORREF background, HBRUSH brush) {
    SetTextColor(dc, text);
    SetBkColor(dc, background);
    return brush;
}

std::string errorText(DWORD code) {
    return fromWide(CP_ACP, systemMessage(code));
}

SystemError::SystemError(const std::string& what, DWORD code)
    : std::runtime_error(what + ": " + errorText(code)), code_(code) {}

void throwLastError(const std::string& what) {
    throw SystemError(what, GetLastError());
}

void takeActivationBack(HWND window) {
    if (!window || !IsWindowVisible(window) || IsIconic(window)) return;
    HWND foreground = GetForegroundWindow();
    if (foreground == window) return;
    DWORD process = 0;
    const DWORD thread = foreground ? GetWindowThreadProcessId(foreground, &process) : 0;
    // The job's console (still open after a pause) or nothing at all; a window of a program the
    // user turned to during the job is theirs.
    char cls[64] = "";
    if (foreground && process != GetCurrentProcessId()) {
        GetClassNameA(foreground, cls, sizeof cls);
        if (std::string_view(cls) != "ConsoleWindowClass") return;
    }
    // The system lets a process take the foreground only from the input queue that holds it:
    // share that queue for the moment of the switch.
    const DWORD ours = GetCurrentThreadId();
    const bool shared = thread && thread != ours && AttachThreadInput(ours, thread, TRUE);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    if (shared) AttachThreadInput(ours, thread, FALSE);
}

HFONT createFont(const FontRequest& font) {
    return CreateFontA(-font.pixels, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic, font.underline,
                       font.strikeOut, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, font.quality,
                       font.pitchAndFamily, font.face.c_str());
}

bool fontHasFace(HFONT font, const std::string& face) {
    WindowDC screen(nullptr);
    if (!font || !screen.get()) return false;
    ScopedSelect selected(screen.get(), font);
    char got[LF_FACESIZE] = "";
    GetTextFaceA(screen.get(), LF_FACESIZE, got);
    return lstrcmpiA(got, face.c_str()) == 0;
}

int screenDpi() {
    WindowDC screen(nullptr);
    int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

std::string moduleFileName(HMODULE module) {
    // The call gives no length up front: grow until the name fits with room to spare.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size() - 1) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string shortPathName(const std::string& path) {
    DWORD needed = GetShortPathNameA(path.c_str(), nullptr, 0);
    for (int attempt = 0; needed > 0 && attempt < 4; ++attempt) {
        std::vector<char> buffer(needed);
        DWORD n = GetShortPathNameA(path.c_str(), buffer.data(), needed);
        if (n == 0) return {};
        if (n < needed) return std::string(buffer.data(), n);
        needed = n; // the path changed in between and grew
    }
    return {};
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

std::string unicodeText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    if (n <= 0) return {};
    std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, buf.data(), n + 1);
    buf.resize(static_cast<size_t>(got < 0 ? 0 : got));
    return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(buf.data()), buf.size()));
}

void setUnicodeText(HWND hwnd, const std::string& utf8) {
    const std::u16string wide = utf8ToUtf16(utf8);
    SetWindowTextW(hwnd, reinterpret_cast<const wchar_t*>(wide.c_str()));
}

std::wstring widePath(const std::string& utf8) {
    const std::u16string wide = utf8ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string utf8Path(std::wstring_view wide) {
    return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

namespace {

// The ANSI form of `wide`, or nothing when a character is not in the code page: no "?" and no
// look-alike may name another file.
std::optional<std::string> exactlyInAnsi(const std::wstring& wide) {
    bool lost = false;
    std::string out = fromWide(CP_ACP, wide, WC_NO_BEST_FIT_CHARS, &lost);
    if (lost || (out.empty() && !wide.empty())) return std::nullopt;
    return out;
}

} // namespace

std::string ansiPath(const std::string& utf8) {
    const std::wstring wide = widePath(utf8);
    if (auto ansi = exactlyInAnsi(wide)) return *ansi;
    const std::wstring shortForm =
        askedText([&](wchar_t* b, DWORD n) { return GetShortPathNameW(wide.c_str(), b, n); });
    return shortForm.empty() ? std::string() : exactlyInAnsi(shortForm).value_or(std::string());
}

std::string ansiText(const std::string& utf8) {
    return fromWide(CP_ACP, widePath(utf8), WC_NO_BEST_FIT_CHARS);
}

std::string utf8FromAnsi(const std::string& ansi) {
    return utf8Path(toWide(CP_ACP, ansi));
}

} // namespace mw
