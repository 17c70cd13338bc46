// pgp.exe's dialogue with its user: messages and questions on the console (or, redirected,
// in the console's code page), the pass phrase read without echo.
#pragma once
#include "core/SecretText.h"
#include <string>
#include <string_view>
#include <vector>

namespace pgp {

using SecretWideText = mw::BasicSecretString<wchar_t>;

// UTF-8 <-> UTF-16 (the engine speaks UTF-8).
std::wstring fromUtf8(std::string_view text);
std::string toUtf8(std::wstring_view text);
mw::SecretString secretToUtf8(const SecretWideText& text);

class Console {
public:
    // Takes the console's code pages as they are before the engine runs: the engine shares the
    // console and switches it to UTF-8, which would change our redirected bytes and the user's
    // window after we end.
    Console();
    // Gives the console back its code pages.
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;
    // A line of message text on the error stream, where it never mixes with data or a listing.
    void say(std::wstring_view line);
    void sayUtf8(std::string_view line) { say(fromUtf8(line)); }
    // The last lines said, for the outcome a job reads.
    const std::vector<std::wstring>& said() const { return said_; }
    // Text on standard output (the listing, the usage), in the console's code page when redirected.
    void out(std::wstring_view text);
    // UTF-8 text to standard output: its bytes as they are when redirected (a program reads them).
    void outUtf8(std::string_view text);
    // Redirected input has ended: a question asked now has no answer, not an empty one.
    bool inputEnded() const { return inputEnded_; }
    // `utf8` as this console's code page can show it: each character it lacks as "?".
    std::string inCodePage(std::string_view utf8) const;
    // From now on answers and pass phrases come from the console itself, never from standard
    // input: with -f that carries the data.
    void answersFromConsoleOnly();
    // False when answers must come from a console and there is none: nothing can be asked.
    bool canAsk() const { return !consoleOnly_ || consoleIn_ != nullptr; }
    // Asks; true only for an answer starting with y or Y (the default is No).
    bool confirm(std::wstring_view question);
    // Asks for a line of text, echoed.
    std::wstring readLine(std::wstring_view prompt);
    // A console window opened for this program alone (started from a window, not from a prompt or
    // a batch file) closes when it ends: waits for Enter, so that its last lines can be read.
    void keepOwnWindowOpen();
    // Asks for a pass phrase without echo.
    SecretWideText readHidden(std::wstring_view prompt);

private:
    // A line from the console, or from standard input when that is no console (a pipe, a file).
    void readInto(SecretWideText& line, bool echo);
    void write(unsigned long which, std::wstring_view text);
    static constexpr std::size_t kSaidKept = 16;
    std::vector<std::wstring> said_;
    bool inputIsConsole_ = false;
    bool ownWindow_ = false; // the console opened for this program alone
    bool consoleOnly_ = false;
    void* consoleIn_ = nullptr;                       // CONIN$, once answers come from the console only
    unsigned inputCodePage_ = 0, outputCodePage_ = 0; // as found; 0: no console
    bool inputEnded_ = false;
    unsigned inputBytesCodePage_, outputBytesCodePage_; // for redirected bytes
};

} // namespace pgp
