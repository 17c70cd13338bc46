// The PGP job runner: lock file, batch file, launch, wait, pick-up and clean-up, the same
// protocol for every caller with the caller's values.
#pragma once
#include "Platform.h"
#include <functional>
#include <string>

namespace mw {

class Interaction;

// How a job's wait ended.
enum class JobEnd {
    Finished,    // the batch file deleted the lock file (or someone removed it by hand)
    NotStarted,  // the batch file could not be launched
    EndedEarly,  // its process ended while the lock file still existed
    Refused,     // a pre-check or a value check stopped the job before anything ran
};

// The key listing job of the key dialogs (no pre-checks, hidden window, PGP directory as working
// directory). The differences between the two programs are parameters.
struct KeyListingJob {
    std::string pgpExe;         // pgp.exe path
    std::string pgpDir;         // PGP directory, ends with a backslash
    std::string batchFile;      // full path of the batch file
    std::string lockFile;       // full path of the lock file
    std::string keyRing;        // key ring to list
    std::string listingTarget;  // redirection target as written after " > " (a bare name or a full path)
    std::string staleListing;   // full path of a leftover listing, deleted before the job
    bool lockBeforeStaleDelete; // file module: lock written first, then the stale listing deleted
};

class JobRunner {
public:
    JobRunner(Platform& platform, Interaction& interaction);

    // Runs the key listing job to its end; after it returns the listing file (if PGP wrote one)
    // is in place. Throws IoError when the lock or batch file cannot be written.
    JobEnd runKeyListing(const KeyListingJob& job);

private:
    Platform& platform_;
    Interaction& interaction_;
};

} // namespace mw
