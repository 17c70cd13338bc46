// Line breaks of text read from files: every kind becomes CR LF, as the edit control wants.
#pragma once
#include <string>

namespace mw {

// CR LF, a lone LF and a lone CR each become one CR LF; everything else is copied unchanged.
std::string toCrLf(const std::string& text);

} // namespace mw
