// Text through the system's calls, for both programs and both tools (header only: the wipe tool
// and pgp.exe include it without the window libraries). The one place that converts between a
// code page and UTF-16, asks the system for an error's words and writes to a console.
#pragma once
#include <windows.h>
#include <climits>
#include <string>
#include <string_view>

namespace mw {

// `bytes` of `codePage` in UTF-16 (into `out`, whose storage may be wiping); false, `out` empty,
// when the system converts nothing (MB_ERR_INVALID_CHARS in `flags` makes a bad byte that).
template <class Wide> bool toWide(UINT codePage, std::string_view bytes, Wide& out, DWORD flags = 0) {
    out.clear();
    if (bytes.empty() || bytes.size() > INT_MAX) return bytes.empty();
    // One call: no code page takes more UTF-16 units than bytes (a key ring's 100,000 user IDs
    // pass here for their sort keys).
    const int size = static_cast<int>(bytes.size());
    out.resize(bytes.size());
    const int n = MultiByteToWideChar(codePage, flags, bytes.data(), size, out.data(), size);
    out.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return n > 0;
}
inline std::wstring toWide(UINT codePage, std::string_view bytes, DWORD flags = 0) {
    std::wstring out;
    toWide(codePage, bytes, out, flags);
    return out;
}

// `text` in `codePage` (into `out`, whose storage may be wiping); `lost`, when given, says whether
// a character had no form there (a code page other than UTF-8 only).
template <class Bytes>
void fromWide(UINT codePage, std::wstring_view text, Bytes& out, DWORD flags = 0, bool* lost = nullptr) {
    out.clear();
    BOOL used = FALSE;
    BOOL* usedDefault = lost && codePage != CP_UTF8 ? &used : nullptr;
    if (!text.empty() && text.size() <= INT_MAX) {
        const int size = static_cast<int>(text.size());
        const int n =
            WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, usedDefault);
        if (n > 0) {
            out.resize(static_cast<std::size_t>(n));
            WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), n, nullptr, nullptr);
        }
    }
    if (lost) *lost = used != FALSE;
}
inline std::string fromWide(UINT codePage, std::wstring_view text, DWORD flags = 0, bool* lost = nullptr) {
    std::string out;
    fromWide(codePage, text, out, flags, lost);
    return out;
}

// A text the system writes into a caller's buffer (a path): `call(buffer, size)` returns the
// length written, or the size it needs when the buffer is too small, or 0 on failure. Asked for
// the size first (with an empty buffer), so that no path is cut short; empty on failure.
template <class Call> std::wstring askedText(Call call) {
    std::wstring out;
    DWORD needed = call(nullptr, 0);
    // The answer may grow in between (another thread changed the directory): ask again.
    for (int attempt = 0; attempt < 4 && needed > 0; ++attempt) {
        out.resize(needed);
        const DWORD n = call(out.data(), needed);
        if (n == 0) break;
        if (n < needed) {
            out.resize(n);
            return out;
        }
        needed = n + 1;
    }
    return {};
}

// The system's words for an error code on one line, without the blanks after them; a "%1" (the
// subject some messages leave open) reads "the file", which the caller's message names.
inline std::wstring systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring out = n && text ? std::wstring(text, n) : std::wstring();
    if (text) LocalFree(text);
    for (auto& c : out)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!out.empty() && out.back() == L' ')
        out.pop_back();
    if (out.empty()) return L"system error " + std::to_wstring(error);
    if (const auto at = out.find(L"%1"); at != std::wstring::npos) out.replace(at, 2, L"the file");
    return out;
}

// Writes `text` to a standard handle: as wide text to a console, else (redirected) as the bytes of
// `codePage`, a character it lacks as "?" and never a look-alike.
inline void writeConsoleText(DWORD which, std::wstring_view text, UINT codePage) {
    HANDLE h = GetStdHandle(which);
    if (!h || h == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(h, &mode)) {
        WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = fromWide(codePage, text, codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS);
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace mw
