// Printing the editor's text: where each piece of every line goes on which page, computed over a
// measuring and drawing surface so that the rules can be checked without a printer.
#pragma once
#include "core/Interaction.h"
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// A page of the printer in its device units, the origin at the top-left corner of the printable
// area, with the document's font selected.
class PrintSurface {
public:
    virtual ~PrintSurface() = default;
    virtual int pageWidth() = 0;
    virtual int pageHeight() = 0;
    virtual int averageCharWidth() = 0;
    // The font's full character height.
    virtual int fontHeight() = 0;
    virtual int textWidth(std::string_view text) = 0;
    virtual int textHeight(std::string_view text) = 0;
    // `text` is UTF-8. How many of its leading bytes, ending with a whole character, fit in
    // `width`; the default searches with textWidth.
    virtual std::size_t fitCount(std::string_view text, int width);
    virtual void drawText(int x, int y, std::string_view text) = 0;
    // Ends the current page and starts the next.
    virtual void newPage() = 0;
};

// A printer chosen in the print dialog. Each document goes startDocument, layout, endDocument.
class Printer : public PrintSurface {
public:
    // Starts a print job of this name with the font selected; throws when the printer refuses.
    virtual void startDocument(const std::string& name, const FontChoice& font) = 0;
    virtual void endDocument() = 0;
    virtual void abortDocument() = 0;
};

// Lays out each line as a tab followed by the line's text, then ends the line:
// - a tab moves x to the next multiple of w = 8 x average character width (the first one to w),
//   ending the line when that passes the page width;
// - a run of text that does not fit is broken between characters and continues at x = 0 on the
//   next line; a single character wider than the page is drawn alone on a line of its own;
// - a line's height is that of its tallest piece plus 2, or the font's height when nothing was
//   drawn on it; the page ends when y passes the page height minus twice the line's height;
// - a form feed starts a new page, a carriage return is ignored.
// A page is only started once something is drawn on it, so no blank page trails the document.
// `betweenLines` runs after each line (the caller keeps its windows answering there).
void layOutLines(const std::vector<std::string>& lines, PrintSurface& surface,
                 const std::function<void()>& betweenLines = {});

} // namespace mw
