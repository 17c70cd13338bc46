// The setup program and the portable zip, as a user meets them: installed silently into a fresh
// folder, started, closed, uninstalled; the zip unpacked into a folder whose path holds blanks.
#include "WinTestSupport.h"
#include "win/Win32Util.h"
#include <set>
#include <shlobj.h>

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

// Runs a command line to its end; the process's exit code, or -1 when it did not start or end.
int runToEnd(std::string commandLine, const std::string& workDir, DWORD timeoutMs = 120000) {
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi))
        return -1;
    mw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
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
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(),
                        &si, &pi))
        return report;
    report.started = true;
    mw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(kWaitLimitMs)) {
        if (WaitForSingleObject(process.get(), 100) == WAIT_OBJECT_0) {
            report.ended = true;
            break;
        }
        auto windows = visibleWindowsOf(pi.dwProcessId);
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
    // NSIS takes everything after "/D=" to the end of the line as the folder, blanks included.
    ASSERT_EQ(0, runToEnd("\"" + packagesDirectory() + "Murkwell-2.20-setup.exe\" /S /D=" + target, ""));
    for (const char* name : {"Murkwell.exe", "bramlet.exe", "scorch.com", "README.txt", "LICENSE.txt",
                             "Uninstall.exe", "gnupg\\gpg.exe", "gnupg\\licenses\\gnupg-COPYING"})
        EXPECT_TRUE(exists(target + "\\" + name)) << name << " not installed";
    EXPECT_FALSE(exists(target + "\\Murkwell.ini"));
    EXPECT_TRUE(exists(startMenuFolder() + "Murkwell.lnk"));
    EXPECT_TRUE(exists(startMenuFolder() + "Murkwell File.lnk"));
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
    for (const char* name : {"Murkwell.exe", "bramlet.exe", "scorch.com", "README.txt", "LICENSE.txt", "gnupg"})
        EXPECT_FALSE(exists(target + "\\" + name)) << name << " left behind";
    EXPECT_TRUE(exists(target + "\\Murkwell.ini"));
    EXPECT_FALSE(exists(startMenuFolder() + "Murkwell.lnk"));
    EXPECT_FALSE(uninstallEntryExists());
    EXPECT_EQ("-- \r\nsigned\r\n", readFileBytes(target + "\\Murkwell.sig"));
}

TEST(Packages, ZipUnpackedUnderAPathWithBlanksStartsBothPrograms) {
    // Unpacked by the test set-up that ran before this program.
    const std::string folder = packagesDirectory() + "unpacked here\\Murkwell-2.20-portable";
    for (const char* name :
         {"Murkwell.exe", "bramlet.exe", "scorch.com", "README.txt", "LICENSE.txt", "gnupg\\gpg.exe"})
        EXPECT_TRUE(exists(folder + "\\" + name)) << name << " not in the zip";
    for (const char* program : {"Murkwell.exe", "bramlet.exe"}) {
        StartReport r = startShowAndClose(folder + "\\" + program, folder);
        EXPECT_TRUE(r.started) << program;
        EXPECT_TRUE(r.mainWindowShown) << program;
        EXPECT_TRUE(r.ended) << program;
    }
}

} // namespace
