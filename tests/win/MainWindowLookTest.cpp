// What the editor's main window looks like under Wine: a status bar that keeps its height, the
// button bar inside Panel2's bevel, and the program's own icon.
#include "EditorFixture.h"
#include <algorithm>
#include <commctrl.h>
#include <shellapi.h>

using namespace mwtest;

namespace {

RECT windowRect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return r;
}

class EditorLook : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        writeSettings();
        start();
    }
    void resize(int width, int height) {
        SetWindowPos(form().handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        handlePendingMessages();
    }
};

} // namespace

TEST_F(EditorLook, StatusBarStaysTwentyPixelsHighAlongTheBottomWhateverItsFont) {
    HWND bar = form().statusBar();
    auto expectAlongTheBottom = [&](const char* when) {
        RECT client;
        GetClientRect(form().handle(), &client);
        MapWindowPoints(form().handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
        RECT r = windowRect(bar);
        EXPECT_EQ(r.bottom - r.top, 20) << when;
        EXPECT_EQ(r.bottom, client.bottom) << when;
        EXPECT_EQ(r.left, client.left) << when;
        EXPECT_EQ(r.right, client.right) << when;
        // Its one part spans the bar's new width, and what it shows is what a whole repaint shows:
        // the centred text moved, no fragment of the old one left.
        RECT part{}, inside{};
        SendMessageA(bar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&part));
        GetClientRect(bar, &inside);
        EXPECT_EQ(part.right, inside.right) << when;
        const std::vector<COLORREF> shown = shownPixels(bar);
        InvalidateRect(bar, nullptr, TRUE);
        UpdateWindow(bar);
        EXPECT_TRUE(shown == shownPixels(bar)) << when;
    };
    expectAlongTheBottom("at start");

    mw::UniqueFont big(CreateFontA(-40, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                   "Arial"));
    SendMessageA(bar, WM_SETFONT, reinterpret_cast<WPARAM>(big.get()), TRUE);
    handlePendingMessages();
    expectAlongTheBottom("after a 40-pixel font");
    resize(700, 500);
    expectAlongTheBottom("after the window grew");
    resize(500, 300);
    expectAlongTheBottom("after the window shrank");
    SendMessageA(bar, WM_SETFONT, 0, FALSE);
}

TEST_F(EditorLook, TheMemoKeepsItsFaceOrFallsBackToAFixedPitch) {
    auto variablePitch = [&] {
        mw::WindowDC dc(form().memo());
        mw::ScopedSelect font(dc.get(),
                              reinterpret_cast<HGDIOBJ>(SendMessageA(form().memo(), WM_GETFONT, 0, 0)));
        TEXTMETRICA tm{};
        GetTextMetricsA(dc.get(), &tm);
        return (tm.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0; // the bit's name says the opposite
    };
    auto face = [&](const char* name) {
        mw::FontChoice f = form().memoFont();
        f.name = name;
        form().setMemoFont(f);
    };
    // A proportional face this system has, whichever it is.
    std::string proportional;
    LOGFONTA wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    mw::WindowDC screen(nullptr);
    EnumFontFamiliesExA(
        screen.get(), &wanted,
        [](const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM out) -> int {
            if (!(type & TRUETYPE_FONTTYPE) || (lf->lfPitchAndFamily & 3) != VARIABLE_PITCH ||
                lf->lfFaceName[0] == '@')
                return 1;
            *reinterpret_cast<std::string*>(out) = lf->lfFaceName;
            return 0;
        },
        reinterpret_cast<LPARAM>(&proportional), 0);
    ASSERT_FALSE(proportional.empty());
    face(proportional.c_str());
    EXPECT_TRUE(variablePitch()) << proportional << ", a proportional face the user chose, stays";
    face("No Such Face Anywhere");
    EXPECT_FALSE(variablePitch()) << "a missing face falls back to a fixed pitch";
}

TEST_F(EditorLook, ButtonsSitAtTheirDesignedPlacesFromPanel2sOuterEdgeOnEitherSide) {
    for (bool left : {false, true}) {
        form().dockButtonBar(left);
        handlePendingMessages();
        RECT panel = windowRect(form().panel2());
        std::vector<RECT> buttons;
        for (HWND c = GetWindow(form().panel2(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            buttons.push_back(windowRect(c));
        std::sort(buttons.begin(), buttons.end(), [](const RECT& a, const RECT& b) { return a.top < b.top; });
        ASSERT_EQ(buttons.size(), 12u);
        const int expectedTop[] = {12, 40, 68, 96, 124, 152, 180, 208, 236, 264, 292, 320};
        for (std::size_t n = 0; n < buttons.size(); ++n) {
            SCOPED_TRACE("button " + std::to_string(n + 1) +
                         (left ? " of the bar at the left" : " at the right"));
            EXPECT_EQ(buttons[n].left - panel.left, 4);
            EXPECT_EQ(buttons[n].top - panel.top, expectedTop[n]);
            EXPECT_EQ(buttons[n].right - buttons[n].left, 115);
            EXPECT_EQ(buttons[n].bottom - buttons[n].top, 25);
        }
    }
}

TEST_F(EditorLook, Panel2DrawsItsBevelInsideItself) {
    HWND panel = form().panel2();
    RECT outer = windowRect(panel), client;
    GetClientRect(panel, &client);
    // Nothing of the panel lies outside its client area: the bevel is painted, not a border.
    EXPECT_EQ(client.right, outer.right - outer.left);
    EXPECT_EQ(client.bottom, outer.bottom - outer.top);
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(panel);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int midY = client.bottom / 2;
    // A raised outer ring and a lowered inner ring: light then dark at the top left, dark then
    // light at the bottom right, the face colour inside.
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(GetPixel(dc, 0, midY), light);
    EXPECT_EQ(GetPixel(dc, 1, midY), dark);
    EXPECT_EQ(GetPixel(dc, client.right - 1, midY), dark);
    EXPECT_EQ(GetPixel(dc, client.right - 2, midY), light);
    EXPECT_EQ(GetPixel(dc, client.right / 2, 0), light);
    EXPECT_EQ(GetPixel(dc, client.right / 2, client.bottom - 1), dark);
    EXPECT_EQ(GetPixel(dc, 2, midY), face);
    EXPECT_EQ(GetPixel(dc, client.right / 2, client.bottom - 3), face);
    ReleaseDC(panel, dc);
}

TEST_F(EditorLook, ProgramFileAndWindowShowTheEditorsOwnIcon) {
    const std::string editorExe = buildTreeDirectory() + "editor\\Murkwell.exe";
    const std::string fileModuleExe = buildTreeDirectory() + "filemodule\\bramlet.exe";
    ASSERT_GE(ExtractIconExA(editorExe.c_str(), -1, nullptr, nullptr, 0), 1u) << "no icon in " << editorExe;
    HICON fileLarge = firstIconOf(editorExe, 32), fileSmall = firstIconOf(editorExe, 16);
    ASSERT_TRUE(fileLarge && fileSmall);
    HWND main = form().handle();
    const auto classLarge = reinterpret_cast<HICON>(GetClassLongPtrA(main, GCLP_HICON));
    const auto classSmall = reinterpret_cast<HICON>(GetClassLongPtrA(main, GCLP_HICONSM));
    ASSERT_TRUE(classLarge && classSmall);
    EXPECT_EQ(iconPixels(classLarge, 32), iconPixels(fileLarge, 32)) << "the window's icon is the file's";
    EXPECT_EQ(iconPixels(classSmall, 16), iconPixels(fileSmall, 16)) << "so is its small icon";
    // The small icon is drawn for its size, not the large one shrunk.
    EXPECT_NE(iconPixels(classSmall, 16), iconPixels(classLarge, 16));

    HICON stock = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    EXPECT_NE(iconPixels(fileLarge, 32), iconPixels(stock, 32)) << "not the system's default icon";
    HICON other = firstIconOf(fileModuleExe, 32);
    ASSERT_TRUE(other);
    EXPECT_NE(iconPixels(fileLarge, 32), iconPixels(other, 32)) << "the two programs differ";
    DestroyIcon(other);
    DestroyIcon(fileLarge);
    DestroyIcon(fileSmall);
}
