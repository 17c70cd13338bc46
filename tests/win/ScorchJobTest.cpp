// Whole PGP jobs through the job runner with the real wipe tool beside the program instead of
// the double: the clean-up must leave no temporary, no renamed leftover and no readable byte.
#include "core/JobRunner.h"
#include "WinTestSupport.h"
#include <algorithm>

using namespace mw;
using namespace mwtest;

namespace {

class ScorchJob : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        const std::string tool = buildTreeDirectory() + "scorch\\scorch.com";
        ASSERT_TRUE(CopyFileA(tool.c_str(), (dir / "scorch.com").c_str(), FALSE))
            << "no wipe tool at " << tool;
        pgpDir = dir / "pgp dir & more\\";
        makeDirectory(pgpDir);
        ASSERT_TRUE(CopyFileA((doublesDirectory() + "pgp.exe").c_str(), (pgpDir + "pgp.exe").c_str(), FALSE));
        writeFileBytes(pgpDir + "pubring.pgp", "Alice <alice@example.org>\r\nBob\r\n");
    }

    void TearDown() override {
        // The tool's instances may still be ending in the PGP directory, their working directory,
        // which cannot be removed until they have.
        waitFor("the PGP directory to be removed", [&] {
            removeTree(pgpDir);
            return !exists(pgpDir);
        });
        ProgramFixture::TearDown();
    }

    EditorJob editorJob(EditorOperation op, EditorJobValues values) {
        EditorJob job;
        job.operation = op;
        job.pgpExe = pgpDir + "pgp.exe";
        job.pgpDir = pgpDir;
        job.values = [values] { return values; };
        job.saveInput = [this](const std::string& input) { platform->writeLines(input, messageText); };
        job.pickUp = [this](const std::string& output) { pickedUp = platform->readLines(output); };
        return job;
    }

    // The runner does not wait for the tool; its instances end on their own.
    void waitUntilGone(const std::vector<std::string>& files) {
        waitFor("the wipe tool to remove the files",
                [&] { return std::none_of(files.begin(), files.end(), [](auto& f) { return exists(f); }); });
    }
    // What the PGP directory holds once the tool's instances have finished: a file the tool has
    // renamed under a random name is still there for a moment before its deletion.
    std::vector<std::string> pgpDirOnceSettled(const std::vector<std::string>& expected) {
        waitFor("the PGP directory to settle", [&] { return namesIn(pgpDir) == expected; });
        return namesIn(pgpDir);
    }

    std::string pgpDir;
    std::vector<std::string> messageText;
    std::vector<std::string> pickedUp;
};

} // namespace

TEST_F(ScorchJob, EditorDecryptWipesThePlaintextAndThePassPhraseWithTheRealTool) {
    // A second name for the batch file: the runner rewrites that same file, so what the
    // second name shows afterwards is what the tool left of the line with the pass phrase.
    writeFileBytes(pgpDir + "Murkwell.bat", "old batch\r\n");
    ASSERT_TRUE(
        CreateHardLinkA((dir / "batch seen elsewhere").c_str(), (pgpDir + "Murkwell.bat").c_str(), nullptr));
    writeFileBytes(pgpDir + "murkwell.usr", "listing left by the key dialog\r\n");
    messageText = {"-----BEGIN PGP MESSAGE-----",
                   "TEST DOUBLE: NOTHING WAS ENCRYPTED OR SIGNED. The original text follows.",
                   "the plaintext that must not stay on the disk", "-----END PGP MESSAGE-----"};
    EditorJobValues v;
    v.passPhraseOn = true;
    v.passPhrase = "correct horse battery";
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Decrypt, v)), JobEnd::Finished);
    EXPECT_EQ(pickedUp, std::vector<std::string>{"the plaintext that must not stay on the disk"});

    const std::vector<std::string> temporaries{pgpDir + "Murkwell.bat", pgpDir + "murkwell.tmp",
                                               pgpDir + "murkwell.txt", pgpDir + "murkwell.usr"};
    waitUntilGone(temporaries);
    for (const auto& f : temporaries)
        EXPECT_FALSE(exists(f)) << f;
    // Only what was there before the job, plus the double's log: no renamed leftover.
    const std::vector<std::string> before{"pgp-args.log", "pgp.exe", "pubring.pgp"};
    EXPECT_EQ(pgpDirOnceSettled(before), before);
    EXPECT_EQ(readFileBytes(dir / "batch seen elsewhere"), "");
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(ScorchJob, EditorSignWipesEachTemporaryThatExists) {
    messageText = {"Hello,", "this is the message."};
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Sign, {"", "\"Alice\""})),
              JobEnd::Finished);
    ASSERT_FALSE(pickedUp.empty());
    EXPECT_NE(std::find(pickedUp.begin(), pickedUp.end(), "Signer: Alice"), pickedUp.end());
    waitUntilGone({pgpDir + "Murkwell.bat", pgpDir + "murkwell.tmp", pgpDir + "murkwell.asc"});
    const std::vector<std::string> before{"pgp-args.log", "pgp.exe", "pubring.pgp"};
    EXPECT_EQ(pgpDirOnceSettled(before), before);
}

TEST_F(ScorchJob, FileModuleEncryptWipesItsBatchAndListingAndLeavesTheUsersFiles) {
    const std::string shown = dir / "files\\";
    makeDirectory(shown);
    const std::string file = shown + "letter & notes.txt";
    writeFileBytes(file, "the user's own file\r\n");
    writeFileBytes(pgpDir + "bramlet.usr", "listing left by the key dialog\r\n");
    FileJob job;
    job.operation = FileOperation::Encrypt;
    job.pgpExe = pgpDir + "pgp.exe";
    job.pgpDir = pgpDir;
    job.selectedFile = file;
    job.workingDirectory = shown;
    job.values = [] { return FileJobValues{"\"Alice\" ", ""}; };
    int refreshes = 0;
    job.refresh = [&] { ++refreshes; };
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runFileOperation(job), JobEnd::Finished);
    waitUntilGone({pgpDir + "bramlet.bat", pgpDir + "bramlet.usr"});
    const std::vector<std::string> before{"pgp-args.log", "pgp.exe", "pubring.pgp"};
    EXPECT_EQ(pgpDirOnceSettled(before), before);
    EXPECT_EQ(refreshes, 1); // the output is shown, with the wipe tool too
    EXPECT_EQ(readFileBytes(file), "the user's own file\r\n");
    EXPECT_EQ(namesIn(shown).size(), 2u) << "the file and PGP's output beside it";
}

TEST_F(ScorchJob, AnEarlierOutputIsWipedBeforePgpRunsOrTheJobIsRefusedWithTheToolsReason) {
    // Left by a job that never finished: wiped, and the tool has ended, before PGP is started.
    writeFileBytes(pgpDir + "murkwell.asc", "OLD OUTPUT FOR OTHER RECIPIENTS\r\n");
    messageText = {"Hello."};
    JobRunner runner(*platform, interaction);
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::EncryptIdea, {})), JobEnd::Finished);
    ASSERT_FALSE(pickedUp.empty());
    EXPECT_EQ(std::find(pickedUp.begin(), pickedUp.end(), "OLD OUTPUT FOR OTHER RECIPIENTS"), pickedUp.end());
    EXPECT_EQ(readCalls(pgpDir + "pgp-args.log").size(), 1u);
    EXPECT_TRUE(interaction.shown.empty());
    waitUntilGone({pgpDir + "Murkwell.bat", pgpDir + "murkwell.tmp", pgpDir + "murkwell.asc"});

    // A read-only one is left alone by the tool: the job stops, naming the file and the reason.
    const std::string earlier = pgpDir + "murkwell.txt";
    writeFileBytes(earlier, "old plaintext\r\n");
    SetFileAttributesA(earlier.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(runner.runEditorOperation(editorJob(EditorOperation::Decrypt, {})), JobEnd::Refused);
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].text, "The output of an earlier PGP job, " + earlier +
                                             ", could not be wiped: it is read-only. PGP was not started.");
    EXPECT_EQ(readCalls(pgpDir + "pgp-args.log").size(), 1u) << "PGP was not started again";
    EXPECT_FALSE(exists(pgpDir + "Murkwell.lck"));
    EXPECT_FALSE(exists(pgpDir + "Murkwell.bat"));
    EXPECT_EQ(readFileBytes(earlier), "old plaintext\r\n");
    SetFileAttributesA(earlier.c_str(), FILE_ATTRIBUTE_NORMAL);
}
