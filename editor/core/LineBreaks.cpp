// Line-break normalisation in one pass over the text.
#include "editor/core/LineBreaks.h"

namespace mw {

std::string toCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    const std::size_t n = text.size();
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') continue;
        out.append(text, start, i - start);
        out += "\r\n";
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    out.append(text, start, n - start);
    return out;
}

std::string appendLines(std::string text, const std::vector<std::string>& lines) {
    const bool open = text.empty() || (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
    for (const auto& line : lines)
        text += open ? line + "\r\n" : "\r\n" + line;
    return text;
}

} // namespace mw
