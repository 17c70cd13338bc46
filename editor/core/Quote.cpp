// The reply frame of Quote.
#include "editor/core/Quote.h"

namespace mw {

QuotedText quoteReply(const std::string& text) {
    std::string body = text;
    const bool endsWithBreak = body.size() >= 2 && body.compare(body.size() - 2, 2, "\r\n") == 0;
    if (!body.empty() && !endsWithBreak) body += "\r\n";
    body += "\r\n-------- REPLY, End of original message --------\r\n";
    QuotedText out;
    out.text = "\r\n\r\n\r\n-------- REPLY, Original message follows --------\r\n" + body;
    // Start of the second of the three empty lines: where the reply is typed.
    out.caret = 2;
    return out;
}

} // namespace mw
