// What the editor's text tools do to the message text: clipboard commands, Clear, Quote, files,
// font, background colour and printing. The main window's handlers forward here.
#pragma once
#include "core/Interaction.h"
#include "win/Context.h"
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace editor {

// The most characters the message text holds, whichever way they come in. Files, PGP's output
// and the clipboard of real messages stay far below; a limit keeps a wrong choice of file from
// freezing the editor for minutes while the control lays out gigabytes. The control counts UTF-16
// units, files their bytes: a file of non-ASCII text is refused a little before the control is full.
constexpr std::uint64_t kMemoCapacity = 64ull << 20;
extern const char* const kTextTooLarge;

// The main window's side of the text's appearance.
struct MemoAppearance {
    std::function<mw::FontChoice()> font;
    std::function<void(const mw::FontChoice&)> setFont;
    std::function<void(std::uint32_t)> setBackground;
};

class TextTools {
public:
    TextTools(const mw::Context& context, HWND memo, MemoAppearance appearance);

    void cut();
    void copy();
    void paste();
    void selectAll();
    void cutMessage();
    void copyMessage();
    void pasteMessage();
    void clear();
    void quote();
    void openFromFile();
    void saveToFile();
    void chooseFont();
    void chooseBackground();
    void print();

    // The text written to `path` exactly as Save To File writes it. Throws IoError.
    void saveText(const std::string& path);
    // The text replaced by the file's content as Open From File reads it; false (after telling
    // the user) when the file is too large, the text then unchanged. Throws IoError.
    bool loadText(const std::string& path);
    // Like loadText, with `appended` added as lines at the end, in one replacement of the text.
    bool loadText(const std::string& path, const std::vector<std::string>& appended);

    // The lines as the text area shows them (wrapped), without the empty line after a final
    // line break.
    std::vector<std::string> displayedLines() const;

    const std::string& lastFileName() const { return lastFileName_; }

private:
    const mw::Context& context_;
    HWND memo_;
    MemoAppearance appearance_;
    std::string lastFileName_; // shared by the open and the save dialog
    std::uint32_t lastColor_ = 0;
};

// Reads a text file for an edit control, as UTF-8: by its byte-order mark, else as UTF-8 when its
// bytes are that, else in the ANSI code page (older programs' files, an old PGP's output); line
// breaks made CR LF; nullopt when larger than kMemoCapacity bytes. Throws IoError.
std::optional<std::string> readTextForMemo(mw::Platform& platform, const std::string& path);

// Reports in the standard error box, as a failed handler does.
void reportError(const mw::Context& context, const std::string& text);

} // namespace editor
