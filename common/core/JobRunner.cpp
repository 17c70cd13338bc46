// The PGP job protocol over Platform: checks, lock, batch file, launch, wait, pick-up, clean-up.
#include "core/JobRunner.h"
#include "core/UnicodeText.h"
#include "core/Errors.h"
#include "core/PathUtil.h"
#include <exception>

namespace mw {

const JobEndTexts kPgpJobTexts{"The PGP job could not be started: ",
                               "The PGP job ended before it finished; its output was not used."};

namespace {

const char* const kLockNotice = "- deleted by the batch file when the PGP job ends.";

BatchLines batchLines(const std::vector<std::string>& lines) {
    return BatchLines(lines.begin(), lines.end());
}

std::string lockLine(const std::string& text) {
    return text + " " + kLockNotice;
}

// Owns a directory watch of the platform for the length of one wait.
class Watch {
public:
    Watch(Platform& p, const std::string& dir) : p_(p), id_(p.watchDirectory(dir)) {}
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
    ~Watch() {
        if (id_) p_.closeWatch(id_);
    }
    std::uintptr_t id() const { return id_; }

private:
    Platform& p_;
    std::uintptr_t id_;
};

// Removes the job's own lock file when writing the job fails after it was created, so that the
// failure does not leave every later job refused as busy.
template <typename F> void orRemoveLock(Platform& p, const std::string& lockFile, F&& action) {
    try {
        action();
    } catch (...) {
        p.deleteFile(lockFile);
        throw;
    }
}

} // namespace

JobRunner::JobRunner(Platform& platform, Interaction& interaction)
    : platform_(platform), interaction_(interaction) {}

bool JobRunner::preChecksPass(const std::string& pgpExe, const std::string& lockFile,
                              const std::function<void()>& showSetup) {
    if (!platform_.fileExists(pgpExe)) {
        report(profile_->pgpMissing);
        if (showSetup) showSetup();
        return false;
    }
    if (platform_.fileExists(lockFile)) {
        report(profile_->busy);
        return false;
    }
    return true;
}

std::string JobRunner::Labelled::named(std::size_t shown) const {
    if (hidden) return what;
    std::string text(value.substr(0, shown));
    if (text.size() < value.size()) text += "...";
    return what + " \"" + text + "\"";
}

void JobRunner::report(const std::string& text) {
    interaction_.message(profile_->boxCaption, text, profile_->boxIcon);
}

std::optional<BatchLines> JobRunner::toConsole(const BatchLines& lines, const std::vector<Labelled>& values) {
    BatchLines out;
    for (const auto& line : lines) {
        auto converted = platform_.toConsoleCodePage(line);
        if (converted && converted->size() > kMaxBatchLine) {
            // cmd.exe reads at most 8,191 characters of a line; what it does with the rest is not
            // ours to guess. The longest value is what made the line too long.
            const Labelled* longest = nullptr;
            for (const auto& v : values)
                if (!longest || v.value.size() > longest->value.size()) longest = &v;
            const std::string culprit = longest ? longest->named(40) : "A value of the PGP job";
            report(culprit + " is too long: the PGP line would be " + std::to_string(converted->size()) +
                   " characters, and a batch file line may hold at most " + std::to_string(kMaxBatchLine) +
                   ". PGP was not started.");
            return std::nullopt;
        }
        if (converted) {
            out.push_back(std::move(*converted));
            continue;
        }
        std::string culprit = "A value of the PGP job";
        for (const auto& v : values)
            if (!platform_.toConsoleCodePage(v.value)) {
                culprit = v.named();
                break;
            }
        report(culprit + " cannot be passed to PGP: it contains a character that the console's code page "
                         "cannot represent.");
        return std::nullopt;
    }
    return out;
}

void JobRunner::writeBatch(const std::string& batchFile, const std::string& lockFile,
                           const BatchLines& lines) {
    orRemoveLock(platform_, lockFile, [&] { platform_.writeBatchFile(batchFile, lines); });
}

JobEnd JobRunner::waitForLock(const std::string& lockFile, std::uintptr_t process) {
    Watch watch(platform_, directoryOf(lockFile));
    for (;;) {
        platform_.processMessages();
        if (!platform_.fileExists(lockFile)) {
            if (process) awaitBatchExit(process);
            return JobEnd::Finished;
        }
        if (process && platform_.processEnded(process))
            // The batch may have deleted the lock just before it ended.
            return platform_.fileExists(lockFile) ? JobEnd::EndedEarly : JobEnd::Finished;
        platform_.waitForEvent(process, watch.id(), kFallbackMs);
    }
}

void JobRunner::awaitBatchExit(std::uintptr_t process) {
    // The window goes on painting and answering while cmd.exe lets go of the batch file.
    const std::uint64_t start = platform_.milliseconds();
    for (;;) {
        if (platform_.processEnded(process)) return;
        const std::uint64_t waited = platform_.milliseconds() - start;
        if (waited >= kBatchExitMs) return;
        platform_.processMessages();
        platform_.waitForEvent(process, 0, static_cast<unsigned>(kBatchExitMs - waited));
    }
}

std::string JobRunner::wipeAndAwait(const std::string& tool, const std::string& file,
                                    const std::string& directory) {
    LaunchResult r = platform_.launch(tool, wipeParameters(file), directory, ShowMode::Hidden);
    if (!r.started) return "the wipe tool could not be started: " + r.error;
    if (!r.process) return "the wipe tool's end could not be awaited.";
    // The tool never asks anything, so it ends; PGP must not start before it has.
    while (!platform_.processEnded(r.process)) {
        platform_.processMessages();
        platform_.waitForEvent(r.process, 0, kFallbackMs);
    }
    const std::optional<int> status = platform_.processExitCode(r.process);
    platform_.closeProcess(r.process);
    switch (status.value_or(-1)) {
    case 3:
        return "it is a directory.";
    case 4:
        return "it is read-only.";
    case 5:
        return "it is in use by another process.";
    case 6:
        return "an input/output error occurred.";
    case 7:
        return "access is denied.";
    default:
        return status ? "the wipe tool ended with status " + std::to_string(*status) + "."
                      : "the wipe tool gave no exit status.";
    }
}

bool JobRunner::removeEarlierOutput(const std::string& file, const std::string& directory) {
    if (!platform_.fileExists(file)) return true;
    const std::string tool = wipeTool();
    const bool wiping = platform_.fileExists(tool);
    std::string reason;
    if (wiping)
        reason = wipeAndAwait(tool, file, directory);
    else if (!platform_.deleteFile(file))
        reason = platform_.lastErrorText();
    if (!platform_.fileExists(file)) return true;
    report("The output of an earlier PGP job, " + file + ", could not be " + (wiping ? "wiped" : "deleted") +
           ": " + reason + " PGP was not started.");
    return false;
}

JobEnd JobRunner::launchAndWait(const std::string& batchFile, const std::string& directory, ShowMode mode,
                                const std::string& lockFile, const JobEndTexts& texts,
                                const SecretString* answers) {
    LaunchResult launched = answers ? platform_.launchWithInput(batchFile, directory, *answers)
                                    : platform_.launch(batchFile, "", directory, mode);
    if (!launched.started) {
        platform_.deleteFile(lockFile);
        report(texts.notStarted + launched.error);
        return JobEnd::NotStarted;
    }
    JobEnd end = waitForLock(lockFile, launched.process);
    platform_.closeProcess(launched.process);
    if (end == JobEnd::EndedEarly) {
        platform_.deleteFile(lockFile);
        report(texts.endedEarly);
    }
    return end;
}

JobEnd JobRunner::launchOperation(const std::string& batchFile, const std::string& directory,
                                  const std::string& pgpDir, const std::string& lockFile,
                                  const std::function<bool()>& outputMissing,
                                  std::optional<OutcomeNotice>& notice, const SecretString* answers,
                                  bool shiftShowsWhy) {
    std::optional<std::vector<OutcomeRecord>> records;
    const JobEnd end = withOutcome(pgpDir, records, [&] {
        return launchAndWait(batchFile, directory, ShowMode::Normal, lockFile, kPgpJobTexts, answers);
    });
    if (end == JobEnd::Finished) notice = noticeOf(records, outputMissing(), shiftShowsWhy);
    return end;
}

JobEnd JobRunner::withOutcome(const std::string& pgpDir, std::optional<std::vector<OutcomeRecord>>& records,
                              const std::function<JobEnd()>& launch) {
    const std::string outcomeFile = pgpDir + profile_->outcomeName;
    // One left by an earlier job that was cut off must not speak for this one.
    mw::deleteIfExists(platform_, outcomeFile);
    platform_.setEnvironmentVariable(kOutcomeVariable, outcomeFile);
    JobEnd end = JobEnd::NotStarted;
    try {
        end = launch();
    } catch (...) {
        platform_.setEnvironmentVariable(kOutcomeVariable, std::nullopt);
        throw;
    }
    platform_.setEnvironmentVariable(kOutcomeVariable, std::nullopt);
    try {
        if (platform_.fileExists(outcomeFile))
            if (auto text = platform_.readWholeFile(outcomeFile, 1u << 20)) records = parseOutcomes(*text);
    } catch (const IoError&) {
        // Unreadable: told as a PGP that wrote none.
    }
    mw::deleteIfExists(platform_, outcomeFile);
    return end;
}

void JobRunner::tellOutcome(const std::optional<OutcomeNotice>& notice,
                            const std::function<void(const std::string&)>& announce) {
    if (!notice || notice->text.empty()) return;
    if (notice->bad) {
        // pgp.exe reports in UTF-8; the boxes speak the ANSI code page, "?" for what it lacks.
        std::string text = notice->text;
        const std::u16string wide = utf8ToUtf16(text);
        std::string ansi(wide.size() * 2 + 1, '\0');
        const int n = platform_.fromUtf16(platform_.ansiCodePage(), false, wide, ansi.data(),
                                          static_cast<int>(ansi.size()), nullptr);
        if (n > 0) text = ansi.substr(0, static_cast<std::size_t>(n));
        interaction_.message(profile_->boxCaption, text, BoxIcon::Error);
    } else if (announce)
        announce(notice->text);
}

void JobRunner::blankBatch(const std::string& batchFile) {
    // The batch file may hold the pass phrase: overwrite it before it goes. cmd.exe may still hold
    // it open for a moment after its last line removed the lock, so a refused write is tried again.
    const std::vector<std::string> blank(6, std::string(68, '#'));
    for (int attempt = 1;; ++attempt) {
        try {
            platform_.writeLines(batchFile, blank);
            return;
        } catch (const IoError&) {
            if (attempt == kBlankAttempts) throw;
        }
        platform_.processMessages();
        platform_.waitForEvent(0, 0, kFallbackMs);
    }
}

bool JobRunner::takeLock(const std::string& lockFile, const std::string& text) {
    if (platform_.createNewFile(lockFile, {lockLine(text)})) return true;
    report(profile_->busy);
    return false;
}

std::optional<BatchLines> JobRunner::finishLines(BatchLines lines, bool pause, const std::string& lockFile,
                                                 const std::string* recipients, std::vector<Labelled> values,
                                                 const std::vector<Labelled>& after) {
    std::vector<std::string> ids;
    try {
        if (pause) lines.emplace_back("pause");
        lines.emplace_back(deleteLine(lockFile));
        if (recipients) ids = splitRecipients(*recipients);
    } catch (const UnsafeValue& e) {
        report(e.what());
        return std::nullopt;
    }
    for (const auto& id : ids)
        values.push_back({"The user ID", id});
    values.insert(values.end(), after.begin(), after.end());
    return toConsole(lines, values);
}

std::string JobRunner::wipeTool() {
    return wipeToolPath(platform_.executablePath());
}

void JobRunner::wipe(const std::string& tool, const std::vector<std::string>& files,
                     const std::string& directory) {
    // Not awaited: each instance runs in the background and the job ends here.
    for (const auto& file : files) {
        if (!platform_.fileExists(file)) continue;
        LaunchResult r = platform_.launch(tool, wipeParameters(file), directory, ShowMode::Hidden);
        platform_.closeProcess(r.process);
    }
}

JobEnd JobRunner::runKeyListing(const KeyListingJob& job) {
    profile_ = &profileOf(job.program);
    BatchLines lines;
    try {
        lines = batchLines(
            {keyListingLine(job.pgpExe, job.keyRing, job.listingTarget), deleteLine(job.lockFile)});
    } catch (const UnsafeValue& e) {
        report(e.what());
        return JobEnd::Refused;
    }
    auto console = toConsole(lines, {{"The path of pgp.exe", job.pgpExe},
                                     {"The key ring path", job.keyRing},
                                     {"The listing file", job.listingTarget},
                                     {"The lock file path", job.lockFile}});
    if (!console) return JobEnd::Refused;

    auto deleteStale = [&] { mw::deleteIfExists(platform_, job.staleListing); };
    if (!profile_->lockBeforeStaleDelete) deleteStale();
    if (!takeLock(job.lockFile, profile_->listingLockText)) return JobEnd::Refused;
    if (profile_->lockBeforeStaleDelete) orRemoveLock(platform_, job.lockFile, deleteStale);
    writeBatch(job.batchFile, job.lockFile, *console);

    std::optional<std::vector<OutcomeRecord>> records;
    JobEnd end = withOutcome(job.pgpDir, records, [&] {
        return launchAndWait(job.batchFile, job.pgpDir, ShowMode::Hidden, job.lockFile);
    });
    // A ring PGP could not list is no ring without keys: its words, and no listing read.
    if (end == JobEnd::Finished)
        if (OutcomeNotice notice = noticeOf(records, false); notice.bad) {
            report(notice.text);
            end = JobEnd::Failed;
        }
    if (end != JobEnd::Finished) {
        // A listing cut short must not be parsed as if it were whole.
        bool bare = job.listingTarget.find_first_of("\\/:") == std::string::npos;
        mw::deleteIfExists(platform_, bare ? job.pgpDir + job.listingTarget : job.listingTarget);
    }
    return end;
}

std::optional<BatchLines> JobRunner::editorLines(const EditorJob& job, const JobPaths& paths) {
    EditorJobValues v;
    EditorLineValues line;
    BatchLines lines;
    try {
        // Gathering the values may refuse one too (a pass phrase the code page cannot hold).
        if (job.values) v = job.values();
        line.pgpExe = paths.pgpExe;
        line.recipients = v.recipients;
        line.signer = v.signer;
        line.passPhraseOn = v.passPhraseOn;
        line.passPhrase = std::move(v.passPhrase);
        lines.push_back(editorPgpLine(job.operation, line, platform_.fileExists(wipeTool()), *profile_));
    } catch (const UnsafeValue& e) {
        report(e.what());
        return std::nullopt;
    }
    const bool recipients =
        job.operation == EditorOperation::Encrypt || job.operation == EditorOperation::SignEncrypt;
    std::vector<Labelled> after{{"The signer's user ID", v.signer}};
    if (line.passPhraseOn) after.push_back({"The pass phrase", line.passPhrase, true});
    return finishLines(std::move(lines), job.operation == EditorOperation::Decrypt && v.shift, paths.lockFile,
                       recipients ? &v.recipients : nullptr,
                       {{"The path of pgp.exe", paths.pgpExe}, {"The lock file path", paths.lockFile}},
                       after);
}

std::optional<BatchLines> JobRunner::editorLinesUnderLock(const EditorJob& job, const JobPaths& paths,
                                                          const std::string& output) {
    // An output that an earlier job left (the editor was ended during it, or its wipe failed)
    // would make PGP ask to overwrite it, and a No would put the old output into the message.
    bool earlierGone = false;
    orRemoveLock(platform_, paths.lockFile, [&] { earlierGone = removeEarlierOutput(output, paths.pgpDir); });
    std::optional<BatchLines> lines;
    if (earlierGone)
        orRemoveLock(platform_, paths.lockFile, [&] {
            if (job.promptsAfterLock) job.promptsAfterLock();
            lines = editorLines(job, paths);
        });
    if (!lines) platform_.deleteFile(paths.lockFile);
    return lines;
}

void JobRunner::cleanUpEditorJob(const JobPaths& paths, bool decrypt, std::exception_ptr& failure) {
    const std::string input = paths.pgpDir + profile_->inputName, plain = paths.pgpDir + profile_->plainName;
    const std::string armoured = paths.pgpDir + profile_->armouredName;
    const std::string listing = paths.pgpDir + profile_->listingName;
    std::string tool = wipeTool();
    if (platform_.fileExists(tool)) {
        wipe(tool, {paths.batchFile, input, listing, plain, armoured}, paths.pgpDir);
        return;
    }
    if (!decrypt) {
        for (const std::string& file : {input, listing, armoured})
            mw::deleteIfExists(platform_, file);
        return;
    }
    try {
        blankBatch(paths.batchFile);
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    platform_.deleteFile(paths.batchFile);
    for (const std::string& file : {input, plain, listing, armoured})
        mw::deleteIfExists(platform_, file);
}

JobEnd JobRunner::runEditorOperation(const EditorJob& job) {
    profile_ = &editorProfile();
    JobPaths paths{job.pgpExe, job.pgpDir, job.pgpDir + profile_->batchName, job.pgpDir + profile_->lockName};
    if (job.setPaths) job.setPaths(paths);
    if (!preChecksPass(paths.pgpExe, paths.lockFile, job.showSetup)) return JobEnd::Refused;
    if (job.promptsBeforeLock) job.promptsBeforeLock();
    if (job.abandoned && job.abandoned()) return JobEnd::Refused;

    const bool decrypt = job.operation == EditorOperation::Decrypt;
    const std::string output = paths.pgpDir + (decrypt ? profile_->plainName : profile_->armouredName);
    // The batch lines are built once before the lock, to refuse what cannot go while nothing is
    // written, and again after the prompts that follow the lock.
    if (!editorLines(job, paths)) return JobEnd::Refused;
    if (!takeLock(paths.lockFile, profile_->operationLockText)) return JobEnd::Refused;
    std::optional<BatchLines> lines = editorLinesUnderLock(job, paths, output);
    if (!lines) return JobEnd::Refused;
    // From the batch file on, every way out runs the clean-up of a finished job: the batch file may
    // hold the pass phrase and the input file the plaintext, even when a write broke off half-way.
    // The first failure is shown after the clean-up.
    JobEnd end = JobEnd::NotStarted;
    std::exception_ptr failure;
    std::optional<OutcomeNotice> notice;
    try {
        writeBatch(paths.batchFile, paths.lockFile, *lines);
        orRemoveLock(platform_, paths.lockFile, [&] {
            if (job.saveInput) job.saveInput(paths.pgpDir + profile_->inputName);
        });
        end = launchOperation(
            paths.batchFile, paths.pgpDir, paths.pgpDir, paths.lockFile,
            [&] { return !platform_.fileExists(output); }, notice, nullptr, decrypt);
        if (end == JobEnd::Finished && job.pickUp && platform_.fileExists(output)) job.pickUp(output);
    } catch (...) {
        failure = std::current_exception();
    }
    cleanUpEditorJob(paths, decrypt, failure);
    if (failure) std::rethrow_exception(failure);
    tellOutcome(notice, job.announce);
    return end;
}

std::optional<std::string> JobRunner::fileShortName(const std::string& file) {
    std::string shortName = platform_.shortPath(file);
    const bool exists = platform_.fileExists(file);
    // A volume that keeps no short names: the long path, quoted in the batch line where needed.
    if (shortName.empty() && exists) shortName = file;
    if (!shortName.empty() && shortName.size() <= kShortNameLimit) return shortName;
    const char* reason =
        !exists             ? "it no longer exists"
        : shortName == file ? "its path is longer than 127 characters, and the disk keeps no short form of it"
                            : "the short form of its path is longer than 127 characters";
    report("The file " + file + " cannot be handed to PGP: " + reason + ". PGP was not started.");
    return std::nullopt;
}

JobEnd JobRunner::runFileOperation(const FileJob& job) {
    profile_ = &fileModuleProfile();
    JobPaths paths{job.pgpExe, job.pgpDir, job.pgpDir + profile_->batchName, job.pgpDir + profile_->lockName};
    if (job.setPaths) job.setPaths(paths);
    if (!preChecksPass(paths.pgpExe, paths.lockFile, job.showSetup)) return JobEnd::Refused;
    // A file without a usable short form is refused before any dialog writes its listing job.
    if (!fileShortName(job.selectedFile)) return JobEnd::Refused;
    if (job.promptsBeforeLock) job.promptsBeforeLock();
    if (job.abandoned && job.abandoned()) return JobEnd::Refused;

    FileJobValues v = job.values ? job.values() : FileJobValues{};
    auto build = [&](const std::string& shortName) -> std::optional<BatchLines> {
        BatchLines lines;
        try {
            lines.emplace_back(
                fileModulePgpLine(job.operation, {paths.pgpExe, shortName, v.recipients, v.signer}));
        } catch (const UnsafeValue& e) {
            report(e.what());
            return std::nullopt;
        }
        const bool recipients =
            job.operation == FileOperation::Encrypt || job.operation == FileOperation::SignEncrypt;
        return finishLines(std::move(lines), job.operation == FileOperation::Decrypt && job.shift,
                           paths.lockFile, recipients ? &v.recipients : nullptr,
                           {{"The path of pgp.exe", paths.pgpExe},
                            {"The file name", shortName},
                            {"The lock file path", paths.lockFile},
                            {"The signer's user ID", v.signer}},
                           {});
    };
    // The short form after the dialogs, fresh: a file that went meanwhile is refused, never run
    // on an earlier name.
    auto shortName = fileShortName(job.selectedFile);
    if (!shortName) return JobEnd::Refused;
    if (job.setShortName) job.setShortName(*shortName);
    auto lines = build(*shortName);
    if (!lines) return JobEnd::Refused;
    if (!takeLock(paths.lockFile, profile_->operationLockText)) return JobEnd::Refused;
    // A batch file that broke off half-way gets the clean-up of a finished job too.
    JobEnd end = JobEnd::NotStarted;
    std::exception_ptr failure;
    std::optional<OutcomeNotice> notice;
    try {
        writeBatch(paths.batchFile, paths.lockFile, *lines);
        end = launchOperation(
            paths.batchFile, job.workingDirectory, paths.pgpDir, paths.lockFile, [] { return false; },
            notice);
    } catch (...) {
        failure = std::current_exception();
    }

    std::string tool = wipeTool();
    if (platform_.fileExists(tool))
        wipe(tool, {paths.batchFile, paths.pgpDir + profile_->listingName}, paths.pgpDir);
    // The job's output is in the user's directory; the wipes touch only PGP's.
    if (job.refresh) job.refresh();
    if (failure) std::rethrow_exception(failure);
    tellOutcome(notice, job.announce);
    return end;
}

JobEnd JobRunner::runOwnBatch(KeyProgram program, const std::string& lockFile, const std::string& batchFile,
                              const std::vector<std::string>& lines, const std::string& directory,
                              ShowMode mode, const JobEndTexts& texts) {
    profile_ = &profileOf(program);
    auto console = toConsole(batchLines(lines), {});
    if (!console) return JobEnd::Refused;
    if (!takeLock(lockFile, profile_->operationLockText)) return JobEnd::Refused;
    writeBatch(batchFile, lockFile, *console);
    return launchAndWait(batchFile, directory, mode, lockFile, texts);
}

JobEnd JobRunner::runKeyJob(const KeyJob& job, std::optional<OutcomeNotice>& notice) {
    profile_ = &keyManagerProfile();
    if (!preChecksPass(job.pgpExe, job.lockFile, job.showSetup)) return JobEnd::Refused;
    auto console = toConsole(batchLines(job.lines), {});
    if (!console) return JobEnd::Refused;
    if (!takeLock(job.lockFile, profile_->operationLockText)) return JobEnd::Refused;
    writeBatch(job.batchFile, job.lockFile, *console);
    JobEnd end = JobEnd::NotStarted;
    try {
        end = launchOperation(
            job.batchFile, job.pgpDir, job.pgpDir, job.lockFile, [] { return false; }, notice, &job.answers);
    } catch (...) {
        mw::deleteIfExists(platform_, job.batchFile);
        throw;
    }
    mw::deleteIfExists(platform_, job.batchFile);
    return end;
}

} // namespace mw
