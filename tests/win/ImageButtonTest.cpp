// The image button under Wine: what it paints (read back from a bitmap), when it repaints, how it
// takes clicks, and the editor's bar built from it.
#include "win/Controls.h"
#include "editor/EditorApp.h"
#include "editor/EditorButtonBar.h"
#include "editor/EditorCommands.h"
#include "win/TIEButton.h"
#include "WinTestSupport.h"
#include "editor/TForm1.h"
#include <set>

using namespace mwtest;
using mw::TIEButton;

namespace {

constexpr COLORREF kOlive = RGB(128, 128, 0);
constexpr COLORREF kHotRed = RGB(220, 20, 20);
constexpr COLORREF kRestBlue = RGB(20, 20, 220);
constexpr COLORREF kFace = RGB(51, 102, 153); // the button's Color in these tests
constexpr std::int32_t kFaceValue = 0x996633; // the same, as 0x00BBGGRR

// A client-area snapshot: WM_PRINTCLIENT into a 32-bit bitmap.
struct Snapshot {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    COLORREF at(int x, int y) const {
        std::uint32_t p = pixels[static_cast<size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

Snapshot render(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    Snapshot s;
    s.width = r.right;
    s.height = r.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, s.width, -s.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    mw::UniqueBitmap dib(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    mw::MemoryDC dc;
    {
        mw::ScopedSelect select(dc.get(), dib.get());
        // Start from a colour the button never uses, so unpainted pixels stand out.
        RECT all{0, 0, s.width, s.height};
        mw::UniqueBrush magenta(CreateSolidBrush(RGB(255, 0, 255)));
        FillRect(dc.get(), &all, magenta.get());
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        GdiFlush();
    }
    auto* p = static_cast<std::uint32_t*>(bits);
    s.pixels.assign(p, p + static_cast<size_t>(s.width) * s.height);
    return s;
}

// A 32 x 16 glyph: left cell red, right cell blue, each with a 4 x 4 olive square at (6, 6).
mw::UniqueBitmap twoCellGlyph() {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, 32, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    mw::UniqueBitmap bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* p = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            int cx = x % 16;
            COLORREF c = (cx >= 6 && cx < 10 && y >= 6 && y < 10) ? kOlive : (x < 16 ? kHotRed : kRestBlue);
            p[y * 32 + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    }
    GdiFlush();
    return bmp;
}

bool hasUpdate(HWND hwnd) {
    return GetUpdateRect(hwnd, nullptr, FALSE) != FALSE;
}

class ImageButton : public ::testing::Test {
protected:
    void SetUp() override {
        mw::registerPanelClass();
        host = CreateWindowExA(WS_EX_TOOLWINDOW, mw::kPanelClass, "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                               60, 60, 300, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        button = std::make_unique<TIEButton>(mw::Application::instance(), host, 77);
    }
    void TearDown() override {
        button.reset();
        DestroyWindow(host);
    }
    // The editor's shape: 115 x 25, caption right of the glyph, margin 6, the two-cell test glyph.
    void makeBarButton(int borderWidth = 1) {
        button->setBounds(4, 12, 115, 25);
        button->setButtonLayout(mw::blCaptionRight);
        button->setBorderWidth(borderWidth);
        button->setMargin(6);
        button->setColor(kFaceValue);
        button->setTransparentColor(mw::colors::clOlive);
        auto glyph = twoCellGlyph();
        button->setGlyph(glyph.get());
    }
    POINT inside() const { return {50, 12}; }
    void send(UINT msg, POINT pt, WPARAM keys = 0) {
        SendMessageA(button->handle(), msg, keys, MAKELPARAM(pt.x, pt.y));
    }
    // Pixels of one frame ring: the top-left colour and the bottom-right colour, sampled away
    // from the corners.
    struct Ring {
        COLORREF top, left, right, bottom;
    };
    static Ring ring(const Snapshot& s, int i) {
        return {s.at(s.width / 2, i), s.at(i, s.height / 2), s.at(s.width - 1 - i, s.height / 2),
                s.at(s.width / 2, s.height - 1 - i)};
    }

    HWND host = nullptr;
    std::unique_ptr<TIEButton> button;
};

} // namespace

TEST_F(ImageButton, IsAChildWindowOfItsOwnClassWithTheInitialLook) {
    EXPECT_EQ(className(button->handle()), "TIEButton");
    EXPECT_EQ(GetDlgCtrlID(button->handle()), 77);
    RECT r;
    GetClientRect(button->handle(), &r);
    EXPECT_EQ(r.right, 25);
    EXPECT_EQ(r.bottom, 25);
    // The panel's face colour, taken from the parent.
    EXPECT_EQ(button->color(), mw::colors::clBtnFace);
    Snapshot s = render(button->handle());
    // No glyph and no caption: the flat frame over a face-coloured fill.
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            ASSERT_EQ(s.at(x, y), GetSysColor(COLOR_BTNFACE)) << x << "," << y;
}

TEST_F(ImageButton, FramesAreNestedRingsInTheirVariantColours) {
    makeBarButton(2);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW),
                   face = GetSysColor(COLOR_BTNFACE);
    ASSERT_EQ(std::set<COLORREF>({highlight, shadow, face, kFace}).size(), 4u)
        << "colours must be told apart";

    // Flat: both rings in Color, erasing the face-coloured outline.
    Snapshot flat = render(button->handle());
    for (int i = 0; i < 2; ++i) {
        Ring r = ring(flat, i);
        EXPECT_EQ(r.top, kFace);
        EXPECT_EQ(r.left, kFace);
        EXPECT_EQ(r.right, kFace);
        EXPECT_EQ(r.bottom, kFace);
    }

    // Raised while the pointer is over it.
    send(WM_MOUSEMOVE, inside());
    ASSERT_TRUE(button->hot());
    Snapshot raised = render(button->handle());
    for (int i = 0; i < 2; ++i) {
        Ring r = ring(raised, i);
        EXPECT_EQ(r.top, highlight) << "ring " << i;
        EXPECT_EQ(r.left, highlight) << "ring " << i;
        EXPECT_EQ(r.right, shadow) << "ring " << i;
        EXPECT_EQ(r.bottom, shadow) << "ring " << i;
    }
    EXPECT_EQ(ring(raised, 2).top, kFace) << "only BorderWidth rings";

    // Sunken at once on the press, straight onto the window.
    UpdateWindow(button->handle());
    send(WM_LBUTTONDOWN, inside(), MK_LBUTTON);
    HDC screen = GetDC(button->handle());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(GetPixel(screen, 57, i), shadow) << "ring " << i;
        EXPECT_EQ(GetPixel(screen, i, 12), shadow) << "ring " << i;
        EXPECT_EQ(GetPixel(screen, 114 - i, 12), highlight) << "ring " << i;
        EXPECT_EQ(GetPixel(screen, 57, 24 - i), highlight) << "ring " << i;
    }
    ReleaseDC(button->handle(), screen);
    send(WM_LBUTTONUP, inside());

    // Disabled: no frame, so the one-pixel face outline shows and the second ring is Color.
    button->setEnabled(false);
    Snapshot disabled = render(button->handle());
    Ring outer = ring(disabled, 0), inner = ring(disabled, 1);
    EXPECT_EQ(outer.top, face);
    EXPECT_EQ(outer.right, face);
    EXPECT_EQ(outer.bottom, face);
    EXPECT_EQ(inner.top, kFace);
    EXPECT_EQ(inner.right, kFace);
}

TEST_F(ImageButton, ShowsTheHotCellUnderThePointerAndTheRestingCellOtherwise) {
    makeBarButton();
    // Glyph at (6, 4) on the 115 x 25 bar button; its transparent square at (12..15, 10..13).
    Snapshot rest = render(button->handle());
    EXPECT_EQ(rest.at(6, 4), kRestBlue);
    EXPECT_EQ(rest.at(21, 19), kRestBlue);
    EXPECT_EQ(rest.at(5, 4), kFace);
    EXPECT_EQ(rest.at(22, 19), kFace);
    EXPECT_EQ(rest.at(6, 3), kFace);
    EXPECT_EQ(rest.at(12, 10), kFace) << "transparent pixels show Color";
    EXPECT_EQ(rest.at(15, 13), kFace);
    EXPECT_EQ(rest.at(16, 14), kRestBlue);

    send(WM_MOUSEMOVE, inside());
    Snapshot hot = render(button->handle());
    EXPECT_EQ(hot.at(6, 4), kHotRed);
    EXPECT_EQ(hot.at(21, 19), kHotRed);
    EXPECT_EQ(hot.at(13, 11), kFace);

    // Disabled under the pointer: still the resting (second) cell.
    button->setEnabled(false);
    EXPECT_EQ(render(button->handle()).at(6, 4), kRestBlue);
    // Leaving while disabled is followed, so enabling again shows the resting look.
    SendMessageA(button->handle(), WM_MOUSELEAVE, 0, 0);
    button->setEnabled(true);
    EXPECT_EQ(render(button->handle()).at(6, 4), kRestBlue);
    EXPECT_EQ(ring(render(button->handle()), 0).top, kFace);
}

TEST_F(ImageButton, TransparentColourFollowsTheProperty) {
    makeBarButton();
    button->setTransparentColor(0xDC1414 /* the blue cell */);
    Snapshot s = render(button->handle());
    EXPECT_EQ(s.at(6, 4), kFace);
    EXPECT_EQ(s.at(12, 10), kOlive) << "olive is an ordinary colour now";
    button->setColor(mw::colors::clWhite);
    EXPECT_EQ(render(button->handle()).at(6, 4), RGB(255, 255, 255));
}

TEST_F(ImageButton, StretchesTheCellOverAWiderDestination) {
    // Three cells of 10 from a 32-wide glyph: the resting cell runs from 32 - 10 to 3 x 10, so
    // columns 22..29 (olive at 22..25, then blue) are stretched over the 10 of the destination.
    makeBarButton();
    button->setNumGlyphs(3);
    Snapshot s = render(button->handle());
    EXPECT_EQ(s.at(6, 4), kRestBlue);
    EXPECT_EQ(s.at(15, 4), kRestBlue);
    EXPECT_EQ(s.at(16, 4), kFace) << "cells are 10 wide";
    EXPECT_EQ(s.at(6, 11), kFace) << "the olive columns come first";
    EXPECT_EQ(s.at(15, 11), kRestBlue);
}

TEST_F(ImageButton, CaptionSitsAtColumnThirtyInTheFontColourAndShowsItsAmpersand) {
    makeBarButton();
    button->setFont({.name = "MS Sans Serif", .size = 8, .color = mw::colors::clNavy});
    button->setCaption("&");
    Snapshot s = render(button->handle());
    int minX = 1000, maxX = -1, count = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (s.at(x, y) == RGB(0, 0, 128)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                ++count;
            }
    ASSERT_GT(count, 4) << "a lone ampersand is drawn, not taken as an access-key mark";
    EXPECT_GE(minX, 30);
    EXPECT_LE(minX, 32);
    EXPECT_LT(maxX, 45);
}

TEST_F(ImageButton, DisabledCaptionIsGreyOverAWhiteCopyOnePixelDownAndRight) {
    makeBarButton();
    button->setCaption("Sign & Encrypt");
    button->setEnabled(false);
    Snapshot s = render(button->handle());
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT), white = RGB(255, 255, 255);
    ASSERT_NE(grey, white);
    int greys = 0, whites = 0;
    for (int y = 1; y < s.height; ++y) {
        for (int x = 1; x < s.width; ++x) {
            if (s.at(x, y) == grey) ++greys;
            if (s.at(x, y) == white) {
                ++whites;
                // Grey is drawn last over the same shape, so every visible white pixel has grey
                // above and left of it.
                EXPECT_EQ(s.at(x - 1, y - 1), grey) << x << "," << y;
                EXPECT_GE(x, 31);
            }
        }
    }
    EXPECT_GT(greys, 20);
    EXPECT_GT(whites, 5);

    button->setEnabled(true);
    Snapshot enabled = render(button->handle());
    for (int y = 0; y < enabled.height; ++y)
        for (int x = 0; x < enabled.width; ++x)
            ASSERT_NE(enabled.at(x, y), white) << "no white copy when enabled";
}

TEST_F(ImageButton, EmptyCaptionDrawsOnlyTheGlyph) {
    makeBarButton();
    button->setCaption("");
    Snapshot s = render(button->handle());
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            bool inGlyph = x >= 6 && x < 22 && y >= 4 && y < 20;
            if (!inGlyph) ASSERT_EQ(s.at(x, y), kFace) << x << "," << y;
        }
}

TEST_F(ImageButton, PropertiesRepaintByInvalidatingOnlyWhenTheyChangeSomething) {
    makeBarButton();
    HWND h = button->handle();
    auto settle = [&] { ValidateRect(h, nullptr); };
    settle();
    button->setCaption(button->caption());
    EXPECT_TRUE(hasUpdate(h)) << "an unchanged caption still repaints";
    settle();
    auto glyph = twoCellGlyph();
    button->setGlyph(glyph.get());
    EXPECT_FALSE(hasUpdate(h)) << "a new glyph waits for the next paint";
    button->setBorderWidth(4);
    EXPECT_TRUE(hasUpdate(h));
    EXPECT_EQ(button->margin(), 6);
    settle();
    button->setMargin(5);
    button->setNumGlyphs(4);
    button->setBorderWidth(10);
    button->setTransparentColor(mw::colors::clOlive);
    EXPECT_FALSE(hasUpdate(h)) << "ignored values repaint nothing";
    EXPECT_EQ(button->margin(), 6);
    button->setMargin(7);
    EXPECT_TRUE(hasUpdate(h));
    settle();
    send(WM_MOUSEMOVE, inside());
    EXPECT_TRUE(hasUpdate(h)) << "entering invalidates as well as drawing the frame";
}

TEST_F(ImageButton, ClickNeedsPressAndReleaseOverTheButton) {
    makeBarButton();
    int clicks = 0, ups = 0;
    button->OnClick = [&] { ++clicks; };
    button->OnMouseUp = [&](int, WPARAM, POINT) { ++ups; };

    send(WM_MOUSEMOVE, inside());
    send(WM_LBUTTONDOWN, inside(), MK_LBUTTON);
    EXPECT_EQ(GetCapture(), button->handle()) << "captured while held";
    send(WM_LBUTTONUP, inside());
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(GetCapture(), button->handle());

    // Pressed, dragged off and released outside: no click, and the frame goes flat.
    send(WM_LBUTTONDOWN, inside(), MK_LBUTTON);
    send(WM_MOUSEMOVE, {200, 12}, MK_LBUTTON);
    EXPECT_FALSE(button->hot());
    send(WM_LBUTTONUP, {200, 12});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ring(render(button->handle()), 0).top, kFace);

    // Other buttons and releases without a press are no clicks either.
    send(WM_RBUTTONDOWN, inside(), MK_RBUTTON);
    send(WM_RBUTTONUP, inside());
    send(WM_LBUTTONUP, inside());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ups, 4);

    // A disabled button takes no clicks.
    button->setEnabled(false);
    send(WM_LBUTTONDOWN, inside(), MK_LBUTTON);
    send(WM_LBUTTONUP, inside());
    EXPECT_EQ(clicks, 1);
}

TEST_F(ImageButton, RealPointerEntersLeavesAndClicks) {
    makeBarButton();
    int clicks = 0;
    button->OnClick = [&] { ++clicks; };
    RECT r;
    GetWindowRect(button->handle(), &r);
    SetForegroundWindow(host);
    auto input = [](DWORD flags) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        SendInput(1, &in, sizeof in);
    };
    SetCursorPos(r.left + 50, r.top + 12);
    input(MOUSEEVENTF_MOVE);
    waitFor("the pointer to make the button hot", [&] { return button->hot(); });
    ASSERT_TRUE(button->hot());
    input(MOUSEEVENTF_LEFTDOWN);
    input(MOUSEEVENTF_LEFTUP);
    waitFor("the click", [&] { return clicks > 0; });
    EXPECT_EQ(clicks, 1);
    SetCursorPos(r.left + 250, r.top + 80);
    input(MOUSEEVENTF_MOVE);
    waitFor("the pointer to leave the button", [&] { return !button->hot(); });
    EXPECT_FALSE(button->hot());
}

namespace {
class EditorBar : public ProgramFixture {};
} // namespace

TEST_F(EditorBar, TwelveImageButtonsInPanel2WithTheirCaptionsPlacesAndLook) {
    editor::EditorApp app(mw::Application::instance());
    HWND panel = app.form1().panel2();
    const auto& buttons = editor::barButtons();
    ASSERT_EQ(buttons.size(), 12u);
    int n = 0;
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        HWND h = GetDlgItem(panel, b.command);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(className(h), "TIEButton");
        EXPECT_EQ(mw::windowText(h), b.caption);
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, 4);
        EXPECT_EQ(r.top, 12 + 28 * n);
        EXPECT_EQ(r.right - r.left, 115);
        EXPECT_EQ(r.bottom - r.top, 25);
        auto* button = dynamic_cast<TIEButton*>(mw::Window::fromHandle(h));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->Name, b.name);
        EXPECT_EQ(button->buttonLayout(), mw::blCaptionRight);
        EXPECT_EQ(button->margin(), 6);
        EXPECT_EQ(button->font(),
                  (mw::ButtonFont{.name = "MS Sans Serif", .size = 8, .color = mw::colors::clNavy}));
        const bool purple = std::string(b.name) == "BitBtn3" || std::string(b.name) == "BitBtn10";
        EXPECT_EQ(button->transparentColor(), purple ? mw::colors::clPurple : mw::colors::clOlive);
        const bool exit = std::string(b.name) == "BitBtn12";
        EXPECT_EQ(button->model().glyphWidth(), exit ? 36 : 32);
        EXPECT_EQ(button->model().glyphHeight(), exit ? 18 : 16);
        ++n;
    }
    EXPECT_EQ(mw::windowText(GetDlgItem(panel, editor::CmdBitBtn4Click)), "Sign & Encrypt");
}

TEST_F(EditorBar, GlyphBackgroundsShowTheButtonColourAndHotImagesDiffer) {
    editor::EditorApp app(mw::Application::instance());
    HWND panel = app.form1().panel2();
    for (int command : {editor::CmdBitBtn1Click, editor::CmdBitBtn3Click, editor::CmdBitBtn12Click}) {
        SCOPED_TRACE(command);
        auto* button = dynamic_cast<TIEButton*>(mw::Window::fromHandle(GetDlgItem(panel, command)));
        ASSERT_NE(button, nullptr);
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        Snapshot rest = render(button->handle());
        SendMessageA(button->handle(), WM_MOUSEMOVE, 0, MAKELPARAM(50, 12));
        Snapshot hot = render(button->handle());
        SendMessageA(button->handle(), WM_MOUSELEAVE, 0, 0);
        mw::IntRect g = button->model().glyphRect(115, 25);
        int differ = 0, background = 0;
        for (int y = g.top; y < g.bottom; ++y)
            for (int x = g.left; x < g.right; ++x) {
                if (rest.at(x, y) != hot.at(x, y)) ++differ;
                if (rest.at(x, y) == face) ++background;
                EXPECT_NE(rest.at(x, y), RGB(128, 128, 0));
                EXPECT_NE(rest.at(x, y), RGB(128, 0, 128));
            }
        EXPECT_GT(differ, 20) << "the hot image is the coloured one";
        EXPECT_GT(background, 20) << "the glyph's background shows the panel's face colour";
    }
}

TEST_F(EditorBar, ExitButtonClickReachesTheMainWindowsHandler) {
    editor::EditorApp app(mw::Application::instance());
    HWND exit = GetDlgItem(app.form1().panel2(), editor::CmdBitBtn12Click);
    ASSERT_NE(exit, nullptr);
    SendMessageA(exit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_FALSE(terminated);
    SendMessageA(exit, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(terminated) << "BitBtn12Click closed the window";
    EXPECT_TRUE(exists(dir / "Murkwell.ini"));
}
