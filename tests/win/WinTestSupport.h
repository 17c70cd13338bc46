// Shared pieces of the tests that run under Wine: temporary directories, file bytes, and a
// fixture that stands a program in a temporary directory with scripted message boxes.
#pragma once
#include "win/Application.h"
#include "support/ScriptedInteraction.h"
#include "core/TextConvert.h"
#include "RecordingPlatform.h"
#include "win/Win32Platform.h"
#include "win/Win32Util.h"
#include "win/Window.h"
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include <windows.h>

namespace mwtest {

// A fresh directory under %TEMP%, removed with its content at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // With a trailing backslash.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Paths in UTF-8, or in the ANSI code page when they are not well-formed UTF-8.
void removeTree(const std::string& dir);
void writeFileBytes(const std::string& path, const std::string& bytes);
std::string readFileBytes(const std::string& path);
bool exists(const std::string& path);
void makeDirectory(const std::string& path);
// Names of the entries of a directory (a trailing backslash), sorted, in UTF-8.
std::vector<std::string> namesIn(const std::string& dir);

// One call of a double as logged: its working directory and its arguments.
struct Call {
    std::string cwd;
    std::vector<std::string> args;
};
// Every call a double logged, in order; none when the log does not exist.
std::vector<Call> readCalls(const std::string& log);

// The limit of every wait in these tests: far beyond what the slowest step takes on a loaded
// machine, so that only a condition that never comes fails a test.
constexpr int kWaitLimitMs = 60000;

// Handles messages until `done` holds. When it has not held within the limit, fails the test with
// a message naming `what` was awaited and returns false.
bool waitFor(const std::string& what, const std::function<bool()>& done, int limitMs = kWaitLimitMs);

// Handles every message sent or posted to this thread, and those the handling posts in turn, until
// its queue is empty: for steps that act through the queue and whose effect is checked next.
void handlePendingMessages();

// For platforms that stand in for a job's batch file: the success record pgp.exe writes where
// the job's environment names its report.
void reportAsPgpDoes();

// Types `keys` ("\r" for Enter) into the console of the first process started from `exePath`,
// as a user at its window would; waits for the process for up to kWaitLimitMs. False when it
// never ran or its console took nothing.
bool typeIntoConsoleOf(const std::string& exePath, const std::wstring& keys);
// What that console's window shows, up to its cursor's line, in UTF-8; empty when there is none.
std::string consoleTextOf(const std::string& exePath);
// Whether a process started from a program under `dir` (a trailing backslash) still runs.
bool processRunsFrom(const std::string& dir);
// Ends every process started from a program under `dir` (a trailing backslash).
void terminateProcessesFrom(const std::string& dir);

// Stands a program at `exeName` in a temporary directory: the Application gets a real platform
// whose executable path points there, scripted boxes and a terminate() that only records.
class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // After record(), the program stood anew gets a new recorder, configured as made.
    void standProgramAs(const std::string& exeName);
    // Puts a recorder, which starts everything, in the platform's place.
    RecordingPlatform& record();

    TempDir dir;
    std::string exePath;
    std::unique_ptr<mw::Win32Platform> platform;
    RecordingPlatform* recorder = nullptr; // the platform, after record()
    ScriptedInteraction interaction;
    bool terminated = false;
    // Class names of the modal forms that appeared, in order.
    std::vector<std::string> modalShown;
    // Runs for each modal form; the default closes it as its close box does.
    std::function<void(mw::Form&)> onModal;
};

std::string className(HWND hwnd);

// Makes `pgpDir` (with a trailing backslash) with a pgp.exe in it and writes the editor's settings
// file beside `exePath` naming it, so that the editor starts without asking for PGP.
void writeEditorSettings(const std::string& exePath, const std::string& pgpDir);
// The entries of a list box of this process, in list order.
std::vector<std::string> listEntries(HWND list);
// A mouse click, or double-click, on the entry, so the list's own notifications reach its window.
void clickEntry(HWND list, int index);
void doubleClickEntry(HWND list, int index);

// The clipboard's text as the text tools put it there and take it from there.
void setClipboardText(const std::string& text);
void emptyClipboard();
std::string clipboardText();
// An edit control's selection: start and end.
std::pair<DWORD, DWORD> selection(HWND edit);
// A mouse click on a button, pressed and released inside it.
void clickButton(HWND button);

// Real key presses through the input queue, where the shortcuts read the state of Shift and Ctrl:
// the window in the foreground, the focus on `focus`, every key down in order, then up in reverse.
void pressKeys(HWND window, HWND focus, const std::vector<BYTE>& keys);
// Each key pressed and released in turn, to whatever has the keyboard.
void typeKeys(const std::vector<BYTE>& keys);

// The Windows build tree (with a trailing backslash); the test programs live in its tests\win.
std::string buildTreeDirectory();
// A program of the build tree (its path there, "editor\\Murkwell.exe") copied to `exePath`.
void standBuiltProgram(const std::string& built, const std::string& exePath);

// A program started for real in `directory`, with its main window once it shows. One still
// running at the end is ended.
class RunningProgram {
public:
    RunningProgram(const std::string& exePath, const std::string& arguments, const std::string& directory);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    bool running() const;
    // A visible top-level window of this program with that class name, or null.
    HWND visibleWindow(const std::string& windowClass) const;
    // Closes the main window as its close box does; the exit code, or 99 when it did not end.
    DWORD close();
    HWND window = nullptr;

private:
    mw::UniqueHandle process_;
    DWORD id_ = 0;
};
// Where the doubles of pgp.exe and scorch.com are built.
inline std::string doublesDirectory() {
    return buildTreeDirectory() + "tests\\doubles\\";
}

} // namespace mwtest

namespace mwtest {

// The pixels of an icon drawn at `size` x `size` over a fixed background colour, row by row, so
// two icons can be compared by what they show.
std::vector<COLORREF> iconPixels(HICON icon, int size);
// What a window shows on the screen now, its client area row by row.
std::vector<COLORREF> shownPixels(HWND window);
// The image of `size` pixels of the first icon of an executable file (the one a file browser
// shows for it); null when the file has none. The caller destroys it.
HICON firstIconOf(const std::string& exe, int size);

} // namespace mwtest
