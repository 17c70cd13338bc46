// What a PGP job came to, in words for the user: read from the outcome file that pgp.exe writes
// where the job's environment (PGPOUTCOME) tells it, one record per run of pgp.exe.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// The environment variable that names the outcome file to pgp.exe.
inline constexpr const char* kOutcomeVariable = "PGPOUTCOME";

// One run of pgp.exe: its exit status, its one-line summary of success, and the last lines it
// said (the reason of a failure), in UTF-8.
struct OutcomeRecord {
    int status = -1;
    std::string summary;
    std::vector<std::string> said;
};

// The records of the file's text: "status N", "summary TEXT" and "said TEXT" lines, each record
// closed by "end". A record cut short (pgp.exe ended half-way) is dropped.
std::vector<OutcomeRecord> parseOutcomes(std::string_view text);

// The record written for one run: the same form parseOutcomes reads, CR LF line ends. Line
// breaks inside a text become separate "said" lines.
std::string formatOutcome(const OutcomeRecord& record);

// What the program shows: good news as a line in its status bar, bad news in a box; nothing when
// the text is empty.
struct OutcomeNotice {
    std::string text;
    bool bad = false;
};

// `records`: nullopt when no outcome file was written (a PGP that writes none). `outputMissing`:
// the job picks up an output and none came (the editor's operations); said only when PGP gave no
// outcome of its own. `shiftShowsWhy`: the job's console stays open when its button is clicked with
// Shift held (Decrypt), which the words then suggest.
OutcomeNotice noticeOf(const std::optional<std::vector<OutcomeRecord>>& records, bool outputMissing,
                       bool shiftShowsWhy = false);

} // namespace mw
