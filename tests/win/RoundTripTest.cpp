// The whole chain for real: the editor window's Encrypt and Decrypt through real batch files,
// cmd.exe, our pgp.exe and the engine, with a demo key made by the engine; Linux gpg reads what
// the editor encrypted.
#include "editor/EditorApp.h"
#include "editor/EditorCommands.h"
#include "editor/TForm1.h"
#include "editor/TKey.h"
#include "win/TPubKey.h"
#include "win/Win32Util.h"
#include "RealEngine.h"
#include "WinTestSupport.h"
#include <memory>

using namespace mwtest;

namespace {

class RoundTrip : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        if (!RealEngine::built())
            GTEST_SKIP() << "no engine in " << engineDirectory() << ": run scripts/build-engine.sh";
        engine = std::make_unique<RealEngine>(dir.path());
        engine->install();
        ASSERT_FALSE(HasFatalFailure());
        installWipeTool(dir.path());
        ASSERT_FALSE(HasFatalFailure());
        pgpDir = engine->pgpDir;
        writeFileBytes(dir / "Murkwell.ini", engine->bin + "pgp.exe\r\n" + pgpDir + "\r\n" + pgpDir +
                                                 "pubring.pgp\r\n" + pgpDir +
                                                 "secring.pgp\r\n0\r\n0\r\n640\r\n450\r\nright\r\nstore\r\n"
                                                 "Courier New\r\n8\r\n0\r\n-2147483643\r\n");
    }
    void TearDown() override {
        app.reset();
        engine.reset();
        waitFor("the programs started from the test's directory to end",
                [&] { return !processRunsFrom(dir.path()); });
        ProgramFixture::TearDown();
    }
    void command(int id) { SendMessageA(app->form1().handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    std::string text() { return mw::windowText(app->form1().memo()); }

    std::unique_ptr<RealEngine> engine;
    std::string pgpDir;
    std::unique_ptr<editor::EditorApp> app;
};

TEST_F(RoundTrip, EncryptToTheDemoKeyThenDecryptWithTheStoredPassPhrase) {
    app = std::make_unique<editor::EditorApp>();
    app->form1().showMain();
    const std::string original = "Meet me at ten.\r\nZ\xFCrich, the old bridge.\r\n";
    mw::setWindowText(app->form1().memo(), original);
    onModal = [](mw::Form& f) {
        auto& dialog = static_cast<mw::TPubKey&>(f);
        LRESULT at = SendMessageA(dialog.listBox1(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(kDemoUser));
        ASSERT_NE(at, LB_ERR) << "the demo key is not listed";
        SendMessageA(dialog.listBox1(), LB_SETCURSEL, static_cast<WPARAM>(at), 0);
        dialog.SpeedButton1Click();
        dialog.Button1Click();
    };
    command(editor::CmdBitBtn1Click);
    const std::string encrypted = text();
    ASSERT_EQ(0u, encrypted.find("-----BEGIN PGP MESSAGE-----\r\n")) << encrypted;
    EXPECT_EQ(std::string::npos, encrypted.find("Meet me"));

    // Linux gpg, in a home of its own: the message is for the demo key and holds the text.
    writeFileBytes(dir / "message.asc", encrypted);
    writeFileBytes(dir / "pass.txt", kDemoPass);
    ASSERT_TRUE(runLinuxGpg(dir.path(), {"demo-secret.asc"},
                            "$g --output linux-plain.txt --decrypt message.asc 2>decrypt.log\n"
                            "echo $? >decrypt.status"));
    EXPECT_EQ("0\n", readFileBytes(dir / "decrypt.status")) << readFileBytes(dir / "decrypt.log");
    // A text-mode message carries CR LF line ends; Linux gpg writes them as the local LF.
    std::string unixLines = original;
    for (size_t at; (at = unixLines.find("\r\n")) != std::string::npos;)
        unixLines.erase(at, 1);
    EXPECT_EQ(unixLines, readFileBytes(dir / "linux-plain.txt"));
    EXPECT_NE(std::string::npos, readFileBytes(dir / "decrypt.log").find("demo@murkwell.invalid"))
        << readFileBytes(dir / "decrypt.log");

    SetWindowTextA(app->passPhrase().edit1(), kDemoPass);
    command(editor::CmdBitBtn2Click);
    EXPECT_EQ(original, text());

    // Every temporary of both jobs goes, wiped by the tool beside the program.
    const char* temporaries[] = {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp",
                                 "murkwell.usr", "murkwell.asc", "murkwell.txt"};
    EXPECT_TRUE(waitFor("the temporaries to go", [&] {
        for (const char* name : temporaries)
            if (exists(pgpDir + name)) return false;
        return true;
    }));
    for (const char* name : temporaries)
        EXPECT_FALSE(exists(pgpDir + name)) << name;
    // The stored pass phrase went into a batch file: no byte of it may stay in PGP's directory.
    EXPECT_EQ(std::vector<std::string>{}, filesHolding(pgpDir, kDemoPass));
}

} // namespace
