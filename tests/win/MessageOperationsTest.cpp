// The six message operations end to end on the real editor window: real batch files through
// cmd.exe, the pgp.exe double in a temporary PGP directory and the wipe tool's double beside the
// program (or not), driven through the window's commands.
#include "core/JobRunner.h"
#include "core/PathUtil.h"
#include "editor/EditorApp.h"
#include "editor/EditorCommands.h"
#include "editor/TForm1.h"
#include "editor/TForm2.h"
#include "editor/TKey.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"
#include "WinTestSupport.h"
#include <memory>

using namespace mwtest;

namespace {

const char* const kBody = "TEST DOUBLE: NOTHING WAS ENCRYPTED OR SIGNED. The original text follows.";

std::vector<std::string> argsOfCalls(const std::string& log) {
    std::vector<std::string> out;
    for (const auto& call : readCalls(log)) {
        out.emplace_back();
        for (const auto& arg : call.args)
            out.back() += "[" + arg + "]";
    }
    return out;
}

class MessageOperations : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        record();
        pgpDir = dir / "pgp\\";
        makeDirectory(pgpDir);
        ASSERT_TRUE(CopyFileA((doublesDirectory() + "pgp.exe").c_str(), (pgpDir + "pgp.exe").c_str(), FALSE));
        writeFileBytes(pgpDir + "pubring.pgp", "Alice <alice@example.org>\r\nBob\r\n");
        writeSettings(false);
    }
    void TearDown() override {
        app.reset();
        if (!holdFile.empty()) DeleteFileA(holdFile.c_str());
        // The wipe tool's instances run on in the background; their files must outlive them.
        waitFor("the programs started from the test's directory to end",
                [&] { return !processRunsFrom(dir.path()); });
        ProgramFixture::TearDown();
    }
    void writeSettings(bool storePassPhrase) {
        writeFileBytes(dir / "Murkwell.ini", pgpDir + "pgp.exe\r\n" + pgpDir + "\r\n" + pgpDir +
                                                 "pubring.pgp\r\n" + pgpDir +
                                                 "secring.pgp\r\n0\r\n0\r\n640\r\n450\r\nright\r\n" +
                                                 (storePassPhrase ? "store" : "nostore") +
                                                 "\r\nCourier New\r\n8\r\n0\r\n-2147483643\r\n");
    }
    void start() {
        app = std::make_unique<editor::EditorApp>(mw::Application::instance());
        form().showMain();
    }
    void installWipeTool() {
        ASSERT_TRUE(
            CopyFileA((doublesDirectory() + "scorch.com").c_str(), (dir / "scorch.com").c_str(), FALSE));
    }
    void command(int id) { SendMessageA(form().handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    editor::TForm1& form() { return app->form1(); }
    std::string text() { return mw::windowText(form().memo()); }
    void setText(const std::string& t) { mw::setWindowText(form().memo(), t); }
    std::string batch() { return recorder->batchLaunches(mw::ShowMode::Normal).at(0).batchBytes; }
    // The wipe tool runs in the background: wait until it has done its work.
    void waitForWipes(const std::vector<std::string>& names) {
        waitFor("the wipe tool to remove its files", [&] {
            for (const auto& n : names)
                if (exists(pgpDir + n)) return false;
            return true;
        });
    }
    bool pgpHas(const std::string& name) { return exists(pgpDir + name); }
    // Chooses user IDs in the public-key dialog and presses OK.
    static void chooseRecipients(mw::Form& f, const std::vector<std::string>& ids) {
        auto& dialog = static_cast<mw::TPubKey&>(f);
        for (const auto& id : ids) {
            LRESULT at = SendMessageA(dialog.listBox1(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(id.c_str()));
            ASSERT_NE(at, LB_ERR) << id;
            SendMessageA(dialog.listBox1(), LB_SETCURSEL, static_cast<WPARAM>(at), 0);
            dialog.SpeedButton1Click();
        }
        dialog.Button1Click();
    }
    // OK in either key dialog, with whatever it holds.
    static void confirm(mw::Form& f) {
        if (auto* pub = dynamic_cast<mw::TPubKey*>(&f)) pub->Button1Click();
        if (auto* sec = dynamic_cast<mw::TSecKey*>(&f)) sec->Button1Click();
    }

    std::string pgpDir, holdFile;
    std::unique_ptr<editor::EditorApp> app;
};

std::string armoured(const std::string& options, const std::vector<std::string>& extra,
                     const std::string& message) {
    std::string s = "-----BEGIN PGP MESSAGE-----\r\nOptions: -" + options + "\r\nName: murkwell.tmp\r\n";
    for (const auto& e : extra)
        s += e + "\r\n";
    return s + kBody + "\r\n" + message + "-----END PGP MESSAGE-----\r\n";
}

} // namespace

TEST_F(MessageOperations, EncryptWithTheWipeToolAsInTheWorkedExample) {
    installWipeTool();
    start();
    app->signature().setLines({"-- ", "Me", "me@example.org"});
    setText("Hello,\r\nthe message.");
    onModal = [](mw::Form& f) { chooseRecipients(f, {"Alice <alice@example.org>", "Bob"}); };
    command(editor::CmdBitBtn1Click);
    EXPECT_EQ(modalShown, std::vector<std::string>{"TPubKey"});
    EXPECT_EQ(form().job.Recipients, "\"Alice <alice@example.org>\" \"Bob\" ");
    EXPECT_EQ(batch(), pgpDir + "pgp.exe -eat murkwell.tmp \"Alice <alice@example.org>\" \"Bob\" \r\n" +
                           "DEL " + pgpDir + "Murkwell.lck\r\n");
    EXPECT_EQ(text(), armoured("eat", {"Recipient: Alice <alice@example.org>", "Recipient: Bob"},
                               "Hello,\r\nthe message.\r\n") +
                          "-- \r\nMe\r\nme@example.org\r\n");
    EXPECT_EQ(recorder->wiped(), (std::vector<std::string>{"[" + pgpDir + "Murkwell.bat] /two /silent",
                                                           "[" + pgpDir + "murkwell.tmp] /two /silent",
                                                           "[" + pgpDir + "murkwell.usr] /two /silent",
                                                           "[" + pgpDir + "murkwell.asc] /two /silent"}));
    waitForWipes({"Murkwell.bat", "murkwell.tmp", "murkwell.usr", "murkwell.asc"});
    for (const char* gone : {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp", "murkwell.usr", "murkwell.asc"})
        EXPECT_FALSE(pgpHas(gone)) << gone;
    // PGP's console had the foreground: typing goes on in the message.
    EXPECT_EQ(GetForegroundWindow(), form().handle());
    typeKeys({'Q'});
    EXPECT_NE(text().find('q'), std::string::npos);
    EXPECT_EQ(form().job.PGPDir, pgpDir);
    EXPECT_EQ(form().job.LockFile, pgpDir + "Murkwell.lck");
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(MessageOperations, EncryptWithoutTheWipeToolKeepsOnlyTheBatchFile) {
    start();
    setText("text");
    onModal = confirm; // no recipient chosen, none before
    form().BitBtn1Click();
    EXPECT_EQ(batch(), pgpDir + "pgp.exe -eatw murkwell.tmp \r\nDEL " + pgpDir + "Murkwell.lck\r\n");
    EXPECT_EQ(text(), armoured("eatw", {}, "text\r\n")) << "an empty signature appends nothing";
    EXPECT_TRUE(pgpHas("Murkwell.bat"));
    for (const char* gone : {"Murkwell.lck", "murkwell.tmp", "murkwell.usr", "murkwell.asc"})
        EXPECT_FALSE(pgpHas(gone)) << gone;
    EXPECT_TRUE(recorder->wiped().empty());
}

TEST_F(MessageOperations, SignSignAndEncryptAndEncryptIdeaLinesAndSignature) {
    start();
    app->signature().setLines({"sig"});
    onModal = confirm;
    setText("m");
    command(editor::CmdBitBtn3Click);
    EXPECT_EQ(modalShown, std::vector<std::string>{"TSecKey"});
    EXPECT_EQ(batch(), pgpDir + "pgp.exe -staw murkwell.tmp -u \r\nDEL " + pgpDir + "Murkwell.lck\r\n")
        << "no signer ever chosen: the line ends with \"-u \"";
    EXPECT_EQ(text(), armoured("staw", {}, "m\r\n") + "sig\r\n");

    form().job.Signer = "\"Alice <alice@example.org>\"";
    onModal = [](mw::Form& f) {
        if (className(f.handle()) == "TPubKey")
            chooseRecipients(f, {"Bob"});
        else
            confirm(f);
    };
    recorder->launches.clear();
    modalShown.clear();
    setText("m");
    command(editor::CmdBitBtn4Click);
    EXPECT_EQ(modalShown, (std::vector<std::string>{"TPubKey", "TSecKey"}));
    EXPECT_EQ(batch(), pgpDir +
                           "pgp.exe -eastw murkwell.tmp \"Bob\"  -u \"Alice <alice@example.org>\"\r\nDEL " +
                           pgpDir + "Murkwell.lck\r\n");
    EXPECT_EQ(text(), armoured("eastw", {"Recipient: Bob", "Signer: Alice <alice@example.org>"}, "m\r\n") +
                          "sig\r\n");

    recorder->launches.clear();
    modalShown.clear();
    setText("m");
    command(editor::CmdBitBtn5Click);
    EXPECT_TRUE(modalShown.empty());
    EXPECT_EQ(batch(), pgpDir + "pgp.exe -caw murkwell.tmp\r\nDEL " + pgpDir + "Murkwell.lck\r\n");
    EXPECT_EQ(text(), armoured("caw", {}, "m\r\n") + "sig\r\n");
}

// Escape in a key dialog ends the operation: no job, the text as it was, not a word.
TEST_F(MessageOperations, AKeyDialogCancelledByEscapeRunsNoJob) {
    writeFileBytes(pgpDir + "secring.pgp", "Alice <alice@example.org>\r\n");
    start();
    setText("m");
    using Shown = std::vector<std::string>;
    const struct {
        int command;
        std::string cancelled;
        Shown shown;
    } cases[] = {
        {editor::CmdBitBtn1Click, "TPubKey", {"TPubKey"}},
        {editor::CmdBitBtn3Click, "TSecKey", {"TSecKey"}},
        {editor::CmdBitBtn4Click, "TPubKey", {"TPubKey"}},
        {editor::CmdBitBtn4Click, "TSecKey", {"TPubKey", "TSecKey"}},
    };
    for (const auto& c : cases) {
        modalShown.clear();
        onModal = [&](mw::Form& f) {
            if (className(f.handle()) == c.cancelled)
                pressKeys(f.handle(), GetFocus(), {VK_ESCAPE});
            else
                confirm(f);
        };
        command(c.command);
        EXPECT_EQ(modalShown, c.shown) << c.command;
        EXPECT_TRUE(recorder->batchLaunches(mw::ShowMode::Normal).empty()) << c.command;
        EXPECT_FALSE(pgpHas("Murkwell.lck"));
    }
    EXPECT_EQ(text(), "m");
    EXPECT_TRUE(interaction.shown.empty()) << interaction.shown[0].text;
}

TEST_F(MessageOperations, DecryptWithoutTheWipeToolBlanksTheBatchFileThenDeletesEverything) {
    start();
    app->signature().setLines({"never appended"});
    setText(armoured("eat", {}, "the secret\r\ntext\r\n"));
    writeFileBytes(pgpDir + "murkwell.usr", "left by a key dialog");
    command(editor::CmdBitBtn2Click);
    EXPECT_TRUE(modalShown.empty());
    EXPECT_EQ(batch(), pgpDir + "pgp.exe murkwell.tmp -o murkwell.txt\r\nDEL " + pgpDir + "Murkwell.lck\r\n");
    EXPECT_EQ(text(), "the secret\r\ntext\r\n");
    // The blanking overwrite, then the deletions in their order.
    const std::string hashes(68, '#');
    std::string blank;
    for (int i = 0; i < 6; ++i)
        blank += hashes + "|";
    const auto calls = recorder->stepsByName();
    auto at = std::find(calls.begin(), calls.end(), "write Murkwell.bat " + blank);
    ASSERT_NE(at, calls.end());
    EXPECT_EQ(std::vector<std::string>(at + 1, calls.end()),
              (std::vector<std::string>{"delete Murkwell.bat", "delete murkwell.tmp", "delete murkwell.txt",
                                        "delete murkwell.usr"}));
    for (const char* gone :
         {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp", "murkwell.txt", "murkwell.usr", "murkwell.asc"})
        EXPECT_FALSE(pgpHas(gone)) << gone;
}

TEST_F(MessageOperations, DecryptWithTheWipeToolWipesWhatExists) {
    installWipeTool();
    start();
    setText(armoured("eat", {}, "plain\r\n"));
    form().BitBtn2Click();
    EXPECT_EQ(text(), "plain\r\n");
    EXPECT_EQ(recorder->wiped(), (std::vector<std::string>{"[" + pgpDir + "Murkwell.bat] /two /silent",
                                                           "[" + pgpDir + "murkwell.tmp] /two /silent",
                                                           "[" + pgpDir + "murkwell.txt] /two /silent"}));
    waitForWipes({"Murkwell.bat", "murkwell.tmp", "murkwell.txt"});
}

TEST_F(MessageOperations, DecryptWithTheRealWipeToolOverwritesThePlaintextAndLeavesNothing) {
    const std::string tool = buildTreeDirectory() + "scorch\\scorch.com";
    ASSERT_TRUE(CopyFileA(tool.c_str(), (dir / "scorch.com").c_str(), FALSE));
    // A second name for the decrypted file, made just before the tool is started on it: what the
    // tool left is read through it afterwards.
    const std::string link = pgpDir + "plain-link.bin";
    recorder->atLaunch = [&](const RecordingPlatform::Launch& l) {
        if (mw::fileNameOf(l.file) == "scorch.com" && l.parameters.find("murkwell.txt") != std::string::npos)
            CreateHardLinkA(link.c_str(), (pgpDir + "murkwell.txt").c_str(), nullptr);
    };
    start();
    setText(armoured("eat", {}, "the plaintext that must not stay\r\n"));
    form().BitBtn2Click();
    EXPECT_EQ(text(), "the plaintext that must not stay\r\n");
    waitForWipes({"Murkwell.bat", "murkwell.tmp", "murkwell.txt"});
    for (const char* gone :
         {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp", "murkwell.txt", "murkwell.usr", "murkwell.asc"})
        EXPECT_FALSE(pgpHas(gone)) << gone;
    ASSERT_TRUE(exists(link)) << "the hard link was not made";
    // The tool truncates what it has overwritten: nothing is left to read through another name.
    // Its name goes before its handle, which shares nothing, so wait until the link can be opened.
    std::string left;
    waitFor("the wipe tool to close the file", [&] {
        left = readFileBytes(link);
        return left != "<missing>";
    });
    EXPECT_EQ(left, "");
    DeleteFileA(link.c_str());
}

TEST_F(MessageOperations, StoringOnWithAnEmptyPhraseAsksAfterTheLockAndPassesEmptyQuotes) {
    writeSettings(true);
    start();
    setText(armoured("eat", {}, "x\r\n"));
    bool lockWhenAsked = false;
    onModal = [&](mw::Form& f) {
        lockWhenAsked = exists(pgpDir + "Murkwell.lck");
        f.close(); // left empty
    };
    form().BitBtn2Click();
    EXPECT_EQ(modalShown, std::vector<std::string>{"TKey"});
    EXPECT_TRUE(lockWhenAsked);
    EXPECT_EQ(batch(), "@" + pgpDir + "pgp.exe -z \"\" murkwell.tmp -o murkwell.txt\r\nDEL " + pgpDir +
                           "Murkwell.lck\r\n");
    EXPECT_EQ(argsOfCalls(pgpDir + "pgp-args.log"),
              std::vector<std::string>{"[-z][][murkwell.tmp][-o][murkwell.txt]"});

    // A stored phrase with a percent sign reaches PGP unchanged, without asking again.
    SetWindowTextA(app->passPhrase().edit1(), "50% off");
    recorder->launches.clear();
    modalShown.clear();
    setText(armoured("eat", {}, "x\r\n"));
    form().BitBtn2Click();
    EXPECT_TRUE(modalShown.empty());
    EXPECT_EQ(argsOfCalls(pgpDir + "pgp-args.log").back(), "[-z][50% off][murkwell.tmp][-o][murkwell.txt]");
}

TEST_F(MessageOperations, StoringOffNeverAsksNorPassesTheStoredPhrase) {
    start();
    SetWindowTextA(app->passPhrase().edit1(), "stored");
    setText(armoured("eat", {}, "x\r\n"));
    form().BitBtn2Click();
    EXPECT_TRUE(modalShown.empty());
    EXPECT_EQ(batch().find("-z"), std::string::npos);
    // Encrypt IDEA never passes it either, even with storing on.
    app.reset();
    writeSettings(true);
    start();
    SetWindowTextA(app->passPhrase().edit1(), "stored");
    recorder->launches.clear();
    form().BitBtn5Click();
    EXPECT_EQ(batch(), pgpDir + "pgp.exe -caw murkwell.tmp\r\nDEL " + pgpDir + "Murkwell.lck\r\n");
}

TEST_F(MessageOperations, PassPhraseWithADoubleQuoteIsRefusedBeforeAnythingIsWritten) {
    writeSettings(true);
    start();
    SetWindowTextA(app->passPhrase().edit1(), "say \"hi\"");
    setText("x");
    form().BitBtn2Click();
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_NE(interaction.shown[0].text.find("pass phrase"), std::string::npos) << interaction.shown[0].text;
    EXPECT_EQ(interaction.shown[0].text.find("hi"), std::string::npos) << "the phrase itself is not shown";
    EXPECT_TRUE(recorder->launches.empty());
    EXPECT_TRUE(recorder->steps.empty());
    for (const char* gone : {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp"})
        EXPECT_FALSE(pgpHas(gone)) << gone;
    EXPECT_EQ(text(), "x");
}

TEST_F(MessageOperations, StoredPhraseWithCharactersTheCodePageLacksIsRefusedNotReplaced) {
    writeSettings(true);
    start();
    ASSERT_EQ(GetACP(), 1252u) << "the test types Cyrillic on a Western system";
    // Taken into the ANSI code page as it was, this became "?????? 1", which PGP would have been
    // given as the pass phrase.
    SetWindowTextW(app->passPhrase().edit1(), L"\x043F\x0430\x0440\x043E\x043B\x044C 1");
    setText("x");
    form().BitBtn2Click();
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].text,
              "The pass phrase cannot be passed to PGP: it contains a character that Windows' code page "
              "cannot hold, so PGP would be given another pass phrase.");
    EXPECT_TRUE(recorder->launches.empty());
    for (const char* gone : {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp"})
        EXPECT_FALSE(pgpHas(gone)) << gone;
    EXPECT_EQ(text(), "x");

    // The same phrase asked for after the lock: refused too, and the lock goes again.
    app->passPhrase().clearPassPhrase();
    onModal = [&](mw::Form& f) {
        SetWindowTextW(app->passPhrase().edit1(), L"\x043F\x0430\x0440\x043E\x043B\x044C");
        f.close();
    };
    interaction.shown.clear();
    form().BitBtn2Click();
    EXPECT_EQ(modalShown, std::vector<std::string>{"TKey"});
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_NE(interaction.shown[0].text.find("Windows' code page cannot hold"), std::string::npos);
    EXPECT_TRUE(recorder->launches.empty());
    for (const char* gone : {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp"})
        EXPECT_FALSE(pgpHas(gone)) << gone;

    // A Western accent has its form and goes through.
    SetWindowTextW(app->passPhrase().edit1(), L"caf\x00E9");
    interaction.shown.clear();
    setText(armoured("eat", {}, "x\r\n"));
    form().BitBtn2Click();
    EXPECT_TRUE(interaction.shown.empty());
    EXPECT_EQ(argsOfCalls(pgpDir + "pgp-args.log").back(), "[-z][caf\xE9][murkwell.tmp][-o][murkwell.txt]");
}

TEST_F(MessageOperations, NoOutputFromPgpLeavesTheTextAsItWasCleansUpAndSaysSo) {
    start();
    app->signature().setLines({"sig"});
    writeFileBytes(pgpDir + "pgp-control.txt", "fail\r\n");
    setText("exactly this\r\n\r\n");
    form().BitBtn5Click();
    EXPECT_EQ(text(), "exactly this\r\n\r\n");
    EXPECT_EQ(argsOfCalls(pgpDir + "pgp-args.log").size(), 1u) << "PGP did run";
    EXPECT_FALSE(pgpHas("murkwell.tmp"));
    EXPECT_FALSE(pgpHas("Murkwell.lck"));
    // A PGP that reports no outcome of its own is told; Shift keeps the console open for Decrypt
    // only, so Encrypt IDEA's box does not send the user there.
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
    EXPECT_EQ(interaction.shown[0].text, "PGP produced no output, and it did not say why.");
}

TEST_F(MessageOperations, PasteAndDecryptShowsThePastedTextThenTheDecryptedText) {
    start();
    setText("old");
    const std::string pasted = armoured("eat", {}, "decrypted\r\n");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, pasted.size() + 1);
    memcpy(GlobalLock(mem), pasted.c_str(), pasted.size() + 1);
    GlobalUnlock(mem);
    SetClipboardData(CF_TEXT, mem);
    CloseClipboard();
    command(editor::CmdBitBtn6Click);
    const auto calls = recorder->stepsByName();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "delete murkwell.tmp"), calls.end());
    EXPECT_EQ(text(), "decrypted\r\n");
    // What PGP was given is what was pasted.
    EXPECT_NE(batch().find("murkwell.tmp -o murkwell.txt"), std::string::npos);
}

TEST_F(MessageOperations, ShiftThenAClickOnDecryptAddsPauseButCtrlDNever) {
    recorder->answerPause = true;
    start();
    setText(armoured("eat", {}, "x\r\n"));
    HWND decrypt = GetDlgItem(form().panel2(), editor::CmdBitBtn2Click);
    ASSERT_TRUE(decrypt);
    PostMessageA(form().memo(), WM_KEYDOWN, VK_SHIFT, 1);
    PostMessageA(form().memo(), WM_KEYUP, VK_SHIFT, 0xC0000001);
    handlePendingMessages();
    PostMessageA(decrypt, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(decrypt, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    waitFor("the decryption's launch",
            [&] { return !recorder->batchLaunches(mw::ShowMode::Normal).empty(); });
    EXPECT_EQ(batch(),
              pgpDir + "pgp.exe murkwell.tmp -o murkwell.txt\r\npause\r\nDEL " + pgpDir + "Murkwell.lck\r\n");
    EXPECT_EQ(text(), "x\r\n");

    // Shift, then Ctrl+D: the Ctrl key-down clears the flag.
    recorder->launches.clear();
    setText(armoured("eat", {}, "y\r\n"));
    PostMessageA(form().memo(), WM_KEYDOWN, VK_SHIFT, 1);
    handlePendingMessages();
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageA(form().memo(), WM_KEYDOWN, VK_CONTROL, 1);
    PostMessageA(form().memo(), WM_KEYDOWN, 'D', 1);
    waitFor("the decryption's launch",
            [&] { return !recorder->batchLaunches(mw::ShowMode::Normal).empty(); });
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(batch(), pgpDir + "pgp.exe murkwell.tmp -o murkwell.txt\r\nDEL " + pgpDir + "Murkwell.lck\r\n");
    EXPECT_EQ(text(), "y\r\n");
}

TEST_F(MessageOperations, SecondOperationDuringARunningJobIsRefusedAndChangesNoFile) {
    start();
    holdFile = dir / "hold.flag";
    writeFileBytes(holdFile, "x");
    writeFileBytes(pgpDir + "pgp-control.txt", "hold " + holdFile + "\r\n");
    setText("first");
    std::string batchBefore, tmpBefore, batchAfter, tmpAfter;
    bool ran = false;
    // During the wait: a second operation of another kind.
    static std::function<void()> during;
    during = [&] {
        if (ran || !exists(pgpDir + "murkwell.tmp")) return;
        ran = true;
        batchBefore = readFileBytes(pgpDir + "Murkwell.bat");
        tmpBefore = readFileBytes(pgpDir + "murkwell.tmp");
        setText("second");
        form().BitBtn1Click();
        batchAfter = readFileBytes(pgpDir + "Murkwell.bat");
        tmpAfter = readFileBytes(pgpDir + "murkwell.tmp");
        DeleteFileA(holdFile.c_str());
    };
    UINT_PTR poll = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        if (during) during();
    });
    form().BitBtn5Click();
    KillTimer(nullptr, poll);
    during = nullptr;
    ASSERT_TRUE(ran);
    EXPECT_TRUE(modalShown.empty()) << "refused before its key dialog";
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].text, "Lockfile is busy, only one PGP session allowed at a time.");
    EXPECT_EQ(interaction.shown[0].caption, "Information");
    EXPECT_EQ(batchAfter, batchBefore);
    EXPECT_EQ(tmpAfter, tmpBefore);
    EXPECT_EQ(tmpBefore, "first");
    EXPECT_EQ(argsOfCalls(pgpDir + "pgp-args.log").size(), 1u);
}
