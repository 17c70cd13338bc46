// Printing through GDI: one document per job, the editor's font scaled to the printer.
#include "win/Win32Printer.h"
#include "core/UnicodeText.h"
#include <stdexcept>

namespace mw {

Win32Printer::Win32Printer(HDC dc) : dc_(dc) {}

Win32Printer::~Win32Printer() {
    if (started_) AbortDoc(dc_);
    DeleteDC(dc_);
}

void Win32Printer::prepareDC() {
    // Some drivers reset the device context at every page.
    SelectObject(dc_, font_.get());
    SetTextColor(dc_, color_);
    SetBkMode(dc_, TRANSPARENT);
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

void Win32Printer::startDocument(const std::string& name, const FontChoice& font) {
    LOGFONTA lf{};
    lstrcpynA(lf.lfFaceName, font.name.c_str(), LF_FACESIZE);
    lf.lfHeight = -MulDiv(font.sizePoints, GetDeviceCaps(dc_, LOGPIXELSY), 72);
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.italic;
    lf.lfUnderline = font.underline;
    lf.lfStrikeOut = font.strikeOut;
    lf.lfCharSet = DEFAULT_CHARSET;
    font_.reset(CreateFontIndirectA(&lf));
    color_ = font.color;
    prepareDC();
    GetTextMetricsA(dc_, &metrics_);

    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = name.c_str();
    if (StartDocA(dc_, &doc) <= 0)
        throw std::runtime_error("The printer did not accept the print job: " + errorText(GetLastError()));
    started_ = true;
    StartPage(dc_);
    prepareDC();
}

void Win32Printer::endDocument() {
    EndPage(dc_);
    EndDoc(dc_);
    started_ = false;
}

void Win32Printer::abortDocument() {
    if (started_) AbortDoc(dc_);
    started_ = false;
}

void Win32Printer::newPage() {
    EndPage(dc_);
    StartPage(dc_);
    prepareDC();
}

int Win32Printer::pageWidth() {
    return GetDeviceCaps(dc_, HORZRES);
}
int Win32Printer::pageHeight() {
    return GetDeviceCaps(dc_, VERTRES);
}
int Win32Printer::averageCharWidth() {
    return metrics_.tmAveCharWidth;
}
int Win32Printer::fontHeight() {
    return metrics_.tmHeight;
}

namespace {
// The editor's text is UTF-8: measured and drawn with the wide calls, so every character prints.
std::wstring wide(std::string_view utf8) {
    const std::u16string w = utf8ToUtf16(utf8);
    return std::wstring(w.begin(), w.end());
}
} // namespace

SIZE Win32Printer::extent(std::string_view text) {
    SIZE size{};
    const std::wstring w = wide(text);
    GetTextExtentPoint32W(dc_, w.data(), static_cast<int>(w.size()), &size);
    return size;
}

int Win32Printer::textWidth(std::string_view text) {
    return extent(text).cx;
}
int Win32Printer::textHeight(std::string_view text) {
    return text.empty() ? 0 : extent(text).cy;
}

std::size_t Win32Printer::fitCount(std::string_view text, int width) {
    INT fit = 0;
    SIZE size{};
    const std::wstring w = wide(text);
    if (!GetTextExtentExPointW(dc_, w.data(), static_cast<int>(w.size()), width, &fit, nullptr, &size))
        return PrintSurface::fitCount(text, width);
    // The system counts UTF-16 units; the layout counts bytes of whole characters.
    return utf8PrefixOfUtf16Units(text, static_cast<std::size_t>(fit));
}

void Win32Printer::drawText(int x, int y, std::string_view text) {
    const std::wstring w = wide(text);
    TextOutW(dc_, x, y, w.data(), static_cast<int>(w.size()));
}

} // namespace mw
