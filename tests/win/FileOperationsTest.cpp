// The file module's six PGP operations under Wine, through cmd.exe with the doubles of pgp.exe and
// the wipe tool: guards, dialogs, the exact batch lines, what reaches PGP, and the clean-up.
#include "FileModuleFixture.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"

using namespace mwtest;

namespace {

const char* const kNoSelection = "You must select a file first!";
const char* const kAppTitle = "Murkwell File Encryption Applet";

// Every command of the six, in the order of the button bar.
const int kOperations[] = {filemodule::CmdSpeedButton1Click, filemodule::CmdSpeedButton2Click,
                           filemodule::CmdSpeedButton3Click, filemodule::CmdIEButton7Click,
                           filemodule::CmdSpeedButton4Click, filemodule::CmdSpeedButton5Click};

std::string shortPathOf(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return std::string(buffer, n);
}

class FileOperations : public FileModule {
protected:
    void SetUp() override {
        FileModule::SetUp();
        ASSERT_TRUE(
            CopyFileA((doublesDirectory() + "pgp.exe").c_str(), (pgpDir() + "pgp.exe").c_str(), FALSE));
        writeFileBytes(pgpDir() + "pubring.pgp", "Carol\r\nAlice\r\nBob\r\nDave\r\n");
        writeFileBytes(pgpDir() + "secring.pgp", "Carol\r\n");
    }
    // Starts in the data directory with `name` selected as the user selects it.
    filemodule::TForm1& startWith(const std::string& name) {
        writeFileBytes(data() + name, "the user's data\r\n");
        auto& form = start(data());
        clickEntry(form.fileList(), indexOf(form.fileList(), name));
        EXPECT_EQ(form.FileName(), data() + name);
        return form;
    }
    void command(filemodule::TForm1& form, int id) { SendMessageA(form.handle(), WM_COMMAND, id, 0); }
    // The arguments of each call of the pgp double that was not a key listing.
    std::vector<Lines> pgpCalls() {
        std::vector<Lines> calls;
        for (const auto& line : mw::splitLines(readFileBytes(pgpDir() + "pgp-args.log"))) {
            if (line == "CALL") calls.emplace_back();
            if (line.rfind("ARG ", 0) == 0 && !calls.empty()) calls.back().push_back(line.substr(4));
        }
        std::erase_if(calls, [](const Lines& args) { return !args.empty() && args[0] == "-kv"; });
        return calls;
    }
    Lines boxTexts() const {
        Lines texts;
        for (const auto& b : interaction.shown)
            texts.push_back(b.text);
        return texts;
    }
    std::string deleteLine() { return "DEL " + pgpDir() + "bramlet.lck\r\n"; }
    // Drives the key dialogs: recipients added by name, then OK; the signer dialog confirmed with
    // its first entry, or closed by its close box when `closeSigner`.
    void answerKeyDialogs(Lines recipients, bool closeSigner = false) {
        onModal = [this, recipients, closeSigner](mw::Form& f) {
            if (className(f.handle()) == "TPubKey") {
                auto& pub = app->pubKey();
                for (const auto& id : recipients) {
                    SendMessageA(pub.listBox1(), LB_SETCURSEL, indexOf(pub.listBox1(), id), 0);
                    pub.SpeedButton1Click();
                }
                pub.Button1Click();
            } else if (className(f.handle()) == "TSecKey" && !closeSigner) {
                app->secKey().Button1Click();
            } else {
                f.close();
            }
        };
    }
};

} // namespace

TEST_F(FileOperations, WithNothingSelectedEachOfTheSixAnswersAndWritesNothing) {
    auto& form = start(data());
    const Lines before = namesIn(pgpDir());
    for (int id : kOperations)
        command(form, id);
    EXPECT_EQ(boxTexts(), Lines(6, kNoSelection));
    for (const auto& box : interaction.shown) {
        EXPECT_EQ(box.caption, kAppTitle);
        EXPECT_EQ(box.icon, mw::BoxIcon::None);
    }
    EXPECT_TRUE(modalShown.empty());
    EXPECT_TRUE(recorder->launches.empty());
    EXPECT_EQ(namesIn(pgpDir()), before);
}

TEST_F(FileOperations, WithoutPgpTheMessageComesThenTheSetupDialogAndNothingElse) {
    auto& form = startWith("a.txt");
    DeleteFileA((pgpDir() + "pgp.exe").c_str());
    command(form, filemodule::CmdSpeedButton4Click); // Sign Encrypt would show both key dialogs
    EXPECT_EQ(boxTexts(), Lines{"PGP Doesn't Exists where setup thinks it should!, Running Setup."});
    EXPECT_EQ(modalShown, Lines{"TPGPSetup"});
    EXPECT_TRUE(recorder->launches.empty());
    EXPECT_EQ(namesIn(pgpDir()), (Lines{"pubring.pgp", "secring.pgp"}));
}

TEST_F(FileOperations, ALockPresentIsReportedBusyBeforeAnyDialog) {
    auto& form = startWith("a.txt");
    writeFileBytes(pgpDir() + "bramlet.lck", "another job");
    for (int id : kOperations)
        command(form, id);
    EXPECT_EQ(boxTexts(), Lines(6, "LockFile is busy, only one PGP session is allowed at a time."));
    EXPECT_TRUE(modalShown.empty());
    EXPECT_TRUE(recorder->launches.empty());
    EXPECT_EQ(readFileBytes(pgpDir() + "bramlet.lck"), "another job");
}

TEST_F(FileOperations, EncryptToThreeRecipientsAndToNone) {
    recorder->starts = Starts::Everything;
    auto& form = startWith("a.txt");
    const std::string file = shortPathOf(data() + "a.txt");
    answerKeyDialogs({"Alice", "Bob", "Carol"});
    command(form, filemodule::CmdSpeedButton1Click);
    EXPECT_EQ(modalShown, Lines{"TPubKey"});
    // Without the wipe tool the batch file stays for the window's close.
    EXPECT_EQ(readFileBytes(pgpDir() + "bramlet.bat"),
              pgpDir() + "pgp.exe -ea " + file + " \"Alice\" \"Bob\" \"Carol\" \r\n" + deleteLine());
    EXPECT_EQ(form.job.ShortName, file);
    EXPECT_EQ(form.job.PGPExe, pgpDir() + "pgp.exe");

    // "Keys To Use" emptied: the line ends with the short path and one blank, and the job runs.
    answerKeyDialogs({});
    onModal = [this, inner = onModal](mw::Form& f) {
        auto& pub = app->pubKey();
        while (SendMessageA(pub.listBox2(), LB_GETCOUNT, 0, 0) > 0) {
            SendMessageA(pub.listBox2(), LB_SETCURSEL, 0, 0);
            pub.SpeedButton2Click();
        }
        inner(f);
    };
    clickEntry(form.fileList(), indexOf(form.fileList(), "a.txt"));
    command(form, filemodule::CmdSpeedButton1Click);
    EXPECT_EQ(readFileBytes(pgpDir() + "bramlet.bat"),
              pgpDir() + "pgp.exe -ea " + file + " \r\n" + deleteLine());
    EXPECT_EQ(pgpCalls(), (std::vector<Lines>{{"-ea", file, "Alice", "Bob", "Carol"}, {"-ea", file}}));
    EXPECT_TRUE(interaction.shown.empty()) << boxTexts()[0];
    EXPECT_FALSE(exists(pgpDir() + "bramlet.lck"));
}

// Closing a key dialog cancels: no job, no word, the lock gone; a later OK runs with the signer.
TEST_F(FileOperations, AKeyDialogClosedByItsCloseBoxRunsNoJob) {
    recorder->starts = Starts::Everything;
    auto& form = startWith("a.txt");
    answerKeyDialogs({}, true);
    command(form, filemodule::CmdSpeedButton3Click);
    command(form, filemodule::CmdSpeedButton4Click);
    EXPECT_EQ(modalShown, (Lines{"TSecKey", "TPubKey", "TSecKey"}));
    EXPECT_EQ(pgpCalls(), std::vector<Lines>{});
    EXPECT_FALSE(exists(pgpDir() + "bramlet.lck"));
    EXPECT_TRUE(interaction.shown.empty()) << boxTexts()[0];
}

TEST_F(FileOperations, SignEncryptShowsPubKeyThenSecKeyThenRunsPgpShownInTheBrowsersDirectory) {
    recorder->starts = Starts::Everything;
    auto& form = startWith("a.txt");
    const std::string file = shortPathOf(data() + "a.txt");
    answerKeyDialogs({"Alice", "Bob"});
    command(form, filemodule::CmdSpeedButton4Click);
    EXPECT_EQ(modalShown, (Lines{"TPubKey", "TSecKey"}));
    ASSERT_EQ(recorder->launches.size(), 3u);
    EXPECT_EQ(recorder->launches[2].noted(), pgpDir() + "bramlet.bat||" + form.shownDirectory() + "|1");
    EXPECT_EQ(recorder->lastBatch(),
              pgpDir() + "pgp.exe -east " + file + " \"Alice\" \"Bob\"  -u \"Carol\"\r\n" + deleteLine());
    EXPECT_EQ(pgpCalls(), (std::vector<Lines>{{"-east", file, "Alice", "Bob", "-u", "Carol"}}));
    answerKeyDialogs({});
    clickEntry(form.fileList(), indexOf(form.fileList(), "a.txt"));
    command(form, filemodule::CmdIEButton7Click);
    EXPECT_EQ(recorder->lastBatch(), pgpDir() + "pgp.exe -sbta " + file + " -u \"Carol\"\r\n" + deleteLine());
}

TEST_F(FileOperations, DecryptAndEncryptIdeaShowNoDialogAndShiftGivesThePause) {
    auto& form = startWith("a.txt");
    const std::string file = shortPathOf(data() + "a.txt");
    const int decrypt = 1;
    pressKeys(form, {VK_SHIFT});
    clickButton(form.buttons()[decrypt]->handle());
    EXPECT_EQ(recorder->lastBatch(), pgpDir() + "pgp.exe -p " + file + "\r\npause\r\n" + deleteLine());
    pressKeys(form, {VK_SHIFT});
    pressKeys(form, {VK_SPACE});
    clickEntry(form.fileList(), indexOf(form.fileList(), "a.txt"));
    clickButton(form.buttons()[decrypt]->handle());
    EXPECT_EQ(recorder->lastBatch(), pgpDir() + "pgp.exe -p " + file + "\r\n" + deleteLine());
    clickEntry(form.fileList(), indexOf(form.fileList(), "a.txt"));
    command(form, filemodule::CmdSpeedButton5Click);
    EXPECT_EQ(recorder->lastBatch(), pgpDir() + "pgp.exe -ca " + file + "\r\n" + deleteLine());
    EXPECT_TRUE(modalShown.empty());
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(FileOperations, LongNamesWithBlanksOrAmpersandReachPgpAsOneArgument) {
    recorder->starts = Starts::Everything;
    for (const std::string name : {"Quarterly Report for the Board.doc", "Smith & Jones (draft) 100%.txt"}) {
        SCOPED_TRACE(name);
        auto& form = startWith(name);
        command(form, filemodule::CmdSpeedButton5Click);
        const std::string file = shortPathOf(data() + name);
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(pgpCalls().back(), (Lines{"-ca", file}));
        app.reset();
    }
    EXPECT_EQ(pgpCalls().size(), 2u);
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(FileOperations, WithTheWipeToolTheBatchIsWipedAndTheOutputIsSelected) {
    recorder->starts = Starts::Everything;
    ASSERT_TRUE(CopyFileA((doublesDirectory() + "scorch.com").c_str(), (dir / "scorch.com").c_str(), FALSE));
    writeFileBytes(pgpDir() + "bramlet.usr", "left over listing");
    auto& form = startWith("a.txt");
    command(form, filemodule::CmdSpeedButton5Click);
    EXPECT_EQ(listEntries(form.fileList()), (Lines{"a.asc", "a.txt"}));
    EXPECT_EQ(form.FileName(), data() + "a.asc");
    EXPECT_NE(form.statusText().find("a.asc, "), std::string::npos) << form.statusText();
    ASSERT_EQ(recorder->launches.size(), 3u);
    EXPECT_EQ(recorder->launches[1].noted(),
              dir / "scorch.com|[" + pgpDir() + "bramlet.bat] /two /silent|" + pgpDir() + "|0");
    EXPECT_EQ(recorder->launches[2].noted(),
              dir / "scorch.com|[" + pgpDir() + "bramlet.usr] /two /silent|" + pgpDir() + "|0");
    waitFor("the wipe tool to remove the batch and listing files",
            [&] { return !exists(pgpDir() + "bramlet.bat") && !exists(pgpDir() + "bramlet.usr"); });
    EXPECT_FALSE(exists(pgpDir() + "bramlet.bat"));
}

TEST_F(FileOperations, WithoutTheWipeToolTheOutputIsSelectedAndTheBatchStaysUntilClose) {
    recorder->starts = Starts::Everything;
    auto& form = startWith("a.txt");
    command(form, filemodule::CmdSpeedButton5Click);
    EXPECT_EQ(listEntries(form.fileList()), (Lines{"a.asc", "a.txt"}));
    EXPECT_EQ(form.FileName(), data() + "a.asc");
    EXPECT_EQ(recorder->launches.size(), 1u);
    EXPECT_TRUE(exists(pgpDir() + "bramlet.bat"));
    form.close();
    EXPECT_FALSE(exists(pgpDir() + "bramlet.bat"));
}

TEST_F(FileOperations, PgpsDirectoryListsNoneOfTheEnginesOwnFiles) {
    const Lines engine = {"pubring.kbx", "pubring.kbx.lock", "trustdb.gpg", "random_seed"};
    for (const auto& folder : {pgpDir(), data()})
        for (const auto& name : engine)
            writeFileBytes(folder + name, "");
    auto& form = start(pgpDir());
    EXPECT_EQ(listEntries(form.fileList()), (Lines{"pgp.exe", "pubring.pgp", "secring.pgp"}));
    form.changeDirectory(data());
    EXPECT_EQ(listEntries(form.fileList()).size(), engine.size()) << "elsewhere they are the user's files";
}

TEST_F(FileOperations, AFileGoneSinceTheListingIsRefusedByNameBeforeAnythingIsWritten) {
    auto& form = startWith("gone.txt");
    DeleteFileA((data() + "gone.txt").c_str());
    form.job.ShortName = "C:\\EARLIER.TXT";
    command(form, filemodule::CmdSpeedButton1Click);
    EXPECT_EQ(boxTexts(),
              Lines{"The file " + data() +
                    "gone.txt cannot be handed to PGP: it no longer exists. PGP was not started."});
    EXPECT_TRUE(modalShown.empty()) << "no key dialog";
    EXPECT_TRUE(recorder->launches.empty());
    EXPECT_EQ(namesIn(pgpDir()), (Lines{"pgp.exe", "pubring.pgp", "secring.pgp"}));
}
