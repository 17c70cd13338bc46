// The PGP job runner: lock file, batch file, launch, wait, pick-up and clean-up, the same
// protocol for every caller with the caller's values.
#pragma once
#include "core/CommandLines.h"
#include "core/Interaction.h"
#include "core/JobOutcome.h"
#include "core/Platform.h"
#include "core/ProgramProfile.h"
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// How a job's wait ended.
enum class JobEnd {
    Finished,   // the batch file deleted the lock file (or someone removed it by hand)
    NotStarted, // the batch file could not be launched
    EndedEarly, // its process ended while the lock file still existed
    Refused,    // a pre-check or a value check stopped the job before anything ran
    Failed,     // it ran to its end and PGP said it could not do it (told in a box)
};

// The key listing job of the key dialogs (no pre-checks, hidden window, PGP directory as working
// directory). The paths are parameters; the order of steps and the texts come from the program,
// which every caller names: no program is assumed.
struct KeyListingJob {
    explicit KeyListingJob(KeyProgram whose) : program(whose) {}

    std::string pgpExe;        // pgp.exe path
    std::string pgpDir;        // PGP directory, ends with a backslash
    std::string batchFile;     // full path of the batch file
    std::string lockFile;      // full path of the lock file
    std::string keyRing;       // key ring to list
    std::string listingTarget; // redirection target as written after " > " (a bare name or a full path)
    std::string staleListing;  // full path of a leftover listing, deleted before the job
    KeyProgram program;
};

// A job's paths as the runner computed them from the setup dialog.
struct JobPaths {
    std::string pgpExe, pgpDir, batchFile, lockFile;
};

// What a main window keeps of its jobs, under the names every program of the family uses: the
// paths recomputed at the start of each job, the key dialogs' last choices (kept for the whole
// run), the key preview's Shift flag (read by Decrypt) and the short forms of the file module's
// batch lines.
struct JobState {
    std::string PGPExe, PGPDir, BatchFile, LockFile;
    std::string Recipients; // each chosen user ID quoted and followed by one blank
    std::string Signer;     // quoted where the program's profile says so
    bool ShiftFlag = false; // the last key-down in the window was Shift alone
    std::string ShortName, ToolShortName;

    void takePaths(const JobPaths& paths) {
        PGPExe = paths.pgpExe;
        PGPDir = paths.pgpDir;
        BatchFile = paths.batchFile;
        LockFile = paths.lockFile;
    }
};

// What an editor operation hands the runner once its dialogs have run.
struct EditorJobValues {
    std::string recipients;    // quoted user IDs, each followed by a blank
    std::string signer;        // quoted user ID, or empty when none was ever chosen
    bool passPhraseOn = false; // the setup's pass-phrase storing
    SecretString passPhrase;   // the stored pass phrase
    bool shift = false;        // `ShiftFlag` is "shift"
};

// One message operation of the editor. The runner does steps 1-12 itself; the callbacks are
// the operation's own parts, each optional.
struct EditorJob {
    EditorOperation operation = EditorOperation::Encrypt;
    std::string pgpExe; // setup dialog's pgp.exe path
    std::string pgpDir; // setup dialog's PGP directory, ends with a backslash
    std::function<void(const JobPaths&)> setPaths;
    std::function<void()> showSetup;         // after the missing-pgp message
    std::function<void()> promptsBeforeLock; // the key dialogs
    // After them: true when a dialog ended the operation (the user cancelled it, or it offered a
    // first key); nothing more is said or done.
    std::function<bool()> abandoned;
    std::function<void()> promptsAfterLock;  // the stored-pass-phrase dialog
    std::function<EditorJobValues()> values; // read after each group of prompts
    // Writes the message text to the given input file; throws IoError on failure.
    std::function<void(const std::string& inputFile)> saveInput;
    // Called with the output file when the job finished and PGP wrote one.
    std::function<void(const std::string& outputFile)> pickUp;
    // Shows the good news of a finished job in one line (the status bar); bad news is a box.
    std::function<void(const std::string& text)> announce;
};

// What a file module operation hands the runner once its dialogs have run.
struct FileJobValues {
    std::string recipients; // quoted user IDs, each followed by a blank
    std::string signer;     // the bare user ID
};

// One PGP operation of the file module on the selected file (the caller has checked that a file
// is selected).
struct FileJob {
    FileOperation operation = FileOperation::Encrypt;
    std::string pgpExe;
    std::string pgpDir;
    std::string selectedFile;     // full path
    std::string workingDirectory; // the directory shown in the browser
    bool shift = false;           // `ShiftFlag`
    std::function<void(const JobPaths&)> setPaths;
    std::function<void()> showSetup;
    std::function<void()> promptsBeforeLock;
    std::function<bool()> abandoned; // as the editor's
    std::function<FileJobValues()> values;
    std::function<void()> refresh;                         // re-reads the file pane when the job has ended
    std::function<void(const std::string&)> setShortName;  // the window's `ShortName`
    std::function<void(const std::string& text)> announce; // as the editor's
};

// One job of the key manager: its pgp.exe lines, run hidden, with `answers` (the replies to
// pgp.exe's questions, maybe a pass phrase) on standard input through a pipe, never in a file.
struct KeyJob {
    std::string pgpExe;
    std::function<void()> showSetup; // after the missing-pgp message
    std::string pgpDir;              // ends with a backslash; the job's working directory
    std::string batchFile;
    std::string lockFile;
    std::vector<std::string> lines;
    SecretString answers;
};

// Texts of the two ways a job can end without finishing.
struct JobEndTexts {
    std::string notStarted; // followed by the system's reason
    std::string endedEarly;
};
// Those of the PGP jobs.
extern const JobEndTexts kPgpJobTexts;

class JobRunner {
public:
    JobRunner(Platform& platform, Interaction& interaction);

    // Runs the key listing job to its end; after it returns the listing file (if PGP wrote one)
    // is in place. Failed, the listing removed, when PGP said it could not list the ring. Throws
    // IoError when the lock or batch file cannot be written.
    JobEnd runKeyListing(const KeyListingJob& job);

    // The editor's message operations and the file module's PGP operations, pre-checks to
    // clean-up. Throw IoError when the lock, batch or input file cannot be written; the lock
    // file written by the job is removed first, so later jobs are not refused as busy.
    JobEnd runEditorOperation(const EditorJob& job);
    JobEnd runFileOperation(const FileJob& job);

    // A job of the caller's own batch lines (the file module's Scorch), after the caller's own
    // checks: the lock written atomically (busy when it is there), the batch file, the launch
    // and the wait, with the rules of every job for a launch that fails or a batch that ends
    // early. Throws IoError as the operations do.
    // `texts` say what the job is when it cannot start or ends early.
    JobEnd runOwnBatch(KeyProgram program, const std::string& lockFile, const std::string& batchFile,
                       const std::vector<std::string>& lines, const std::string& directory, ShowMode mode,
                       const JobEndTexts& texts);

    // The key manager's jobs: lock, batch file, launch with the answers, wait, and what pgp.exe said
    // it came to in `notice` (set when the job finished). Throws IoError as the operations do.
    JobEnd runKeyJob(const KeyJob& job, std::optional<OutcomeNotice>& notice);

    // The wait of every job: handles all pending messages, then tests the lock file, blocking in
    // between on messages, the batch process and changes in the lock file's directory. Ends when
    // the lock file is gone (Finished) or the process has ended while it remains (EndedEarly).
    JobEnd waitForLock(const std::string& lockFile, std::uintptr_t process);

    // Longest batch line written; cmd.exe reads at most 8,191 characters of one.
    static constexpr std::size_t kMaxBatchLine = 8000;
    // Longest short form of the selected file: the window's field holds 128 characters.
    static constexpr std::size_t kShortNameLimit = 127;

    // Longest block between two tests of the lock file when no event wakes the wait.
    static constexpr unsigned kFallbackMs = 100;
    // The batch deletes the lock on its last line; its interpreter still holds the batch file open
    // for a moment after that, and the clean-up must not find it in use.
    static constexpr unsigned kBatchExitMs = 3000;

private:
    // A value that went into the lines, viewed, not copied: the pass phrase is one of them.
    struct Labelled {
        std::string what;
        std::string_view value;
        bool hidden = false; // named in a message without its text (the pass phrase)
        // How a refusal names it: what it is, and its text (the first `shown` characters).
        std::string named(std::size_t shown = std::string::npos) const;
    };
    void report(const std::string& text);
    // Both pre-checks of an operation; false (after its message, and the setup dialog for a
    // missing pgp.exe) when the job must not go on.
    bool preChecksPass(const std::string& pgpExe, const std::string& lockFile,
                       const std::function<void()>& showSetup);
    // The lines in the console's code page, or nullopt after reporting the value that cannot go.
    std::optional<BatchLines> toConsole(const BatchLines& lines, const std::vector<Labelled>& values);
    // Creates the lock file atomically with its text; false after the busy message when it is there.
    bool takeLock(const std::string& lockFile, const std::string& text);
    // An operation's lines after its PGP line: "pause" when asked for and the lock file's deletion;
    // then the whole checked against the console's code page, naming `values`, the user IDs of
    // `recipients` (null for an operation without) and `after` in that order. nullopt after
    // reporting a value that cannot go.
    std::optional<BatchLines> finishLines(BatchLines lines, bool pause, const std::string& lockFile,
                                          const std::string* recipients, std::vector<Labelled> values,
                                          const std::vector<Labelled>& after);
    // The editor's batch lines from the values as they stand; nullopt after reporting a value that
    // cannot go.
    std::optional<BatchLines> editorLines(const EditorJob& job, const JobPaths& paths);
    // Under the lock: an earlier job's `output` removed, the prompts after the lock, the lines built
    // again. nullopt, the lock gone, when the job must not go on.
    std::optional<BatchLines> editorLinesUnderLock(const EditorJob& job, const JobPaths& paths,
                                                   const std::string& output);
    // After an editor job, whatever its end: the batch file and the temporaries wiped, or deleted
    // (a Decrypt's batch file blanked first). A failure of that is kept in `failure` unless one is.
    void cleanUpEditorJob(const JobPaths& paths, bool decrypt, std::exception_ptr& failure);
    // Writes the batch file; on failure removes the lock file and rethrows.
    void writeBatch(const std::string& batchFile, const std::string& lockFile, const BatchLines& lines);
    // Runs `launch` with the outcome file in PGP's directory named to pgp.exe; `records` gets what
    // it wrote (nullopt for a PGP that writes none), and the file is gone afterwards.
    JobEnd withOutcome(const std::string& pgpDir, std::optional<std::vector<OutcomeRecord>>& records,
                       const std::function<JobEnd()>& launch);
    // Launch and wait with the outcome file named to pgp.exe; after NotStarted or EndedEarly the
    // lock file is gone and the user told. `notice` gets the words for a finished job.
    JobEnd launchOperation(const std::string& batchFile, const std::string& directory,
                           const std::string& pgpDir, const std::string& lockFile,
                           const std::function<bool()>& outputMissing, std::optional<OutcomeNotice>& notice,
                           const SecretString* answers = nullptr, bool shiftShowsWhy = false);
    // Good news to `announce`, bad news in a box.
    void tellOutcome(const std::optional<OutcomeNotice>& notice,
                     const std::function<void(const std::string&)>& announce);
    // Launch and wait; after NotStarted or EndedEarly the lock file is gone and the user told.
    // With `answers`, the batch runs hidden with them on its standard input.
    JobEnd launchAndWait(const std::string& batchFile, const std::string& directory, ShowMode mode,
                         const std::string& lockFile, const JobEndTexts& texts = kPgpJobTexts,
                         const SecretString* answers = nullptr);
    // After the lock is gone: until the batch's interpreter has ended, at most kBatchExitMs,
    // handling messages.
    void awaitBatchExit(std::uintptr_t process);
    // Removes (or wipes, with the tool) an output file left before the job; false after telling
    // the user which file could not go and why.
    bool removeEarlierOutput(const std::string& file, const std::string& directory);
    // Wipes one file and waits for the tool to end; the reason it gives when it failed.
    std::string wipeAndAwait(const std::string& tool, const std::string& file, const std::string& directory);
    // Overwrites the batch file of a Decrypt; throws IoError when every attempt was refused.
    void blankBatch(const std::string& batchFile);
    static constexpr int kBlankAttempts = 30;
    // The short form of the file for its batch line, or nullopt after telling the user why the
    // file cannot be named by one.
    std::optional<std::string> fileShortName(const std::string& file);
    std::string wipeTool();
    void wipe(const std::string& tool, const std::vector<std::string>& files, const std::string& directory);

    Platform& platform_;
    Interaction& interaction_;
    // The program whose job runs now: its box and texts. Every run names its program first.
    const ProgramProfile* profile_ = nullptr;
};

} // namespace mw
