// Keyboard focus as a user meets it: real X key and mouse events (xdotool) reach the editor's
// window under Xvfb after a dialog, a message box or another window has had the focus.
#include "editor/EditorCommands.h"
#include "win/TPGPSetup.h"
#include "win/Win32Interaction.h"
#include "EditorFixture.h"
#include <algorithm>
#include <cstdlib>

using namespace mwtest;

namespace {

// Starts xdotool with these arguments. Wine gives no handle to wait on for a Linux program, so
// callers wait for what its input does.
void xdotool(const std::string& args) {
    std::string command = "/usr/bin/xdotool " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << "cannot start " << command << ": " << GetLastError();
    // For a Linux program Wine fills in values that are no handles of ours: closing them once
    // closed this process's standard output.
}

// A mouse click at a point of the screen, as the user gives it.
void clickAt(POINT at) {
    xdotool("mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " click 1");
}

// What a Linux program prints, for questions to the X server. Wine gives no handle to wait on
// for a Linux program, so the shell writes the answer to a file under a temporary name and
// renames it when complete.
std::string askX(const std::string& command) {
    static int calls = 0;
    const std::string name =
        "/tmp/mwxanswer_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++calls);
    std::string line =
        "/bin/sh -c \"" + command + " > " + name + ".part 2>&1; mv " + name + ".part " + name + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
        return {};
    }
    // As with xdotool above: the handles Wine fills in for a Linux program are not to be closed.
    std::string answer = "Z:" + name;
    std::replace(answer.begin(), answer.end(), '/', '\\');
    if (!waitFor("the answer of " + command, [&] { return exists(answer); })) return {};
    const std::string text = readFileBytes(answer);
    DeleteFileA(answer.c_str());
    return text;
}

// Until the X server shows `window`: a user reads a new window before answering it, and a click
// or a key meant for it must not reach the X server before the window does. (Wine gives the X
// focus only to a window shown before it asks for the focus, so the focus itself is no sign.)
void lookAtIt(HWND window) {
    const std::string own =
        std::to_string(reinterpret_cast<ULONG_PTR>(GetPropA(window, "__wine_x11_whole_window")));
    waitFor("the " + className(window) + " window shown by the X server",
            [&] { return askX("/usr/bin/xwininfo -id " + own).find("IsViewable") != std::string::npos; });
}

// Runs `action` once, from a thread timer that fires inside whatever modal loop runs, as soon as
// the foreground window is a system dialog (a message box).
std::function<void(HWND)> g_onBox;
UINT_PTR g_boxTimer = 0;
void CALLBACK boxTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND fg = GetForegroundWindow();
    if (fg && className(fg) == "#32770" && IsWindowVisible(fg) && g_onBox) {
        KillTimer(nullptr, g_boxTimer);
        auto action = std::move(g_onBox);
        g_onBox = nullptr;
        action(fg);
    }
}
void whenBoxInFront(std::function<void(HWND)> action) {
    g_onBox = std::move(action);
    g_boxTimer = SetTimer(nullptr, 0, 30, boxTimer);
}

class EditorFocus : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        writeSettings();
        start();
        lookAtIt(form());
    }
    void TearDown() override {
        KillTimer(nullptr, g_boxTimer);
        g_onBox = nullptr;
        EditorFixture::TearDown();
    }
    HWND form() { return app->form1().handle(); }
    HWND memo() { return app->form1().memo(); }
    std::string memoText() { return mw::windowText(memo()); }
    // Types `text` on the keyboard and waits until Memo1 shows `expected`, or gives up. The
    // pointer rests over the window first: without a window manager the X server hands keys to
    // the window under the pointer, and Wine then gives them to the focused control.
    std::string typeAndRead(const std::string& text, const std::string& expected) {
        RECT r;
        GetWindowRect(memo(), &r);
        xdotool("mousemove " + std::to_string((r.left + r.right) / 2) + " " +
                std::to_string((r.top + r.bottom) / 2) + " type --delay 20 " + text);
        // The keys arrive in order: once the last has reached Memo1, so have all before it.
        waitFor("Memo1 to show \"" + expected + "\"", [&] { return memoText() == expected; });
        handlePendingMessages();
        return memoText();
    }
};

} // namespace

TEST_F(EditorFocus, TypingAtStartReachesTheMessage) {
    EXPECT_EQ(typeAndRead("start", "start"), "start");
}

TEST_F(EditorFocus, TypingAfterTheSetupDialogClosesReachesTheMessage) {
    auto& setup = app->setup();
    HWND focusAtOpening = nullptr;
    onModal = [&](mw::Form& f) {
        ASSERT_EQ(&f, &setup);
        focusAtOpening = GetFocus();
        lookAtIt(f.handle());
        xdotool("key Escape");
    };
    PostMessageA(form(), WM_COMMAND, editor::CmdPGPSetup1Click, 0);
    waitFor("the setup dialog to open and close",
            [&] { return !modalShown.empty() && !setup.isShowingModal(); });
    ASSERT_EQ(modalShown, std::vector<std::string>{"TPGPSetup"});
    EXPECT_FALSE(IsWindowVisible(setup.handle())) << "Escape closes the setup dialog";
    EXPECT_EQ(focusAtOpening, setup.item(mw::TPGPSetup::IdEdit1)) << "the dialog opens in its first field";
    EXPECT_EQ(typeAndRead("after", "after"), "after");
}

TEST_F(EditorFocus, TypingAfterAMessageBoxClosesReachesTheMessage) {
    mw::Application& application = app->context().application();
    mw::Win32Interaction real{application};
    application.setInteraction(&real);
    std::string boxCaption;
    whenBoxInFront([&](HWND box) {
        boxCaption = mw::windowText(box);
        lookAtIt(box);
        xdotool("key Return");
    });
    PostMessageA(form(), WM_COMMAND, editor::CmdClearStoredPassPhrase1Click, 0);
    waitFor("the box to be answered and the editor in front",
            [&] { return !boxCaption.empty() && GetForegroundWindow() == form(); });
    application.setInteraction(&interaction);
    EXPECT_EQ(boxCaption, "Information");
    EXPECT_EQ(typeAndRead("boxed", "boxed"), "boxed");
}

TEST_F(EditorFocus, TypingAfterSwitchingToAnotherWindowAndBackReachesTheMessage) {
    // Another program's window, with a text field of its own.
    HWND other = CreateWindowExA(0, "EDIT", "Elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 760, 200, 300, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(other);
    lookAtIt(other);
    RECT otherRect;
    GetWindowRect(other, &otherRect);
    clickAt({(otherRect.left + otherRect.right) / 2, (otherRect.top + otherRect.bottom) / 2});
    waitFor("the other window in front", [&] { return GetForegroundWindow() == other; });
    ASSERT_EQ(GetForegroundWindow(), other);
    xdotool("type --delay 20 xyz");
    waitFor("the keys in the other window",
            [&] { return mw::windowText(other) == "Elsewherexyz" || mw::windowText(other) == "xyz"; });

    // Back by the editor's title bar, which is no control that could take the focus itself.
    RECT r;
    GetWindowRect(form(), &r);
    POINT caption{(r.left + r.right) / 2,
                  r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
    ASSERT_EQ(SendMessageA(form(), WM_NCHITTEST, 0, MAKELPARAM(caption.x, caption.y)), HTCAPTION);
    clickAt(caption);
    waitFor("the editor in front", [&] { return GetForegroundWindow() == form(); });
    ASSERT_EQ(GetForegroundWindow(), form());
    EXPECT_EQ(typeAndRead("back", "back"), "back");
    EXPECT_NE(mw::windowText(other).find("xyz"), std::string::npos)
        << "the other window had the keys meanwhile";
    DestroyWindow(other);
}
