// The outcome file's records and the words the programs show for them.
#include "core/JobOutcome.h"

namespace mw {

namespace {

// The last lines said are the reason; the earlier ones are the questions and notes before it.
constexpr std::size_t kReasonLines = 6;

} // namespace

std::vector<OutcomeRecord> parseOutcomes(std::string_view text) {
    std::vector<OutcomeRecord> records;
    std::optional<OutcomeRecord> open;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t space = line.find(' ');
        const std::string_view word = line.substr(0, space);
        const std::string_view rest =
            space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        if (word == "status") {
            open.emplace();
            open->status = 0;
            for (char c : rest) {
                if (c < '0' || c > '9' || open->status > 1000) {
                    open.reset();
                    break;
                }
                open->status = open->status * 10 + (c - '0');
            }
            if (open && rest.empty()) open.reset();
        } else if (open && word == "summary") {
            open->summary = rest;
        } else if (open && word == "said") {
            open->said.emplace_back(rest);
        } else if (open && word == "end") {
            records.push_back(std::move(*open));
            open.reset();
        }
    }
    return records;
}

std::string formatOutcome(const OutcomeRecord& record) {
    std::string out = "status " + std::to_string(record.status) + "\r\n";
    auto lines = [&out](const char* word, const std::string& text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos) end = text.size();
            if (end > start) out += std::string(word) + " " + text.substr(start, end - start) + "\r\n";
            start = end + 1;
        }
    };
    lines("summary", record.summary);
    for (const auto& line : record.said)
        lines("said", line);
    return out + "end\r\n";
}

OutcomeNotice noticeOf(const std::optional<std::vector<OutcomeRecord>>& records, bool outputMissing,
                       bool shiftShowsWhy) {
    if (!records || records->empty()) {
        if (outputMissing)
            return {std::string("PGP produced no output, and it did not say why.") +
                        (shiftShowsWhy ? " To read what PGP says, hold down Shift as you click Decrypt: its "
                                         "console window then stays open until you press a key."
                                       : ""),
                    true};
        return {}; // nothing to say: the output speaks for itself
    }
    // A job may run PGP more than once: the first failure is the news.
    for (const OutcomeRecord& r : *records) {
        if (r.status == 0) continue;
        std::string text = "PGP could not do it (exit status " + std::to_string(r.status) + ").";
        if (r.status == 30) text = "BAD or unverified signature: do not trust this message's signature.";
        const std::size_t from = r.said.size() > kReasonLines ? r.said.size() - kReasonLines : 0;
        for (std::size_t i = from; i < r.said.size(); ++i)
            text += "\n" + r.said[i];
        if (!r.summary.empty()) text += "\n" + r.summary;
        return {text, true};
    }
    std::string text;
    for (const OutcomeRecord& r : *records)
        if (!r.summary.empty()) text += (text.empty() ? "" : " ") + r.summary;
    if (text.empty()) text = "PGP has finished.";
    return {text, false};
}

} // namespace mw
