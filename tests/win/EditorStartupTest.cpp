// Editor start-up and close under Wine: settings file, first showing, Shift flag, leftovers.
#include "core/Errors.h"
#include "editor/EditorCommands.h"
#include "editor/TForm2.h"
#include "filemodule/FileModuleApp.h"
#include "filemodule/FileModuleCommands.h"
#include "filemodule/TForm1.h"
#include "win/TPGPSetup.h"
#include "EditorFixture.h"

using namespace mwtest;

namespace {

const char* kDefaultIni =
    "c:\\pgp\\pgp.exe\r\nc:\\pgp\\\r\nc:\\pgp\\pubring.pgp\r\nc:\\pgp\\secring.pgp\r\n0\r\n0\r\n"
    "640\r\n450\r\nright\r\nnostore\r\nCourier New\r\n8\r\n0\r\n-2147483643\r\n";

RECT windowRect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return r;
}

class EditorStartup : public EditorFixture {
protected:
    // A PGP directory in the temp dir with a pgp.exe file, so the setup dialog stays closed.
    void makePgp() {
        makeDirectory(pgpDir());
        writeFileBytes(pgpDir() + "pgp.exe", "stand-in");
    }
    std::string iniWith(const std::vector<std::string>& lines) {
        std::string s;
        for (auto& l : lines)
            s += l + "\r\n";
        return s;
    }
    std::vector<std::string> settingsLines(const std::string& top, const std::string& left,
                                           const std::string& w, const std::string& h,
                                           const std::string& side = "right") {
        std::string d = pgpDir();
        return {d + "pgp.exe",
                d,
                d + "pubring.pgp",
                d + "secring.pgp",
                top,
                left,
                w,
                h,
                side,
                "nostore",
                "Courier New",
                "8",
                "0",
                "-2147483643"};
    }
};

} // namespace

TEST_F(EditorStartup, FirstRunWithoutSettingsOpensAtDefaultsAndAsksForPgp) {
    make();
    RECT r = windowRect(app->form1().handle());
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 450);
    app->form1().showMain();
    // c:\pgp\pgp.exe does not exist in the test prefix: the setup dialog opened at once.
    ASSERT_EQ(modalShown, std::vector<std::string>{"TPGPSetup"});
    RECT panel = windowRect(app->form1().panel2()), memo = windowRect(app->form1().memo());
    EXPECT_GT(panel.left, memo.left) << "bar docked at the right";
    EXPECT_EQ(GetFocus(), app->form1().memo());
    app->form1().Exit1Click();
    EXPECT_TRUE(terminated);
    app.reset();
    EXPECT_EQ(readFileBytes(iniPath()), kDefaultIni);
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(EditorStartup, SetupDialogStaysClosedWhenPgpIsWhereSettingsSay) {
    makePgp();
    writeFileBytes(iniPath(), iniWith(settingsLines("10", "20", "700", "500")));
    start();
    EXPECT_TRUE(modalShown.empty());
    RECT r = windowRect(form().handle());
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.right - r.left, 700);
    EXPECT_EQ(r.bottom - r.top, 500);
}

TEST_F(EditorStartup, GeometryAndBarSideRoundTripIncludingNegativeTopAndLeft) {
    makePgp();
    writeFileBytes(iniPath(), iniWith(settingsLines("-12", "-300", "800", "520", "left")));
    start();
    EXPECT_TRUE(app->form1().barLeft());
    EXPECT_TRUE(app->setup().barLeft());
    RECT panel = windowRect(app->form1().panel2()), memo = windowRect(app->form1().memo());
    EXPECT_LT(panel.left, memo.left);
    app->form1().close();
    app.reset();
    EXPECT_EQ(readFileBytes(iniPath()), iniWith(settingsLines("-12", "-300", "800", "520", "left")));
}

TEST_F(EditorStartup, CapitalisedLeftKeepsTheBarAtTheRight) {
    makePgp();
    writeFileBytes(iniPath(), iniWith(settingsLines("0", "0", "640", "450", "Left")));
    make();
    EXPECT_FALSE(app->form1().barLeft());
    EXPECT_FALSE(app->setup().barLeft());
}

TEST_F(EditorStartup, FileModuleSettingsOverEditorGivePathsAndAConversionError) {
    makePgp();
    std::string d = pgpDir();
    writeFileBytes(iniPath(), iniWith({d + "pgp.exe", d, d + "pubring.pgp", d + "secring.pgp"}));
    make();
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].caption, "Murkwell");
    EXPECT_EQ(interaction.shown[0].text, "'' is not a valid integer value");
    EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
    RECT r = windowRect(app->form1().handle());
    auto& a = app->context().application();
    EXPECT_EQ(r.left, a.scale(298));
    EXPECT_EQ(r.top, a.scale(117));
    EXPECT_EQ(r.right - r.left, a.scale(663));
    EXPECT_EQ(r.bottom - r.top, a.scale(485));
    EXPECT_EQ(app->setup().pgpExe(), mw::toLowerAscii(d + "pgp.exe"));
}

TEST_F(EditorStartup, BadSettingsFilesNeverStopStartUp) {
    struct Case {
        const char* name;
        std::string content;
        std::string expectedError; // empty: no box
    };
    const std::string d = pgpDir();
    const std::string head = d + "pgp.exe\r\n" + d + "\r\n" + d + "pub.pgp\r\n" + d + "sec.pgp\r\n";
    const std::vector<Case> cases = {
        {"non-numeric top", head + "abc\r\n0\r\n640\r\n450\r\n", "'abc' is not a valid integer value"},
        {"empty width", head + "0\r\n0\r\n\r\n450\r\n", "'' is not a valid integer value"},
        {"huge height", head + "0\r\n0\r\n640\r\n99999999999\r\n",
         "'99999999999' is not a valid integer value"},
        {"megabyte line",
         head + "0\r\n0\r\n640\r\n450\r\nright\r\nnostore\r\n" + std::string(1 << 20, 'X') +
             "\r\n8\r\n0\r\n0\r\n",
         ""},
        {"LF line ends",
         d + "pgp.exe\n" + d + "\n" + d + "pub.pgp\n" + d +
             "sec.pgp\n5\n6\n700\n400\nleft\nstore\n"
             "Courier New\n9\n0\n0\n",
         ""},
    };
    makePgp();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        interaction.shown.clear();
        writeFileBytes(iniPath(), c.content);
        start();
        if (c.expectedError.empty()) {
            EXPECT_TRUE(interaction.shown.empty());
        } else {
            ASSERT_EQ(interaction.shown.size(), 1u);
            EXPECT_EQ(interaction.shown[0].text, c.expectedError);
        }
        EXPECT_TRUE(IsWindowVisible(app->form1().handle()));
        app.reset();
    }
    // The LF-only file was read line by line like any other.
    writeFileBytes(iniPath(), cases[4].content);
    make();
    EXPECT_TRUE(app->form1().barLeft());
    EXPECT_TRUE(app->setup().storePassPhrase());
    EXPECT_EQ(windowRect(app->form1().handle()).top, 5);
}

TEST_F(EditorStartup, UnreadableSettingsShowTheFileAndStartUpGoesOn) {
    makePgp();
    writeFileBytes(iniPath(), iniWith(settingsLines("10", "10", "640", "450")));
    // Another process holds the file without sharing it.
    HANDLE held = CreateFileA(iniPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    start();
    ASSERT_GE(interaction.shown.size(), 1u);
    EXPECT_NE(interaction.shown[0].text.find(iniPath()), std::string::npos) << interaction.shown[0].text;
    EXPECT_EQ(interaction.shown[0].caption, "Murkwell");
    EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
    EXPECT_TRUE(IsWindowVisible(app->form1().handle()));
    app.reset();
    CloseHandle(held);
}

TEST_F(EditorStartup, SettingsPathThatIsADirectoryGivesDefaultsAndCloseFailureKeepsTheWindowOpen) {
    makeDirectory(iniPath());
    makePgp();
    make();
    EXPECT_TRUE(interaction.shown.empty());
    RECT r = windowRect(app->form1().handle());
    EXPECT_EQ(r.right - r.left, 640);
    app->setup().setPathField(mw::TPGPSetup::IdEdit1, pgpDir() + "pgp.exe");
    app->setup().setPathField(mw::TPGPSetup::IdEdit2, pgpDir());
    writeFileBytes(pgpDir() + "Murkwell.tmp", "plaintext");
    app->form1().Exit1Click();
    EXPECT_FALSE(terminated);
    EXPECT_TRUE(IsWindow(app->form1().handle()));
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_NE(interaction.shown[0].text.find(iniPath()), std::string::npos) << interaction.shown[0].text;
    EXPECT_FALSE(exists(pgpDir() + "Murkwell.tmp")) << "leftovers go before the settings are written";
}

TEST_F(EditorStartup, StaleLockIsRemovedAndSignatureFileFillsTheSignatureDialog) {
    writeSettings();
    writeFileBytes(pgpDir() + "Murkwell.lck", "Temporary LockFile Written by Murkwell. left over\r\n");
    writeFileBytes(dir / "Murkwell.sig", "-- \r\nAlice Example\r\nalice@example.org");
    make();
    EXPECT_TRUE(app->signature().lines().empty());
    app->form1().showMain();
    EXPECT_FALSE(exists(pgpDir() + "Murkwell.lck"));
    EXPECT_EQ(app->signature().lines(),
              (std::vector<std::string>{"-- ", "Alice Example", "alice@example.org"}));
}

TEST_F(EditorStartup, SignatureFileIsLoadedByteForByteWithItsFinalLineBreak) {
    writeSettings();
    writeFileBytes(dir / "Murkwell.sig", "-- \nAlice\r\n\r\n");
    start();
    EXPECT_EQ(mw::windowText(app->signature().memo1()), "-- \r\nAlice\r\n\r\n");
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(EditorStartup, ShiftFlagFollowsTheLastKeyDownNotClicks) {
    writeSettings();
    start();
    // The click below reaches Decrypt: a job already running makes it stop at its busy check
    // (this pgp.exe is no program, and nobody would answer the console's "pause").
    writeFileBytes(pgpDir() + "Murkwell.lck", "");
    auto& f = form();
    auto key = [&](WPARAM vk) {
        PostMessageA(f.memo(), WM_KEYDOWN, vk, 1);
        PostMessageA(f.memo(), WM_KEYUP, vk, 0xC0000001);
        handlePendingMessages();
    };
    key(VK_SHIFT);
    EXPECT_TRUE(f.job.ShiftFlag);
    // A click on a button of the bar leaves it set.
    HWND decrypt = GetDlgItem(f.panel2(), editor::CmdBitBtn2Click);
    ASSERT_TRUE(decrypt);
    PostMessageA(decrypt, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(decrypt, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    handlePendingMessages();
    EXPECT_TRUE(f.job.ShiftFlag);
    key('A');
    EXPECT_FALSE(f.job.ShiftFlag);
    key(VK_SHIFT);
    key(VK_CONTROL);
    EXPECT_FALSE(f.job.ShiftFlag);
}

TEST_F(EditorStartup, ExitAndCloseBoxBothDeleteLeftoversAndWriteSettings) {
    makePgp();
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Exit");
        terminated = false;
        writeFileBytes(iniPath(), iniWith(settingsLines("3", "4", "600", "400")));
        for (const char* n :
             {"murkwell.tmp", "Murkwell.usr", "MURKWELL.BAT", "Murkwell.lck", "murkwell.txt", "murkwell.asc"})
            writeFileBytes(pgpDir() + n, "x");
        make();
        SetWindowPos(app->form1().handle(), nullptr, 30, 40, 610, 410, SWP_NOZORDER);
        if (closeBox)
            SendMessageA(app->form1().handle(), WM_CLOSE, 0, 0);
        else
            app->form1().Exit1Click();
        EXPECT_TRUE(terminated);
        for (const char* n : {"murkwell.tmp", "Murkwell.usr", "MURKWELL.BAT", "Murkwell.lck"})
            EXPECT_FALSE(exists(pgpDir() + n)) << n;
        // Output files are not the close's business.
        EXPECT_TRUE(exists(pgpDir() + "murkwell.txt"));
        EXPECT_TRUE(exists(pgpDir() + "murkwell.asc"));
        EXPECT_EQ(readFileBytes(iniPath()), iniWith(settingsLines("40", "30", "610", "410")));
        app.reset();
    }
}

TEST_F(EditorStartup, ClosingWhileMinimisedSavesTheRestoredPositionAndSize) {
    makePgp();
    writeFileBytes(iniPath(), iniWith(settingsLines("3", "4", "600", "400")));
    start();
    SetWindowPos(form().handle(), nullptr, 30, 40, 610, 410, SWP_NOZORDER);
    ShowWindow(form().handle(), SW_MINIMIZE);
    waitFor("the window to be minimised", [&] { return IsIconic(form().handle()) != FALSE; });
    ASSERT_TRUE(IsIconic(form().handle()));
    form().Exit1Click();
    EXPECT_TRUE(terminated);
    EXPECT_EQ(readFileBytes(iniPath()), iniWith(settingsLines("40", "30", "610", "410")));
}

TEST_F(EditorStartup, MemoTakesMultiMegabyteTextAndTabs) {
    writeSettings();
    start();
    std::string big;
    while (big.size() < 3 * 1024 * 1024)
        big += "0123456789abcdef0123456789abcdef0123456789abcdef012345678\r\n";
    SetWindowTextA(form().memo(), big.c_str());
    EXPECT_EQ(static_cast<size_t>(GetWindowTextLengthA(form().memo())), big.size());
    SetWindowTextA(form().memo(), "");
    SetFocus(form().memo());
    PostMessageA(form().memo(), WM_KEYDOWN, VK_TAB, 0x000F0001);
    handlePendingMessages();
    EXPECT_EQ(mw::windowText(form().memo()), "\t");
}

TEST_F(EditorStartup, MessageBoxConventionsOfBothPrograms) {
    writeSettings();
    make();
    EXPECT_EQ(app->context().application().title(), "Murkwell");
    const HWND form = app->form1().handle();
    // A job while another one holds the lock: a user message.
    writeFileBytes(pgpDir() + "Murkwell.lck", "held");
    SendMessageA(form, WM_COMMAND, editor::CmdBitBtn2Click, 0);
    ASSERT_TRUE(DeleteFileA((pgpDir() + "Murkwell.lck").c_str()));
    // A batch file that cannot be written: the handler's exception ends in the error box.
    ASSERT_TRUE(CreateDirectoryA((pgpDir() + "Murkwell.bat").c_str(), nullptr));
    SendMessageA(form, WM_COMMAND, editor::CmdBitBtn2Click, 0);
    RemoveDirectoryA((pgpDir() + "Murkwell.bat").c_str());
    app.reset();
    standProgramAs("bramlet.exe");
    filemodule::FileModuleApp fm(mw::Application::instance());
    EXPECT_EQ(fm.context().application().title(), "Murkwell File Encryption Applet");
    // A refresh leaves no file selected.
    SendMessageA(fm.form1().handle(), WM_COMMAND, filemodule::CmdRefresh1Click, 0);
    ASSERT_EQ(fm.form1().selectedIndex(), -1);
    SendMessageA(fm.form1().handle(), WM_COMMAND, filemodule::CmdSpeedButton1Click, 0);
    ASSERT_EQ(interaction.shown.size(), 3u);
    EXPECT_EQ(interaction.shown[0].caption, "Information");
    EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Information);
    EXPECT_EQ(interaction.shown[0].text, "Lockfile is busy, only one PGP session allowed at a time.");
    EXPECT_EQ(interaction.shown[1].caption, "Murkwell");
    EXPECT_EQ(interaction.shown[1].icon, mw::BoxIcon::Error);
    // A directory in the batch file's place: the system's own reason for a denied access.
    EXPECT_EQ(interaction.shown[1].text,
              "Cannot create \"" + pgpDir() + "Murkwell.bat\": " + mw::errorText(ERROR_ACCESS_DENIED));
    EXPECT_EQ(interaction.shown[2].caption, "Murkwell File Encryption Applet");
    EXPECT_EQ(interaction.shown[2].icon, mw::BoxIcon::None);
    EXPECT_EQ(interaction.shown[2].text, "You must select a file first!");
}

TEST_F(EditorStartup, AllEightWindowsExistWithTheirClassesAndCaptions) {
    make();
    struct W {
        HWND h;
        const char* cls;
        const char* caption;
    };
    for (const W& w :
         {W{app->form1().handle(), "TForm1", "Murkwell 2.20 - Encryption Editor"},
          W{app->setup().handle(), "TPGPSetup", "Murkwell Setup"},
          W{FindWindowA("TSecKey", nullptr), "TSecKey", "SecKey"},
          W{FindWindowA("TPubKey", nullptr), "TPubKey", "Available Public Keys"},
          W{FindWindowA("TForm2", nullptr), "TForm2", "Signature"},
          W{FindWindowA("TForm3", nullptr), "TForm3", "Use this key when contacting the author..."},
          W{FindWindowA("TKey", nullptr), "TKey", "Store Pass Phrase"},
          W{FindWindowA("TBox", nullptr), "TBox", "About Murkwell"}}) {
        ASSERT_TRUE(w.h) << w.cls;
        EXPECT_EQ(className(w.h), w.cls);
        EXPECT_EQ(mw::windowText(w.h), w.caption);
        EXPECT_FALSE(IsWindowVisible(w.h)) << w.cls << " is shown only when asked for";
    }
    // The main window's menu bar: four menus and the PGP Setup item between them.
    HMENU bar = GetMenu(app->form1().handle());
    ASSERT_EQ(GetMenuItemCount(bar), 5);
    char text[64];
    const char* expected[] = {"&File", "&Edit", "P&GP", "PGP Se&tup", "&Help"};
    for (int i = 0; i < 5; ++i) {
        GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i]);
    }
    EXPECT_EQ(GetSubMenu(bar, 3), nullptr) << "PGP Setup acts when clicked";
    // Sign and Sign & Encrypt are only on the buttons and the popup.
    EXPECT_EQ(GetMenuState(bar, editor::CmdBitBtn3Click, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuState(bar, editor::CmdBitBtn4Click, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_NE(GetMenuState(app->form1().popupMenu(), editor::CmdBitBtn3Click, MF_BYCOMMAND),
              static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuItemCount(app->form1().popupMenu()), 21);
}

TEST(BuiltPrograms, CarryVersion220AndAManifestForStylesAndDpi) {
    const std::string buildRoot = buildTreeDirectory();
    for (const std::string program : {"editor\\Murkwell.exe", "filemodule\\bramlet.exe"}) {
        SCOPED_TRACE(program);
        const std::string path = buildRoot + program;
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_GT(size, 0u);
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 2u);
        EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 20u);

        HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module);
        HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_MANIFEST));
        ASSERT_TRUE(res);
        std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, res))),
                             SizeofResource(module, res));
        EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
        EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);
        EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos)
            << "moved to a monitor of another scale, each window lays itself out for it";
        FreeLibrary(module);
    }
}
