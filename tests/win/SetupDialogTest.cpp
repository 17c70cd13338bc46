// The setup dialog of both programs under Wine: file dialog, close saving, bar side, stale lock.
#include "editor/EditorApp.h"
#include "filemodule/FileModuleApp.h"
#include "editor/TForm1.h"
#include "filemodule/TForm1.h"
#include "win/TPGPSetup.h"
#include "WinTestSupport.h"

using namespace mwtest;
using mw::TPGPSetup;

namespace {

class SetupDialog : public ProgramFixture {
protected:
    std::string pgpDir() { return dir / "pgp\\"; }
    void writeEditorIni(const std::string& ringOverride = "") {
        std::string d = pgpDir();
        std::string ini = d + "pgp.exe\r\n" + d + "\r\n" +
                          (ringOverride.empty() ? d + "pubring.pgp" : ringOverride) + "\r\n" + d +
                          "secring.pgp\r\n0\r\n0\r\n640\r\n450\r\nright\r\nnostore\r\nCourier New\r\n8\r\n"
                          "0\r\n-2147483643\r\n";
        writeFileBytes(dir / "Murkwell.ini", ini);
    }
    void click(mw::Form& form, int id) { SendMessageA(form.item(id), BM_CLICK, 0, 0); }
};

} // namespace

TEST_F(SetupDialog, ChoosingPgpElsewhereSetsAllFourPathsInLowerCase) {
    makeDirectory(pgpDir());
    writeEditorIni();
    editor::EditorApp app(mw::Application::instance());
    interaction.openResults.push_back(std::string("D:\\TOOLS\\PGP26~1\\PGP.EXE"));
    onModal = [&](mw::Form& f) {
        click(f, TPGPSetup::IdButton1);
        click(f, TPGPSetup::IdButton2);
    };
    app.form1().PGPSetup1Click();
    ASSERT_EQ(interaction.openRequests.size(), 1u);
    const auto& r = interaction.openRequests[0];
    EXPECT_EQ(r.title, "Find PGP.EXE Then Click Open");
    EXPECT_EQ(r.initialDirectory, "c:\\");
    EXPECT_EQ(r.fileName, "PGP.EXE");
    EXPECT_EQ(r.defaultExtension, "EXE");
    using F = std::pair<std::string, std::string>;
    EXPECT_EQ(r.filters, (std::vector<F>{{"PGP.EXE", "pgp.exe"},
                                         {"Executable Files (*.exe)", "*.exe"},
                                         {"All Files (*.*)", "*.*"}}));
    EXPECT_TRUE(r.pathMustExist && r.fileMustExist && r.hideReadOnly && r.shortNames && r.oldStyle);
    auto& s = app.setup();
    EXPECT_EQ(s.pgpExe(), "d:\\tools\\pgp26~1\\pgp.exe");
    EXPECT_EQ(s.pgpDir(), "d:\\tools\\pgp26~1\\");
    EXPECT_EQ(s.publicRing(), "d:\\tools\\pgp26~1\\pubring.pgp");
    EXPECT_EQ(s.secretRing(), "d:\\tools\\pgp26~1\\secring.pgp");
    // Save wrote them.
    EXPECT_EQ(readFileBytes(dir / "Murkwell.ini").substr(0, 28), "d:\\tools\\pgp26~1\\pgp.exe\r\nd:");
}

TEST_F(SetupDialog, CancellingTheFileDialogChangesNothingNotEvenTypedRings) {
    makeDirectory(pgpDir());
    writeEditorIni();
    editor::EditorApp app(mw::Application::instance());
    interaction.openResults.push_back(std::nullopt);
    onModal = [&](mw::Form& f) {
        SetWindowTextA(f.item(TPGPSetup::IdEdit3), "E:\\Keys\\Typed.PGP");
        click(f, TPGPSetup::IdButton1);
        f.close();
    };
    const std::string before = app.setup().pgpExe();
    app.form1().PGPSetup1Click();
    EXPECT_EQ(app.setup().pgpExe(), before);
    EXPECT_EQ(app.setup().publicRing(), "e:\\keys\\typed.pgp");
}

TEST_F(SetupDialog, CloseBoxSavesExactlyLikeSave) {
    makeDirectory(pgpDir());
    std::string viaSave, viaCloseBox;
    for (bool closeBox : {false, true}) {
        writeEditorIni();
        editor::EditorApp app(mw::Application::instance());
        onModal = [&](mw::Form& f) {
            SetWindowTextA(f.item(TPGPSetup::IdEdit4), "c:\\Other\\Sec.pgp");
            click(f, TPGPSetup::IdCheckBox1);
            if (closeBox)
                SendMessageA(f.handle(), WM_CLOSE, 0, 0);
            else
                click(f, TPGPSetup::IdButton2);
        };
        app.form1().PGPSetup1Click();
        (closeBox ? viaCloseBox : viaSave) = readFileBytes(dir / "Murkwell.ini");
    }
    EXPECT_EQ(viaSave, viaCloseBox);
    EXPECT_NE(viaSave.find("\r\nc:\\other\\sec.pgp\r\n"), std::string::npos);
    EXPECT_NE(viaSave.find("\r\nright\r\nstore\r\n"), std::string::npos);
}

TEST_F(SetupDialog, LeftMovesTheBarAtOnceAndReachesTheFileOnClose) {
    makeDirectory(pgpDir());
    writeEditorIni();
    editor::EditorApp app(mw::Application::instance());
    bool movedWhileOpen = false;
    onModal = [&](mw::Form& f) {
        click(f, TPGPSetup::IdRadioLeft);
        RECT panel, memo;
        GetWindowRect(app.form1().panel2(), &panel);
        GetWindowRect(app.form1().memo(), &memo);
        movedWhileOpen = app.form1().barLeft() && panel.left < memo.left &&
                         readFileBytes(dir / "Murkwell.ini").find("\r\nleft\r\n") == std::string::npos;
        click(f, TPGPSetup::IdButton2);
    };
    app.form1().PGPSetup1Click();
    EXPECT_TRUE(movedWhileOpen);
    EXPECT_NE(readFileBytes(dir / "Murkwell.ini").find("\r\n450\r\nleft\r\nnostore\r\n"), std::string::npos);
}

TEST_F(SetupDialog, RightMovesTheBarBackAtOnce) {
    makeDirectory(pgpDir());
    writeEditorIni();
    editor::EditorApp app(mw::Application::instance());
    bool leftWhileOpen = false, rightWhileOpen = false;
    onModal = [&](mw::Form& f) {
        auto barIsLeft = [&] {
            RECT panel, memo;
            GetWindowRect(app.form1().panel2(), &panel);
            GetWindowRect(app.form1().memo(), &memo);
            return app.form1().barLeft() && panel.left < memo.left;
        };
        auto barIsRight = [&] {
            RECT panel, memo;
            GetWindowRect(app.form1().panel2(), &panel);
            GetWindowRect(app.form1().memo(), &memo);
            return !app.form1().barLeft() && panel.left > memo.left;
        };
        click(f, TPGPSetup::IdRadioLeft);
        leftWhileOpen = barIsLeft();
        click(f, TPGPSetup::IdRadioRight);
        rightWhileOpen = barIsRight();
        click(f, TPGPSetup::IdButton2);
    };
    app.form1().PGPSetup1Click();
    EXPECT_TRUE(leftWhileOpen);
    EXPECT_TRUE(rightWhileOpen);
    EXPECT_NE(readFileBytes(dir / "Murkwell.ini").find("\r\n450\r\nright\r\nnostore\r\n"), std::string::npos);
}

TEST_F(SetupDialog, StaleFileModuleLockIsDeletedOnlyWhenASettingsFileExists) {
    // Without a settings file the PGP directory is the default one: a lock in the prefix's
    // c:\pgp\ is left alone.
    makeDirectory("c:\\pgp");
    writeFileBytes("c:\\pgp\\bramlet.lck", "x");
    {
        editor::EditorApp app(mw::Application::instance());
        EXPECT_TRUE(exists("c:\\pgp\\bramlet.lck"));
    }
    DeleteFileA("c:\\pgp\\bramlet.lck");
    RemoveDirectoryA("c:\\pgp");

    makeDirectory(pgpDir());
    writeEditorIni();
    writeFileBytes(pgpDir() + "bramlet.lck", "x");
    editor::EditorApp app(mw::Application::instance());
    EXPECT_FALSE(exists(pgpDir() + "bramlet.lck"));
}

TEST_F(SetupDialog, FileModuleVariantHasFourLinesAndNoEditorParts) {
    standProgramAs("bramlet.exe");
    makeDirectory(pgpDir());
    std::string d = pgpDir();
    // A fourteen-line editor file copied over bramlet.ini works and is shortened on the next save.
    writeFileBytes(dir / "bramlet.ini",
                   d + "pgp.exe\r\n" + d + "\r\n" + d + "pub.pgp\r\n" + d +
                       "sec.pgp\r\n0\r\n0\r\n640\r\n450\r\nleft\r\nstore\r\nCourier New\r\n8\r\n0\r\n0\r\n");
    writeFileBytes(d + "bramlet.lck", "x");
    filemodule::FileModuleApp app(mw::Application::instance());
    EXPECT_FALSE(exists(d + "bramlet.lck"));
    EXPECT_EQ(mw::windowText(app.setup().handle()), "PGP Setup");
    EXPECT_EQ(app.setup().item(TPGPSetup::IdRadioLeft), nullptr);
    EXPECT_EQ(app.setup().item(TPGPSetup::IdCheckBox1), nullptr);
    RECT rc;
    GetClientRect(app.setup().handle(), &rc);
    EXPECT_EQ(rc.right, app.context().application().scale(427));
    EXPECT_EQ(rc.bottom, app.context().application().scale(157));
    onModal = [&](mw::Form& f) { f.close(); };
    app.form1().PGPSetup1Click();
    const std::string lower = mw::toLowerAscii(d);
    EXPECT_EQ(readFileBytes(dir / "bramlet.ini"),
              lower + "pgp.exe\r\n" + lower + "\r\n" + lower + "pub.pgp\r\n" + lower + "sec.pgp\r\n");
}

TEST_F(SetupDialog, EditorDialogHasItsCaptionSizeAndReadOnlyPathFields) {
    editor::EditorApp app(mw::Application::instance());
    auto& s = app.setup();
    EXPECT_EQ(mw::windowText(s.handle()), "Murkwell Setup");
    RECT rc;
    GetClientRect(s.handle(), &rc);
    EXPECT_EQ(rc.right, app.context().application().scale(427));
    EXPECT_EQ(rc.bottom, app.context().application().scale(216));
    EXPECT_TRUE(GetWindowLongA(s.item(TPGPSetup::IdEdit1), GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongA(s.item(TPGPSetup::IdEdit2), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(GetWindowLongA(s.item(TPGPSetup::IdEdit3), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(mw::windowText(s.item(TPGPSetup::IdRadioGroup1)), " Button Bar Position ");
    EXPECT_EQ(mw::windowText(s.item(TPGPSetup::IdCheckBox1)), " Pass Phrase Storing (Not Recommended)");
    EXPECT_EQ(s.pgpExe(), "c:\\pgp\\pgp.exe");
    EXPECT_FALSE(s.barLeft());
    s.setPathField(TPGPSetup::IdEdit3, "C:\\Keys\\PUB.PGP");
    EXPECT_EQ(s.publicRing(), "c:\\keys\\pub.pgp");
}
