// The editor's companion commands under Wine: real launches of a stand-in program through the
// shell, with the working directory and show mode it was given.
#include "editor/EditorApp.h"
#include "editor/EditorCommands.h"
#include "editor/TForm1.h"
#include "WinTestSupport.h"

using namespace mwtest;

namespace {

class CompanionPrograms : public ProgramFixture {
protected:
    std::string pgpDir() { return dir / "pgp dir\\"; }
    void SetUp() override {
        ProgramFixture::SetUp();
        writeEditorSettings(exePath, pgpDir());
    }
    // Puts the stand-in beside the editor under `name`; it logs to "<name without .exe>.log".
    std::string standIn(const std::string& name) {
        EXPECT_TRUE(CopyFileA((doublesDirectory() + "standin.exe").c_str(), (dir / name).c_str(), FALSE));
        return dir / (name.substr(0, name.size() - 4) + ".log");
    }
    // What the stand-in logged, once it has logged its show mode (it ends right after).
    std::string waitForLog(const std::string& log) {
        waitFor("the stand-in's log", [&] { return readFileBytes(log).find("SHOW") != std::string::npos; });
        return readFileBytes(log);
    }
    std::string expectedLog(int show) {
        std::string cwd = pgpDir().substr(0, pgpDir().size() - 1);
        return "CALL\r\nCWD " + cwd + "\r\nSHOW " + std::to_string(show) + "\r\n";
    }
    void command(editor::EditorApp& app, int id) { SendMessageA(app.form1().handle(), WM_COMMAND, id, 0); }
};

std::string lowered(std::string s) {
    return mw::toLowerAscii(s);
}

} // namespace

TEST_F(CompanionPrograms, KeyManagerAndFileModuleStartInPgpsDirectoryShownNormally) {
    std::string keyLog = standIn("wendal.exe");
    std::string fileLog = standIn("bramlet.exe");
    editor::EditorApp app(mw::Application::instance());
    command(app, editor::CmdKeyManagement1Click);
    EXPECT_EQ(lowered(waitForLog(keyLog)), lowered(expectedLog(SW_SHOWNORMAL)));
    command(app, editor::CmdEncryptDecryptFiles1Click);
    EXPECT_EQ(lowered(waitForLog(fileLog)), lowered(expectedLog(SW_SHOWNORMAL)));
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(CompanionPrograms, OverlayerExplainsWhenMissingAndStartsShownWhenPresent) {
    editor::EditorApp app(mw::Application::instance());
    command(app, editor::CmdOverlayer1Click);
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].caption, "Information");
    EXPECT_EQ(interaction.shown[0].text,
              "The Murkwell Overlayer is not included with the Message Editor unless you purchase Murkwell "
              "Pro.  If purchased or installed separately the two programs will iter-operate as long as "
              "they are installed in the same directory.");
    EXPECT_FALSE(exists(dir / "tarnow.log"));

    std::string log = standIn("tarnow.exe");
    command(app, editor::CmdOverlayer1Click);
    EXPECT_EQ(lowered(waitForLog(log)), lowered(expectedLog(SW_SHOW)));
    EXPECT_EQ(interaction.shown.size(), 1u) << "no box when it starts";
}

TEST_F(CompanionPrograms, MissingKeyManagerAndHelpSayWhyAndMissingPgpDocsSaysNothing) {
    editor::EditorApp app(mw::Application::instance());
    command(app, editor::CmdPGPDocs1Click);
    handlePendingMessages();
    EXPECT_TRUE(interaction.shown.empty());
    // No key manager, and neither Murkwell.hlp nor the HTML help beside the program: boxes, not a
    // silent nothing.
    command(app, editor::CmdKeyManagement1Click);
    command(app, editor::CmdMurkwellDocs1Click);
    ASSERT_EQ(interaction.shown.size(), 2u);
    EXPECT_EQ(interaction.shown[0].text.rfind((dir / "wendal.exe") + " could not be started: ", 0), 0u)
        << interaction.shown[0].text;
    EXPECT_EQ(
        interaction.shown[1].text.rfind("The help could not be opened: " + (dir / "Murkwell.html") + ": ", 0),
        0u)
        << interaction.shown[1].text;
}
