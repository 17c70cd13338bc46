// The file module's window under Wine: start-up, what the file pane lists, the status line, the
// links between the panes, keys, commands and the clean-up at close.
#include "FileModuleFixture.h"
#include <winioctl.h>

using namespace mwtest;

namespace {

// The files beside the program, with the settings file's bytes and time, to compare afterwards.
// The settings file is dated back first, so a rewrite of the same bytes shows too.
class SettingsSnapshot {
public:
    explicit SettingsSnapshot(const TempDir& dir) : dir_(dir), ini_(dir / "bramlet.ini") {
        FILETIME old{0, 0x01C00000}; // in the year 2000
        mw::UniqueHandle f(
            CreateFileA(ini_.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(f && SetFileTime(f.get(), nullptr, nullptr, &old));
        bytes_ = readFileBytes(ini_);
        written_ = lastWrite();
        names_ = namesIn(dir.path());
    }
    void expectUnchanged(const char* why) const {
        EXPECT_EQ(readFileBytes(ini_), bytes_) << why;
        EXPECT_EQ(lastWrite(), written_) << why;
        EXPECT_EQ(namesIn(dir_.path()), names_) << why;
    }

private:
    unsigned long long lastWrite() const {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExA(ini_.c_str(), GetFileExInfoStandard, &data);
        return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
               data.ftLastWriteTime.dwLowDateTime;
    }
    const TempDir& dir_;
    std::string ini_, bytes_;
    unsigned long long written_ = 0;
    Lines names_;
};

// Any change of a key or value in a registry tree, from now on.
class RegistryWatch {
public:
    RegistryWatch(HKEY root, const char* path) : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        if (RegOpenKeyExA(root, path, 0, KEY_NOTIFY, &key_) != ERROR_SUCCESS) return;
        armed_ = RegNotifyChangeKeyValue(key_, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                         event_.get(), TRUE) == ERROR_SUCCESS;
    }
    ~RegistryWatch() {
        if (key_) RegCloseKey(key_);
    }
    bool armed() const { return armed_; }
    bool changed() const { return WaitForSingleObject(event_.get(), 0) == WAIT_OBJECT_0; }

private:
    mw::UniqueHandle event_;
    HKEY key_ = nullptr;
    bool armed_ = false;
};

} // namespace

TEST_F(FileModule, StartsInAnEmptyDirectoryWithNothingSelected) {
    auto& form = start(data());
    EXPECT_TRUE(modalShown.empty()) << "pgp.exe is where the settings say";
    EXPECT_EQ(SendMessageA(form.fileList(), LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(form.selectedIndex(), -1);
    EXPECT_EQ(form.FileName(), "");
    EXPECT_EQ(form.statusText(), "");
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(FileModule, OpensCentredAtItsFixedSizeWithItsCaptionAndAMinimiseBoxOnly) {
    auto& form = start(data());
    EXPECT_EQ(mw::windowText(form.handle()), "Murkwell File - File Encryption Module");
    EXPECT_EQ(app->context().application().title(), "Murkwell File Encryption Applet");
    EXPECT_TRUE(IsWindowVisible(form.handle()));
    const LONG style = GetWindowLongA(form.handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME) << "not resizable";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    RECT client;
    GetClientRect(form.handle(), &client);
    EXPECT_EQ(client.right, app->context().application().scale(594));
    EXPECT_EQ(client.bottom, app->context().application().scale(402));
    // Centred on the screen, to the pixel that halving allows.
    RECT frame;
    GetWindowRect(form.handle(), &frame);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_LE(std::abs(frame.left - (screenWidth - frame.right)), 1) << frame.left << " of " << screenWidth;
    EXPECT_LE(std::abs(frame.top - (screenHeight - frame.bottom)), 1) << frame.top << " of " << screenHeight;
    // A double click on the caption maximises only a window that has the box for it.
    SendMessageA(form.handle(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(frame.left + 60, frame.top + 8));
    handlePendingMessages();
    EXPECT_FALSE(IsZoomed(form.handle()));
    RECT after;
    GetWindowRect(form.handle(), &after);
    EXPECT_TRUE(EqualRect(&frame, &after));
    // The minimise box works, and the window comes back as it was.
    SendMessageA(form.handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(form.handle()));
    SendMessageA(form.handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    GetWindowRect(form.handle(), &after);
    EXPECT_TRUE(EqualRect(&frame, &after));
}

TEST_F(FileModule, WithoutPgpTheSetupDialogOpensBeforeAnythingElse) {
    DeleteFileA((pgpDir() + "pgp.exe").c_str());
    writeFileBytes(data() + "first.txt", "1");
    bool windowShown = false;
    onModal = [&](mw::Form& dialog) {
        windowShown = IsWindowVisible(app->form1().handle()) != 0;
        dialog.close();
    };
    start(data());
    EXPECT_EQ(modalShown, Lines{"TPGPSetup"});
    EXPECT_TRUE(windowShown) << "the dialog opens over the browser";
    EXPECT_TRUE(interaction.shown.empty()) << "no message precedes the dialog";
    EXPECT_EQ(app->form1().selectedIndex(), 0);
}

TEST_F(FileModule, FirstStartWithoutSettingsAsksForPgpAndTheDialogWritesTheFourDefaultLines) {
    ASSERT_FALSE(exists("c:\\pgp\\pgp.exe")) << "this prefix has PGP at its default place";
    DeleteFileA((dir / "bramlet.ini").c_str());
    start(data());
    EXPECT_EQ(modalShown, Lines{"TPGPSetup"});
    EXPECT_TRUE(interaction.shown.empty());
    EXPECT_EQ(readFileBytes(dir / "bramlet.ini"),
              "c:\\pgp\\pgp.exe\r\nc:\\pgp\\\r\nc:\\pgp\\pubring.pgp\r\nc:\\pgp\\secring.pgp\r\n");
    EXPECT_EQ(namesIn(dir.path()), (Lines{"bramlet.ini", "data", "pgp"}));
}

TEST_F(FileModule, ListsPlainFilesByNameWithTheirIcons) {
    for (const char* name : {"b.txt", "A.DOC", "c.EXE", "run.bat", "x.Pif", "tool.COM", "ro.txt",
                             "hidden.txt", "sys.dat", "both.dat"})
        writeFileBytes(data() + name, "x");
    makeDirectory(data() + "sub");
    SetFileAttributesA((data() + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((data() + "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((data() + "sys.dat").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA((data() + "both.dat").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(GetFileAttributesA((data() + "hidden.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN)
        << "the prefix's file system keeps no attributes";

    auto& form = start(data());
    const Lines expected{"A.DOC", "b.txt", "c.EXE", "ro.txt", "run.bat", "tool.COM", "x.Pif"};
    EXPECT_EQ(listEntries(form.fileList()), expected);
    const int program = 1, document = 0;
    const int icons[] = {document, document, program, document, program, program, program};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(SendMessageA(form.fileList(), LB_GETITEMDATA, i, 0), icons[i]) << expected[i];
    // Entry 0 highlighted by the first showing; the status line waits for the user.
    EXPECT_EQ(form.selectedIndex(), 0);
    EXPECT_EQ(form.statusText(), "");
    SetFileAttributesA((data() + "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileModule, StatusLineShowsTheLoweredPathAndSizeOfTheSelection) {
    const std::string cData = "C:\\Data\\";
    const bool made = CreateDirectoryA(cData.c_str(), nullptr) != 0;
    writeFileBytes(cData + "Report.TXT", "");
    writeFileBytes(cData + "Zeta.bin", std::string(1234, 'z'));
    {
        auto& form = start("C:\\Data");
        clickEntry(form.fileList(), indexOf(form.fileList(), "Zeta.bin"));
        EXPECT_EQ(form.statusText(), "c:\\data\\zeta.bin, 1234 bytes");
        clickEntry(form.fileList(), indexOf(form.fileList(), "Report.TXT"));
        EXPECT_EQ(form.FileName(), "C:\\Data\\Report.TXT");
        EXPECT_EQ(form.statusText(), "c:\\data\\report.txt, 0 bytes");
        // Removed after the pane was read: still listed, and its size is unknown.
        DeleteFileA((cData + "Report.TXT").c_str());
        clickEntry(form.fileList(), indexOf(form.fileList(), "Zeta.bin"));
        clickEntry(form.fileList(), indexOf(form.fileList(), "Report.TXT"));
        EXPECT_EQ(form.statusText(), "c:\\data\\report.txt, -1 bytes");
    }
    app.reset();
    SetCurrentDirectoryA(startDirectory.c_str());
    DeleteFileA((cData + "Zeta.bin").c_str());
    if (made) RemoveDirectoryA(cData.c_str());
}

TEST_F(FileModule, SizesOfThreeGibibytesAndMoreAreShownWhole) {
    const std::string big = data() + "Big.ISO";
    ULARGE_INTEGER freeBefore{}, freeAfter{};
    GetDiskFreeSpaceExA(data().c_str(), &freeBefore, nullptr, nullptr);
    {
        mw::UniqueHandle f(CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(static_cast<bool>(f));
        DWORD ignored = 0;
        DeviceIoControl(f.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = 3LL << 30;
        ASSERT_TRUE(SetFilePointerEx(f.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(f.get()));
    }
    // Cheap to make: the file system holds no data for it.
    GetDiskFreeSpaceExA(data().c_str(), &freeAfter, nullptr, nullptr);
    EXPECT_LT(static_cast<long long>(freeBefore.QuadPart - freeAfter.QuadPart), 1LL << 30);
    auto& form = start(data());
    clickEntry(form.fileList(), indexOf(form.fileList(), "Big.ISO"));
    EXPECT_EQ(form.statusText(), mw::toLowerAscii(data()) + "big.iso, 3221225472 bytes");
}

TEST_F(FileModule, RefreshAndDirectoryChangesEmptyTheStatusLine) {
    writeFileBytes(data() + "one.txt", "1");
    makeDirectory(data() + "Sub");
    writeFileBytes(data() + "Sub\\two.txt", "22");
    writeFileBytes(data() + "Sub\\three.txt", "333");
    auto& form = start(data());
    clickEntry(form.fileList(), 0);
    ASSERT_NE(form.statusText(), "");

    writeFileBytes(data() + "new.txt", "new");
    postKey(form.fileList(), VK_F5);
    EXPECT_EQ(form.statusText(), "");
    EXPECT_EQ(form.selectedIndex(), -1);
    EXPECT_EQ(listEntries(form.fileList()), (Lines{"new.txt", "one.txt"}));

    clickEntry(form.fileList(), 0);
    ASSERT_NE(form.statusText(), "");
    doubleClickEntry(form.directoryList(), indexOf(form.directoryList(), "Sub"));
    EXPECT_EQ(form.shownDirectory() + "\\", data() + "Sub\\");
    EXPECT_EQ(listEntries(form.fileList()), (Lines{"three.txt", "two.txt"}));
    EXPECT_EQ(form.selectedIndex(), 0) << "the first file is highlighted";
    EXPECT_EQ(form.statusText(), "") << "until the user selects one";
    EXPECT_EQ(mw::toLowerAscii(currentDirectory()), mw::toLowerAscii(data() + "Sub"));

    // Up again through the entry of the level above.
    const std::string parent = data().substr(0, data().size() - 1);
    doubleClickEntry(form.directoryList(),
                     indexOf(form.directoryList(), parent.substr(parent.rfind('\\') + 1)));
    EXPECT_EQ(mw::toLowerAscii(form.shownDirectory()), mw::toLowerAscii(parent));
    EXPECT_EQ(form.statusText(), "");
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(FileModule, ADirectoryThatCannotBeEnteredIsReportedAndTheModuleCarriesOn) {
    writeFileBytes(data() + "kept.txt", "k");
    makeDirectory(data() + "gone");
    auto& form = start(data());
    const int entry = indexOf(form.directoryList(), "gone");
    RemoveDirectoryA((data() + "gone").c_str());
    doubleClickEntry(form.directoryList(), entry);
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].caption, "Murkwell File Encryption Applet");
    EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
    EXPECT_EQ(interaction.shown[0].text.rfind("Cannot open \"" + data() + "gone\": ", 0), 0u)
        << interaction.shown[0].text;
    EXPECT_EQ(form.shownDirectory() + "\\", data());
    EXPECT_EQ(listEntries(form.fileList()), Lines{"kept.txt"});
}

TEST_F(FileModule, ShiftAloneSetsTheFlagAndAnyOtherKeyClearsIt) {
    writeFileBytes(data() + "a.txt", "a");
    auto& form = start(data());
    pressKeys(form, {VK_SHIFT});
    EXPECT_TRUE(form.job.ShiftFlag) << "released Shift leaves the flag set";
    clickButton(form.buttons()[1]->handle()); // Decrypt
    EXPECT_TRUE(form.job.ShiftFlag) << "a mouse click is no key-down";
    // Ctrl of Ctrl+D is a key-down of its own, so the shortcut never has the flag.
    pressKeys(form, {VK_SHIFT});
    pressKeys(form, {VK_CONTROL, 'D'});
    EXPECT_FALSE(form.job.ShiftFlag);
    pressKeys(form, {VK_SHIFT});
    postKey(form.directoryList(), VK_DOWN);
    EXPECT_FALSE(form.job.ShiftFlag) << "key preview sees the keys of every pane";
}

TEST_F(FileModule, TabAndShiftTabCycleThroughTheThreePanes) {
    auto& form = start(data());
    const std::vector<HWND> forward = {form.driveBox(), form.directoryList(), form.fileList()};
    std::vector<HWND> reached, back;
    for (std::size_t i = 0; i < forward.size(); ++i) {
        pressKeys(form.handle(), GetFocus(), {VK_TAB});
        reached.push_back(GetFocus());
    }
    for (std::size_t i = 0; i < forward.size(); ++i) {
        pressKeys(form.handle(), GetFocus(), {VK_SHIFT, VK_TAB});
        back.push_back(GetFocus());
    }
    EXPECT_EQ(reached, forward);
    EXPECT_EQ(back, (std::vector<HWND>{form.directoryList(), form.driveBox(), form.fileList()}));
}

TEST_F(FileModule, CommandsReachTheirHandlersFromMenusButtonsAndKeys) {
    auto& form = start(data());
    // Help: with no help file beside the executable, the HTML help, shown, with nothing else.
    SendMessageA(form.handle(), WM_COMMAND, filemodule::CmdHelponMurkwellFile1Click, 0);
    postKey(form.fileList(), VK_F1);
    EXPECT_EQ(noted(recorder->launches), Lines(2, dir / "Murkwell.html|||5"));
    // About from the menu and from Shift+F1; PGP Setup from the menu bar.
    SendMessageA(form.handle(), WM_COMMAND, filemodule::CmdAbout1Click, 0);
    pressKeys(form, {VK_SHIFT, VK_F1});
    SendMessageA(form.handle(), WM_COMMAND, filemodule::CmdPGPSetup1Click, 0);
    EXPECT_EQ(modalShown, (Lines{"TAboutBox", "TAboutBox", "TPGPSetup"}));
    EXPECT_FALSE(terminated);
    clickButton(form.buttons()[6]->handle());
    EXPECT_TRUE(terminated) << "the Exit button closes the window";
}

TEST_F(FileModule, ButtonsAndMenusCarryTheirCaptionsInOrder) {
    auto& form = start(data());
    Lines captions;
    for (const auto& b : form.buttons())
        captions.push_back(b->caption());
    EXPECT_EQ(captions,
              (Lines{"Encrypt", "Decrypt", "Sign", "Sign Detached", "Sign Encrypt", "Encrypt IDEA", "Exit"}));
    auto menuTexts = [](HMENU menu) {
        Lines texts;
        char text[128];
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            texts.push_back(text);
        }
        return texts;
    };
    HMENU bar = GetMenu(form.handle());
    EXPECT_EQ(menuTexts(bar), (Lines{"&File", "&PGP Setup", "&Help"}));
    EXPECT_EQ(GetSubMenu(bar, 1), nullptr) << "PGP Setup acts when clicked";
    EXPECT_EQ(menuTexts(GetSubMenu(bar, 0)),
              (Lines{"&Encrypt\tCtrl+E", "&Decrypt\tCtrl+D", "", "Re&name File\tCtrl+R", "Delete File\tDel",
                     "\"&Scorch\" The File\tShift+Del", "", "&Run File\tCtrl+O", "", "&Refresh\tF5", "",
                     "E&xit\tCtrl+F4"}));
    EXPECT_EQ(menuTexts(GetSubMenu(bar, 2)), (Lines{"Help on Murkwell File\tF1", "", "&About\tShift+F1"}));
    EXPECT_EQ(menuTexts(form.popupMenu()),
              (Lines{"Encrypt", "Decrypt", "Sign", "Sign Detached", "Sign/Encrypt", "Encrypt IDEA", "", "Run",
                     "Rename", "Delete", "\"Scorch\" The File", "", "Load Into Notepad", "DOS Prompt Here",
                     "Refresh"}));
}

TEST_F(FileModule, ClosingDeletesExactlyTheFiveTemporaries) {
    const std::string d = pgpDir();
    const Lines temporaries{"bramlet.tmp", "BRAMLET.USR", "Bramlet.bat", "bramlet.LCK", "bramlet.asc"};
    // The settings of a program installed in PGP's own directory among them.
    const Lines others{"bramlet.txt", "Murkwell.lck", "Murkwell.bat", "bramlet.asc.keep", "pgp.exe",
                       "x.usr",       "bramlet.ini",  "Murkwell.ini", "Murkwell.sig",     "bramlet.tmp.bak"};
    for (const auto& name : temporaries)
        writeFileBytes(d + name, "t");
    for (const auto& name : others)
        writeFileBytes(d + name, "o");
    const SettingsSnapshot settings(dir);
    auto& form = start(data());
    PostMessageA(form.handle(), WM_CLOSE, 0, 0);
    app->context().application().processMessages();
    EXPECT_TRUE(terminated);
    for (const auto& name : temporaries)
        EXPECT_FALSE(exists(d + name)) << name;
    for (const auto& name : others)
        EXPECT_TRUE(exists(d + name)) << name;
    settings.expectUnchanged("the window writes no settings");
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(FileModule, ALeftoverThatCannotBeDeletedStaysAndTheCloseGoesOnSilently) {
    const std::string d = pgpDir();
    for (const char* name : {"Bramlet.TMP", "Bramlet.USR", "Bramlet.BAT", "Bramlet.LCK", "Bramlet.ASC"})
        writeFileBytes(d + name, "t");
    SetFileAttributesA((d + "Bramlet.TMP").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_FALSE(DeleteFileA((d + "Bramlet.TMP").c_str())) << "a read-only file cannot be deleted here";
    auto& form = start(data());
    PostMessageA(form.handle(), WM_CLOSE, 0, 0);
    app->context().application().processMessages();
    EXPECT_TRUE(terminated);
    EXPECT_EQ(namesIn(d), (Lines{"Bramlet.TMP", "pgp.exe"}));
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(FileModule, TheProgramIgnoresItsCommandLineAndEndsWithCodeZeroWhenClosed) {
    writeFileBytes(data() + "listed.txt", "x");
    writeFileBytes(pgpDir() + "Bramlet.BAT", "left over");
    standBuiltProgram("filemodule\\bramlet.exe", exePath);
    RunningProgram program(exePath, " -e \"" + pgpDir() + "\" C:\\ /setup", data());
    ASSERT_TRUE(program.window) << "no browser window";
    // It opened on its working directory; no setup dialog, since pgp.exe is where the settings say.
    HWND list = GetDlgItem(program.window, filemodule::TForm1::IdFileListBox1);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
    wchar_t name[64] = {}; // another process's list answers in UTF-16 under Wine
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, L"listed.txt");
    EXPECT_EQ(FindWindowA("TPGPSetup", nullptr) && IsWindowVisible(FindWindowA("TPGPSetup", nullptr)), false);
    EXPECT_EQ(program.close(), 0u);
    EXPECT_FALSE(exists(pgpDir() + "Bramlet.BAT"));
}

TEST_F(FileModule, ARunWritesNoSettingsFileAndNoRegistryValue) {
    standBuiltProgram("filemodule\\bramlet.exe", exePath);
    const SettingsSnapshot settings(dir);
    RegistryWatch user(HKEY_CURRENT_USER, ""), machine(HKEY_LOCAL_MACHINE, "Software");
    ASSERT_TRUE(user.armed() && machine.armed());
    {
        RunningProgram program(exePath, "", data());
        ASSERT_TRUE(program.window) << "no browser window";
        EXPECT_EQ(program.close(), 0u);
    }
    EXPECT_FALSE(user.changed());
    EXPECT_FALSE(machine.changed());
    settings.expectUnchanged("a run writes no settings");

    // The watch sees a change where there is one.
    RegistryWatch check(HKEY_CURRENT_USER, "Software");
    const std::string probe = "Software\\mwtest_" + std::to_string(GetCurrentProcessId());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, probe.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, probe.c_str());
    EXPECT_TRUE(check.changed());
}
