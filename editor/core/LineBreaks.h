// Line breaks of text read from files: every kind becomes CR LF, as the edit control wants.
#pragma once
#include <string>
#include <vector>

namespace mw {

// CR LF, a lone LF and a lone CR each become one CR LF; everything else is copied unchanged.
std::string toCrLf(const std::string& text);

// Adds each of `lines` as a line of its own at the end of `text`, as the edit control's line list
// does: after a final line break each goes in with its own break; after a last line without one
// each goes in behind a break, and the text still ends without one.
std::string appendLines(std::string text, const std::vector<std::string>& lines);

} // namespace mw
