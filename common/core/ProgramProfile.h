// Everything that differs between the message editor and the file module, in one value per
// program: titles, the kind of box that reports to the user, the job's files and texts, and what
// each program leaves or removes.
#pragma once
#include "core/Interaction.h"
#include "core/Platform.h"
#include <string>
#include <vector>

namespace mw {

// The programs of the family; the key dialogs and the job runner are told which one they serve.
enum class KeyProgram { Editor, FileModule, KeyManager };

// The product version, from the build (CMake's project version).
extern const char* const kVersion;

// What the setup dialog of a program holds beyond the four PGP paths, and how big it is.
struct SetupParts {
    // The button-bar side and the pass-phrase option: in the dialog and in the settings file,
    // which then also carries the main window's lines.
    bool barAndPassPhrase;
    int clientHeight; // in design pixels
    int saveTop;      // where the "&Save" button sits
};

struct ProgramProfile {
    KeyProgram program;
    std::string executableName; // as the other program starts it
    std::string title;          // the application title: caption of the error box
    std::string mainCaption;    // the main window's caption
    std::string setupCaption;   // the setup dialog's caption
    std::string statusText;     // the main window's status bar (empty: it has none)
    std::string helpFile;       // beside the executable
    std::string htmlHelpFile;   // beside it too: what opens where the help file does not
    // How the help command opens it: with the own directory as working directory (else none),
    // and the show mode.
    bool helpInOwnDirectory;
    ShowMode helpShow;
    std::string signatureName; // the text signature beside the executable (empty: none)
    SetupParts setup;

    // The box in which the program tells the user things (job reports, refused user IDs).
    std::string boxCaption;
    BoxIcon boxIcon = BoxIcon::None;
    // The two pre-checks of every job.
    std::string pgpMissing;
    std::string busy;

    // The job's files, by name, in the PGP directory.
    std::string batchName;
    std::string lockName;
    std::string operationLockText; // the lock file's text while a PGP operation runs
    std::string listingLockText;   // the lock file's text while a key listing runs
    std::string inputName;         // the message handed to PGP (editor)
    std::string plainName;         // PGP's decrypted output (editor)
    std::string armouredName;      // PGP's armoured output (editor)
    std::string listingName;       // where the key listing lands
    std::string staleListingName;  // the leftover listing removed before a listing job
    std::string outcomeName;       // where pgp.exe writes what each run of an operation came to
    bool listingPathsFromCaller;   // the key dialogs take the batch and lock paths from the caller
    bool lockBeforeStaleDelete;    // the lock is written before the stale listing goes
    bool listingTargetAlwaysBare;  // the listing redirected to a bare name in every key dialog
    bool deleteListingAfter;       // the key dialog removes the listing once read
    bool signerQuoted;             // the signer string carries its own double quotes
    // Removed from the PGP directory when the main window closes.
    std::vector<std::string> leftoversAtClose;
};

const ProgramProfile& editorProfile();
const ProgramProfile& fileModuleProfile();
const ProgramProfile& keyManagerProfile();
const ProgramProfile& profileOf(KeyProgram program);

} // namespace mw
