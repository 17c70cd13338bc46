// The real message boxes and common dialogs, driven from a timer while they are open.
#include "win/Application.h"
#include "win/InputBox.h"
#include "win/Win32Interaction.h"
#include "WinTestSupport.h"
#include <commdlg.h>
#include <dlgs.h>

using namespace mwtest;

namespace {

// Runs `act` on the first visible system dialog with this caption, from a thread timer that
// fires inside the dialog's own modal loop.
std::function<bool(HWND)> g_action;
std::string g_caption;
UINT_PTR g_timer = 0;

void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND dlg = FindWindowA("#32770", g_caption.c_str());
    if (dlg && IsWindowVisible(dlg) && g_action && g_action(dlg)) {
        KillTimer(nullptr, g_timer);
        g_action = nullptr;
    }
}

void whenDialogAppears(const std::string& caption, std::function<bool(HWND)> action) {
    g_caption = caption;
    g_action = std::move(action);
    g_timer = SetTimer(nullptr, 0, 30, onTimer);
}

void press(HWND dlg, int id) {
    PostMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

std::string textOfStatics(HWND dlg) {
    std::string all;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (className(c) == "Static") all += mw::windowText(c) + "|";
    return all;
}

bool hasIcon(HWND dlg) {
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (className(c) == "Static" && (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageA(c, STM_GETICON, 0, 0))
            return true;
    return false;
}

class RealInteraction : public ProgramFixture {
protected:
    mw::Win32Interaction real{mw::Application::instance()};
};

} // namespace

TEST_F(RealInteraction, MessageAndQuestionBoxesShowCaptionTextIconAndAnswer) {
    std::string seen;
    bool icon = true;
    whenDialogAppears("Information", [&](HWND dlg) {
        seen = textOfStatics(dlg);
        icon = hasIcon(dlg);
        press(dlg, IDOK);
        return true;
    });
    real.message("Information", "Lockfile is busy.", mw::BoxIcon::Information);
    EXPECT_NE(seen.find("Lockfile is busy."), std::string::npos);
    EXPECT_TRUE(icon);

    whenDialogAppears("Murkwell File Encryption Applet", [&](HWND dlg) {
        icon = hasIcon(dlg);
        press(dlg, IDOK);
        return true;
    });
    real.message("Murkwell File Encryption Applet", "You must select a file first!", mw::BoxIcon::None);
    EXPECT_FALSE(icon) << "the file module's plain box has no icon";

    for (int answer : {IDYES, IDNO}) {
        whenDialogAppears("Information", [&](HWND dlg) {
            press(dlg, answer);
            return true;
        });
        EXPECT_EQ(real.question("Information", "Continue?", mw::BoxIcon::Information), answer == IDYES);
    }
}

TEST_F(RealInteraction, EscapeAndTheCloseBoxAnswerNoToTheQuestionsOfDeleteRenameAndScorch) {
    struct Way {
        const char* name;
        void (*act)(HWND box);
    };
    const Way ways[] = {
        {"Escape",
         [](HWND box) {
             HWND focus = GetFocus();
             PostMessageA(focus ? focus : box, WM_KEYDOWN, VK_ESCAPE, 1);
             PostMessageA(focus ? focus : box, WM_KEYUP, VK_ESCAPE, 0xC0000001);
         }},
        {"close box", [](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        bool acted = false, closeEnabled = false;
        // Posted messages go before the next timer tick: a box still there then ignored the way
        // out, and Yes is pressed so that the answer shows it.
        whenDialogAppears("Information", [&](HWND box) {
            if (acted) {
                press(box, IDYES);
                return true;
            }
            UINT state = GetMenuState(GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND);
            closeEnabled = state != UINT(-1) && !(state & (MF_GRAYED | MF_DISABLED));
            way.act(box);
            acted = true;
            return false;
        });
        EXPECT_EQ(real.yesNoBox("Information", "Warning You are about to delete this file.  Continue?",
                                mw::BoxIcon::Information),
                  IDNO);
        KillTimer(nullptr, g_timer);
        g_action = nullptr;
        EXPECT_TRUE(acted);
        EXPECT_TRUE(closeEnabled) << "the close box can be pressed";
    }
    // Enter still answers Yes, the default button.
    whenDialogAppears("Information", [](HWND box) {
        PostMessageA(GetFocus() ? GetFocus() : box, WM_KEYDOWN, VK_RETURN, 1);
        return true;
    });
    EXPECT_TRUE(real.question("Information", "Continue?", mw::BoxIcon::Information));
    // Delete, Rename and Scorch ask through question(): Escape is No there too.
    whenDialogAppears("Information", [](HWND box) {
        PostMessageA(GetFocus() ? GetFocus() : box, WM_KEYDOWN, VK_ESCAPE, 1);
        return true;
    });
    EXPECT_FALSE(real.question("Information", "Continue?", mw::BoxIcon::Information));
}

TEST_F(RealInteraction, InputBoxReturnsTheEditedTextOrNothingOnCancel) {
    onModal = [](mw::Form& f) {
        EXPECT_EQ(mw::windowText(f.handle()), "Rename File");
        EXPECT_EQ(mw::windowText(f.item(mw::InputBox::IdPrompt)), "Please enter the new filename.");
        EXPECT_EQ(mw::windowText(f.item(mw::InputBox::IdEdit)), "report.txt");
        SetWindowTextA(f.item(mw::InputBox::IdEdit), "summary.txt");
        SendMessageA(f.item(mw::InputBox::IdOk), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(real.input("Rename File", "Please enter the new filename.", "report.txt"),
              std::optional<std::string>("summary.txt"));
    onModal = [](mw::Form& f) { SendMessageA(f.item(mw::InputBox::IdCancel), BM_CLICK, 0, 0); };
    EXPECT_EQ(real.input("Rename File", "Please enter the new filename.", "report.txt"), std::nullopt);
    onModal = [](mw::Form& f) { SendMessageA(f.handle(), WM_CLOSE, 0, 0); };
    EXPECT_EQ(real.input("Rename File", "Please enter the new filename.", "x"), std::nullopt);
}

TEST_F(RealInteraction, OldStyleOpenDialogGivesTheShortFormOfTheChosenFile) {
    const std::string longDir = dir / "Program Files With Long Name\\";
    makeDirectory(longDir);
    const std::string longFile = longDir + "Pretty Good Privacy.exe";
    writeFileBytes(longFile, "x");
    mw::FileDialogRequest r;
    r.title = "Find PGP.EXE Then Click Open";
    r.filters = {{"All Files (*.*)", "*.*"}};
    r.initialDirectory = longDir;
    r.fileName = "PGP.EXE";
    r.pathMustExist = r.fileMustExist = r.hideReadOnly = r.shortNames = r.oldStyle = true;
    bool explorerStyle = true;
    whenDialogAppears(r.title, [&](HWND dlg) {
        // The old dialog has a file list box of its own; the Explorer one has a list view.
        explorerStyle = GetDlgItem(dlg, lst1) == nullptr;
        // The dialog may still be filling its controls when it first shows: OK is pressed only
        // once the typed name has stayed in the edit box for a tick.
        char typed[MAX_PATH] = "";
        GetDlgItemTextA(dlg, edt1, typed, MAX_PATH);
        if (longFile != typed) {
            SetDlgItemTextA(dlg, edt1, longFile.c_str());
            return false;
        }
        press(dlg, IDOK);
        return true;
    });
    auto chosen = real.openFile(r);
    EXPECT_FALSE(explorerStyle);
    ASSERT_TRUE(chosen.has_value());
    char expected[MAX_PATH];
    GetShortPathNameA(longFile.c_str(), expected, MAX_PATH);
    EXPECT_EQ(*chosen, expected);
    EXPECT_EQ(chosen->find(' '), std::string::npos);

    whenDialogAppears(r.title, [&](HWND dlg) {
        press(dlg, IDCANCEL);
        return true;
    });
    EXPECT_EQ(real.openFile(r), std::nullopt);
}

TEST_F(RealInteraction, ColourDialogKeepsCustomColoursClosedAndFontDialogApplies) {
    bool customDisabled = false;
    whenDialogAppears("Color", [&](HWND dlg) {
        HWND define = GetDlgItem(dlg, 0x2cf);
        customDisabled = define && !IsWindowEnabled(define);
        press(dlg, IDOK);
        return true;
    });
    auto color = real.chooseColor(0x000000FF);
    ASSERT_TRUE(color.has_value());
    EXPECT_EQ(*color, 0x000000FFu);
    EXPECT_TRUE(customDisabled);

    std::vector<mw::FontChoice> applied;
    int step = 0;
    whenDialogAppears("Font", [&](HWND dlg) {
        if (step++ == 0) {
            SendMessageA(GetDlgItem(dlg, 1026), BM_CLICK, 0, 0);
            return false; // come back and cancel
        }
        press(dlg, IDCANCEL);
        return true;
    });
    mw::FontChoice initial;
    initial.name = "Courier New";
    initial.sizePoints = 10;
    auto chosen = real.chooseFont(initial, [&](const mw::FontChoice& f) { applied.push_back(f); });
    EXPECT_EQ(chosen, std::nullopt);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_FALSE(applied[0].name.empty());
    EXPECT_EQ(applied[0].sizePoints, 10);
}
