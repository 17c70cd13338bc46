// The reply frame that Quote puts around the editor's text.
#pragma once
#include <cstddef>
#include <string>

namespace mw {

struct QuotedText {
    std::string text;
    std::size_t caret; // where the caret stands afterwards, as a character offset
};

// Frames `text` (CR LF line breaks) between the two banner lines and puts three empty lines in
// front; the quoted lines themselves are left as they are.
QuotedText quoteReply(const std::string& text);

} // namespace mw
