// The file module's housekeeping commands on the real browser window under Wine: the keys and
// menus that reach them, the selection guard, and the file pane re-read after each of them.
#include "FileModuleFixture.h"

using namespace mwtest;

namespace {

class FileHousekeeping : public FileModule {
protected:
    void SetUp() override {
        FileModule::SetUp();
        recorder->starts = Starts::BatchFilesOnly;
        writeFileBytes(data() + "alpha.txt", "a");
        writeFileBytes(data() + "report.doc", "quarterly figures");
        start(data());
    }
    std::string pgp() { return pgpDir(); }
    std::string shown() { return data().substr(0, data().size() - 1); }
    filemodule::TForm1& form() { return app->form1(); }
    void select(const std::string& name) {
        auto entries = listEntries(form().fileList());
        auto at = std::find(entries.begin(), entries.end(), name);
        ASSERT_NE(at, entries.end()) << name;
        clickEntry(form().fileList(), static_cast<int>(at - entries.begin()));
        ASSERT_NE(form().statusText(), "");
    }
    void command(int id) { SendMessageA(form().handle(), WM_COMMAND, id, 0); }
    // Keys through the input queue, where the shortcuts read Shift; the focus in `pane`.
    void press(HWND pane, std::initializer_list<BYTE> keys) { pressKeys(form().handle(), pane, keys); }
    void expectReread() {
        EXPECT_EQ(form().selectedIndex(), -1);
        EXPECT_EQ(form().statusText(), "");
    }
    std::string lastBox() { return interaction.shown.empty() ? "<none>" : interaction.shown.back().text; }
};

} // namespace

TEST_F(FileHousekeeping, GuardedCommandsWithoutASelectionOnlyAskForOne) {
    command(filemodule::CmdRefresh1Click);
    ASSERT_EQ(form().selectedIndex(), -1);
    for (int id : {filemodule::CmdN3Click, filemodule::CmdRenameFile1Click,
                   filemodule::CmdScorchTheFile1Click, filemodule::CmdRunFile1Click})
        command(id);
    ASSERT_EQ(interaction.shown.size(), 4u);
    for (const auto& box : interaction.shown) {
        EXPECT_EQ(box.caption, "Murkwell File Encryption Applet");
        EXPECT_EQ(box.text, "You must select a file first!");
        EXPECT_EQ(box.icon, mw::BoxIcon::None);
    }
    EXPECT_TRUE(recorder->programLaunches().empty());
    EXPECT_EQ(listEntries(form().fileList()), (Lines{"alpha.txt", "report.doc"}));
    EXPECT_FALSE(exists(pgp() + "bramlet.lck"));

    command(filemodule::CmdLoadIntoNotepad1Click);
    EXPECT_EQ(noted(recorder->programLaunches()), Lines{"Notepad.Exe||" + shown() + "|1"});
}

TEST_F(FileHousekeeping, DelInTheDirectoryPaneAsksAndNoKeepsTheFile) {
    select("report.doc");
    interaction.answers = {false};
    press(form().directoryList(), {VK_DELETE});
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].caption, "Information");
    EXPECT_EQ(interaction.shown[0].text, "Warning You are about to delete this file.  Continue?");
    EXPECT_TRUE(interaction.shown[0].isQuestion);
    EXPECT_TRUE(exists(data() + "report.doc"));
    EXPECT_NE(form().statusText(), "") << "No changes nothing, not even the selection";
}

TEST_F(FileHousekeeping, DeleteOfAReadOnlyFileAnsweredYesLeavesItAndRereads) {
    SetFileAttributesA((data() + "report.doc").c_str(), FILE_ATTRIBUTE_READONLY);
    select("report.doc");
    interaction.answers = {true};
    command(filemodule::CmdN3Click);
    EXPECT_TRUE(exists(data() + "report.doc"));
    EXPECT_EQ(interaction.shown.size(), 1u) << "no message after the question";
    expectReread();
    SetFileAttributesA((data() + "report.doc").c_str(), FILE_ATTRIBUTE_NORMAL);

    select("alpha.txt");
    interaction.answers = {true};
    command(filemodule::CmdN3Click);
    EXPECT_EQ(listEntries(form().fileList()), Lines{"report.doc"});
}

// A name the code page cannot hold reaches the housekeeping by its short form.
TEST_F(FileHousekeeping, DeleteTakesANameInAnyScript) {
    const std::string name = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.doc"; // UTF-8
    writeFileBytes(data() + name, "x");
    form().updateFileList();
    select(name);
    interaction.answers = {true};
    command(filemodule::CmdN3Click);
    EXPECT_FALSE(exists(data() + name)) << lastBox();
    EXPECT_EQ(listEntries(form().fileList()), (Lines{"alpha.txt", "report.doc"}));
}

TEST_F(FileHousekeeping, RenameShowsTheNewNameInTheRereadPane) {
    select("report.doc");
    interaction.inputResults = {std::string("summary.doc")};
    press(form().fileList(), {VK_CONTROL, 'R'});
    EXPECT_EQ(interaction.inputPrompts, Lines{"Rename File|Please enter the new filename.|report.doc"});
    EXPECT_EQ(listEntries(form().fileList()), (Lines{"alpha.txt", "summary.doc"}));
    expectReread();
}

TEST_F(FileHousekeeping, ShiftDelScorchesTheFileHiddenAndSaysItIsWiped) {
    ASSERT_TRUE(CopyFileA((doublesDirectory() + "scorch.com").c_str(), (dir / "scorch.com").c_str(), FALSE));
    select("report.doc");
    interaction.answers = {true};
    press(form().directoryList(), {VK_SHIFT, VK_DELETE});
    EXPECT_EQ(lastBox(), "File has been wiped.");
    EXPECT_FALSE(exists(data() + "report.doc"));
    EXPECT_EQ(listEntries(form().fileList()), Lines{"alpha.txt"});
    expectReread();
    EXPECT_EQ(form().job.LockFile, pgp() + "bramlet.lck");
    EXPECT_EQ(form().job.BatchFile, pgp() + "bramlet.bat");
    EXPECT_NE(form().job.ToolShortName, "");
    EXPECT_NE(form().job.ShortName, "");
    EXPECT_TRUE(recorder->programLaunches().empty()) << "only the batch file was started";
}

TEST_F(FileHousekeeping, ScorchWithTheRealToolWipesEvenAnAmpersandNameAndLeavesAReadOnlyFileIntact) {
    const std::string tool = buildTreeDirectory() + "scorch\\scorch.com";
    ASSERT_TRUE(CopyFileA(tool.c_str(), (dir / "scorch.com").c_str(), FALSE));
    // The short form of this name keeps its "&", which the batch line must carry to the tool.
    const std::string name = "q&a notes.doc";
    writeFileBytes(data() + name, "answers nobody may read again");
    const std::string link = dir / "second-name.bin";
    ASSERT_TRUE(CreateHardLinkA(link.c_str(), (data() + name).c_str(), nullptr));
    press(form().fileList(), {VK_F5});
    select(name);
    interaction.answers = {true};
    press(form().directoryList(), {VK_SHIFT, VK_DELETE});
    EXPECT_EQ(lastBox(), "File has been wiped.");
    EXPECT_FALSE(exists(data() + name));
    // Overwritten and truncated in place: nothing is left to read through the other name.
    EXPECT_EQ(readFileBytes(link), "");
    DeleteFileA(link.c_str());

    SetFileAttributesA((data() + "report.doc").c_str(), FILE_ATTRIBUTE_READONLY);
    select("report.doc");
    interaction.answers = {true};
    command(filemodule::CmdScorchTheFile1Click);
    EXPECT_EQ(lastBox(),
              "Scorch was unable to remove the file, please be sure the file is not in use by other "
              "programs or is not marked Hidden, System or Read-Only");
    EXPECT_EQ(readFileBytes(data() + "report.doc"), "quarterly figures");
    SetFileAttributesA((data() + "report.doc").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileHousekeeping, ScorchOfAReadOnlyFileSaysTheToolCouldNotRemoveIt) {
    ASSERT_TRUE(CopyFileA((doublesDirectory() + "scorch.com").c_str(), (dir / "scorch.com").c_str(), FALSE));
    SetFileAttributesA((data() + "report.doc").c_str(), FILE_ATTRIBUTE_READONLY);
    select("report.doc");
    interaction.answers = {true};
    command(filemodule::CmdScorchTheFile1Click);
    EXPECT_EQ(lastBox(),
              "Scorch was unable to remove the file, please be sure the file is not in use by other "
              "programs or is not marked Hidden, System or Read-Only");
    EXPECT_TRUE(exists(data() + "report.doc"));
    expectReread();
    SetFileAttributesA((data() + "report.doc").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileHousekeeping, DoubleClickRunsAndThePromptOpensInTheShownDirectory) {
    doubleClickEntry(form().fileList(), 1);
    command(filemodule::CmdDOSPromptHere1Click);
    char comspec[MAX_PATH] = {};
    GetEnvironmentVariableA("COMSPEC", comspec, sizeof comspec);
    ASSERT_NE(std::string(comspec), "");
    // The recorder starts no program, so command.com counts as missing.
    EXPECT_EQ(noted(recorder->programLaunches()),
              (Lines{data() + "report.doc||" + shown() + "|1", "command.com||" + shown() + "|1",
                     std::string(comspec) + "||" + shown() + "|1"}));
    EXPECT_TRUE(interaction.shown.empty());
}
