// The job runner's steps for each caller over the fake platform: order, texts, what is written
// and what is left when a job is refused, cannot start or is broken off.
#include "support/FakePlatform.h"
#include "core/JobRunner.h"
#include "support/ScriptedInteraction.h"
#include <algorithm>
#include <gtest/gtest.h>

using namespace mw;
using namespace mwtest;

namespace {

const std::string kDir = "c:\\pgp\\";
const std::string kTool = "c:\\murkwell\\scorch.com";
const std::string kHashes(68, '#');

// Calls of the given kinds only ("write", "delete", "launch", ...), in order.
std::vector<std::string> only(const std::vector<std::string>& calls,
                              std::initializer_list<const char*> kinds) {
    std::vector<std::string> out;
    for (const auto& c : calls)
        for (const char* k : kinds)
            if (c.rfind(std::string(k) + " ", 0) == 0) out.push_back(c);
    return out;
}

// The parameters of each start of the wipe tool, in order.
std::vector<std::string> wipedBy(const FakePlatform& fake) {
    std::vector<std::string> wiped;
    for (const auto& l : fake.launches)
        if (l.file == kTool) wiped.push_back(l.parameters);
    return wiped;
}

// The fake, keeping what each write wrote even after the file is deleted.
class KeepingFake : public FakePlatform {
public:
    std::vector<std::pair<std::string, std::vector<std::string>>> writes;
    // Runs before each write; may throw to refuse it.
    std::function<void(const std::string& path, const std::vector<std::string>& lines)> beforeWrite;
    std::map<std::string, std::string> environment;
    void setEnvironmentVariable(const std::string& name, const std::optional<std::string>& value) override {
        if (value)
            environment[name] = *value;
        else
            environment.erase(name);
    }
    void writeLines(const std::string& path, const std::vector<std::string>& lines) override {
        if (beforeWrite) beforeWrite(path, lines);
        FakePlatform::writeLines(path, lines);
        writes.emplace_back(path, lines);
    }
};

class JobRunnerTest : public ::testing::Test {
protected:
    KeepingFake fake;
    ScriptedInteraction boxes;
    JobRunner runner{fake, boxes};

    void SetUp() override {
        fake.put(kDir + "pgp.exe", {});
        // The batch file ends by deleting the lock, as cmd.exe would.
        fake.onLaunch = [this](const LaunchCall& c) {
            if (c.file.size() > 4 && c.file.substr(c.file.size() - 4) == ".bat")
                batchAtLaunch = fake.content(c.file);
        };
        fake.onWait = [this] {
            if (!batchAtLaunch.empty() && runBatch) {
                std::string del = batchAtLaunch.back().substr(4);
                fake.files.erase(FakePlatform::key(del));
                // pgp.exe reports where the job's environment says.
                if (outcome && fake.environment.count(kOutcomeVariable))
                    fake.put(fake.environment[kOutcomeVariable], *outcome);
                if (onBatchRun) onBatchRun();
            }
        };
    }

    std::vector<std::string> batchAtLaunch;
    bool runBatch = true;
    std::function<void()> onBatchRun;
    std::optional<std::vector<std::string>> outcome = std::vector<std::string>{"status 0", "end"};
};

KeyListingJob listing(mw::KeyProgram program, const std::string& batchFile, const std::string& lockFile,
                      const std::string& keyRing, const std::string& listingTarget,
                      const std::string& staleListing) {
    KeyListingJob job(program);
    job.pgpExe = kDir + "pgp.exe";
    job.pgpDir = kDir;
    job.batchFile = batchFile;
    job.lockFile = lockFile;
    job.keyRing = keyRing;
    job.listingTarget = listingTarget;
    job.staleListing = staleListing;
    return job;
}

KeyListingJob editorListing() {
    return listing(mw::KeyProgram::Editor, kDir + "Murkwell.bat", kDir + "Murkwell.lck", kDir + "pubring.pgp",
                   kDir + "murkwell.usr", kDir + "Murkwell.USR");
}

KeyListingJob fileModuleListing() {
    return listing(mw::KeyProgram::FileModule, kDir + "bramlet.bat", kDir + "bramlet.lck",
                   kDir + "secring.pgp", "bramlet.usr", kDir + "bramlet.usr");
}

} // namespace

TEST_F(JobRunnerTest, KeyListingOfTheEditorDeletesTheStaleListingThenLocksThenRunsHidden) {
    fake.put(kDir + "murkwell.usr", {"stale"});
    EXPECT_EQ(runner.runKeyListing(editorListing()), JobEnd::Finished);
    EXPECT_EQ(only(fake.calls, {"delete", "write", "launch"}),
              (std::vector<std::string>{"delete c:\\pgp\\Murkwell.USR", "write c:\\pgp\\Murkwell.lck",
                                        "write c:\\pgp\\Murkwell.bat", "launch c:\\pgp\\Murkwell.bat",
                                        "delete c:\\pgp\\murkwell.out"})); // pgp.exe's report, once read
    EXPECT_EQ(batchAtLaunch, (std::vector<std::string>{
                                 "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\pubring.pgp > c:\\pgp\\murkwell.usr",
                                 "DEL c:\\pgp\\Murkwell.lck"}));
    ASSERT_EQ(fake.launches.size(), 1u);
    EXPECT_EQ(fake.launches[0].parameters, "");
    EXPECT_EQ(fake.launches[0].directory, kDir);
    EXPECT_EQ(fake.launches[0].mode, ShowMode::Hidden);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(JobRunnerTest, KeyListingOfTheFileModuleLocksFirstWithTheFileLine) {
    fake.put(kDir + "bramlet.usr", {"stale"});
    std::vector<std::string> lockContent;
    onBatchRun = [] {};
    fake.onLaunch = [&](const LaunchCall& c) {
        batchAtLaunch = fake.content(c.file);
        lockContent = fake.content(kDir + "bramlet.lck");
    };
    EXPECT_EQ(runner.runKeyListing(fileModuleListing()), JobEnd::Finished);
    auto steps = only(fake.calls, {"delete", "write"});
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[0], "write c:\\pgp\\bramlet.lck");
    EXPECT_EQ(steps[1], "delete c:\\pgp\\bramlet.usr");
    EXPECT_EQ(batchAtLaunch[0], "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\secring.pgp > bramlet.usr");
    ASSERT_EQ(lockContent.size(), 1u);
    EXPECT_EQ(lockContent[0].rfind("Temporary LockFile Written by Murkwell File ", 0), 0u) << lockContent[0];
}

TEST_F(JobRunnerTest, WaitHandlesMessagesBeforeEveryTestAndBlocksBetweenThem) {
    int testsWhileLocked = 0;
    fake.onWait = [&] {
        if (++testsWhileLocked == 3) fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
    };
    EXPECT_EQ(runner.runKeyListing(editorListing()), JobEnd::Finished);
    EXPECT_EQ(fake.waits, 3);
    EXPECT_EQ(fake.messagePasses, 4); // one pass before each of the four tests of the lock
    auto tests = only(fake.calls, {"exists"});
    EXPECT_EQ(std::count(tests.begin(), tests.end(), "exists c:\\pgp\\Murkwell.lck"), 4);
}

TEST_F(JobRunnerTest, KeyListingWhenTheLockAlreadyExistsWritesNothingElse) {
    fake.put(kDir + "Murkwell.lck", {"other job"});
    EXPECT_EQ(runner.runKeyListing(editorListing()), JobEnd::Refused);
    EXPECT_TRUE(only(fake.calls, {"write", "launch"}).empty());
    EXPECT_EQ(fake.content(kDir + "Murkwell.lck"), std::vector<std::string>{"other job"});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Lockfile is busy, only one PGP session allowed at a time.");
}

TEST_F(JobRunnerTest, LaunchFailureEndsTheWaitRemovesTheLockAndSaysWhy) {
    fake.launchFails = true;
    EXPECT_EQ(runner.runKeyListing(fileModuleListing()), JobEnd::NotStarted);
    EXPECT_FALSE(fake.has(kDir + "bramlet.lck"));
    EXPECT_EQ(fake.waits, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Murkwell File Encryption Applet");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::None);
    EXPECT_EQ(boxes.shown[0].text,
              "The PGP job could not be started: The system cannot find the file specified.");
}

TEST_F(JobRunnerTest, BatchEndingWithTheLockStillThereEndsTheWaitAndDropsThePartialListing) {
    runBatch = false;
    fake.onWait = [&] {
        fake.put(kDir + "murkwell.usr", {"partial"});
        fake.processHasEnded = true;
    };
    EXPECT_EQ(runner.runKeyListing(editorListing()), JobEnd::EndedEarly);
    EXPECT_FALSE(fake.has(kDir + "Murkwell.lck"));
    EXPECT_FALSE(fake.has(kDir + "murkwell.usr"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Information");
    EXPECT_EQ(boxes.shown[0].text, "The PGP job ended before it finished; its output was not used.");
}

// A ring PGP says it could not list is told in words and never read as a ring without keys; a
// PGP that writes no outcome (or an outcome an earlier job left) lists as it always did.
TEST_F(JobRunnerTest, KeyListingThatPgpSaysFailedIsToldAndNotRead) {
    struct Case {
        const char* name;
        std::optional<std::vector<std::string>> outcome;
        JobEnd end;
        const char* boxed;
    };
    const Case cases[] = {
        {"failed",
         std::vector<std::string>{"status 15", "said The key ring could not be listed.",
                                  "said gpg: keydb_search_first failed: Invalid packet", "end"},
         JobEnd::Failed,
         "PGP could not do it (exit status 15).\nThe key ring could not be listed.\n"
         "gpg: keydb_search_first failed: Invalid packet"},
        {"no outcome", std::nullopt, JobEnd::Finished, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.shown.clear();
        fake.put(kDir + "murkwell.out", {"status 15", "end"}); // an earlier job's, never read
        outcome = c.outcome;
        onBatchRun = [&] { fake.put(kDir + "murkwell.usr", {"listing"}); };
        EXPECT_EQ(runner.runKeyListing(editorListing()), c.end);
        EXPECT_EQ(fake.has(kDir + "murkwell.usr"), c.end == JobEnd::Finished);
        ASSERT_EQ(boxes.shown.size(), c.boxed ? 1u : 0u);
        if (c.boxed) {
            EXPECT_EQ(boxes.shown[0].text, c.boxed);
        }
        EXPECT_FALSE(fake.has(kDir + "murkwell.out"));
        EXPECT_EQ(fake.environment.count(kOutcomeVariable), 0u);
    }
}

TEST_F(JobRunnerTest, ProcessEndingRightAfterItsDelCountsAsFinished) {
    // The lock test before the process test still saw the lock; the DEL ran in between.
    fake.onWait = [] {};
    fake.processHasEnded = true;
    fake.onProcessEndedTest = [&] { fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck")); };
    EXPECT_EQ(runner.runKeyListing(editorListing()), JobEnd::Finished);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(JobRunnerTest, KeyListingRefusesAValueTheConsoleCannotCarryBeforeWritingAnything) {
    // Cyrillic ("\xEA\xEB\xFE\xF7" in 1251) has no form in the console's 850.
    auto job = editorListing();
    job.keyRing = "c:\\pgp\\\xEA\xEB\xFE\xF7.pgp";
    fake.ansiCp = 1251;
    fake.consoleCp = 850;
    EXPECT_EQ(runner.runKeyListing(job), JobEnd::Refused);
    EXPECT_TRUE(only(fake.calls, {"write", "delete", "launch"}).empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "The key ring path \"c:\\pgp\\\xEA\xEB\xFE\xF7.pgp\" cannot be passed to PGP: it contains "
              "a character that the console's code page cannot represent.");
}

TEST_F(JobRunnerTest, BatchFileThatCannotBeWrittenLeavesNoLockBehind) {
    fake.unwritable.insert(FakePlatform::key(kDir + "Murkwell.bat"));
    EXPECT_THROW(runner.runKeyListing(editorListing()), IoError);
    EXPECT_FALSE(fake.has(kDir + "Murkwell.lck"));
    EXPECT_TRUE(fake.launches.empty());
}

namespace {

// An editor operation whose parts log what they do into `steps`.
struct EditorCaller {
    std::vector<std::string> steps;
    EditorJobValues values{"\"Alice\" \"Bob\" ", "\"Carol\""};
    JobPaths paths;
    std::vector<std::string> picked;

    EditorJob job(EditorOperation op) {
        EditorJob j;
        j.operation = op;
        j.pgpExe = kDir + "pgp.exe";
        j.pgpDir = kDir;
        j.setPaths = [this](const JobPaths& p) { paths = p, steps.push_back("paths"); };
        j.showSetup = [this] { steps.push_back("setup"); };
        j.promptsBeforeLock = [this] { steps.push_back("key dialogs"); };
        j.promptsAfterLock = [this] { steps.push_back("pass phrase dialog"); };
        j.values = [this] { return values; };
        return j;
    }
};

} // namespace

TEST_F(JobRunnerTest, EditorEncryptRunsEveryStepInOrderAndWipesExistingTemporaries) {
    fake.put(kTool, {});
    fake.put(kDir + "murkwell.usr", {"listing"});
    EditorCaller caller;
    auto job = caller.job(EditorOperation::Encrypt);
    job.saveInput = [&](const std::string& input) {
        caller.steps.push_back("save " + input);
        fake.put(input, {"text"});
    };
    fake.onWait = [&] {
        fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
        fake.put(kDir + "murkwell.asc", {"armoured"});
    };
    job.pickUp = [&](const std::string& output) { caller.steps.push_back("pick up " + output); };
    fake.onLaunch = [&](const LaunchCall& c) {
        if (c.file == kDir + "Murkwell.bat") {
            caller.steps.push_back("launch batch");
            batchAtLaunch = fake.content(c.file);
            EXPECT_EQ(fake.content(kDir + "Murkwell.lck")
                          .at(0)
                          .rfind("Temporary LockFile Written by Murkwell. ", 0),
                      0u);
        }
    };

    EXPECT_EQ(runner.runEditorOperation(job), JobEnd::Finished);
    EXPECT_EQ(caller.steps, (std::vector<std::string>{"paths", "key dialogs", "pass phrase dialog",
                                                      "save c:\\pgp\\murkwell.tmp", "launch batch",
                                                      "pick up c:\\pgp\\murkwell.asc"}));
    EXPECT_EQ(caller.paths.batchFile, kDir + "Murkwell.bat");
    EXPECT_EQ(caller.paths.lockFile, kDir + "Murkwell.lck");
    EXPECT_EQ(caller.paths.pgpDir, kDir);
    // The documented example: -eat with the wipe tool present, then DEL.
    EXPECT_EQ(batchAtLaunch,
              (std::vector<std::string>{"c:\\pgp\\pgp.exe -eat murkwell.tmp \"Alice\" \"Bob\" ",
                                        "DEL c:\\pgp\\Murkwell.lck"}));
    ASSERT_EQ(fake.launches.size(), 5u);
    EXPECT_EQ(fake.launches[0].mode, ShowMode::Normal);
    EXPECT_EQ(fake.launches[0].directory, kDir);
    // murkwell.txt does not exist, so it gets no launch.
    std::vector<std::string> wiped{"Murkwell.bat", "murkwell.tmp", "murkwell.usr", "murkwell.asc"};
    for (std::size_t i = 0; i < wiped.size(); ++i) {
        EXPECT_EQ(fake.launches[i + 1].file, kTool);
        EXPECT_EQ(fake.launches[i + 1].parameters, "[c:\\pgp\\" + wiped[i] + "] /two /silent");
        EXPECT_EQ(fake.launches[i + 1].directory, kDir);
        EXPECT_EQ(fake.launches[i + 1].mode, ShowMode::Hidden);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(JobRunnerTest, EditorWithoutWipeToolUsesTheWFormsAndDeletesItsList) {
    fake.put(kDir + "murkwell.usr", {"listing"});
    fake.put(kDir + "murkwell.txt", {"old output, not on the list of the encrypting operations"});
    EditorCaller caller;
    auto job = caller.job(EditorOperation::SignEncrypt);
    job.saveInput = [&](const std::string& input) { fake.put(input, {"text"}); };
    fake.onWait = [&] {
        fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
        fake.put(kDir + "murkwell.asc", {"armoured"});
    };
    EXPECT_EQ(runner.runEditorOperation(job), JobEnd::Finished);
    EXPECT_EQ(batchAtLaunch[0], "c:\\pgp\\pgp.exe -eastw murkwell.tmp \"Alice\" \"Bob\"  -u \"Carol\"");
    auto after = only(fake.calls, {"delete", "launch"});
    EXPECT_EQ(std::vector<std::string>(after.end() - 3, after.end()),
              (std::vector<std::string>{"delete c:\\pgp\\murkwell.tmp", "delete c:\\pgp\\murkwell.usr",
                                        "delete c:\\pgp\\murkwell.asc"}));
    EXPECT_TRUE(fake.has(kDir + "Murkwell.bat"));
    EXPECT_TRUE(fake.has(kDir + "murkwell.txt"));
}

TEST_F(JobRunnerTest, EditorDecryptBlanksTheBatchFileBeforeDeletingItAndPausesOnlyWithShift) {
    EditorCaller caller;
    caller.values.passPhraseOn = true;
    caller.values.passPhrase = "secret";
    caller.values.shift = true;
    auto job = caller.job(EditorOperation::Decrypt);
    job.saveInput = [&](const std::string& input) { fake.put(input, {"armoured"}); };
    fake.onWait = [&] {
        fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
        fake.put(kDir + "murkwell.txt", {"plain"});
    };
    std::vector<std::string> picked;
    job.pickUp = [&](const std::string& output) { picked = fake.content(output); };
    EXPECT_EQ(runner.runEditorOperation(job), JobEnd::Finished);
    EXPECT_EQ(batchAtLaunch,
              (std::vector<std::string>{"@c:\\pgp\\pgp.exe -z \"secret\" murkwell.tmp -o murkwell.txt",
                                        "pause", "DEL c:\\pgp\\Murkwell.lck"}));
    EXPECT_EQ(picked, std::vector<std::string>{"plain"});
    auto tail = only(fake.calls, {"write", "delete"});
    ASSERT_GE(tail.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(tail.end() - 4, tail.end()),
              (std::vector<std::string>{"write c:\\pgp\\Murkwell.bat", "delete c:\\pgp\\Murkwell.bat",
                                        "delete c:\\pgp\\murkwell.tmp", "delete c:\\pgp\\murkwell.txt"}));
    EXPECT_FALSE(fake.has(kDir + "Murkwell.bat"));

    // The overwrite: six lines of 68 "#" written to the batch file just before it is deleted.
    ASSERT_FALSE(fake.writes.empty());
    EXPECT_EQ(fake.writes.back().first, kDir + "Murkwell.bat");
    EXPECT_EQ(fake.writes.back().second, std::vector<std::string>(6, kHashes));

    caller.values.shift = false;
    EXPECT_EQ(runner.runEditorOperation(caller.job(EditorOperation::Decrypt)), JobEnd::Finished);
    EXPECT_EQ(batchAtLaunch.size(), 2u); // no "pause" without Shift
}

TEST_F(JobRunnerTest, CleanUpWaitsForTheBatchInterpreterToEndBeforeTouchingTheBatchFile) {
    // cmd still holds the batch file open for a moment after its last line deleted the lock.
    EditorCaller caller;
    auto job = caller.job(EditorOperation::Decrypt);
    job.saveInput = [&](const std::string& input) { fake.put(input, {"armoured"}); };
    fake.batchEndsAtItsDel = false;
    fake.onWait = [&] {
        fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
        const auto& w = fake.waitCalls.back();
        if (w.process)
            fake.calls.push_back("await " + std::to_string(w.process) + " " + std::to_string(w.timeoutMs));
        if (w.timeoutMs == JobRunner::kBatchExitMs) fake.endedProcesses.insert(w.process);
    };
    EXPECT_EQ(runner.runEditorOperation(job), JobEnd::Finished);
    std::vector<std::string> order;
    for (const auto& c : only(fake.calls, {"await", "write", "delete"}))
        if (c.find("Murkwell.bat") != std::string::npos || c.rfind("await", 0) == 0) order.push_back(c);
    EXPECT_EQ(order,
              (std::vector<std::string>{"write c:\\pgp\\Murkwell.bat", "await 1 100", "await 1 3000",
                                        "write c:\\pgp\\Murkwell.bat", "delete c:\\pgp\\Murkwell.bat"}));
}

TEST_F(JobRunnerTest, ShiftNeverAddsPauseToTheOtherOperations) {
    EditorCaller caller;
    caller.values.shift = true;
    for (auto op : {EditorOperation::Encrypt, EditorOperation::Sign, EditorOperation::SignEncrypt,
                    EditorOperation::EncryptIdea}) {
        EXPECT_EQ(runner.runEditorOperation(caller.job(op)), JobEnd::Finished);
        EXPECT_EQ(batchAtLaunch.size(), 2u) << batchAtLaunch[0];
    }
}

TEST_F(JobRunnerTest, PreChecksOfBothProgramsShowTheirTextsInTheirBoxesAndWriteNothing) {
    struct Case {
        bool pgpMissing;
        bool editor;
        std::string caption, text;
        BoxIcon icon;
        bool setupShown;
    };
    const Case cases[] = {
        {true, true, "Information", "PGP.EXE not where Setup Thinks it is, Running Setup.",
         BoxIcon::Information, true},
        {false, true, "Information", "Lockfile is busy, only one PGP session allowed at a time.",
         BoxIcon::Information, false},
        {true, false, "Murkwell File Encryption Applet",
         "PGP Doesn't Exists where setup thinks it should!, Running Setup.", BoxIcon::None, true},
        {false, false, "Murkwell File Encryption Applet",
         "LockFile is busy, only one PGP session is allowed at a time.", BoxIcon::None, false},
    };
    for (const auto& c : cases) {
        KeepingFake files;
        ScriptedInteraction shown;
        JobRunner r(files, shown);
        if (!c.pgpMissing) {
            files.put(kDir + "pgp.exe", {});
            files.put(kDir + (c.editor ? "Murkwell.lck" : "bramlet.lck"), {"busy"});
        }
        files.put(kDir + "murkwell.tmp", {"earlier input"});
        std::vector<std::string> steps;
        JobEnd end;
        if (c.editor) {
            EditorCaller caller;
            auto job = caller.job(EditorOperation::Encrypt);
            job.saveInput = [&](const std::string&) { steps.push_back("save"); };
            end = r.runEditorOperation(job);
            steps.insert(steps.end(), caller.steps.begin(), caller.steps.end());
        } else {
            FileJob job;
            job.pgpExe = kDir + "pgp.exe";
            job.pgpDir = kDir;
            job.selectedFile = "c:\\docs\\a.txt";
            job.showSetup = [&] { steps.push_back("setup"); };
            job.promptsBeforeLock = [&] { steps.push_back("key dialogs"); };
            end = r.runFileOperation(job);
        }
        EXPECT_EQ(end, JobEnd::Refused) << c.text;
        ASSERT_EQ(shown.shown.size(), 1u) << c.text;
        EXPECT_EQ(shown.shown[0].caption, c.caption);
        EXPECT_EQ(shown.shown[0].text, c.text);
        EXPECT_EQ(shown.shown[0].icon, c.icon);
        EXPECT_EQ(std::count(steps.begin(), steps.end(), "setup"), c.setupShown ? 1 : 0) << c.text;
        EXPECT_EQ(std::count(steps.begin(), steps.end(), "key dialogs"), 0) << c.text;
        EXPECT_TRUE(only(files.calls, {"write", "delete", "launch"}).empty()) << c.text;
    }
}

namespace {

FileJob fileJob(FileOperation op, std::vector<std::string>& steps, FileJobValues values) {
    FileJob job;
    job.operation = op;
    job.pgpExe = kDir + "pgp.exe";
    job.pgpDir = kDir;
    job.selectedFile = "C:\\My Documents\\Quarterly Report.doc";
    job.workingDirectory = "C:\\My Documents\\";
    job.setPaths = [&steps](const JobPaths& p) {
        steps.push_back("paths " + p.batchFile + " " + p.lockFile);
    };
    job.promptsBeforeLock = [&steps] { steps.push_back("key dialogs"); };
    job.values = [values] { return values; };
    job.refresh = [&steps] { steps.push_back("refresh"); };
    return job;
}

} // namespace

// A key dialog that offered a first key ends the operation: nothing written, started or said.
TEST_F(JobRunnerTest, AnOperationAbandonedInItsKeyDialogsWritesAndStartsNothing) {
    EditorCaller caller;
    auto editorJob = caller.job(EditorOperation::Encrypt);
    editorJob.saveInput = [&](const std::string&) { caller.steps.push_back("save"); };
    editorJob.abandoned = [] { return true; };
    std::vector<std::string> steps;
    auto fileJobAbandoned = fileJob(FileOperation::SignEncrypt, steps, {});
    fileJobAbandoned.abandoned = [] { return true; };
    fake.put(fileJobAbandoned.selectedFile, {});
    fake.calls.clear();
    EXPECT_EQ(runner.runEditorOperation(editorJob), JobEnd::Refused);
    EXPECT_EQ(caller.steps, (std::vector<std::string>{"paths", "key dialogs"}));
    EXPECT_EQ(runner.runFileOperation(fileJobAbandoned), JobEnd::Refused);
    EXPECT_EQ(steps.back(), "key dialogs");
    EXPECT_TRUE(only(fake.calls, {"write", "create", "launch"}).empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(JobRunnerTest, FileModuleSignEncryptWritesTheWorkedExampleAndWipesItsOwnFiles) {
    fake.put(kTool, {});
    fake.shortNames[FakePlatform::key("C:\\My Documents\\Quarterly Report.doc")] =
        "C:\\MYDOCU~1\\QUARTE~1.DOC";
    fake.put(kDir + "bramlet.usr", {"left over"});
    std::vector<std::string> steps;
    std::vector<std::string> lockAtLaunch;
    fake.onLaunch = [&](const LaunchCall& c) {
        if (c.file == kDir + "bramlet.bat") {
            batchAtLaunch = fake.content(c.file);
            lockAtLaunch = fake.content(kDir + "bramlet.lck");
        }
    };
    auto job = fileJob(FileOperation::SignEncrypt, steps, {"\"Alice\" \"Bob\" ", "Carol"});
    EXPECT_EQ(runner.runFileOperation(job), JobEnd::Finished);
    EXPECT_EQ(steps, (std::vector<std::string>{"paths c:\\pgp\\bramlet.bat c:\\pgp\\bramlet.lck",
                                               "key dialogs", "refresh"}));
    EXPECT_EQ(batchAtLaunch,
              (std::vector<std::string>{
                  "c:\\pgp\\pgp.exe -east C:\\MYDOCU~1\\QUARTE~1.DOC \"Alice\" \"Bob\"  -u \"Carol\"",
                  "DEL c:\\pgp\\bramlet.lck"}));
    ASSERT_EQ(lockAtLaunch.size(), 1u);
    EXPECT_EQ(lockAtLaunch[0].rfind("Temporary LockFile Written by Murkwell File ", 0), 0u);
    ASSERT_EQ(fake.launches.size(), 3u);
    EXPECT_EQ(fake.launches[0].directory, "C:\\My Documents\\");
    EXPECT_EQ(fake.launches[0].mode, ShowMode::Normal);
    EXPECT_EQ(fake.launches[1].parameters, "[c:\\pgp\\bramlet.bat] /two /silent");
    EXPECT_EQ(fake.launches[2].parameters, "[c:\\pgp\\bramlet.usr] /two /silent");
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(fake.launches[i].file, kTool);
        EXPECT_EQ(fake.launches[i].directory, kDir);
        EXPECT_EQ(fake.launches[i].mode, ShowMode::Hidden);
    }
}

TEST_F(JobRunnerTest, FileModuleWithoutWipeToolRefreshesAndDeletesNothing) {
    fake.shortNames[FakePlatform::key("C:\\My Documents\\Quarterly Report.doc")] =
        "C:\\MYDOCU~1\\QUARTE~1.DOC";
    std::vector<std::string> steps;
    auto job = fileJob(FileOperation::Decrypt, steps, {});
    job.shift = true;
    EXPECT_EQ(runner.runFileOperation(job), JobEnd::Finished);
    EXPECT_EQ(batchAtLaunch, (std::vector<std::string>{"c:\\pgp\\pgp.exe -p C:\\MYDOCU~1\\QUARTE~1.DOC",
                                                       "pause", "DEL c:\\pgp\\bramlet.lck"}));
    EXPECT_EQ(steps.back(), "refresh");
    EXPECT_EQ(fake.launches.size(), 1u);
    // Only the report pgp.exe left for the job, once read.
    EXPECT_EQ(only(fake.calls, {"delete"}), std::vector<std::string>{"delete " + kDir + "bramlet.out"});
    EXPECT_TRUE(fake.has(kDir + "bramlet.bat"));

    // Shift plays no part outside Decrypt.
    auto encrypt = fileJob(FileOperation::Encrypt, steps, {"\"Alice\" "});
    encrypt.shift = true;
    EXPECT_EQ(runner.runFileOperation(encrypt), JobEnd::Finished);
    EXPECT_EQ(batchAtLaunch,
              (std::vector<std::string>{"c:\\pgp\\pgp.exe -ea C:\\MYDOCU~1\\QUARTE~1.DOC \"Alice\" ",
                                        "DEL c:\\pgp\\bramlet.lck"}));
}

TEST_F(JobRunnerTest, FileModuleWithoutAShortNameRemovesItsLockAndSaysSo) {
    // The file has gone: refused before the key dialogs, with nothing written.
    std::vector<std::string> steps;
    EXPECT_EQ(runner.runFileOperation(fileJob(FileOperation::Encrypt, steps, {})), JobEnd::Refused);
    EXPECT_FALSE(fake.has(kDir + "bramlet.lck"));
    EXPECT_FALSE(fake.has(kDir + "bramlet.bat"));
    EXPECT_TRUE(fake.launches.empty());
    EXPECT_TRUE(only(fake.calls, {"write", "delete", "create"}).empty());
    EXPECT_EQ(steps, (std::vector<std::string>{"paths c:\\pgp\\bramlet.bat c:\\pgp\\bramlet.lck"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "The file C:\\My Documents\\Quarterly Report.doc cannot be handed to PGP: it "
              "no longer exists. PGP was not started.");
    EXPECT_EQ(boxes.shown[0].caption, "Murkwell File Encryption Applet");
}

TEST_F(JobRunnerTest, FileModuleNamesTheFileByItsShortFormOrLongPathWithin127CharactersAtTheLaunch) {
    const std::string file = "C:\\My Documents\\Quarterly Report.doc";
    fake.put(file, {});
    fake.shortNames[FakePlatform::key(file)] = "C:\\" + std::string(119, 'D') + "\\A.DOC"; // 128 characters
    std::vector<std::string> steps;
    EXPECT_EQ(runner.runFileOperation(fileJob(FileOperation::EncryptIdea, steps, {})), JobEnd::Refused);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "The file " + file +
                  " cannot be handed to PGP: the short form of its path is longer than 127 "
                  "characters. PGP was not started.");
    EXPECT_TRUE(fake.launches.empty());

    // 127 characters go; a file removed while a key dialog is open is refused after it, and the
    // earlier short form is not used.
    fake.shortNames[FakePlatform::key(file)] = "C:\\" + std::string(118, 'D') + "\\A.DOC";
    std::string shortSeen;
    auto job = fileJob(FileOperation::Sign, steps, {"", "Carol"});
    job.setShortName = [&](const std::string& s) { shortSeen = s; };
    job.promptsBeforeLock = [&] {
        fake.shortNames.clear();
        fake.deleteFile(file);
        fake.calls.clear();
    };
    EXPECT_EQ(runner.runFileOperation(job), JobEnd::Refused);
    EXPECT_EQ(shortSeen, "");
    EXPECT_TRUE(only(fake.calls, {"write", "delete", "create", "launch"}).empty());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(boxes.shown[1].text.find("it no longer exists"), std::string::npos) << boxes.shown[1].text;

    // A disk that keeps no short names: the long path goes, quoted, and only a long one is refused.
    fake.put(file, {});
    fake.shortNames[FakePlatform::key(file)] = "";
    EXPECT_EQ(runner.runFileOperation(fileJob(FileOperation::Decrypt, steps, {})), JobEnd::Finished);
    EXPECT_EQ(batchAtLaunch[0], "c:\\pgp\\pgp.exe -p \"" + file + "\"");
    const std::string deep = "C:\\" + std::string(120, 'D') + "\\A B.DOC";
    fake.put(deep, {});
    fake.shortNames[FakePlatform::key(deep)] = "";
    auto deepJob = fileJob(FileOperation::Decrypt, steps, {});
    deepJob.selectedFile = deep;
    EXPECT_EQ(runner.runFileOperation(deepJob), JobEnd::Refused);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_NE(boxes.shown[2].text.find("longer than 127 characters, and the disk keeps no short form"),
              std::string::npos)
        << boxes.shown[2].text;
}

TEST_F(JobRunnerTest, Utf8ConsoleTakesTheKeyListingAndEveryOperationInItsOwnBytes) {
    fake.consoleCp = 65001;
    auto listing = editorListing();
    listing.keyRing = kDir + "cl\xE9s.pgp";
    EXPECT_EQ(runner.runKeyListing(listing), JobEnd::Finished);
    EXPECT_EQ(batchAtLaunch,
              (std::vector<std::string>{
                  "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\cl\xC3\xA9s.pgp > c:\\pgp\\murkwell.usr",
                  "DEL c:\\pgp\\Murkwell.lck"}));

    EditorCaller caller;
    caller.values = {"\"Ren\xE9\" \"\x80uro\" ", "\"Z\xFC\""};
    caller.values.passPhraseOn = true;
    caller.values.passPhrase = "caf\xE9";
    for (auto op : {EditorOperation::SignEncrypt, EditorOperation::Decrypt})
        EXPECT_EQ(runner.runEditorOperation(caller.job(op)), JobEnd::Finished);
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(fake.launches.size(), 3u);
    const auto& writes = fake.writes;
    std::vector<std::string> batches;
    for (const auto& [path, lines] : writes)
        if (path == kDir + "Murkwell.bat" && lines.size() == 2) batches.push_back(lines[0]);
    EXPECT_EQ(
        batches,
        (std::vector<std::string>{
            "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\cl\xC3\xA9s.pgp > c:\\pgp\\murkwell.usr",
            "c:\\pgp\\pgp.exe -eastw murkwell.tmp \"Ren\xC3\xA9\" \"\xE2\x82\xACuro\"  -u \"Z\xC3\xBC\"",
            "@c:\\pgp\\pgp.exe -z \"caf\xC3\xA9\" murkwell.tmp -o murkwell.txt"}));
}

TEST_F(JobRunnerTest, AccentOnAWesternConsoleGoesAndCyrillicIsRefusedWithItsUserId) {
    fake.consoleCp = 437;
    EditorCaller caller;
    caller.values.recipients = "\"Ren\xE9\" ";
    EXPECT_EQ(runner.runEditorOperation(caller.job(EditorOperation::Encrypt)), JobEnd::Finished);
    EXPECT_EQ(batchAtLaunch.at(0), "c:\\pgp\\pgp.exe -eatw murkwell.tmp \"Ren\x82\" ");
    EXPECT_TRUE(boxes.shown.empty());

    fake.ansiCp = 1251;
    fake.consoleCp = 850;
    fake.calls.clear();
    caller.values.recipients = "\"Alice\" \"\xC8\xE2\xE0\xED\" ";
    EXPECT_EQ(runner.runEditorOperation(caller.job(EditorOperation::Encrypt)), JobEnd::Refused);
    EXPECT_TRUE(only(fake.calls, {"write", "delete", "launch"}).empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "The user ID \"\xC8\xE2\xE0\xED\" cannot be passed to PGP: it contains a "
                                   "character that the console's code page cannot represent.");
}

TEST_F(JobRunnerTest, UnsafeUserIdIsRefusedAfterTheDialogsAndBeforeTheLock) {
    std::vector<std::string> steps;
    fake.shortNames[FakePlatform::key("C:\\My Documents\\Quarterly Report.doc")] =
        "C:\\MYDOCU~1\\QUARTE~1.DOC";
    auto job = fileJob(FileOperation::Sign, steps, {"", "Mallory\" & del *.* & \""});
    EXPECT_EQ(runner.runFileOperation(job), JobEnd::Refused);
    EXPECT_EQ(steps.back(), "key dialogs");
    EXPECT_TRUE(only(fake.calls, {"write", "delete", "launch"}).empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "The user ID \"Mallory\" & del *.* & \"\" cannot be passed to PGP: it contains a "
              "double quote (\").");
    EXPECT_EQ(boxes.shown[0].caption, "Murkwell File Encryption Applet");
}

TEST_F(JobRunnerTest, PassPhraseEnteredAfterTheLockThatCannotGoRemovesTheLock) {
    EditorCaller caller;
    caller.values.passPhraseOn = true;
    auto job = caller.job(EditorOperation::Decrypt);
    job.promptsAfterLock = [&] { caller.values.passPhrase = "a\"b"; };
    EXPECT_EQ(runner.runEditorOperation(job), JobEnd::Refused);
    EXPECT_FALSE(fake.has(kDir + "Murkwell.lck"));
    EXPECT_FALSE(fake.has(kDir + "Murkwell.bat"));
    EXPECT_TRUE(fake.launches.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    // The pass phrase itself is never shown.
    EXPECT_EQ(boxes.shown[0].text,
              "The pass phrase cannot be passed to PGP: it contains a double quote (\").");
}

TEST_F(JobRunnerTest, InputThatCannotBeSavedLeavesNoLockBehind) {
    EditorCaller caller;
    auto job = caller.job(EditorOperation::Encrypt);
    job.saveInput = [](const std::string& input) { throw IoError(input, "create", "Disk full."); };
    EXPECT_THROW(runner.runEditorOperation(job), IoError);
    EXPECT_FALSE(fake.has(kDir + "Murkwell.lck"));
    EXPECT_TRUE(fake.launches.empty());
}

TEST_F(JobRunnerTest, PickUpThatFailsStillCleansUpThenShowsItsError) {
    // Decrypt without the wipe tool: the plaintext and the batch with the pass phrase must go.
    EditorCaller caller;
    caller.values.passPhraseOn = true;
    caller.values.passPhrase = "secret";
    auto job = caller.job(EditorOperation::Decrypt);
    job.saveInput = [&](const std::string& input) { fake.put(input, {"armoured"}); };
    fake.onWait = [&] {
        fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
        fake.put(kDir + "murkwell.txt", {"plain"});
    };
    job.pickUp = [](const std::string& output) { throw IoError(output, "read", "The device is not ready."); };
    try {
        runner.runEditorOperation(job);
        FAIL() << "the pick-up's error was swallowed";
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot read \"c:\\pgp\\murkwell.txt\": The device is not ready.");
    }
    for (const char* name : {"murkwell.tmp", "murkwell.txt", "Murkwell.bat", "Murkwell.lck"})
        EXPECT_FALSE(fake.has(kDir + name)) << name;
    EXPECT_EQ(fake.writes.back().first, kDir + "Murkwell.bat");
    EXPECT_EQ(fake.writes.back().second, std::vector<std::string>(6, kHashes));

    // Encrypt with the wipe tool: every temporary still gets its wipe.
    fake.put(kTool, {});
    fake.launches.clear();
    auto encrypt = caller.job(EditorOperation::Encrypt);
    encrypt.saveInput = [&](const std::string& input) { fake.put(input, {"text"}); };
    fake.onWait = [&] {
        fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
        fake.put(kDir + "murkwell.asc", {"armoured"});
    };
    encrypt.pickUp = [](const std::string& output) { throw IoError(output, "read", "Access is denied."); };
    EXPECT_THROW(runner.runEditorOperation(encrypt), IoError);
    EXPECT_EQ(wipedBy(fake), (std::vector<std::string>{"[c:\\pgp\\Murkwell.bat] /two /silent",
                                                       "[c:\\pgp\\murkwell.tmp] /two /silent",
                                                       "[c:\\pgp\\murkwell.asc] /two /silent"}));
}

TEST_F(JobRunnerTest, BlankingRefusedWhileCmdStillHoldsTheBatchIsTriedAgain) {
    EditorCaller caller;
    caller.values.passPhraseOn = true;
    caller.values.passPhrase = "secret";
    auto job = caller.job(EditorOperation::Decrypt);
    job.saveInput = [&](const std::string& input) { fake.put(input, {"armoured"}); };
    int refused = 0;
    fake.beforeWrite = [&](const std::string& path, const std::vector<std::string>& lines) {
        if (path == kDir + "Murkwell.bat" && lines == std::vector<std::string>(6, kHashes) && refused < 2) {
            ++refused;
            throw IoError(path, "create", "Sharing violation.");
        }
    };
    EXPECT_EQ(runner.runEditorOperation(job), JobEnd::Finished);
    EXPECT_EQ(refused, 2);
    EXPECT_EQ(fake.writes.back().second, std::vector<std::string>(6, kHashes));
    EXPECT_FALSE(fake.has(kDir + "Murkwell.bat"));
    EXPECT_TRUE(boxes.shown.empty());

    // Refused every time: the batch file is still deleted and the error shown after the clean-up.
    refused = -1000;
    EXPECT_THROW(runner.runEditorOperation(caller.job(EditorOperation::Decrypt)), IoError);
    EXPECT_FALSE(fake.has(kDir + "Murkwell.bat"));
    EXPECT_FALSE(fake.has(kDir + "Murkwell.lck"));
}

TEST_F(JobRunnerTest, BatchLineLongerThanCmdReadsIsRefusedBeforeAnythingIsWritten) {
    // A pass phrase of 8,000 characters: named without its text, nothing written or saved.
    EditorCaller caller;
    caller.values.passPhraseOn = true;
    caller.values.passPhrase = std::string(8000, 'p');
    auto job = caller.job(EditorOperation::Decrypt);
    bool saved = false;
    job.saveInput = [&](const std::string&) { saved = true; };
    EXPECT_EQ(runner.runEditorOperation(job), JobEnd::Refused);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(only(fake.calls, {"write", "launch"}).empty());
    EXPECT_FALSE(fake.has(kDir + "Murkwell.lck"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Information");
    EXPECT_EQ(boxes.shown[0].text,
              "The pass phrase is too long: the PGP line would be 8050 characters, and a "
              "batch file line may hold at most 8000. PGP was not started.");

    // Just short enough: 7,950 characters of pass phrase make a line of exactly 8,000, its "@"
    // included.
    caller.values.passPhrase = std::string(7950, 'p');
    EXPECT_EQ(runner.runEditorOperation(caller.job(EditorOperation::Decrypt)), JobEnd::Finished);
    EXPECT_EQ(batchAtLaunch.at(0).size(), 8000u);

    // A hostile user ID in the file module: the box of the file module, the ID's beginning named; the
    // length counts the file's real short form.
    boxes.shown.clear();
    fake.calls.clear();
    fake.shortNames[FakePlatform::key("C:\\My Documents\\Quarterly Report.doc")] =
        "C:\\MYDOCU~1\\QUARTE~1.DOC";
    std::vector<std::string> steps;
    const std::string longId = "Mallory " + std::string(8100, 'm');
    EXPECT_EQ(runner.runFileOperation(fileJob(FileOperation::Sign, steps, {"", longId})), JobEnd::Refused);
    EXPECT_TRUE(only(fake.calls, {"write", "launch"}).empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Murkwell File Encryption Applet");
    EXPECT_EQ(boxes.shown[0].text,
              "The signer's user ID \"Mallory mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm...\" is too "
              "long: the PGP line would be 8158 characters, and a batch file line may hold "
              "at most 8000. PGP was not started.");
}

TEST_F(JobRunnerTest, DecryptWithTheWipeToolWipesThePlaintextToo) {
    fake.put(kTool, {});
    EditorCaller caller;
    auto job = caller.job(EditorOperation::Decrypt);
    job.saveInput = [&](const std::string& input) { fake.put(input, {"armoured"}); };
    fake.onWait = [&] {
        fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
        fake.put(kDir + "murkwell.txt", {"plain"});
    };
    EXPECT_EQ(runner.runEditorOperation(job), JobEnd::Finished);
    EXPECT_EQ(wipedBy(fake), (std::vector<std::string>{"[c:\\pgp\\Murkwell.bat] /two /silent",
                                                       "[c:\\pgp\\murkwell.tmp] /two /silent",
                                                       "[c:\\pgp\\murkwell.txt] /two /silent"}));
}

TEST_F(JobRunnerTest, BatchThatCannotBeWrittenLeavesNoLockAndSavesNoMessage) {
    // Editor: the message never reaches murkwell.tmp.
    fake.unwritable.insert(FakePlatform::key(kDir + "Murkwell.bat"));
    EditorCaller caller;
    auto job = caller.job(EditorOperation::Encrypt);
    bool saved = false;
    job.saveInput = [&](const std::string& input) { saved = true, fake.put(input, {"text"}); };
    EXPECT_THROW(runner.runEditorOperation(job), IoError);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(fake.has(kDir + "murkwell.tmp"));
    EXPECT_FALSE(fake.has(kDir + "Murkwell.lck"));
    EXPECT_TRUE(fake.launches.empty());

    // File module: no "bramlet.lck" is left to refuse every later job as busy.
    fake.shortNames[FakePlatform::key("C:\\My Documents\\Quarterly Report.doc")] =
        "C:\\MYDOCU~1\\QUARTE~1.DOC";
    fake.unwritable.insert(FakePlatform::key(kDir + "bramlet.bat"));
    std::vector<std::string> steps;
    EXPECT_THROW(runner.runFileOperation(fileJob(FileOperation::Encrypt, steps, {"\"Alice\" ", ""})),
                 IoError);
    EXPECT_FALSE(fake.has(kDir + "bramlet.lck"));
    EXPECT_TRUE(fake.launches.empty());
}

TEST_F(JobRunnerTest, EveryFailureAfterTheBatchFileExistsRunsTheCleanUpOfAFinishedJob) {
    // Each way a job can stop once its batch file is (even half) written, for each operation,
    // with and without the wipe tool: the pass phrase and the plaintext must not stay behind.
    enum class Point { BatchWriteBreaksOff, InputSaveFails, LaunchFails, BatchEndsEarly, PickUpFails };
    const Point points[] = {Point::BatchWriteBreaksOff, Point::InputSaveFails, Point::LaunchFails,
                            Point::BatchEndsEarly, Point::PickUpFails};
    const char* const pointNames[] = {"batch write breaks off", "input save fails", "launch fails",
                                      "batch ends early", "pick-up fails"};
    const EditorOperation ops[] = {EditorOperation::Encrypt, EditorOperation::Decrypt, EditorOperation::Sign,
                                   EditorOperation::SignEncrypt, EditorOperation::EncryptIdea};
    for (bool tool : {false, true})
        for (auto op : ops)
            for (auto point : points) {
                SCOPED_TRACE(std::string(pointNames[static_cast<int>(point)]) + ", operation " +
                             std::to_string(static_cast<int>(op)) +
                             (tool ? ", wipe tool" : ", no wipe tool"));
                const bool decrypt = op == EditorOperation::Decrypt;
                KeepingFake f;
                ScriptedInteraction shown;
                JobRunner r(f, shown);
                f.put(kDir + "pgp.exe", {});
                f.put(kDir + "murkwell.usr", {"listing"});
                if (tool) f.put(kTool, {});
                EditorCaller caller;
                caller.values.passPhraseOn = decrypt;
                caller.values.passPhrase = "secret";
                auto job = caller.job(op);
                const std::string output = kDir + (decrypt ? "murkwell.txt" : "murkwell.asc");
                job.saveInput = [&](const std::string& input) {
                    f.put(input, {"plaintext, half"});
                    if (point == Point::InputSaveFails) throw IoError(input, "write", "Disk full.");
                    f.put(input, {"plaintext"});
                };
                // A write of the PGP line that leaves the first line on the disk, then fails.
                bool brokeOff = false;
                f.beforeWrite = [&](const std::string& path, const std::vector<std::string>& lines) {
                    if (point == Point::BatchWriteBreaksOff && !brokeOff && path == kDir + "Murkwell.bat") {
                        brokeOff = true;
                        f.put(path, {lines.at(0)});
                        throw IoError(path, "write", "Disk full.");
                    }
                };
                if (point == Point::LaunchFails)
                    f.unlaunchable.insert(FakePlatform::key(kDir + "Murkwell.bat"));
                f.onWait = [&] {
                    f.put(output, {"output"});
                    if (point == Point::BatchEndsEarly)
                        f.processHasEnded = true;
                    else
                        f.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
                };
                job.pickUp = [&](const std::string& file) {
                    if (point == Point::PickUpFails) throw IoError(file, "read", "Access is denied.");
                };

                const bool throws = point == Point::BatchWriteBreaksOff || point == Point::InputSaveFails ||
                                    point == Point::PickUpFails;
                if (throws)
                    EXPECT_THROW(r.runEditorOperation(job), IoError);
                else
                    EXPECT_NE(r.runEditorOperation(job), JobEnd::Finished);

                EXPECT_FALSE(f.has(kDir + "Murkwell.lck"));
                const std::vector<std::string> wiped = wipedBy(f);
                if (tool) {
                    // Every temporary that exists goes to the wipe tool, the batch file first.
                    std::vector<std::string> expected{"[c:\\pgp\\Murkwell.bat] /two /silent"};
                    if (point != Point::BatchWriteBreaksOff)
                        expected.push_back("[c:\\pgp\\murkwell.tmp] /two /silent");
                    expected.push_back("[c:\\pgp\\murkwell.usr] /two /silent");
                    if (f.has(kDir + "murkwell.txt"))
                        expected.push_back("[c:\\pgp\\murkwell.txt] /two /silent");
                    if (f.has(kDir + "murkwell.asc"))
                        expected.push_back("[c:\\pgp\\murkwell.asc] /two /silent");
                    EXPECT_EQ(wiped, expected);
                    continue;
                }
                EXPECT_TRUE(wiped.empty());
                for (const char* name : {"murkwell.tmp", "murkwell.usr", "murkwell.asc"})
                    EXPECT_FALSE(f.has(kDir + name)) << name;
                if (decrypt) {
                    // Blanked, then deleted, as after a finished Decrypt.
                    EXPECT_FALSE(f.has(kDir + "Murkwell.bat"));
                    EXPECT_FALSE(f.has(kDir + "murkwell.txt"));
                    ASSERT_FALSE(f.writes.empty());
                    EXPECT_EQ(f.writes.back().first, kDir + "Murkwell.bat");
                    EXPECT_EQ(f.writes.back().second, std::vector<std::string>(6, kHashes));
                    auto tail = only(f.calls, {"write", "delete"});
                    EXPECT_NE(std::find(tail.begin(), tail.end(), "delete c:\\pgp\\Murkwell.bat"),
                              tail.end());
                }
            }
}

TEST_F(JobRunnerTest, FileModuleBatchThatBreaksOffHalfWayIsStillWiped) {
    fake.put(kTool, {});
    fake.shortNames[FakePlatform::key("C:\\My Documents\\Quarterly Report.doc")] =
        "C:\\MYDOCU~1\\QUARTE~1.DOC";
    fake.beforeWrite = [&](const std::string& path, const std::vector<std::string>& lines) {
        if (path == kDir + "bramlet.bat") {
            fake.put(path, {lines.at(0)});
            throw IoError(path, "write", "Disk full.");
        }
    };
    std::vector<std::string> steps;
    EXPECT_THROW(runner.runFileOperation(fileJob(FileOperation::Encrypt, steps, {"\"Alice\" ", ""})),
                 IoError);
    EXPECT_FALSE(fake.has(kDir + "bramlet.lck"));
    ASSERT_EQ(fake.launches.size(), 1u);
    EXPECT_EQ(fake.launches[0].file, kTool);
    EXPECT_EQ(fake.launches[0].parameters, "[c:\\pgp\\bramlet.bat] /two /silent");
}

TEST_F(JobRunnerTest, DecryptWhosePickUpFailsStillHandsThePlaintextToTheWipeTool) {
    fake.put(kTool, {});
    EditorCaller caller;
    auto job = caller.job(EditorOperation::Decrypt);
    job.saveInput = [&](const std::string& input) { fake.put(input, {"armoured"}); };
    fake.onWait = [&] {
        fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
        fake.put(kDir + "murkwell.txt", {"plain"});
    };
    job.pickUp = [](const std::string& output) { throw IoError(output, "read", "Access is denied."); };
    EXPECT_THROW(runner.runEditorOperation(job), IoError);
    const std::vector<std::string> wiped = wipedBy(fake);
    EXPECT_NE(std::find(wiped.begin(), wiped.end(), "[c:\\pgp\\murkwell.txt] /two /silent"), wiped.end());
}

TEST_F(JobRunnerTest, AnEarlierOutputIsRemovedAfterTheLockOrTheJobIsRefusedNamingIt) {
    struct Case {
        EditorOperation op;
        bool tool;
        bool removable;
        int toolStatus;
        std::string refusal; // empty when the job goes on
    };
    const Case cases[] = {
        {EditorOperation::Encrypt, false, true, 0, ""},
        {EditorOperation::Decrypt, false, true, 0, ""},
        {EditorOperation::Sign, true, true, 0, ""},
        {EditorOperation::Decrypt, true, true, 0, ""},
        {EditorOperation::EncryptIdea, false, false, 0,
         "The output of an earlier PGP job, c:\\pgp\\murkwell.asc, could not be deleted: Access is denied. "
         "PGP "
         "was not started."},
        {EditorOperation::Decrypt, true, false, 5,
         "The output of an earlier PGP job, c:\\pgp\\murkwell.txt, could not be wiped: it is in use by "
         "another "
         "process. PGP was not started."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refusal.empty() ? "removed" : c.refusal);
        KeepingFake f;
        ScriptedInteraction shown;
        JobRunner r(f, shown);
        f.put(kDir + "pgp.exe", {});
        if (c.tool) f.put(kTool, {});
        const std::string earlier =
            kDir + (c.op == EditorOperation::Decrypt ? "murkwell.txt" : "murkwell.asc");
        f.put(earlier, {"old output, for other recipients"});
        if (!c.removable && !c.tool) f.undeletable.insert(FakePlatform::key(earlier));
        std::vector<std::string> steps;
        // The wipe tool removes the file and ends; the job must wait for that before PGP runs.
        f.exitCode = c.toolStatus;
        f.onLaunch = [&](const LaunchCall& l) {
            if (l.file == kTool) {
                steps.push_back("wipe " + l.parameters);
                if (c.removable) f.files.erase(FakePlatform::key(earlier));
                f.endedProcesses.insert(f.launches.size());
            } else {
                steps.push_back("launch batch");
            }
        };
        f.beforeWrite = [&](const std::string& path, const std::vector<std::string>&) {
            steps.push_back("write " + path.substr(kDir.size()));
        };
        f.onWait = [&] {
            f.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
            f.put(kDir + "murkwell.out", {"status 0", "end"});
        };
        EditorCaller caller;
        auto job = caller.job(c.op);
        const JobEnd end = r.runEditorOperation(job);
        if (!c.refusal.empty()) {
            EXPECT_EQ(end, JobEnd::Refused);
            ASSERT_EQ(shown.shown.size(), 1u);
            EXPECT_EQ(shown.shown[0].text, c.refusal);
            EXPECT_FALSE(f.has(kDir + "Murkwell.lck"));
            EXPECT_TRUE(f.has(earlier));
            EXPECT_EQ(std::count(steps.begin(), steps.end(), "launch batch"), 0);
            EXPECT_EQ(std::count(steps.begin(), steps.end(), "write Murkwell.bat"), 0);
            continue;
        }
        EXPECT_TRUE(shown.shown.empty());
        ASSERT_GE(steps.size(), 3u);
        EXPECT_EQ(steps[0], "write Murkwell.lck");
        if (c.tool) {
            EXPECT_EQ(steps[1], "wipe [" + earlier + "] /two /silent");
            EXPECT_EQ(steps[2], "write Murkwell.bat");
        } else {
            EXPECT_EQ(steps[1], "write Murkwell.bat");
            auto order = only(f.calls, {"write", "delete"});
            ASSERT_GE(order.size(), 3u);
            EXPECT_EQ(order[1], "delete " + earlier);
        }
    }
}

TEST_F(JobRunnerTest, WaitForTheBatchToLetGoHandlesMessagesAndEndsAfterThreeSeconds) {
    // The lock goes at the first wait; each later wait is woken by a message after 10 ms, and the
    // interpreter ends during the fourth.
    EditorCaller caller;
    int passesWhenLockWent = -1;
    fake.batchEndsAtItsDel = false;
    fake.wakeAfterMs = 10;
    fake.onWait = [&] {
        fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
        if (passesWhenLockWent < 0) passesWhenLockWent = fake.messagePasses;
        if (fake.waits == 4) fake.endedProcesses.insert(1);
    };
    EXPECT_EQ(runner.runEditorOperation(caller.job(EditorOperation::Encrypt)), JobEnd::Finished);
    EXPECT_EQ(fake.waits, 4);
    EXPECT_EQ(fake.messagePasses, passesWhenLockWent + 4) << "messages are handled before each block";
    ASSERT_EQ(fake.waitCalls.size(), 4u);
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(fake.waitCalls[i].process, 1u);
        EXPECT_EQ(fake.waitCalls[i].timeoutMs, 3000u - 10 * (i - 1)) << "blocks only for what is left";
    }

    // An interpreter that never ends is given up once three seconds have passed.
    fake.waits = 0;
    fake.waitCalls.clear();
    fake.endedProcesses.clear();
    fake.wakeAfterMs = 1000;
    EXPECT_EQ(runner.runEditorOperation(caller.job(EditorOperation::Encrypt)), JobEnd::Finished);
    ASSERT_EQ(fake.waitCalls.size(), 4u);
    EXPECT_EQ(fake.waitCalls[1].timeoutMs, 3000u);
    EXPECT_EQ(fake.waitCalls[2].timeoutMs, 2000u);
    EXPECT_EQ(fake.waitCalls[3].timeoutMs, 1000u);
}

// What pgp.exe reported reaches the user: good news to the status line, bad news and a PGP that
// said nothing (and wrote nothing) in a box; an outcome left by an earlier job never speaks.
TEST_F(JobRunnerTest, TheOutcomePgpReportsIsShownAndAStaleOneIsIgnored) {
    struct Case {
        const char* name;
        std::optional<std::vector<std::string>> outcome;
        bool output;
        const char* announced;
        const char* boxed;
        EditorOperation operation = EditorOperation::Encrypt;
    };
    const Case cases[] = {
        {"good", std::vector<std::string>{"status 0", "summary Encrypted for 2 keys.", "end"}, true,
         "Encrypted for 2 keys.", nullptr},
        {"bad signature",
         std::vector<std::string>{"status 30", "said WARNING: Bad signature, doesn't match file contents!",
                                  "end"},
         true, nullptr,
         "BAD or unverified signature: do not trust this message's signature.\nWARNING: Bad signature"},
        {"cut short", std::vector<std::string>{"status 0", "summary Encrypted"}, false, nullptr,
         "PGP produced no output, and it did not say why."},
        {"nothing, after Decrypt", std::nullopt, false, nullptr,
         "PGP produced no output, and it did not say why. To read what PGP says, hold down Shift as you "
         "click Decrypt: its console window then stays open until you press a key.",
         EditorOperation::Decrypt},
        {"none", std::nullopt, true, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.shown.clear();
        // An earlier job's report, cut off before it was read.
        fake.put(kDir + "murkwell.out", {"status 0", "summary Stale.", "end"});
        outcome = c.outcome;
        onBatchRun = [&] {
            if (c.output) fake.put(kDir + "murkwell.asc", {"out"});
        };
        EditorCaller caller;
        std::vector<std::string> announced;
        auto job = caller.job(c.operation);
        job.pickUp = [](const std::string&) {};
        job.announce = [&](const std::string& text) { announced.push_back(text); };
        EXPECT_EQ(runner.runEditorOperation(job), JobEnd::Finished);
        EXPECT_EQ(announced,
                  c.announced ? std::vector<std::string>{c.announced} : std::vector<std::string>{});
        ASSERT_EQ(boxes.shown.size(), c.boxed ? 1u : 0u);
        if (c.boxed) {
            EXPECT_EQ(boxes.shown[0].text.rfind(c.boxed, 0), 0u) << boxes.shown[0].text;
            // Shift keeps the console open for Decrypt only: no other button is sent there.
            EXPECT_EQ(boxes.shown[0].text.find("Shift") != std::string::npos,
                      c.operation == EditorOperation::Decrypt)
                << boxes.shown[0].text;
        }
        EXPECT_FALSE(fake.has(kDir + "murkwell.out"));
        EXPECT_EQ(fake.environment.count(kOutcomeVariable), 0u);
    }
}

// The key manager's job: its answers reach the launch, never a file; the batch file goes after the
// job whatever its end, and each refusal comes before anything is written.
TEST_F(JobRunnerTest, KeyJobHandsItsAnswersToTheLaunchAndRemovesItsBatchFileAfterEveryEnd) {
    auto job = [] {
        KeyJob j;
        j.pgpExe = kDir + "pgp.exe";
        j.pgpDir = kDir;
        j.batchFile = kDir + "wendal.bat";
        j.lockFile = kDir + "wendal.lck";
        j.lines = {"c:\\pgp\\pgp.exe -kr 0x0123456789ABCDEF", deleteLine(j.lockFile)};
        j.answers = "y\r\n";
        return j;
    };
    std::optional<OutcomeNotice> notice;
    EXPECT_EQ(runner.runKeyJob(job(), notice), JobEnd::Finished);
    std::vector<std::string> steps = only(fake.calls, {"write", "launch", "delete"});
    std::erase_if(steps, [](const std::string& c) { return c.find("wendal.out") != std::string::npos; });
    EXPECT_EQ(steps, (std::vector<std::string>{"write c:\\pgp\\wendal.lck", "write c:\\pgp\\wendal.bat",
                                               "launch c:\\pgp\\wendal.bat", "delete c:\\pgp\\wendal.bat"}));
    ASSERT_EQ(fake.launches.size(), 1u);
    EXPECT_EQ(fake.launches[0].input, "y\r\n");
    EXPECT_EQ(fake.launches[0].directory, kDir);
    ASSERT_TRUE(notice);
    EXPECT_FALSE(notice->bad);
    EXPECT_FALSE(fake.has(kDir + "wendal.bat"));

    // Refused: busy, or no pgp.exe (then the setup dialog); nothing is written or started.
    int setups = 0;
    for (bool busy : {true, false}) {
        SCOPED_TRACE(busy ? "busy" : "no pgp.exe");
        fake.calls.clear();
        fake.launches.clear();
        boxes.shown.clear();
        if (busy)
            fake.put(kDir + "wendal.lck", {"another job"});
        else
            fake.files.erase(FakePlatform::key(kDir + "pgp.exe"));
        KeyJob j = job();
        j.showSetup = [&] { ++setups; };
        EXPECT_EQ(runner.runKeyJob(j, notice), JobEnd::Refused);
        EXPECT_TRUE(only(fake.calls, {"write", "launch"}).empty());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, busy ? keyManagerProfile().busy : keyManagerProfile().pgpMissing);
        fake.files.erase(FakePlatform::key(kDir + "wendal.lck"));
    }
    EXPECT_EQ(setups, 1);

    // A launch the system refuses: the lock and the batch file go, and the user is told why.
    fake.put(kDir + "pgp.exe", {});
    fake.launchFails = true;
    boxes.shown.clear();
    EXPECT_EQ(runner.runKeyJob(job(), notice), JobEnd::NotStarted);
    EXPECT_FALSE(fake.has(kDir + "wendal.lck"));
    EXPECT_FALSE(fake.has(kDir + "wendal.bat"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("The system cannot find the file specified."), std::string::npos);
}
