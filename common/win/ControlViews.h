// Typed views of the system's controls the programs use (list box, combo box, edit, status bar):
// their messages, the casts of their parameters and their error values in one place. A view owns
// nothing; the window is the control's.
#pragma once
#include "core/SecretText.h"
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <string_view>

namespace mw {

class ListBox {
public:
    explicit ListBox(HWND hwnd) : hwnd_(hwnd) {}
    HWND handle() const { return hwnd_; }

    int count() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)); }
    // The selected entry, or -1.
    int selected() const {
        const LRESULT i = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
        return i == LB_ERR ? -1 : static_cast<int>(i);
    }
    // -1 selects nothing.
    void select(int index) { SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    // The entry's index, or -1 when the list refused it.
    int add(std::wstring_view text) {
        const std::wstring copy(text);
        const LRESULT i = SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(copy.c_str()));
        return i < 0 ? -1 : static_cast<int>(i);
    }
    // An entry of a list of the ANSI calls (the keys chosen), in the ANSI code page.
    int addAnsi(const std::string& text) {
        const LRESULT i = SendMessageA(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        return i < 0 ? -1 : static_cast<int>(i);
    }
    void remove(int index) { SendMessageW(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(index), 0); }
    void clear() { SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0); }
    // The entry's text, whole; empty for an index the list does not have.
    std::wstring text(int index) const {
        const LRESULT length = SendMessageW(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == LB_ERR) return {};
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT got = SendMessageW(hwnd_, LB_GETTEXT, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(text.data()));
        text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
        return text;
    }
    // The first entry equal to `text` (ignoring case, as the list compares), or -1.
    int find(std::wstring_view text) const {
        const std::wstring copy(text);
        const LRESULT i = SendMessageW(hwnd_, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(copy.c_str()));
        return i == LB_ERR ? -1 : static_cast<int>(i);
    }
    void setData(int index, LPARAM data) {
        SendMessageW(hwnd_, LB_SETITEMDATA, static_cast<WPARAM>(index), data);
    }
    // Where the entry is drawn; false for an index the list does not have.
    bool itemRect(int index, RECT& r) const {
        return SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index),
                            reinterpret_cast<LPARAM>(&r)) != LB_ERR;
    }
    int itemHeight() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETITEMHEIGHT, 0, 0)); }
    void setItemHeight(int pixels) { SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, MAKELPARAM(pixels, 0)); }
    // Off while many entries change, so that each does not repaint.
    void setRedraw(bool on) { SendMessageW(hwnd_, WM_SETREDRAW, on ? TRUE : FALSE, 0); }

private:
    HWND hwnd_;
};

// A drop-down list of ANSI texts (the drives, the font dialog's colours).
class ComboBox {
public:
    explicit ComboBox(HWND hwnd) : hwnd_(hwnd) {}
    HWND handle() const { return hwnd_; }

    void add(const std::string& text) {
        SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // The selected entry, or -1.
    int selected() const {
        const LRESULT i = SendMessageA(hwnd_, CB_GETCURSEL, 0, 0);
        return i == CB_ERR ? -1 : static_cast<int>(i);
    }
    // -1 selects nothing.
    void select(int index) { SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    // The first entry equal to `text` (ignoring case), or -1.
    int find(const std::string& text) const {
        const LRESULT i = SendMessageA(hwnd_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text.c_str()));
        return i == CB_ERR ? -1 : static_cast<int>(i);
    }
    LPARAM data(int index) const {
        return SendMessageA(hwnd_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    }
    std::string text(int index) const {
        const LRESULT length = SendMessageA(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == CB_ERR) return {};
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        const LRESULT got = SendMessageA(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(text.data()));
        text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
        return text;
    }

private:
    HWND hwnd_;
};

// An edit control, single- or multi-line.
class Edit {
public:
    explicit Edit(HWND hwnd) : hwnd_(hwnd) {}
    HWND handle() const { return hwnd_; }

    // At most `characters` may be typed or pasted; 0 is the system's largest.
    void setLimit(std::size_t characters) { SendMessageW(hwnd_, EM_SETLIMITTEXT, characters, 0); }
    // From `start` to `end` (-1 for the end of the text).
    void select(int start, int end) { SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), end); }
    void selectAll() { select(0, -1); }
    void scrollToCaret() { SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0); }
    void replaceSelection(const wchar_t* text, bool undoable) {
        SendMessageW(hwnd_, EM_REPLACESEL, undoable ? TRUE : FALSE, reinterpret_cast<LPARAM>(text));
    }
    void emptyUndo() { SendMessageW(hwnd_, EM_EMPTYUNDOBUFFER, 0, 0); }
    void setPasswordChar(wchar_t c) { SendMessageW(hwnd_, EM_SETPASSWORDCHAR, c, 0); }
    void cut() { SendMessageW(hwnd_, WM_CUT, 0, 0); }
    void copy() { SendMessageW(hwnd_, WM_COPY, 0, 0); }
    void paste() { SendMessageW(hwnd_, WM_PASTE, 0, 0); }
    // Lines as the control wraps them: their number, where each begins, how long it is.
    int lineCount() const { return static_cast<int>(SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0)); }
    std::size_t lineStart(int line) const {
        return static_cast<std::size_t>(SendMessageW(hwnd_, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
    }
    std::size_t lineLength(std::size_t start) const {
        return static_cast<std::size_t>(SendMessageW(hwnd_, EM_LINELENGTH, start, 0));
    }
    // The text as the control keeps it (UTF-16), read into storage overwritten when released.
    SecretWide secretText() const {
        const int length = GetWindowTextLengthW(hwnd_);
        if (length <= 0) return {};
        SecretWide wide(static_cast<std::size_t>(length) + 1, u'\0');
        const int got = GetWindowTextW(hwnd_, reinterpret_cast<wchar_t*>(wide.data()), length + 1);
        wide.resize(static_cast<std::size_t>(got > 0 ? got : 0));
        return wide;
    }
    // Overwrites the control's storage of a secret before emptying it: its buffer, grown to
    // `limit` characters and filled, then the undo storage, which would keep the deleted text.
    void wipe(std::size_t limit) {
        emptyUndo();
        const std::wstring filler(limit + 1, L'\x2022');
        SetWindowTextW(hwnd_, filler.c_str());
        selectAll();
        replaceSelection(L"", true);
        emptyUndo();
        SetWindowTextW(hwnd_, L"");
    }

private:
    HWND hwnd_;
};

// A status bar of one part that spans its width.
class StatusBar {
public:
    explicit StatusBar(HWND hwnd) : hwnd_(hwnd) {}
    HWND handle() const { return hwnd_; }

    // One part to the right edge, its bounds worked out for the bar's width as it is now.
    void spanOnePart() {
        int whole = -1;
        SendMessageW(hwnd_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&whole));
    }
    // A leading tab centres the text.
    void setText(const std::wstring& text) {
        SendMessageW(hwnd_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

private:
    HWND hwnd_;
};

// Gives a window the font it draws its text with; `redraw` repaints it at once.
inline void setFont(HWND window, HFONT font, bool redraw) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

} // namespace mw
