// The print layout: tab stops, breaking at the page width, line heights and page ends.
#include "core/PrintLayout.h"
#include "core/UnicodeText.h"
#include <algorithm>

namespace mw {

std::size_t PrintSurface::fitCount(std::string_view text, int width) {
    // Widths of leading parts only grow with their length: search for the longest that fits,
    // among the ends of whole characters of the UTF-8 text.
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < text.size();)
        ends.push_back(i += firstCharacterLength(text.substr(i)));
    std::size_t lo = 0, hi = ends.size(); // how many characters
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo + 1) / 2;
        if (textWidth(text.substr(0, ends[mid - 1])) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo == 0 ? 0 : ends[lo - 1];
}

namespace {

class Layout {
public:
    explicit Layout(PrintSurface& s)
        : s_(s), pageWidth_(s.pageWidth()), pageHeight_(s.pageHeight()), fontHeight_(s.fontHeight()),
          tab_(std::max(1, 8 * s.averageCharWidth())) {}

    void line(std::string_view text) {
        std::size_t i = 0;
        while (i < text.size()) {
            const char c = text[i];
            if (c == '\t') {
                x_ = ((x_ + 1) / tab_ + 1) * tab_;
                if (x_ > pageWidth_) endLine();
                ++i;
            } else if (c == '\f') {
                breakPage();
                ++i;
            } else if (c == '\r') {
                ++i;
            } else {
                const std::size_t end = text.find_first_of("\t\f\r", i);
                const std::size_t stop = end == std::string_view::npos ? text.size() : end;
                run(text.substr(i, stop - i));
                i = stop;
            }
        }
        endLine();
    }

private:
    void run(std::string_view text) {
        while (!text.empty()) {
            const int room = pageWidth_ - x_;
            if (s_.textWidth(text) <= room) {
                draw(text);
                return;
            }
            // Never between the bytes of one character.
            std::size_t n = room > 0 ? characterBoundaryAtOrBefore(text, s_.fitCount(text, room)) : 0;
            if (n == 0) {
                if (x_ > 0) {
                    endLine(); // try again from the left edge
                    continue;
                }
                n = firstCharacterLength(text); // wider than the page: drawn alone rather than lost
            }
            draw(text.substr(0, n));
            text.remove_prefix(n);
            if (!text.empty()) endLine();
        }
    }

    void draw(std::string_view text) {
        if (pagePending_) {
            s_.newPage();
            pagePending_ = false;
        }
        s_.drawText(x_, y_, text);
        x_ += s_.textWidth(text);
        h_ = std::max(h_, s_.textHeight(text) + 2);
    }

    void endLine() {
        x_ = 0;
        y_ += h_ > 0 ? h_ : fontHeight_;
        const bool full = y_ > pageHeight_ - 2 * h_;
        h_ = 0;
        if (full) breakPage();
    }

    void breakPage() {
        // A page already waiting to start stays empty only when a form feed asked for it.
        if (pagePending_) s_.newPage();
        pagePending_ = true;
        x_ = y_ = h_ = 0;
    }

    PrintSurface& s_;
    const int pageWidth_, pageHeight_, fontHeight_, tab_;
    int x_ = 0, y_ = 0, h_ = 0;
    bool pagePending_ = false;
};

} // namespace

void layOutLines(const std::vector<std::string>& lines, PrintSurface& surface,
                 const std::function<void()>& betweenLines) {
    Layout layout(surface);
    for (const auto& line : lines) {
        layout.line("\t" + line);
        if (betweenLines) betweenLines();
    }
}

} // namespace mw
