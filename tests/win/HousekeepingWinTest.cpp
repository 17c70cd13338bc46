// The file module's housekeeping on real files under Wine: deletes and renames through the system,
// copies across devices, and Scorch through cmd.exe with the wipe tool's double beside the program.
#include "filemodule/core/Housekeeping.h"
#include "WinTestSupport.h"

using namespace mwtest;

namespace {

class HousekeepingWin : public ProgramFixture {
protected:
    std::string shown() { return dir / "data"; }
    std::string pgp() { return dir / "pgp\\"; }
    std::string selected;
    int rereads = 0;
    std::unique_ptr<mw::Housekeeping> keeper;

    void SetUp() override {
        ProgramFixture::SetUp();
        standProgramAs("bramlet.exe");
        makeDirectory(shown());
        makeDirectory(pgp());
        selected = shown() + "\\report.doc";
        writeFileBytes(selected, "quarterly figures\r\n");
        mw::BrowserLink link;
        link.selectedFile = [this] { return selected; };
        link.shownDirectory = [this] { return shown(); };
        link.pgpDirectory = [this] { return pgp(); };
        link.reread = [this] {
            ++rereads;
            selected.clear();
        };
        keeper = std::make_unique<mw::Housekeeping>(*platform, interaction, link);
    }
    void withTool() {
        ASSERT_TRUE(
            CopyFileA((doublesDirectory() + "scorch.com").c_str(), (dir / "scorch.com").c_str(), FALSE));
    }
    // Scorch's last box, after its question.
    std::string lastBox() { return interaction.shown.empty() ? "<none>" : interaction.shown.back().text; }
};

std::string shortName(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return std::string(buffer, n);
}

// A directory on another device than the Wine prefix: a move there is one across volumes.
class OtherDevice {
public:
    OtherDevice() : path_("z:\\dev\\shm\\mwtest_" + std::to_string(GetCurrentProcessId())) {
        removeTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~OtherDevice() { removeTree(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace

TEST_F(HousekeepingWin, DeleteOfAReadOnlyFileAnsweredYesLeavesItSilentlyAndRereads) {
    SetFileAttributesA(selected.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string file = selected;
    interaction.answers = {true};
    keeper->deleteFile();
    EXPECT_TRUE(exists(file));
    EXPECT_EQ(interaction.shown.size(), 1u) << "the question only";
    EXPECT_EQ(rereads, 1);

    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    selected = file;
    interaction.answers = {true};
    keeper->deleteFile();
    EXPECT_FALSE(exists(file));
}

TEST_F(HousekeepingWin, RenameToABareNameAndIntoAnotherDirectoryByPath) {
    makeDirectory(shown() + "\\archive");
    interaction.inputResults = {std::string("summary.doc")};
    keeper->renameFile();
    EXPECT_EQ(readFileBytes(shown() + "\\summary.doc"), "quarterly figures\r\n");
    EXPECT_FALSE(exists(shown() + "\\report.doc"));

    selected = shown() + "\\summary.doc";
    interaction.inputResults = {std::string("archive\\2024.doc")};
    keeper->renameFile();
    EXPECT_EQ(readFileBytes(shown() + "\\archive\\2024.doc"), "quarterly figures\r\n");
    EXPECT_FALSE(exists(shown() + "\\summary.doc"));
    EXPECT_EQ(rereads, 2);
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(HousekeepingWin, RenameOntoAnExistingFileReplacesItOnlyOnYes) {
    writeFileBytes(shown() + "\\old.doc", "keep me");
    interaction.inputResults = {std::string("old.doc"), std::string("old.doc")};
    interaction.answers = {false, true};
    keeper->renameFile();
    EXPECT_EQ(interaction.shown.back().text, shown() + "\\old.doc already exists. Replace it?");
    EXPECT_EQ(readFileBytes(shown() + "\\old.doc"), "keep me");
    EXPECT_TRUE(exists(selected));
    keeper->renameFile();
    EXPECT_EQ(readFileBytes(shown() + "\\old.doc"), "quarterly figures\r\n");
    EXPECT_FALSE(exists(shown() + "\\report.doc"));
}

TEST_F(HousekeepingWin, RenameAcrossDevicesMovesTheFileLeavingNoCopyBehind) {
    OtherDevice other;
    std::string big(300000, 'x'); // several blocks
    writeFileBytes(selected, big);
    const std::string file = selected;
    interaction.inputResults = {other.path()};
    keeper->renameFile();
    EXPECT_EQ(readFileBytes(other.path() + "\\report.doc"), big);
    EXPECT_FALSE(exists(file)) << "a plaintext copy stayed behind";
    EXPECT_EQ(rereads, 1);
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(HousekeepingWin, ReadOnlyFileThatCannotMoveIsAnErrorAndStays) {
    OtherDevice other;
    SetFileAttributesA(selected.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string file = selected;
    interaction.inputResults = {other.path() + "\\x.doc"};
    try {
        keeper->renameFile();
        FAIL() << "no error";
    } catch (const mw::FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot move file " + file);
    }
    EXPECT_TRUE(exists(file));
    EXPECT_FALSE(exists(other.path() + "\\x.doc"));
    EXPECT_EQ(rereads, 0);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(HousekeepingWin, ScorchWithoutTheToolWritesNoLock) {
    keeper->scorchFile();
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].text,
              "SCORCH.COM must be in the same directory as bramlet.exe (" + dir / "scorch.com" +
                  " was not found). It comes with the Murkwell package: install the package again "
                  "to get it back.");
    EXPECT_FALSE(exists(pgp() + "bramlet.lck"));
    EXPECT_FALSE(exists(pgp() + "bramlet.bat"));
}

TEST_F(HousekeepingWin, ScorchRunsTheToolThroughCmdInTheShownDirectory) {
    withTool();
    const std::string file = selected;
    const std::string toolShort = shortName(dir / "scorch.com"), fileShort = shortName(file);
    interaction.answers = {true};
    keeper->scorchFile();
    EXPECT_EQ(lastBox(), "File has been wiped.");
    EXPECT_FALSE(exists(file));
    EXPECT_FALSE(exists(pgp() + "bramlet.lck"));
    EXPECT_EQ(readFileBytes(pgp() + "bramlet.bat"),
              toolShort + " [" + fileShort + "] /two /silent\r\nDEL " + pgp() + "bramlet.lck\r\n");
    std::string log = readFileBytes(dir / "scorch-args.log");
    EXPECT_EQ(mw::toLowerAscii(log), mw::toLowerAscii("CALL\r\nCWD " + shown() + "\r\nARG [" + fileShort +
                                                      "]\r\nARG /two\r\nARG /silent\r\n"));
    EXPECT_EQ(rereads, 1);
}

TEST_F(HousekeepingWin, ScorchOfAFileTheToolCannotRemoveSaysSoAfterTheReread) {
    withTool();
    SetFileAttributesA(selected.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string file = selected;
    interaction.answers = {true};
    keeper->scorchFile();
    EXPECT_TRUE(exists(file));
    EXPECT_EQ(rereads, 1);
    EXPECT_EQ(lastBox(),
              "Scorch was unable to remove the file, please be sure the file is not in use by other "
              "programs or is not marked Hidden, System or Read-Only");
    EXPECT_FALSE(exists(pgp() + "bramlet.lck"));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(HousekeepingWin, ScorchWhileTheLockExistsIsBusyBeforeAnyQuestion) {
    withTool();
    writeFileBytes(pgp() + "bramlet.lck", "other job");
    keeper->scorchFile();
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].text, "LockFile is busy, only one PGP session is allowed at a time.");
    EXPECT_FALSE(interaction.shown[0].isQuestion);
    EXPECT_TRUE(exists(selected));
}
