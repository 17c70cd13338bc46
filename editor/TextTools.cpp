// The editor's text tools over its edit control, the Platform and the Interaction seams.
#include "editor/TextTools.h"
#include "core/Errors.h"
#include "editor/core/LineBreaks.h"
#include "core/Platform.h"
#include "core/PrintLayout.h"
#include "core/UnicodeText.h"
#include "editor/core/Quote.h"
#include "win/ControlViews.h"
#include "win/Application.h"
#include "win/Win32Util.h"

namespace editor {

const char* const kTextTooLarge = "Text exceeds memo capacity";

namespace {

mw::FileDialogRequest fileDialog(const char* title, const std::string& fileName, bool save) {
    mw::FileDialogRequest r;
    r.title = title;
    r.filters = {{"All Files", "*.*"}};
    r.fileName = fileName;
    r.hideReadOnly = true;
    r.pathMustExist = true;
    r.fileMustExist = !save;
    r.overwritePrompt = save;
    return r;
}

void setMemoText(HWND memo, const std::string& text) {
    mw::setUnicodeText(memo, text);
}

} // namespace

void reportError(const mw::Context& context, const std::string& text) {
    context.interaction().message(context.application().title(), text, mw::BoxIcon::Error);
}

std::optional<std::string> readTextForMemo(mw::Platform& platform, const std::string& path) {
    auto bytes = platform.readWholeFile(path, kMemoCapacity);
    if (!bytes) return std::nullopt;
    std::string text = mw::toCrLf(mw::textFromBytes(platform, *bytes));
    if (text.size() > kMemoCapacity) return std::nullopt;
    return text;
}

TextTools::TextTools(const mw::Context& context, HWND memo, MemoAppearance appearance)
    : context_(context), memo_(memo), appearance_(std::move(appearance)) {
    // Typing and pasting stop where files are refused.
    mw::Edit(memo_).setLimit(kMemoCapacity);
}

void TextTools::cut() {
    mw::Edit(memo_).cut();
}
void TextTools::copy() {
    mw::Edit(memo_).copy();
}
void TextTools::paste() {
    mw::Edit(memo_).paste();
}
void TextTools::selectAll() {
    mw::Edit(memo_).selectAll();
}

void TextTools::cutMessage() {
    selectAll();
    cut();
}

void TextTools::copyMessage() {
    selectAll();
    copy();
}

void TextTools::pasteMessage() {
    clear();
    paste();
}

void TextTools::clear() {
    setMemoText(memo_, "");
}

void TextTools::quote() {
    const mw::QuotedText quoted = mw::quoteReply(mw::unicodeText(memo_));
    setMemoText(memo_, quoted.text);
    SetFocus(memo_);
    mw::Edit memo(memo_);
    memo.select(static_cast<int>(quoted.caret), static_cast<int>(quoted.caret));
    memo.scrollToCaret();
}

void TextTools::saveText(const std::string& path) {
    context_.platform().writeWholeFile(path, mw::unicodeText(memo_));
}

bool TextTools::loadText(const std::string& path) {
    return loadText(path, {});
}

bool TextTools::loadText(const std::string& path, const std::vector<std::string>& appended) {
    auto text = readTextForMemo(context_.platform(), path);
    if (text && !appended.empty()) {
        *text = mw::appendLines(std::move(*text), appended);
        if (text->size() > kMemoCapacity) text.reset();
    }
    if (!text) {
        reportError(context_, kTextTooLarge);
        return false;
    }
    setMemoText(memo_, *text);
    return true;
}

void TextTools::saveToFile() {
    auto chosen = context_.interaction().saveFile(fileDialog("&Save", lastFileName_, true));
    if (!chosen) return;
    try {
        saveText(*chosen);
    } catch (const mw::IoError&) {
        reportError(context_, "Cannot create file " + *chosen);
        return;
    }
    lastFileName_ = *chosen;
    SetFocus(memo_);
}

void TextTools::openFromFile() {
    auto chosen = context_.interaction().openFile(fileDialog("Open", lastFileName_, false));
    if (!chosen) return;
    try {
        if (!loadText(*chosen)) return;
    } catch (const mw::IoError&) {
        reportError(context_, "Cannot open file " + *chosen);
        return;
    }
    lastFileName_ = *chosen;
    SetFocus(memo_);
}

void TextTools::chooseFont() {
    // Apply changes the text at once; Cancel then keeps what was applied, since the text already
    // shows it, and OK gives the choice.
    auto chosen = context_.interaction().chooseFont(
        appearance_.font(), [this](const mw::FontChoice& font) { appearance_.setFont(font); });
    if (chosen) appearance_.setFont(*chosen);
}

void TextTools::chooseBackground() {
    // Opens on the previous choice of this run, not on what the text shows.
    auto chosen = context_.interaction().chooseColor(lastColor_);
    if (!chosen) return;
    lastColor_ = *chosen;
    appearance_.setBackground(*chosen);
}

std::vector<std::string> TextTools::displayedLines() const {
    // The control counts in UTF-16 units: cut the wide text, then convert each line.
    const std::u16string text = mw::utf8ToUtf16(mw::unicodeText(memo_));
    const mw::Edit memo(memo_);
    const int count = memo.lineCount();
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::size_t start = memo.lineStart(i);
        const std::size_t length = memo.lineLength(start);
        lines.push_back(start < text.size() ? mw::utf16ToUtf8(std::u16string_view(text).substr(start, length))
                                            : std::string());
    }
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

void TextTools::print() {
    auto& app = context_;
    std::unique_ptr<mw::Printer> printer = app.interaction().choosePrinter();
    if (!printer) return;
    const std::vector<std::string> lines = displayedLines();
    printer->startDocument("", appearance_.font());
    try {
        mw::layOutLines(lines, *printer, [&app] { app.platform().processMessages(); });
    } catch (...) {
        printer->abortDocument();
        throw;
    }
    printer->endDocument();
}

} // namespace editor
