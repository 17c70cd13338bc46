// The window layer under failure: registration, creation and control creation report the
// system's reason instead of going on with a null handle, only our windows map to objects, a
// handler's exception ends in the error box whichever procedure ran it, and handles are owned once.
#include "WinTestSupport.h"
#include "win/Controls.h"
#include "win/Handles.h"
#include "win/Win32Util.h"
#include <stdexcept>

namespace {

using mwtest::ProgramFixture;

// A message our handlers fail on.
constexpr UINT kFail = WM_APP + 7;

// A form that creates itself with whatever class it is told.
class Probe : public mw::Form {
public:
    explicit Probe(const char* cls) : Form(mw::Application::instance()) {
        registerClassIfAsked(cls);
        createHandle(cls, "Probe", WS_OVERLAPPEDWINDOW, 0, 0, 0, 100, 100, nullptr, nullptr);
    }
    int commands = 0;

private:
    static void registerClassIfAsked(const char* cls) {
        if (std::string(cls).rfind("MwProbe", 0) == 0) registerClass(cls, nullptr);
    }
    bool onCommand(int, int, HWND) override {
        ++commands;
        return true;
    }
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kFail) throw std::runtime_error("The form failed.");
        return Form::handleMessage(msg, wParam, lParam);
    }
};

// A control's subclass that fails on kFail and hands everything else on.
LRESULT failingSubclass(void* text, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kFail) throw std::runtime_error(static_cast<const char*>(text));
    return mw::callNextProc(hwnd, msg, wParam, lParam);
}

class WindowLayer : public ProgramFixture {};

TEST_F(WindowLayer, ClassNameTakenElsewhereIsReportedAndNotRecordedAsOurs) {
    WNDCLASSEXA foreign{};
    foreign.cbSize = sizeof foreign;
    foreign.lpfnWndProc = DefWindowProcA;
    foreign.hInstance = GetModuleHandleA(nullptr);
    foreign.lpszClassName = "MwProbeTaken";
    ASSERT_TRUE(RegisterClassExA(&foreign));

    try {
        Probe probe("MwProbeTaken");
        FAIL() << "a class registered by someone else was taken as ours";
    } catch (const mw::SystemError& e) {
        EXPECT_EQ(e.code(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
        EXPECT_EQ(std::string(e.what()).rfind("Cannot register the window class MwProbeTaken: ", 0), 0u)
            << e.what();
    }

    // Once the name is free, registering again works: the failure was not remembered as success.
    ASSERT_TRUE(UnregisterClassA("MwProbeTaken", GetModuleHandleA(nullptr)));
    Probe probe("MwProbeTaken");
    EXPECT_EQ(mw::Window::fromHandle(probe.handle()), &probe);
    SendMessageA(probe.handle(), WM_COMMAND, 1, 0);
    EXPECT_EQ(probe.commands, 1);
}

TEST_F(WindowLayer, WindowOfAnUnknownClassIsReportedWithTheSystemsReason) {
    try {
        Probe probe("NoSuchWindowClassHere");
        FAIL() << "creation with an unknown class went on";
    } catch (const mw::SystemError& e) {
        // Windows says "cannot find window class", Wine "class does not exist".
        EXPECT_TRUE(e.code() == ERROR_CANNOT_FIND_WND_CLASS || e.code() == ERROR_CLASS_DOES_NOT_EXIST)
            << e.code();
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Cannot create the window \"Probe\" (NoSuchWindowClassHere): ", 0), 0u) << text;
        EXPECT_GT(text.size(),
                  std::string("Cannot create the window \"Probe\" (NoSuchWindowClassHere): ").size());
    }
}

TEST_F(WindowLayer, ControlsTakeTheDialogFontOfTheApplicationTheyAreGivenUnlessNamedOne) {
    Probe parent("MwProbeFonts");
    HWND plain = mw::createControl(parent.app(), parent.handle(), {.text = "Plain", .id = 5});
    const auto font = reinterpret_cast<HFONT>(SendMessageA(plain, WM_GETFONT, 0, 0));
    ASSERT_EQ(font, parent.app().dialogFont());
    LOGFONTA lf{};
    ASSERT_TRUE(GetObjectA(font, sizeof lf, &lf));
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(lf.lfHeight, -MulDiv(8, parent.app().dpi(), 72));

    mw::UniqueFont own(CreateFontA(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                   "Courier New"));
    HWND named =
        mw::createControl(parent.app(), parent.handle(), {.text = "Named", .id = 6, .font = own.get()});
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(named, WM_GETFONT, 0, 0)), own.get());
    DestroyWindow(named);
}

TEST_F(WindowLayer, ControlThatCannotBeCreatedIsReported) {
    Probe parent("MwProbeParent");
    try {
        mw::createControl(parent.app(), parent.handle(),
                          {.className = "NoSuchControlClass", .text = "Field", .id = 7});
        FAIL() << "a control of an unknown class was taken as created";
    } catch (const mw::SystemError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create the control NoSuchControlClass \"Field\": ", 0),
                  0u)
            << e.what();
    }
    EXPECT_EQ(GetDlgItem(parent.handle(), 7), nullptr);
}

TEST_F(WindowLayer, OnlyOurWindowsMapToObjectsWhateverTheirUserData) {
    Probe ours("MwProbeOurs");
    // A foreign window whose user data happens to hold a pointer to one of our objects.
    HWND foreign = CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(foreign, nullptr);
    SetWindowLongPtrA(foreign, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ours));
    EXPECT_EQ(mw::Window::fromHandle(foreign), nullptr);
    EXPECT_EQ(mw::Form::fromHandle(foreign), nullptr);
    EXPECT_EQ(mw::Form::fromHandle(ours.handle()), &ours);
    // Keys sent to it go through the pump without being taken for a form's.
    PostMessageA(foreign, WM_KEYDOWN, VK_TAB, 0);
    mwtest::handlePendingMessages();
    DestroyWindow(foreign);
}

TEST_F(WindowLayer, HandlerExceptionIsShownOnceAndReported) {
    auto& app = mw::Application::instance();
    EXPECT_TRUE(app.runHandler([] {}));
    EXPECT_FALSE(app.runHandler([] { throw std::runtime_error("The disk is full."); }));
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].text, "The disk is full.");
    EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
}

TEST_F(WindowLayer, ExceptionFromAFormOrASubclassedControlIsShownAndAnswersZero) {
    Probe form("MwProbeGuard");
    HWND edit = mw::createControl(form.app(), form.handle(), {.className = "EDIT", .id = 9});
    const auto originalProc = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    mw::installSubclass(edit, &failingSubclass, const_cast<char*>("The control failed."));
    struct Case {
        HWND target;
        const char* shown;
    };
    for (const Case& c : {Case{form.handle(), "The form failed."}, Case{edit, "The control failed."}}) {
        interaction.shown.clear();
        EXPECT_EQ(SendMessageA(c.target, kFail, 1, 1), 0) << c.shown;
        ASSERT_EQ(interaction.shown.size(), 1u) << c.shown;
        EXPECT_EQ(interaction.shown[0].text, c.shown);
        EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
    }
    // The control still does its own work through the subclass, and gets its procedure back.
    SetWindowTextA(edit, "still an edit");
    EXPECT_EQ(mw::windowText(edit), "still an edit");
    mw::removeSubclass(edit);
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), originalProc);
    interaction.shown.clear();
    SendMessageA(edit, kFail, 1, 1);
    EXPECT_TRUE(interaction.shown.empty()) << "the handler is gone";
}

TEST_F(WindowLayer, SubclassedControlKeepsItsKindAndAWideOneEveryCharacter) {
    Probe form("MwProbeWide");
    const std::string text = "\xD0\x9F\xD1\x80\xD0\xB8 \xF0\x9F\x98\x80"; // Cyrillic and an emoji
    for (const bool unicode : {true, false}) {
        HWND edit = mw::createControl(form.app(), form.handle(),
                                      {.className = "EDIT", .style = ES_AUTOHSCROLL, .unicode = unicode});
        const auto originalProc =
            unicode ? GetWindowLongPtrW(edit, GWLP_WNDPROC) : GetWindowLongPtrA(edit, GWLP_WNDPROC);
        mw::installSubclass(edit, &failingSubclass, const_cast<char*>("unused"));
        EXPECT_EQ(IsWindowUnicode(edit) != FALSE, unicode);
        if (unicode) {
            // Characters as typed, through the subclass: the emoji as its two surrogates.
            for (char16_t unit : u"\u041F\u0440\u0438 \U0001F600")
                if (unit) SendMessageW(edit, WM_CHAR, unit, 1);
            EXPECT_EQ(mw::unicodeText(edit), text);
        }
        mw::removeSubclass(edit);
        EXPECT_EQ(unicode ? GetWindowLongPtrW(edit, GWLP_WNDPROC) : GetWindowLongPtrA(edit, GWLP_WNDPROC),
                  originalProc)
            << unicode;
        EXPECT_EQ(IsWindowUnicode(edit) != FALSE, unicode);
    }
}

TEST(Handles, FailedOpensOwnNothingAndAnOwnedHandleIsClosedOnceUnlessReleased) {
    auto isOpen = [](HANDLE h) {
        DWORD flags = 0;
        return GetHandleInformation(h, &flags) != FALSE;
    };
    for (HANDLE none : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        mw::UniqueHandle h(none);
        EXPECT_FALSE(h);
        EXPECT_EQ(h.get(), nullptr);
    }
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    mw::UniqueHandle first(event);
    mw::UniqueHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), event);
    second = mw::UniqueHandle(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(second);
    EXPECT_FALSE(isOpen(event)) << "replacing the owner closes the handle";

    HANDLE kept = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        mw::UniqueHandle owner(kept);
        EXPECT_EQ(owner.release(), kept);
    }
    EXPECT_TRUE(isOpen(kept)) << "a released handle is the caller's";
    CloseHandle(kept);
}

} // namespace

// Names outside the ANSI code page reach the ANSI calls by their short forms, never as "?".
TEST(Win32Util, PathsForTheAnsiCallsAndTheSystemsReasons) {
    using namespace mwtest;
    TempDir dir;
    const std::string cyrillic = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 2026.txt"; // UTF-8
    writeFileBytes(dir / cyrillic, "x");
    writeFileBytes(dir / "plain name.txt", "x");
    const std::string shortForm = mw::ansiPath(dir / cyrillic);
    EXPECT_EQ(shortForm.find('?'), std::string::npos) << shortForm;
    EXPECT_EQ(readFileBytes(shortForm), "x") << shortForm;
    EXPECT_EQ(mw::ansiPath(dir / "plain name.txt"), dir / "plain name.txt");
    EXPECT_EQ(mw::ansiPath(dir / ("gone " + cyrillic)), "");
    EXPECT_EQ(mw::utf8Path(mw::widePath(dir / cyrillic)), dir / cyrillic);
    // "Bad EXE format for %1.": the message around it names the file.
    const std::string reason = mw::errorText(ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(reason.find("%1"), std::string::npos) << reason;
}
