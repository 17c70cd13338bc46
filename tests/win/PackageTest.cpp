// The setup program and the portable zip, as a user meets them: installed silently into a fresh
// folder, started, closed, uninstalled; the zip unpacked into a folder whose path holds blanks.
#include "RealEngine.h"
#include "WinTestSupport.h"
#include "editor/EditorCommands.h"
#include "editor/TForm1.h"
#include "win/TPubKey.h"
#include "win/Win32Util.h"
#include <set>
#include <shlobj.h>
#include <sstream>

namespace {

using namespace mwtest;

std::string packagesDirectory() {
    return buildTreeDirectory() + "packages\\";
}

std::string startMenuFolder() {
    char programs[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    return std::string(programs) + "\\Murkwell\\";
}

bool uninstallEntryExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Murkwell",
                      0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Starts a command line; its process, or none (the failure added) when it would not start. A
// program that has just ended may still hold the files the next one opens (seen with the installer
// run twice, and with a program started right after the installer, on a loaded machine): tried
// until it starts, the last reason kept.
mw::UniqueHandle startUntilStarted(std::string commandLine, const std::string& workDir) {
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    DWORD refusal = 0;
    if (!waitFor("the program to start", [&] {
            if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               workDir.empty() ? nullptr : workDir.c_str(), &si, &pi))
                return true;
            refusal = GetLastError();
            return false;
        })) {
        ADD_FAILURE() << commandLine << " did not start: " << mw::errorText(refusal);
        return mw::UniqueHandle();
    }
    CloseHandle(pi.hThread);
    return mw::UniqueHandle(pi.hProcess);
}

// Runs a command line to its end; the process's exit code, or -1 when it did not start or end.
int runToEnd(std::string commandLine, const std::string& workDir, DWORD timeoutMs = 120000) {
    mw::UniqueHandle process = startUntilStarted(std::move(commandLine), workDir);
    if (!process) return -1;
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

std::string profileDirectory() {
    char profile[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile);
    return profile;
}

std::string longLowerPath(const std::string& path) {
    char full[MAX_PATH] = {};
    DWORD n = GetLongPathNameA(path.c_str(), full, MAX_PATH);
    std::string out = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
    for (char& c : out)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return out;
}

// The lines of a settings file; a final line break leaves no empty last entry.
std::vector<std::string> settingsLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(at) + "<no line break>");
            break;
        }
        lines.push_back(bytes.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::string installCommand(const std::string& target) {
    // NSIS takes everything after "/D=" to the end of the line as the folder, blanks included.
    return "\"" + packagesDirectory() + "Murkwell-2.20-setup.exe\" /S /D=" + target;
}

struct ProcessWindows {
    DWORD pid;
    std::vector<HWND> found;
};

// Visible top-level windows of one process, with their class names.
std::vector<std::pair<HWND, std::string>> visibleWindowsOf(DWORD pid) {
    ProcessWindows pw{pid, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* p = reinterpret_cast<ProcessWindows*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == p->pid && IsWindowVisible(hwnd)) p->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&pw));
    std::vector<std::pair<HWND, std::string>> out;
    for (HWND h : pw.found)
        out.emplace_back(h, className(h));
    return out;
}

struct StartReport {
    bool started = false;
    bool mainWindowShown = false;
    bool ended = false;
    std::set<std::string> classesSeen;
};

// Starts a program, waits for its main window, then closes whatever it shows (the setup dialog
// first, as a user would) until the process ends.
StartReport startShowAndClose(const std::string& exe, const std::string& workDir) {
    StartReport report;
    mw::UniqueHandle process = startUntilStarted("\"" + exe + "\"", workDir);
    if (!process) return report;
    report.started = true;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(kWaitLimitMs)) {
        if (WaitForSingleObject(process.get(), 100) == WAIT_OBJECT_0) {
            report.ended = true;
            break;
        }
        auto windows = visibleWindowsOf(GetProcessId(process.get()));
        for (auto& [h, cls] : windows) {
            report.classesSeen.insert(cls);
            if (cls == "TForm1") report.mainWindowShown = true;
        }
        if (!report.mainWindowShown) continue;
        // Dialogs before the main window, so that its close is not refused by a modal loop.
        bool closedDialog = false;
        for (auto& [h, cls] : windows)
            if (cls != "TForm1") {
                PostMessageA(h, WM_CLOSE, 0, 0);
                closedDialog = true;
            }
        if (!closedDialog)
            for (auto& [h, cls] : windows)
                if (cls == "TForm1") PostMessageA(h, WM_CLOSE, 0, 0);
    }
    if (!report.ended) TerminateProcess(process.get(), 1);
    return report;
}

TEST(Packages, SilentInstallRunsFromTheFolderAndUninstallKeepsTheSettings) {
    TempDir dir;
    const std::string target = dir / "My Programs\\Murkwell";
    ASSERT_EQ(0, runToEnd(installCommand(target), ""));
    for (const char* name : {"Murkwell.exe", "bramlet.exe", "wendal.exe", "scorch.com", "README.txt",
                             "LICENSE.txt", "Uninstall.exe", "pgp.exe", "doc\\pgpdoc1.txt", "gnupg\\gpg.exe",
                             "gnupg\\licenses\\gnupg-COPYING", "Murkwell.html"})
        EXPECT_TRUE(exists(target + "\\" + name)) << name << " not installed";
    EXPECT_TRUE(exists(startMenuFolder() + "Murkwell.lnk"));
    EXPECT_TRUE(exists(startMenuFolder() + "Murkwell File.lnk"));
    EXPECT_TRUE(exists(startMenuFolder() + "Murkwell Keys.lnk"));
    EXPECT_TRUE(uninstallEntryExists());

    StartReport editor = startShowAndClose(target + "\\Murkwell.exe", target);
    EXPECT_TRUE(editor.started);
    EXPECT_TRUE(editor.mainWindowShown);
    EXPECT_TRUE(editor.ended);
    // The editor's settings land beside the installed program.
    EXPECT_TRUE(exists(target + "\\Murkwell.ini"));
    writeFileBytes(target + "\\Murkwell.sig", "-- \r\nsigned\r\n");

    // "_?=" makes the uninstaller run in place and end only when it is done.
    EXPECT_EQ(0, runToEnd("\"" + target + "\\Uninstall.exe\" /S _?=" + target, ""));
    for (const char* name : {"Murkwell.exe", "bramlet.exe", "wendal.exe", "scorch.com", "pgp.exe", "doc",
                             "README.txt", "LICENSE.txt", "gnupg", "Murkwell.html"})
        EXPECT_FALSE(exists(target + "\\" + name)) << name << " left behind";
    // The user's keys live there.
    EXPECT_TRUE(exists(profileDirectory() + "\\pgp"));
    EXPECT_TRUE(exists(target + "\\Murkwell.ini"));
    EXPECT_FALSE(exists(startMenuFolder() + "Murkwell.lnk"));
    EXPECT_FALSE(exists(startMenuFolder() + "Murkwell Keys.lnk"));
    EXPECT_FALSE(uninstallEntryExists());
    EXPECT_EQ("-- \r\nsigned\r\n", readFileBytes(target + "\\Murkwell.sig"));
}

TEST(Packages, FirstInstallWritesSettingsForTheBundledPgpAndASecondKeepsThem) {
    TempDir dir;
    const std::string target = dir / "Fresh Folder\\Murkwell";
    // PGP's directory in the profile outlives each run.
    const std::string guide = profileDirectory() + "\\pgp\\doc\\pgpdoc1.txt";
    DeleteFileA(guide.c_str());
    ASSERT_EQ(0, runToEnd(installCommand(target), ""));
    std::vector<std::string> editor = settingsLines(readFileBytes(target + "\\Murkwell.ini"));
    ASSERT_EQ(14u, editor.size());
    for (int i = 0; i < 4; ++i) {
        std::string lower = editor[i];
        for (char& c : lower)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(lower, editor[i]) << "line " << i + 1 << " is not lower case";
        EXPECT_EQ(std::string::npos, editor[i].find(' ')) << "line " << i + 1 << " holds a blank";
    }
    EXPECT_EQ(longLowerPath(target + "\\pgp.exe"), longLowerPath(editor[0]));
    ASSERT_FALSE(editor[1].empty());
    EXPECT_EQ('\\', editor[1].back());
    EXPECT_EQ(longLowerPath(profileDirectory() + "\\pgp"),
              longLowerPath(editor[1].substr(0, editor[1].size() - 1)));
    EXPECT_TRUE(exists(editor[1]));
    EXPECT_EQ(editor[1] + "pubring.pgp", editor[2]);
    EXPECT_EQ(editor[1] + "secring.pgp", editor[3]);
    // No ring files: pgp.exe would list an empty file instead of the keys the engine keeps there.
    EXPECT_FALSE(exists(editor[2]));
    EXPECT_FALSE(exists(editor[3]));
    const std::vector<std::string> rest(editor.begin() + 4, editor.end());
    EXPECT_EQ((std::vector<std::string>{"0", "0", "640", "450", "right", "nostore", "Courier New", "8", "0",
                                        "-2147483643"}),
              rest);
    EXPECT_EQ(std::vector<std::string>(editor.begin(), editor.begin() + 4),
              settingsLines(readFileBytes(target + "\\bramlet.ini")));

    StartReport started = startShowAndClose(target + "\\Murkwell.exe", target);
    EXPECT_TRUE(started.mainWindowShown);
    EXPECT_TRUE(started.ended);
    EXPECT_EQ(0u, started.classesSeen.count("TPGPSetup")) << "the setup dialog opened";

    // A user's own settings survive the next installation, byte for byte.
    const std::string changedEditor = "c:\\mine\\pgp.exe\r\nc:\\mine\\\r\nc:\\mine\\pubring.pgp\r\n"
                                      "c:\\mine\\secring.pgp\r\n10\r\n20\r\n700\r\n500\r\nleft\r\nstore\r\n"
                                      "Courier New\r\n10\r\n255\r\n0\r\n";
    const std::string changedModule = "c:\\mine\\pgp.exe\r\nc:\\mine\\\r\n";
    writeFileBytes(target + "\\Murkwell.ini", changedEditor);
    writeFileBytes(target + "\\bramlet.ini", changedModule);
    // PGP's guide went where PGP Docs looks for it; the user's own copy there is kept.
    EXPECT_EQ(readFileBytes(guide), readFileBytes(target + "\\doc\\pgpdoc1.txt"));
    writeFileBytes(guide, "my notes\r\n");
    ASSERT_EQ(0, runToEnd(installCommand(target), ""));
    EXPECT_EQ(changedEditor, readFileBytes(target + "\\Murkwell.ini"));
    EXPECT_EQ(changedModule, readFileBytes(target + "\\bramlet.ini"));
    EXPECT_EQ(readFileBytes(guide), "my notes\r\n");
    DeleteFileA(guide.c_str());
    EXPECT_EQ(0, runToEnd("\"" + target + "\\Uninstall.exe\" /S _?=" + target, ""));
}

TEST(Packages, ZipUnpackedUnderAPathWithBlanksStartsEveryProgram) {
    // Unpacked by the test set-up that ran before this program.
    const std::string folder = packagesDirectory() + "unpacked here\\Murkwell-2.20-portable";
    for (const char* name : {"Murkwell.exe", "bramlet.exe", "wendal.exe", "scorch.com", "pgp.exe",
                             "doc\\pgpdoc1.txt", "README.txt", "LICENSE.txt", "gnupg\\gpg.exe"})
        EXPECT_TRUE(exists(folder + "\\" + name)) << name << " not in the zip";
    for (const char* program : {"Murkwell.exe", "bramlet.exe", "wendal.exe"}) {
        StartReport r = startShowAndClose(folder + "\\" + program, folder);
        EXPECT_TRUE(r.started) << program;
        EXPECT_TRUE(r.mainWindowShown) << program;
        EXPECT_TRUE(r.ended) << program;
    }
}

// A window's text read through its messages, as another process must.
std::string textOf(HWND window) {
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(
        SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// Waits for a visible top-level window of class `cls` of the process; null when none came.
HWND awaitWindow(DWORD pid, const std::string& cls, std::set<std::string>& seen) {
    HWND found = nullptr;
    waitFor("a " + cls + " window", [&] {
        for (auto& [h, c] : visibleWindowsOf(pid)) {
            seen.insert(c);
            if (c == cls) found = h;
        }
        return found != nullptr;
    });
    return found;
}

// Run only in a prefix of its own (scripts/fresh-prefix-test.sh): the installer's PGP directory in
// the profile must hold nothing but what this test puts there.
TEST(InstalledPackage, TheEditorStartsWithTheInstallersSettingsAndEncryptsWithTheBundledEngine) {
    TempDir dir;
    const std::string target = dir / "Programs\\Murkwell";
    ASSERT_EQ(0, runToEnd(installCommand(target), ""));
    const std::vector<std::string> settings = settingsLines(readFileBytes(target + "\\Murkwell.ini"));
    ASSERT_EQ(14u, settings.size());
    const std::string pgpDir = settings[1];
    ASSERT_FALSE(exists(pgpDir + "pubring.kbx")) << "not a fresh prefix: " << pgpDir << " holds keys";

    // The key made by the installed engine in the installed PGP directory.
    RealEngine engine(dir.path(), target + "\\", pgpDir);
    engine.makeKey("Murkwell Demo", "demo@murkwell.invalid", kDemoPass, dir / "demo-secret.asc");
    ASSERT_FALSE(HasFatalFailure());

    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::string commandLine = "\"" + target + "\\Murkwell.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               target.c_str(), &si, &pi));
    mw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    std::set<std::string> seen;
    HWND form = awaitWindow(pi.dwProcessId, "TForm1", seen);
    ASSERT_TRUE(form);
    HWND memo = GetDlgItem(form, editor::TForm1::IdMemo1);
    const std::string original = "Installed and working.\r\nSecond line.\r\n";
    SendMessageA(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(original.c_str()));
    PostMessageA(form, WM_COMMAND, MAKEWPARAM(editor::CmdBitBtn1Click, 0), 0);

    // The key dialog lists the ring through the installed pgp.exe: the one key there.
    HWND keys = awaitWindow(pi.dwProcessId, "TPubKey", seen);
    ASSERT_TRUE(keys);
    HWND available = GetDlgItem(keys, mw::TPubKey::IdListBox1);
    ASSERT_TRUE(waitFor("the key listing", [&] { return SendMessageA(available, LB_GETCOUNT, 0, 0) > 0; }));
    EXPECT_EQ(1, SendMessageA(available, LB_GETCOUNT, 0, 0));
    SendMessageA(available, LB_SETCURSEL, 0, 0);
    SendMessageA(GetDlgItem(keys, mw::TPubKey::IdSpeedButton1), BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(keys, mw::TPubKey::IdButton1), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitFor("the encrypted message in the editor",
                        [&] { return textOf(memo).starts_with("-----BEGIN PGP MESSAGE-----\r\n"); }));
    const std::string encrypted = textOf(memo);
    EXPECT_EQ(0u, seen.count("TPGPSetup")) << "the setup dialog opened";

    PostMessageA(form, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.get(), kWaitLimitMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the editor did not end";
        TerminateProcess(process.get(), 1);
    }

    writeFileBytes(dir / "message.asc", encrypted);
    writeFileBytes(dir / "pass.txt", kDemoPass);
    ASSERT_TRUE(runLinuxGpg(
        dir.path(), {"demo-secret.asc"},
        "$g --output linux-plain.txt --decrypt message.asc 2>decrypt.log; echo $? >decrypt.status"));
    EXPECT_EQ("0\n", readFileBytes(dir / "decrypt.status")) << readFileBytes(dir / "decrypt.log");
    std::string unixLines = original;
    for (size_t at; (at = unixLines.find("\r\n")) != std::string::npos;)
        unixLines.erase(at, 1);
    EXPECT_EQ(unixLines, readFileBytes(dir / "linux-plain.txt"));
    EXPECT_EQ(0, runToEnd("\"" + target + "\\Uninstall.exe\" /S _?=" + target, ""));
}

} // namespace
