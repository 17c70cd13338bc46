// PGP's key listing as the key dialogs use it: which lines carry user IDs, in what order they are
// shown, and the files and redirections of the listing job in either program.
#pragma once
#include "core/Interaction.h"
#include "core/JobRunner.h"
#include "core/Platform.h"
#include "core/ProgramProfile.h"
#include <string>
#include <string_view>
#include <vector>

namespace mw {

enum class KeyRing { Public, Secret };

// The user IDs of a listing in PGP 2.6's fixed layout: three header lines, then one line per user
// ID with the ID from column 31 on. Shorter lines and lines whose column 32 is "*" carry none.
// Entries are kept byte for byte: never trimmed, never de-duplicated.
std::vector<std::string> parseKeyListing(const std::vector<std::string>& lines);
// The same from the listing file's bytes as read in one block; CR LF or LF ends a line.
std::vector<std::string> parseKeyListing(std::string_view bytes);

// Alphabetical in the system's collation without regard to case (Platform::appendSortKey), as the
// platform's sorted list box orders; IDs the collation holds equal still have a fixed order (ASCII
// letters folded, then byte order: upper case first), so the order never depends on the order PGP
// listed them in. sortUserIds computes each ID's key once.
bool userIdLess(const std::string& a, const std::string& b, Platform& platform);
void sortUserIds(std::vector<std::string>& userIds, Platform& platform);

// Where the paths of one showing come from. The editor gives the setup dialog's values and leaves
// the batch and lock paths empty (the dialog builds its own); the file module gives its main
// window's pgp.exe, batch and lock paths.
struct KeyListingSources {
    std::string pgpExe;
    std::string pgpDir; // ends with a backslash
    std::string batchFile;
    std::string lockFile;
    std::string publicRing;
    std::string secretRing;
};

// Everything one showing does with files: the job, the listing it reads, and whether it removes
// the listing afterwards (the editor leaves it for the operation's clean-up).
struct KeyListingPlan {
    KeyListingJob job;
    std::string listingFile;
    bool deleteListingAfter = false;
};

KeyListingPlan planKeyListing(KeyProgram program, KeyRing ring, const KeyListingSources& sources);

// After the job: the sorted user IDs of the listing, which is then removed if the plan says so.
// Throws IoError when the listing cannot be opened or read; the listing then stays.
std::vector<std::string> readKeyListing(Platform& platform, const KeyListingPlan& plan);

// The whole work of one showing: the listing job through the runner, then the listing read.
// Nothing is read when the job did not finish: the runner has told the user why and removed what
// PGP may have half written. `finished` says whether the job ran to its end (an empty ring then
// lists nothing). A job that leaves no listing at all is run once more, then told in a box.
// Throws IoError as the runner and readKeyListing do.
std::vector<std::string> listKeyRing(Platform& platform, Interaction& interaction, KeyProgram program,
                                     KeyRing ring, const KeyListingSources& sources,
                                     bool* finished = nullptr);

} // namespace mw
