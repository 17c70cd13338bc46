// Small owning wrappers for Win32 handles and a few text helpers used by every window.
#pragma once
#include "win/Handles.h"
#include <windows.h>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mw {

struct GdiFree {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct MenuFree {
    void operator()(HMENU h) const { DestroyMenu(h); }
};
struct AcceleratorsFree {
    void operator()(HACCEL h) const { DestroyAcceleratorTable(h); }
};

// A GDI object (font, brush, pen, bitmap).
template <typename T> using UniqueGdi = UniqueOwned<T, GdiFree>;
// A menu that is attached to no window (a popup shown on demand).
using UniqueMenu = UniqueOwned<HMENU, MenuFree>;
using UniqueAccelerators = UniqueOwned<HACCEL, AcceleratorsFree>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniquePen = UniqueGdi<HPEN>;
using UniqueBitmap = UniqueGdi<HBITMAP>;

// Selects an object into a DC for the scope and restores the previous one.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect() { SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's (or the screen's, for null) device context, released at scope end.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A screen-compatible memory DC, released at scope end.
class MemoryDC {
public:
    explicit MemoryDC(HDC reference = nullptr) : dc_(CreateCompatibleDC(reference)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// BeginPaint and EndPaint around a WM_PAINT handler's drawing.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(hwnd_, &ps_); }
    HDC dc() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A WM_CTLCOLOR* answer for a control drawn in `text` on `background`: sets both into the
// control's DC and gives `brush` (of the background colour) for the rest of it.
HBRUSH colourControl(HDC dc, COLORREF text, COLORREF background, HBRUSH brush);

// The system's wording for an error code, without the trailing line break.
std::string errorText(DWORD code);

// A failed system call, with what was being done and the system's reason.
class SystemError : public std::runtime_error {
public:
    SystemError(const std::string& what, DWORD code);
    DWORD code() const { return code_; }

private:
    DWORD code_;
};
// Throws SystemError for GetLastError().
[[noreturn]] void throwLastError(const std::string& what);

// Makes `window` the active window again after a job whose console held the foreground, so that
// typing goes on where it stopped. Another program the user turned to meanwhile keeps it.
void takeActivationBack(HWND window);

// The font a window draws its text with (WM_GETFONT); null for the system's.
inline HFONT fontOf(HWND window) {
    return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
}

// A font as the programs ask for one: the face, its character height in pixels and the rest
// named; every other field as the system's defaults have it.
struct FontRequest {
    std::string face = "MS Sans Serif";
    int pixels = 11; // character height (8 points at 96 DPI)
    bool bold = false, italic = false, underline = false, strikeOut = false;
    BYTE pitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    BYTE quality = DEFAULT_QUALITY;
};
HFONT createFont(const FontRequest& font);
// The character height in pixels of a size in points at `dpi`.
inline int pointsToPixels(int points, int dpi) {
    return MulDiv(points, dpi, 72);
}

// Whether the system gave `font` the face it was asked for (not a stand-in for a missing one).
bool fontHasFace(HFONT font, const std::string& face);

// Vertical pixels per logical inch of the screen.
int screenDpi();

// Paths the system writes into a caller's buffer, asked for their length first, so that no path
// is cut short: the running module's file name and the short form of an existing path (empty
// when the system cannot give one).
std::string moduleFileName(HMODULE module = nullptr);
std::string shortPathName(const std::string& path);

std::string windowText(HWND hwnd);
void setWindowText(HWND hwnd, const std::string& text);
// The text of a window created with the wide calls (the editor's message and signature), as UTF-8:
// nothing of it passes through the ANSI code page.
std::string unicodeText(HWND hwnd);
void setUnicodeText(HWND hwnd, const std::string& utf8);

// A UTF-8 path for the wide calls.
std::wstring widePath(const std::string& utf8);
std::string utf8Path(std::wstring_view wide);
// A UTF-8 path of an existing file or folder as the ANSI calls take it: itself when the ANSI code
// page holds every character, else its short form; empty when neither can name it.
std::string ansiPath(const std::string& utf8);
// UTF-8 text for the ANSI calls (message boxes): "?" for what the code page lacks.
std::string ansiText(const std::string& utf8);
// An ANSI path (settings, the key rings' folder) as UTF-8.
std::string utf8FromAnsi(const std::string& ansi);

} // namespace mw
