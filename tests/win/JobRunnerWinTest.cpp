// Whole PGP jobs through real cmd.exe batch files and the test doubles of pgp.exe and the wipe
// tool: bytes written, argv received, how each wait ends, and hostile values that must stay data.
#include "core/CodePages.h"
#include "core/JobRunner.h"
#include "core/KeyListing.h"
#include "core/PathUtil.h"
#include "WinTestSupport.h"
#include <algorithm>
#include <map>

using namespace mw;
using namespace mwtest;

namespace {

// Thread timers that run a step of the test while the runner waits in its message loop: each
// tests its condition when it fires and runs its step the first time the condition holds.
struct TimedStep {
    std::function<bool()> ready;
    std::function<void()> run;
};
std::map<UINT_PTR, TimedStep>& timers() {
    static std::map<UINT_PTR, TimedStep> t;
    return t;
}

void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = timers().find(id);
    if (it == timers().end() || (it->second.ready && !it->second.ready())) return;
    KillTimer(nullptr, id);
    auto f = std::move(it->second.run);
    timers().erase(it);
    if (f) f();
}

UINT_PTR schedule(unsigned everyMs, std::function<bool()> ready, std::function<void()> f) {
    UINT_PTR id = SetTimer(nullptr, 0, everyMs, onTimer);
    timers()[id] = {std::move(ready), std::move(f)};
    return id;
}

void cancel(UINT_PTR id) {
    KillTimer(nullptr, id);
    timers().erase(id);
}

std::string withoutSlash(std::string dir) {
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

class JobRunnerWin : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        record();
        usePgpDirectory(dir / "pgp\\");
    }
    void TearDown() override {
        for (UINT_PTR id : pending)
            cancel(id);
        // A double that was held, or whose console was killed, ends before its directory goes.
        if (exists(holdFile)) DeleteFileA(holdFile.c_str());
        waitFor("the programs started from the test's directory to end",
                [&] { return !processRunsFrom(dir.path()); });
        ProgramFixture::TearDown();
    }

    void usePgpDirectory(const std::string& path) {
        pgpDir = path;
        CreateDirectoryA(pgpDir.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((doublesDirectory() + "pgp.exe").c_str(), (pgpDir + "pgp.exe").c_str(), FALSE))
            << "no pgp.exe double at " << doublesDirectory();
        writeFileBytes(pgpDir + "pubring.pgp",
                       "Alice <alice@example.org>\r\n+Alice at work <a@work.example>\r\nBob\r\n");
    }
    void installWipeTool() {
        ASSERT_TRUE(
            CopyFileA((doublesDirectory() + "scorch.com").c_str(), (dir / "scorch.com").c_str(), FALSE));
    }
    void control(const std::string& directives) { writeFileBytes(pgpDir + "pgp-control.txt", directives); }
    // Makes the double wait until the test lets it go.
    void holdPgp() {
        holdFile = dir / "hold.flag";
        writeFileBytes(holdFile, "x");
        control("hold " + holdFile + "\r\n");
    }
    // No wait in these tests may hang: the lock goes after the wait limit whatever happens.
    void guard(const std::string& lockFile) {
        cancel(watchdog);
        pending.push_back(schedule(kWaitLimitMs, nullptr, [this, lockFile] {
            watchdogFired = true;
            DeleteFileA(lockFile.c_str());
        }));
        watchdog = pending.back();
    }
    std::vector<Call> pgpCalls() { return readCalls(pgpDir + "pgp-args.log"); }
    // A step that runs during the runner's wait once PGP has started (the double logs its call
    // first); cancelled at the end of the test if it did not run.
    void whilePgpRuns(std::function<void()> f) {
        pending.push_back(schedule(
            10, [this] { return exists(pgpDir + "pgp-args.log"); }, std::move(f)));
    }

    EditorJob editorJob(EditorOperation op, EditorJobValues values = {}) {
        EditorJob job;
        job.operation = op;
        job.pgpExe = pgpDir + "pgp.exe";
        job.pgpDir = pgpDir;
        job.values = [values] { return values; };
        job.saveInput = [this](const std::string& input) { platform->writeLines(input, messageText); };
        job.pickUp = [this](const std::string& output) { pickedUp = platform->readLines(output); };
        guard(pgpDir + "Murkwell.lck");
        return job;
    }
    FileJob fileJob(FileOperation op, const std::string& file, FileJobValues values = {}) {
        FileJob job;
        job.operation = op;
        job.pgpExe = pgpDir + "pgp.exe";
        job.pgpDir = pgpDir;
        job.selectedFile = file;
        job.workingDirectory = file.substr(0, file.find_last_of('\\') + 1);
        job.values = [values] { return values; };
        job.refresh = [this] { ++refreshes; };
        guard(pgpDir + "bramlet.lck");
        return job;
    }
    KeyListingJob editorListing() {
        guard(pgpDir + "Murkwell.lck");
        KeyListingJob job(mw::KeyProgram::Editor);
        job.pgpExe = pgpDir + "pgp.exe";
        job.pgpDir = pgpDir;
        job.batchFile = pgpDir + "Murkwell.bat";
        job.lockFile = pgpDir + "Murkwell.lck";
        job.keyRing = pgpDir + "pubring.pgp";
        job.listingTarget = pgpDir + "murkwell.usr";
        job.staleListing = pgpDir + "Murkwell.USR";
        return job;
    }

    std::string pgpDir;
    std::string holdFile;
    UINT_PTR watchdog = 0;
    std::vector<UINT_PTR> pending;
    bool watchdogFired = false;
    std::vector<std::string> messageText{"Hello,", "this is the message."};
    std::vector<std::string> pickedUp;
    int refreshes = 0;
};

} // namespace

TEST_F(JobRunnerWin, EditorEncryptWithoutWipeToolRunsTheBatchAndDeletesTheTemporaries) {
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Encrypt, {"\"Alice\" \"Bob\" "})),
              JobEnd::Finished);
    EXPECT_FALSE(watchdogFired);
    ASSERT_EQ(recorder->launches.size(), 1u);
    const auto& launch = recorder->launches[0];
    EXPECT_EQ(launch.file, pgpDir + "Murkwell.bat");
    EXPECT_EQ(launch.directory, pgpDir);
    EXPECT_EQ(launch.mode, ShowMode::Normal);
    EXPECT_EQ(launch.batchBytes,
              pgpDir + "pgp.exe -eatw murkwell.tmp \"Alice\" \"Bob\" \r\nDEL " + pgpDir + "Murkwell.lck\r\n");
    // One line, CR LF, nothing else.
    EXPECT_EQ(launch.lockBytes.rfind("Temporary LockFile Written by Murkwell. ", 0), 0u) << launch.lockBytes;
    EXPECT_EQ(launch.lockBytes.find("\r\n"), launch.lockBytes.size() - 2) << launch.lockBytes;
    auto calls = pgpCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, (std::vector<std::string>{"-eatw", "murkwell.tmp", "Alice", "Bob"}));
    EXPECT_TRUE(sameFileName(calls[0].cwd, withoutSlash(pgpDir))) << calls[0].cwd;
    // Picked up: the double's armoured stand-in, carrying the message.
    ASSERT_FALSE(pickedUp.empty());
    EXPECT_EQ(pickedUp.front(), "-----BEGIN PGP MESSAGE-----");
    EXPECT_NE(std::find(pickedUp.begin(), pickedUp.end(), "this is the message."), pickedUp.end());
    EXPECT_FALSE(exists(pgpDir + "Murkwell.lck"));
    EXPECT_FALSE(exists(pgpDir + "murkwell.tmp"));
    EXPECT_FALSE(exists(pgpDir + "murkwell.asc"));
    EXPECT_TRUE(exists(pgpDir + "Murkwell.bat")); // the next job overwrites it
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(JobRunnerWin, WithTheWipeToolEachExistingTemporaryIsWipedHiddenInListOrder) {
    installWipeTool();
    writeFileBytes(pgpDir + "murkwell.usr", "listing left by the key dialog\r\n");
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Sign, {"", "\"Alice\""})),
              JobEnd::Finished);
    ASSERT_FALSE(pickedUp.empty());
    EXPECT_NE(std::find(pickedUp.begin(), pickedUp.end(), "Signer: Alice"), pickedUp.end());
    EXPECT_EQ(pgpCalls().at(0).args, (std::vector<std::string>{"-sta", "murkwell.tmp", "-u", "Alice"}));

    std::vector<std::string> wiped{pgpDir + "Murkwell.bat", pgpDir + "murkwell.tmp", pgpDir + "murkwell.usr",
                                   pgpDir + "murkwell.asc"};
    ASSERT_EQ(recorder->launches.size(), 1 + wiped.size());
    for (std::size_t i = 0; i < wiped.size(); ++i) {
        const auto& l = recorder->launches[i + 1];
        EXPECT_EQ(l.file, dir / "scorch.com");
        EXPECT_EQ(l.parameters, "[" + wiped[i] + "] /two /silent");
        EXPECT_EQ(l.directory, pgpDir);
        EXPECT_EQ(l.mode, ShowMode::Hidden);
    }
    // Not awaited by the runner; the tool instances finish on their own.
    waitFor("the wipe tool to remove the files",
            [&] { return std::none_of(wiped.begin(), wiped.end(), [](auto& f) { return exists(f); }); });
    for (const auto& f : wiped)
        EXPECT_FALSE(exists(f)) << f;
    auto scorch = readCalls(dir / "scorch-args.log");
    ASSERT_EQ(scorch.size(), wiped.size());
    std::vector<std::string> named;
    for (const auto& c : scorch) {
        ASSERT_EQ(c.args.size(), 3u);
        EXPECT_EQ(c.args[1], "/two");
        EXPECT_EQ(c.args[2], "/silent");
        EXPECT_TRUE(sameFileName(c.cwd, withoutSlash(pgpDir))) << c.cwd;
        named.push_back(c.args[0]);
    }
    std::sort(named.begin(), named.end());
    std::vector<std::string> expected;
    for (const auto& f : wiped)
        expected.push_back("[" + f + "]");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(named, expected);
}

TEST_F(JobRunnerWin, DecryptWithoutWipeToolPassesThePassPhraseThenBlanksAndDeletesTheBatch) {
    JobRunner runner(*platform, interaction);
    messageText = {"-----BEGIN PGP MESSAGE-----",
                   "TEST DOUBLE: NOTHING WAS ENCRYPTED OR SIGNED. The original text follows.", "secret text",
                   "-----END PGP MESSAGE-----"};
    EditorJobValues v;
    v.passPhraseOn = true;
    v.passPhrase = "correct horse";
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Decrypt, v)), JobEnd::Finished);
    EXPECT_EQ(pgpCalls().at(0).args,
              (std::vector<std::string>{"-z", "correct horse", "murkwell.tmp", "-o", "murkwell.txt"}));
    EXPECT_EQ(pickedUp, std::vector<std::string>{"secret text"});
    for (const char* name : {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp", "murkwell.txt"})
        EXPECT_FALSE(exists(pgpDir + name)) << name;
}

TEST_F(JobRunnerWin, KeyListingRunsHiddenAndLeavesTheListingInPgpsLayout) {
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runKeyListing(editorListing()), JobEnd::Finished);
    ASSERT_EQ(recorder->launches.size(), 1u);
    EXPECT_EQ(recorder->launches[0].mode, ShowMode::Hidden);
    EXPECT_EQ(recorder->launches[0].batchBytes, pgpDir + "pgp.exe -kv \"*\" " + pgpDir + "pubring.pgp > " +
                                                    pgpDir + "murkwell.usr\r\nDEL " + pgpDir +
                                                    "Murkwell.lck\r\n");
    auto listing = platform->readLines(pgpDir + "murkwell.usr");
    ASSERT_GE(listing.size(), 6u);
    EXPECT_EQ(listing[3].substr(30), "Alice <alice@example.org>");
    EXPECT_EQ(listing[4], std::string(30, ' ') + "Alice at work <a@work.example>");
    EXPECT_EQ(listing[5].substr(30), "Bob");
    EXPECT_FALSE(exists(pgpDir + "Murkwell.lck"));
}

TEST_F(JobRunnerWin, RemovingTheLockByHandEndsTheWaitAtOnce) {
    holdPgp();
    JobRunner runner(*platform, interaction);
    std::string lock = pgpDir + "Murkwell.lck";
    whilePgpRuns([lock] { DeleteFileA(lock.c_str()); });
    EXPECT_EQ(runner.runKeyListing(editorListing()), JobEnd::Finished);
    EXPECT_FALSE(watchdogFired);
    EXPECT_TRUE(processRunsFrom(pgpDir)) << "PGP was still running when the wait ended";
    EXPECT_TRUE(exists(holdFile));
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(JobRunnerWin, ConsoleKilledMidJobEndsTheWaitWithTheMessageAndNoLock) {
    holdPgp();
    JobRunner runner(*platform, interaction);
    whilePgpRuns([this] { TerminateProcess(reinterpret_cast<HANDLE>(recorder->lastProcess), 1); });
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::EncryptIdea)), JobEnd::EndedEarly);
    EXPECT_FALSE(watchdogFired);
    EXPECT_FALSE(exists(pgpDir + "Murkwell.lck"));
    EXPECT_TRUE(pickedUp.empty());
    EXPECT_FALSE(exists(pgpDir + "murkwell.tmp")); // the clean-up still ran
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].caption, "Information");
    EXPECT_EQ(interaction.shown[0].text, "The PGP job ended before it finished; its output was not used.");
    // The next job is not refused as busy.
    DeleteFileA(holdFile.c_str());
    control("");
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::EncryptIdea)), JobEnd::Finished);
}

TEST_F(JobRunnerWin, LaunchFailureEndsTheJobWithWindowsReasonAndNoLock) {
    std::string file = dir / "letter.txt";
    writeFileBytes(file, "text\r\n");
    JobRunner runner(*platform, interaction);
    // The batch file gone before the shell gets it: the launch fails for real.
    recorder->atLaunch = [](const RecordingPlatform::Launch& l) {
        if (l.batch()) DeleteFileA(l.file.c_str());
    };
    auto job = fileJob(FileOperation::EncryptIdea, file);
    EXPECT_EQ(runner.runFileOperation(job), JobEnd::NotStarted);
    EXPECT_FALSE(exists(pgpDir + "bramlet.lck"));
    ASSERT_EQ(interaction.shown.size(), 1u);
    const std::string prefix = "The PGP job could not be started: ";
    EXPECT_EQ(interaction.shown[0].text.rfind(prefix, 0), 0u) << interaction.shown[0].text;
    EXPECT_GT(interaction.shown[0].text.size(), prefix.size());
    EXPECT_EQ(interaction.shown[0].caption, "Murkwell File Encryption Applet");
    EXPECT_EQ(refreshes, 1); // the clean-up ran
    EXPECT_TRUE(pgpCalls().empty());
}

TEST_F(JobRunnerWin, APgpDirectoryOfMoreThan100CharactersRunsAWholeJob) {
    std::string longDir = dir.path();
    for (const char* part : {"a directory with a long name for pgp\\", "and another level below it\\",
                             "and a third one to pass one hundred\\"}) {
        longDir += part;
        CreateDirectoryA(longDir.c_str(), nullptr);
    }
    ASSERT_GT(longDir.size(), 100u);
    usePgpDirectory(longDir);
    installWipeTool();
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Encrypt, {"\"Bob\" "})), JobEnd::Finished);
    EXPECT_EQ(pgpCalls().at(0).args, (std::vector<std::string>{"-eat", "murkwell.tmp", "Bob"}));
    EXPECT_FALSE(pickedUp.empty());
    EXPECT_FALSE(exists(longDir + "Murkwell.lck"));
    waitFor("the wipe tool to remove the temporaries",
            [&] { return !exists(longDir + "murkwell.tmp") && !exists(longDir + "murkwell.asc"); });
    EXPECT_FALSE(exists(longDir + "murkwell.tmp"));
    EXPECT_FALSE(exists(longDir + "murkwell.asc"));
}

TEST_F(JobRunnerWin, HostileUserIdsAndPassPhraseReachPgpExactlyAndRunNothing) {
    const std::string canary = dir / "canary.txt";
    const std::vector<std::string> ids{"Eve & echo INJECTED> " + canary, "50% off %PATH% %%x %1",
                                       "pipe | echo INJECTED>> " + canary,
                                       "caret ^& (paren) <angle> ,;= !bang!", "ends in a backslash\\"};
    std::string recipients;
    for (const auto& id : ids)
        recipients += "\"" + id + "\" ";
    const std::string signer = "Mallory ) & echo INJECTED> " + canary + " & (";
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runEditorOperation(
                  editorJob(EditorOperation::SignEncrypt, {recipients, "\"" + signer + "\""})),
              JobEnd::Finished);
    std::vector<std::string> expected{"-eastw", "murkwell.tmp"};
    expected.insert(expected.end(), ids.begin(), ids.end());
    expected.insert(expected.end(), {"-u", signer});
    ASSERT_EQ(pgpCalls().size(), 1u);
    EXPECT_EQ(pgpCalls()[0].args, expected);

    EditorJobValues v;
    v.passPhraseOn = true;
    v.passPhrase = "pass & echo INJECTED> " + canary + " | %PATH% ^ < > ( ) ! \\";
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Decrypt, v)), JobEnd::Finished);
    ASSERT_EQ(pgpCalls().size(), 2u);
    EXPECT_EQ(pgpCalls()[1].args, (std::vector<std::string>{"-z", std::string(v.passPhrase), "murkwell.tmp",
                                                            "-o", "murkwell.txt"}));
    EXPECT_FALSE(exists(canary));
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(JobRunnerWin, UserIdWithADoubleQuoteIsRefusedBeforeAnythingIsWritten) {
    const std::string canary = dir / "canary.txt";
    JobRunner runner(*platform, interaction);
    // What a careless dialog would build from the user ID  x" & echo INJECTED> canary & "
    std::string recipients = "\"x\" & echo INJECTED> " + canary + " & \"\" ";
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Encrypt, {recipients})), JobEnd::Refused);
    EditorJobValues v;
    v.passPhraseOn = true;
    v.passPhrase = "say \"hi\"";
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Decrypt, v)), JobEnd::Refused);
    ASSERT_EQ(interaction.shown.size(), 2u);
    EXPECT_NE(interaction.shown[0].text.find("double quote"), std::string::npos) << interaction.shown[0].text;
    EXPECT_EQ(interaction.shown[1].text,
              "The pass phrase cannot be passed to PGP: it contains a double quote (\").");
    EXPECT_TRUE(recorder->launches.empty());
    EXPECT_FALSE(exists(pgpDir + "Murkwell.lck"));
    EXPECT_FALSE(exists(pgpDir + "Murkwell.bat"));
    EXPECT_FALSE(exists(canary));
}

TEST_F(JobRunnerWin, HostileFileNamesReachPgpAsTheirShortPathsAndRunNothing) {
    const std::string canary = dir / "canary.txt";
    // Wine's shell expands %VARIABLES% in the file and directory it is given (Windows does not
    // without SEE_MASK_DOENVSUBST), so directory names here hold a % but name no variable.
    std::string shown = dir / "files & more %1 %no such% (1)\\";
    CreateDirectoryA(shown.c_str(), nullptr);
    JobRunner runner(*platform, interaction);
    int n = 0;
    for (const std::string name : {"a & b.txt", "100% done.txt", "x^y!.txt", "c,d;e=f (1).txt",
                                   "x& copy nul canary.txt & y.txt", "r\xe9sum\xe9.txt"}) {
        std::string file = shown + name;
        writeFileBytes(file, "content of " + name + "\r\n");
        ASSERT_TRUE(exists(file)) << name;
        std::string shortName = platform->shortPath(file);
        ASSERT_FALSE(shortName.empty()) << name;
        EXPECT_EQ(runner.runFileOperation(fileJob(FileOperation::Encrypt, file, {"\"Alice\" "})),
                  JobEnd::Finished)
            << name;
        auto calls = pgpCalls();
        ASSERT_EQ(calls.size(), static_cast<std::size_t>(++n)) << name;
        EXPECT_EQ(calls.back().args, (std::vector<std::string>{"-ea", shortName, "Alice"})) << name;
        EXPECT_TRUE(sameFileName(calls.back().cwd, withoutSlash(shown))) << calls.back().cwd;
    }
    EXPECT_EQ(refreshes, n);
    EXPECT_FALSE(exists(canary));
    EXPECT_FALSE(exists(shown + "canary.txt"));
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(JobRunnerWin, HostileAndNonAsciiPgpDirectoryNamesStayPathsForPgpAndDel) {
    const std::string canary = dir / "canary.txt";
    usePgpDirectory(dir / "h&o 100% %no such% ^(1)! ,;= r\xe9sum\xe9\\");
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runKeyListing(editorListing()), JobEnd::Finished);
    EXPECT_FALSE(watchdogFired); // the quoted DEL removed the lock
    ASSERT_EQ(pgpCalls().size(), 1u);
    EXPECT_EQ(pgpCalls()[0].args, (std::vector<std::string>{"-kv", "*", pgpDir + "pubring.pgp"}));
    auto listing = platform->readLines(pgpDir + "murkwell.usr");
    ASSERT_GE(listing.size(), 4u);
    EXPECT_EQ(listing[3].substr(30), "Alice <alice@example.org>");
    EXPECT_FALSE(exists(canary));
}

TEST_F(JobRunnerWin, CharacterTheConsoleCannotRepresentIsRefusedWithItsValue) {
    // Find a character of the program's code page that the console's code page lacks.
    std::string missing;
    for (int c = 0x80; c <= 0xff && missing.empty(); ++c)
        if (!platform->toConsoleCodePage(std::string(1, static_cast<char>(c))))
            missing = std::string(1, static_cast<char>(c));
    if (missing.empty())
        GTEST_SKIP() << "every character of code page " << GetACP() << " exists in " << GetOEMCP();
    JobRunner runner(*platform, interaction);
    std::string id = "Zo" + missing;
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Encrypt, {"\"" + id + "\" "})),
              JobEnd::Refused);
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].text,
              "The user ID \"" + id +
                  "\" cannot be passed to PGP: it contains a character that the console's "
                  "code page cannot represent.");
    EXPECT_FALSE(exists(pgpDir + "Murkwell.lck"));
    EXPECT_TRUE(recorder->launches.empty());
}

TEST_F(JobRunnerWin, SecondLockCreationFailsWhileTheFirstJobHoldsIt) {
    JobRunner runner(*platform, interaction);
    std::string lock = pgpDir + "bramlet.lck";
    EXPECT_TRUE(platform->createNewFile(lock, {"first"}));
    EXPECT_FALSE(platform->createNewFile(lock, {"second"}));
    EXPECT_EQ(readFileBytes(lock), "first\r\n");
}

TEST_F(JobRunnerWin, WineShellExpandsVariablesInTheDirectoryItIsGiven) {
    // Records the one place where Wine differs: a directory named %PATH% does not survive the
    // shell's launch there. If this starts failing, the workaround in the tests can go.
    std::string odd = dir / "%PATH%\\";
    CreateDirectoryA(odd.c_str(), nullptr);
    writeFileBytes(odd + "where.bat", "cd > \"" + dir.path() + "cwd.txt\"\r\n");
    LaunchResult r = platform->launch(odd + "where.bat", "", odd, ShowMode::Hidden);
    if (r.started) {
        EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(r.process), kWaitLimitMs), WAIT_OBJECT_0)
            << "the batch file did not end";
        platform->closeProcess(r.process);
    }
    EXPECT_FALSE(r.started &&
                 sameFileName(splitLines(readFileBytes(dir / "cwd.txt")).at(0), withoutSlash(odd)))
        << "Wine now keeps % in launch paths";
}

TEST_F(JobRunnerWin, PgpFailingWithoutAWordIsReportedAndTheBatchStillEndsTheJob) {
    control("fail\r\n");
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Encrypt, {"\"Alice\" "})),
              JobEnd::Finished);
    EXPECT_FALSE(watchdogFired);
    EXPECT_EQ(pgpCalls().size(), 1u);
    EXPECT_TRUE(pickedUp.empty()); // no output, so the message text would stay as it was
    EXPECT_FALSE(exists(pgpDir + "Murkwell.lck"));
    EXPECT_FALSE(exists(pgpDir + "murkwell.tmp"));
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_NE(interaction.shown[0].text.find("PGP produced no output"), std::string::npos);
}

TEST_F(JobRunnerWin, AccentedTextRoundTripsThroughTheConsoleCodePage) {
    // A key listing comes back in the console's code page and goes out again in a batch line.
    const std::string ansi = "Ren\xE9 M\xFCller <r@example.org>";
    auto console = platform->toConsoleCodePage(ansi);
    ASSERT_TRUE(console.has_value());
    if (GetACP() != GetOEMCP()) EXPECT_NE(std::string_view(*console), ansi);
    EXPECT_EQ(platform->fromConsoleCodePage(*console), std::optional<std::string>(ansi));
}

TEST(Win32CodePages, RealConversionCallsGiveExactBytesAndRefuseWhatTheTargetLacks) {
    // The system's own tables with explicit code page numbers, whatever the machine's are.
    Win32Platform p(mw::Application::instance());
    using C = std::optional<std::string>;
    EXPECT_EQ(recode(p, "Ren\xE9 M\xFCller", 1252, 437), C("Ren\x82 M\x81ller"));
    EXPECT_EQ(recode(p, "S\xD8REN", 1252, 850), C("S\x9DREN"));
    EXPECT_EQ(recode(p, "S\xD8REN", 1252, 437), std::nullopt);
    EXPECT_EQ(recode(p, "Ren\x82", 850, 1252), C("Ren\xE9"));
    EXPECT_EQ(recode(p, "odd \xFE", 437, 1252), std::nullopt);
    // Cyrillic: refused on the Western consoles, carried by UTF-8.
    EXPECT_EQ(recode(p, "\xC8\xE2\xE0\xED", 1251, 850), std::nullopt);
    EXPECT_EQ(recode(p, "\xC8\xE2\xE0\xED", 1251, 437), std::nullopt);
    EXPECT_EQ(recode(p, "\xE6\xE5\xED\xFF", 1251, 65001), C("\xD0\xB6\xD0\xB5\xD0\xBD\xD1\x8F"));
    // UTF-8 both ways; what 1252 lacks and bytes that are no UTF-8 are refused.
    EXPECT_EQ(recode(p, "Ren\xE9 \x80 z", 1252, 65001), C("Ren\xC3\xA9 \xE2\x82\xAC z"));
    EXPECT_EQ(recode(p, "Ren\xC3\xA9 \xE2\x82\xAC z", 65001, 1252), C("Ren\xE9 \x80 z"));
    EXPECT_EQ(recode(p, "\xE6\x97\xA5", 65001, 1252), std::nullopt);
    EXPECT_EQ(recode(p, "Ren\xE9", 65001, 1252), std::nullopt);
    // 932: "日本" and a half-width katakana; no "é", and no look-alike "e" for it.
    EXPECT_EQ(recode(p, "\x93\xFA\x96\x7B \xB1", 932, 65001), C("\xE6\x97\xA5\xE6\x9C\xAC \xEF\xBD\xB1"));
    EXPECT_EQ(recode(p, "\xE6\x97\xA5\xE6\x9C\xAC \xEF\xBD\xB1", 65001, 932), C("\x93\xFA\x96\x7B \xB1"));
    EXPECT_EQ(recode(p, "Ren\xE9", 1252, 932), std::nullopt);
    EXPECT_EQ(recode(p, "ab\x93", 932, 65001), std::nullopt);
    // The secret flavour makes the same calls.
    auto secret = recodeSecret(p, "caf\xE9", 1252, 65001);
    ASSERT_TRUE(secret.has_value());
    EXPECT_EQ(std::string_view(*secret), "caf\xC3\xA9");
}

TEST_F(JobRunnerWin, Utf8ConsoleListsKeysAndWritesTheBatchLinesInUtf8) {
    recorder->consoleCp = 65001;
    writeFileBytes(pgpDir + "pubring.pgp", "Ren\xC3\xA9 <r@example.org>\r\nBob\r\n");
    guard(pgpDir + "Murkwell.lck");
    KeyListingSources sources{pgpDir + "pgp.exe",      pgpDir,
                              pgpDir + "Murkwell.bat", pgpDir + "Murkwell.lck",
                              pgpDir + "pubring.pgp",  pgpDir + "secring.pgp"};
    EXPECT_EQ(listKeyRing(*platform, interaction, KeyProgram::Editor, KeyRing::Public, sources),
              (std::vector<std::string>{"Bob", "Ren\xE9 <r@example.org>"}));
    EXPECT_TRUE(interaction.shown.empty());

    JobRunner runner(*platform, interaction);
    EXPECT_EQ(
        runner.runEditorOperation(editorJob(EditorOperation::Encrypt, {"\"Ren\xE9 <r@example.org>\" "})),
        JobEnd::Finished);
    EXPECT_FALSE(watchdogFired);
    ASSERT_EQ(recorder->launches.size(), 2u);
    EXPECT_NE(
        recorder->launches[1].batchBytes.find(" -eatw murkwell.tmp \"Ren\xC3\xA9 <r@example.org>\" \r\n"),
        std::string::npos)
        << recorder->launches[1].batchBytes;
    EXPECT_TRUE(interaction.shown.empty());
}
