// The file module's housekeeping over the fake platform: the selection guard, each command's
// questions, moves, copies and launches, and the Scorch job's checks, lines and results.
#include "filemodule/core/Housekeeping.h"
#include "support/FakePlatform.h"
#include "support/ScriptedInteraction.h"
#include <gtest/gtest.h>

using namespace mw;
using namespace mwtest;

namespace {

const std::string kShown = "c:\\data";
const std::string kFile = "c:\\data\\report.doc";
const char* const kApplet = "Murkwell File Encryption Applet";

class HousekeepingTest : public ::testing::Test {
protected:
    FakePlatform fake;
    ScriptedInteraction boxes;
    std::string selected = kFile;
    std::vector<std::string> events; // re-reads and boxes, in order
    std::string lockField, batchField, toolShortField = "unset", shortField = "unset";
    Housekeeping keeper{fake, boxes, link()};

    BrowserLink link() {
        BrowserLink l;
        l.selectedFile = [this] { return selected; };
        l.shownDirectory = [] { return kShown; };
        l.pgpDirectory = [] { return std::string("d:\\pgp\\"); };
        l.reread = [this] {
            events.push_back("reread");
            selected.clear();
        };
        l.setJobFiles = [this](const std::string& lock, const std::string& batch) {
            lockField = lock;
            batchField = batch;
        };
        l.setToolShortName = [this](const std::string& s) { toolShortField = s; };
        l.setShortName = [this](const std::string& s) { shortField = s; };
        return l;
    }
    void SetUp() override {
        fake.exePath = "c:\\murkwell\\bramlet.exe";
        fake.put(kFile, {"quarterly", "figures"});
        fake.directories = {"c:\\data", "c:\\data\\archive", "e:\\backup"};
    }
    void expectOnlyBox(const std::string& text) {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].caption, kApplet);
        EXPECT_EQ(boxes.shown[0].icon, BoxIcon::None);
        EXPECT_FALSE(boxes.shown[0].isQuestion);
        EXPECT_EQ(boxes.shown[0].text, text);
    }
    void expectQuestion(std::size_t i, const std::string& text) {
        ASSERT_GT(boxes.shown.size(), i);
        EXPECT_EQ(boxes.shown[i].caption, "Information");
        EXPECT_EQ(boxes.shown[i].icon, BoxIcon::Information);
        EXPECT_TRUE(boxes.shown[i].isQuestion);
        EXPECT_EQ(boxes.shown[i].text, text);
    }
};

} // namespace

TEST(ExpandPath, TypedNamesBecomeFullPathsAgainstTheShownDirectory) {
    EXPECT_EQ(expandPath("new.doc", "c:\\data"), "c:\\data\\new.doc");
    EXPECT_EQ(expandPath("archive\\old.doc", "c:\\data"), "c:\\data\\archive\\old.doc");
    EXPECT_EQ(expandPath("archive/old.doc", "c:\\data"), "c:\\data\\archive\\old.doc");
    EXPECT_EQ(expandPath("..\\x.doc", "c:\\data\\sub"), "c:\\data\\x.doc");
    EXPECT_EQ(expandPath("..\\..\\..\\x.doc", "c:\\data"), "c:\\x.doc");
    EXPECT_EQ(expandPath(".\\x.doc", "c:\\"), "c:\\x.doc");
    EXPECT_EQ(expandPath("\\top.doc", "c:\\data\\sub"), "c:\\top.doc");
    EXPECT_EQ(expandPath("e:\\backup\\y.doc", "c:\\data"), "e:\\backup\\y.doc");
    EXPECT_EQ(expandPath("c:z.doc", "c:\\data"), "c:\\data\\z.doc");
    EXPECT_EQ(expandPath("e:z.doc", "c:\\data"), "e:\\z.doc");
    EXPECT_EQ(expandPath("x.doc", "\\\\server\\share\\dir"), "\\\\server\\share\\dir\\x.doc");
    EXPECT_EQ(expandPath("..\\..\\x.doc", "\\\\server\\share\\dir"), "\\\\server\\share\\x.doc");
    EXPECT_EQ(expandPath("archive\\", "c:\\data"), "c:\\data\\archive");
}

TEST_F(HousekeepingTest, GuardedCommandsWithoutASelectionOnlySaySo) {
    selected.clear();
    for (auto command : {&Housekeeping::deleteFile, &Housekeeping::renameFile, &Housekeeping::scorchFile,
                         &Housekeeping::runFile}) {
        boxes.shown.clear();
        (keeper.*command)();
        expectOnlyBox("You must select a file first!");
    }
    EXPECT_TRUE(fake.launches.empty());
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(boxes.inputPrompts.empty());
    EXPECT_FALSE(fake.has("d:\\pgp\\bramlet.lck"));
    EXPECT_EQ(fake.files.size(), 1u);
}

TEST_F(HousekeepingTest, NotepadPromptRunAndRefreshLaunchInTheShownDirectory) {
    selected.clear();
    keeper.loadIntoNotepad();
    keeper.refresh();
    selected = "c:\\data\\my notes.txt";
    keeper.loadIntoNotepad();
    keeper.runFile();
    keeper.dosPromptHere();
    ASSERT_EQ(fake.launches.size(), 4u);
    const std::pair<std::string, std::string> expected[] = {{"Notepad.Exe", ""},
                                                            {"Notepad.Exe", "c:\\data\\my notes.txt"},
                                                            {"c:\\data\\my notes.txt", ""},
                                                            {"command.com", ""}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(fake.launches[i].file, expected[i].first);
        EXPECT_EQ(fake.launches[i].parameters, expected[i].second);
        EXPECT_EQ(fake.launches[i].directory, "c:\\data");
        EXPECT_EQ(fake.launches[i].mode, ShowMode::Normal);
    }
    EXPECT_EQ(events, std::vector<std::string>{"reread"});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HousekeepingTest, PromptFallsBackToTheSystemsInterpreterWhenCommandComIsMissing) {
    fake.unlaunchable = {"command.com"};
    fake.environment["COMSPEC"] = "C:\\windows\\system32\\cmd.exe";
    keeper.dosPromptHere();
    ASSERT_EQ(fake.launches.size(), 2u);
    EXPECT_EQ(fake.launches[1].file, "C:\\windows\\system32\\cmd.exe");
    EXPECT_EQ(fake.launches[1].directory, "c:\\data");
    EXPECT_EQ(fake.launches[1].mode, ShowMode::Normal);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HousekeepingTest, DeleteAsksAndOnlyYesDeletesThenRereads) {
    boxes.answers = {false};
    keeper.deleteFile();
    expectQuestion(0, "Warning You are about to delete this file.  Continue?");
    EXPECT_TRUE(fake.has(kFile));
    EXPECT_TRUE(events.empty());

    boxes.answers = {true};
    selected = kFile;
    keeper.deleteFile();
    EXPECT_FALSE(fake.has(kFile));
    EXPECT_EQ(events, std::vector<std::string>{"reread"});
    EXPECT_EQ(boxes.shown.size(), 2u) << "no message after the delete";
}

TEST_F(HousekeepingTest, RenameAsksWithTheNameAndMovesWithinTheShownDirectory) {
    boxes.inputResults = {std::string("summary.doc")};
    keeper.renameFile();
    EXPECT_EQ(boxes.inputPrompts,
              std::vector<std::string>{"Rename File|Please enter the new filename.|report.doc"});
    EXPECT_FALSE(fake.has(kFile));
    EXPECT_EQ(fake.content("c:\\data\\summary.doc"), (std::vector<std::string>{"quarterly", "figures"}));
    EXPECT_EQ(events, std::vector<std::string>{"reread"});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HousekeepingTest, RenameCancelledOrEmptyChangesNothing) {
    boxes.inputResults = {std::nullopt, std::string("")};
    keeper.renameFile();
    keeper.renameFile();
    EXPECT_TRUE(fake.has(kFile));
    EXPECT_EQ(fake.files.size(), 1u);
    EXPECT_TRUE(events.empty());
}

TEST_F(HousekeepingTest, RenameIntoADirectoryByPathOrByItsName) {
    boxes.inputResults = {std::string("archive\\2024.doc")};
    keeper.renameFile();
    EXPECT_TRUE(fake.has("c:\\data\\archive\\2024.doc"));
    EXPECT_FALSE(fake.has(kFile));

    fake.put("c:\\data\\notes.txt", {"n"});
    selected = "c:\\data\\notes.txt";
    boxes.inputResults = {std::string("Archive")};
    keeper.renameFile();
    EXPECT_TRUE(fake.has("c:\\data\\Archive\\notes.txt")) << "a directory's name keeps the file's own name";
    EXPECT_FALSE(fake.has("c:\\data\\notes.txt"));
}

TEST_F(HousekeepingTest, RenameOntoAnotherFileAsksAndOnlyYesReplacesIt) {
    fake.put("c:\\data\\old.doc", {"keep me"});
    boxes.inputResults = {std::string("old.doc"), std::string("OLD.doc")};
    boxes.answers = {false, true};
    keeper.renameFile();
    expectQuestion(0, "c:\\data\\old.doc already exists. Replace it?");
    EXPECT_EQ(fake.content("c:\\data\\old.doc"), std::vector<std::string>{"keep me"});
    EXPECT_TRUE(fake.has(kFile));
    EXPECT_TRUE(events.empty());

    keeper.renameFile();
    expectQuestion(1, "c:\\data\\OLD.doc already exists. Replace it?");
    EXPECT_EQ(fake.content("c:\\data\\old.doc"), (std::vector<std::string>{"quarterly", "figures"}));
    EXPECT_FALSE(fake.has(kFile));
    EXPECT_EQ(events, std::vector<std::string>{"reread"});
}

TEST_F(HousekeepingTest, RenameThatOnlyChangesCaseAsksNothing) {
    boxes.inputResults = {std::string("REPORT.DOC")};
    keeper.renameFile();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(fake.calls.back(), "move c:\\data\\report.doc -> c:\\data\\REPORT.DOC");
}

TEST_F(HousekeepingTest, RenameAcrossDrivesCopiesVerifiesAndKeepsTheOldFile) {
    fake.refusedMoves = {"*"};
    boxes.inputResults = {std::string("e:\\backup")};
    keeper.renameFile();
    EXPECT_TRUE(fake.has(kFile));
    EXPECT_EQ(fake.content("e:\\backup\\report.doc"), (std::vector<std::string>{"quarterly", "figures"}));
    EXPECT_EQ(events, std::vector<std::string>{"reread"});
    // Two copies now: the user is told.
    expectOnlyBox("The file was copied to e:\\backup\\report.doc, but c:\\data\\report.doc could not be "
                  "removed: it is still there.");
}

TEST_F(HousekeepingTest, MoveToAnotherDriveLeavesOneCopyOrSaysThatTheSourceStayed) {
    boxes.inputResults = {std::string("e:\\backup")};
    keeper.renameFile();
    EXPECT_FALSE(fake.has(kFile));
    EXPECT_EQ(fake.content("e:\\backup\\report.doc"), (std::vector<std::string>{"quarterly", "figures"}));
    EXPECT_TRUE(boxes.shown.empty());

    // The system copied the file but could not remove the source (in use, no right to delete).
    fake.put(kFile, {"quarterly", "figures"});
    fake.keptSources = {kFile};
    selected = kFile;
    boxes.inputResults = {std::string("e:\\backup\\second.doc")};
    keeper.renameFile();
    EXPECT_TRUE(fake.has("e:\\backup\\second.doc"));
    EXPECT_EQ(events, (std::vector<std::string>{"reread", "reread"}));
    expectOnlyBox("The file was copied to e:\\backup\\second.doc, but c:\\data\\report.doc could not be "
                  "removed: it is still there.");
}

TEST_F(HousekeepingTest, RefusedMoveOfAReadOnlyFileIsAnErrorWithoutRereading) {
    fake.refusedMoves = {"*"};
    fake.readOnly = {kFile};
    boxes.inputResults = {std::string("e:\\backup\\x.doc")};
    try {
        keeper.renameFile();
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "Cannot move file c:\\data\\report.doc");
    }
    EXPECT_FALSE(fake.has("e:\\backup\\x.doc"));
    EXPECT_TRUE(events.empty());
}

TEST_F(HousekeepingTest, FailedOrShortCopiesAreRemovedAndReported) {
    fake.refusedMoves = {"*"};
    struct Case {
        Platform::CopyResult ends;
        bool shortCopy;
        const char* message;
    } cases[] = {
        {Platform::CopyResult::CannotOpen, false, "Cannot open file c:\\data\\report.doc"},
        {Platform::CopyResult::CannotCreate, false, "Cannot create file e:\\backup\\x.doc"},
        {Platform::CopyResult::Failed, false, "Cannot create file e:\\backup\\x.doc"},
        {Platform::CopyResult::Copied, true, "Cannot create file e:\\backup\\x.doc"},
    };
    for (const auto& c : cases) {
        fake.copyEnds = c.ends;
        fake.copyDropsLastLine = c.shortCopy;
        boxes.inputResults = {std::string("e:\\backup\\x.doc")};
        try {
            keeper.renameFile();
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const FileError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_FALSE(fake.has("e:\\backup\\x.doc")) << c.message;
        EXPECT_TRUE(fake.has(kFile));
    }
    EXPECT_TRUE(events.empty());
}

namespace {

class ScorchTest : public HousekeepingTest {
protected:
    void SetUp() override {
        HousekeepingTest::SetUp();
        fake.put("c:\\murkwell\\scorch.com", {});
        fake.shortNames["c:\\murkwell\\scorch.com"] = "C:\\MURKWE~1\\SCORCH.COM";
        fake.shortNames[kFile] = "C:\\DATA\\REPORT~1.DOC";
        fake.directories.insert("d:\\pgp");
        // The short form names the same file.
        fake.put("C:\\DATA\\REPORT~1.DOC", {"quarterly", "figures"});
        boxes.answers = {true};
        // The batch file as cmd.exe would run it: the tool removes the file unless told to fail.
        fake.onWait = [this] {
            batchAtWait = fake.content("d:\\pgp\\bramlet.bat");
            lockAtWait = fake.content("d:\\pgp\\bramlet.lck");
            if (toolRemoves) {
                fake.files.erase(FakePlatform::key(kFile));
                fake.files.erase(FakePlatform::key("C:\\DATA\\REPORT~1.DOC"));
            }
            fake.files.erase(FakePlatform::key("d:\\pgp\\bramlet.lck"));
        };
    }
    bool toolRemoves = true;
    std::vector<std::string> batchAtWait, lockAtWait;
    const char* kQuestion =
        "Warning You are about to permanently delete this file. Scorch is a third party utility and the "
        "Author of Murkwell accepts no responsibility for the results that it's use may cause.  Be sure to "
        "read the documentation for this utility BEFORE using it. Do you want to continue?";
};

} // namespace

TEST_F(ScorchTest, WithoutTheToolSaysWhereToGetItAndWritesNothing) {
    fake.files.erase("c:\\murkwell\\scorch.com");
    fake.shortNames.clear();
    fake.put("d:\\pgp\\bramlet.lck", {"busy"}); // the tool's test comes first
    keeper.scorchFile();
    expectOnlyBox("SCORCH.COM must be in the same directory as bramlet.exe (c:\\murkwell\\scorch.com was not "
                  "found). It comes with the Murkwell package: install the package again to get it back.");
    EXPECT_FALSE(fake.has("d:\\pgp\\bramlet.bat"));
    EXPECT_TRUE(fake.launches.empty());
    EXPECT_EQ(toolShortField, "");
}

TEST_F(ScorchTest, BusyLockIsReportedBeforeAnyQuestion) {
    fake.put("d:\\pgp\\bramlet.lck", {"busy"});
    boxes.answers.clear();
    keeper.scorchFile();
    expectOnlyBox("LockFile is busy, only one PGP session is allowed at a time.");
    EXPECT_EQ(fake.content("d:\\pgp\\bramlet.lck"), std::vector<std::string>{"busy"});
    EXPECT_FALSE(fake.has("d:\\pgp\\bramlet.bat"));
}

TEST_F(ScorchTest, NoToTheQuestionWritesNothing) {
    boxes.answers = {false};
    keeper.scorchFile();
    expectQuestion(0, kQuestion);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(fake.has("d:\\pgp\\bramlet.lck"));
    EXPECT_FALSE(fake.has("d:\\pgp\\bramlet.bat"));
    EXPECT_TRUE(fake.has(kFile));
}

TEST_F(ScorchTest, WipesThroughTwoBatchLinesRunHiddenThenRereadsAndSaysSo) {
    keeper.scorchFile();
    EXPECT_EQ(lockAtWait.size(), 1u);
    EXPECT_EQ(lockAtWait[0].rfind("Temporary LockFile Written by Murkwell File", 0), 0u);
    EXPECT_EQ(batchAtWait,
              (std::vector<std::string>{"C:\\MURKWE~1\\SCORCH.COM [C:\\DATA\\REPORT~1.DOC] /two /silent",
                                        "DEL d:\\pgp\\bramlet.lck"}));
    ASSERT_EQ(fake.launches.size(), 1u);
    EXPECT_EQ(fake.launches[0].file, "d:\\pgp\\bramlet.bat");
    EXPECT_EQ(fake.launches[0].parameters, "");
    EXPECT_EQ(fake.launches[0].directory, "c:\\data");
    EXPECT_EQ(fake.launches[0].mode, ShowMode::Hidden);
    EXPECT_EQ(events, std::vector<std::string>{"reread"});
    ASSERT_EQ(boxes.shown.size(), 2u);
    expectQuestion(0, kQuestion);
    EXPECT_EQ(boxes.shown[1].text, "File has been wiped.");
    EXPECT_EQ(boxes.shown[1].caption, kApplet);
    EXPECT_TRUE(fake.has("d:\\pgp\\bramlet.bat")) << "left for the next job and the close";
    EXPECT_EQ(lockField, "d:\\pgp\\bramlet.lck");
    EXPECT_EQ(batchField, "d:\\pgp\\bramlet.bat");
    EXPECT_EQ(toolShortField, "C:\\MURKWE~1\\SCORCH.COM");
    EXPECT_EQ(shortField, "C:\\DATA\\REPORT~1.DOC");
}

TEST_F(ScorchTest, AFileTheToolLeavesIsReportedAfterTheReread) {
    toolRemoves = false;
    fake.onProcessMessages = [this] { events.push_back("messages"); };
    keeper.scorchFile();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.back(), "reread");
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text,
              "Scorch was unable to remove the file, please be sure the file is not in use "
              "by other programs or is not marked Hidden, System or Read-Only");
}

TEST_F(ScorchTest, FileWithoutAUsableShortFormIsNeverHandedToTheTool) {
    for (std::string shortForm : {std::string(), "C:\\" + std::string(125, 'X')}) {
        fake.shortNames[kFile] = shortForm;
        if (shortForm.empty()) fake.shortNames.erase(kFile), fake.files.erase(kFile);
        boxes.shown.clear();
        boxes.answers = {true};
        keeper.scorchFile();
        ASSERT_EQ(boxes.shown.size(), 2u);
        EXPECT_EQ(
            boxes.shown[1].text,
            "The short form of the path c:\\data\\report.doc could not be obtained; the file was not wiped.");
        EXPECT_FALSE(fake.has("d:\\pgp\\bramlet.lck"));
        EXPECT_FALSE(fake.has("d:\\pgp\\bramlet.bat"));
        EXPECT_TRUE(fake.launches.empty());
        selected = kFile;
    }
}

TEST_F(ScorchTest, ABatchThatCannotStartIsReportedOnceAndTheLockGoes) {
    fake.launchFails = true;
    keeper.scorchFile();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text,
              "The wipe job could not be started: The system cannot find the file specified.");
    EXPECT_FALSE(fake.has("d:\\pgp\\bramlet.lck"));
    EXPECT_EQ(events, std::vector<std::string>{"reread"});
}

TEST_F(ScorchTest, ABatchThatEndsEarlyIsReportedAsTheWipeJobThenTheFileIsTested) {
    fake.processHasEnded = true; // the lock is never removed: the batch died before its last line
    keeper.scorchFile();
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[1].text, "The wipe job ended before it finished.");
    EXPECT_EQ(boxes.shown[1].caption, kApplet);
    EXPECT_EQ(boxes.shown[2].text.rfind("Scorch was unable to remove the file", 0), 0u)
        << boxes.shown[2].text;
    EXPECT_FALSE(fake.has("d:\\pgp\\bramlet.lck"));
}
