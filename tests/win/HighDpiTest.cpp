// The windows at the screen's scale and after a move to a monitor of another: every control inside
// its window with room for its text, the settings in 96-DPI units. ctest runs this program again
// in prefixes at 144 and 192 DPI (MW_LOG_PIXELS); MW_SCREENSHOT_DIR keeps a picture of each window.
#include "filemodule/FileModuleApp.h"
#include "filemodule/TForm1.h"
#include "keymanager/KeyManagerApp.h"
#include "keymanager/TChoice.h"
#include "keymanager/TForm1.h"
#include "keymanager/TNewKey.h"
#include "keymanager/TPassPhrase.h"
#include "win/TIEButton.h"
#include "win/TPGPSetup.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"
#include "EditorFixture.h"
#include <cstdlib>
#include <fstream>

using namespace mwtest;

namespace {

RECT rectIn(HWND parent, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

BOOL CALLBACK collect(HWND hwnd, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> controlsOf(HWND form) {
    std::vector<HWND> all;
    EnumChildWindows(form, collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

// Every visible control lies inside its parent's client area, and a label's or button's text fits
// its width in the font it is drawn with.
void expectWhole(HWND form) {
    SCOPED_TRACE(mw::windowText(form));
    for (HWND control : controlsOf(form)) {
        if (!IsWindowVisible(control)) continue;
        const std::string cls = className(control);
        HWND parent = GetParent(control);
        RECT inside, client;
        GetClientRect(parent, &client);
        inside = rectIn(parent, control);
        const std::string text = mw::windowText(control);
        if (cls == "ComboLBox") continue; // the drop-down list of a combo box, shown on demand
        EXPECT_TRUE(inside.left >= 0 && inside.top >= 0 && inside.right <= client.right &&
                    inside.bottom <= client.bottom)
            << cls << " \"" << text << "\" at " << inside.left << "," << inside.top << "-" << inside.right
            << "," << inside.bottom << " outside " << client.right << "x" << client.bottom;
        if ((cls == "Static" || cls == "Button") && !text.empty() && text.find('\n') == std::string::npos) {
            mw::WindowDC dc(control);
            mw::ScopedSelect font(dc.get(),
                                  reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
            RECT need{};
            DrawTextA(dc.get(), text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
            // A control of one line's height must hold the whole text on it.
            if (need.bottom * 2 > inside.bottom - inside.top)
                EXPECT_LE(need.right, inside.right - inside.left) << "\"" << text << "\" is cut";
        }
    }
}

// A picture of the window as the screen shows it, as a BMP in MW_SCREENSHOT_DIR.
void keepPicture(HWND window, const std::string& name) {
    const char* dir = std::getenv("MW_SCREENSHOT_DIR");
    if (!dir) return;
    UpdateWindow(window);
    handlePendingMessages();
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    mw::WindowDC screen(nullptr);
    mw::MemoryDC memory(screen.get());
    mw::UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
    {
        mw::ScopedSelect into(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    }
    BITMAPINFOHEADER info{sizeof info, w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const int stride = (w * 3 + 3) & ~3;
    std::string pixels(static_cast<std::size_t>(stride) * h, '\0');
    GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(h), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof info + pixels.size()), 0, 0,
                          sizeof file + sizeof info};
    std::ofstream out(std::string(dir) + "\\" + name + "-" + std::to_string(mw::screenDpi()) + ".bmp",
                      std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

class HighDpi : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        writeSettings();
        const std::string d = pgpDir();
        ASSERT_TRUE(CopyFileA((doublesDirectory() + "pgp.exe").c_str(), (d + "pgp.exe").c_str(), FALSE));
        writeFileBytes(d + "pubring.pgp", "Alice Example <alice@example.org>\r\nBob\r\n");
        writeFileBytes(d + "secring.pgp", "Alice Example <alice@example.org>\r\n");
    }
    editor::TForm1& start() {
        EditorFixture::start();
        handlePendingMessages();
        return form();
    }
    // Each box that shows is checked whole, its picture kept, then closed.
    void checkEachBox() {
        onModal = [](mw::Form& f) {
            expectWhole(f.handle());
            keepPicture(f.handle(), className(f.handle()));
            f.close();
        };
    }
    std::vector<mw::TIEButton*> barButtons() {
        std::vector<mw::TIEButton*> bar;
        for (HWND h : controlsOf(app->form1().panel2()))
            if (auto* b = dynamic_cast<mw::TIEButton*>(mw::Window::fromHandle(h))) bar.push_back(b);
        return bar;
    }
};

} // namespace

TEST_F(HighDpi, EveryWindowIsWholeAtTheScreensScale) {
    auto& form = start();
    const int dpi = form.dpi();
    EXPECT_EQ(dpi, mw::screenDpi());
    // The 640 by 450 of the settings file are 96-DPI units.
    RECT r;
    GetWindowRect(form.handle(), &r);
    EXPECT_EQ(r.right - r.left, MulDiv(640, dpi, 96));
    EXPECT_EQ(r.bottom - r.top, MulDiv(450, dpi, 96));
    EXPECT_EQ(barButtons().size(), 12u);
    expectWhole(form.handle());
    keepPicture(form.handle(), "editor");

    checkEachBox();
    app->pubKey().showModal();
    app->secKey().showModal();
    app->setup().showModal();
    EXPECT_EQ(modalShown, (std::vector<std::string>{"TPubKey", "TSecKey", "TPGPSetup"}));
    app.reset();

    standProgramAs("bramlet.exe");
    const std::string d = dir / "pgp\\";
    writeFileBytes(dir / "bramlet.ini",
                   d + "pgp.exe\r\n" + d + "\r\n" + d + "pubring.pgp\r\n" + d + "secring.pgp\r\n");
    filemodule::FileModuleApp files(mw::Application::instance());
    files.form1().showMain();
    handlePendingMessages();
    expectWhole(files.form1().handle());
    keepPicture(files.form1().handle(), "filemodule");
    EXPECT_TRUE(interaction.shown.empty()) << interaction.shown[0].text;
}

TEST_F(HighDpi, TheKeyManagerAndItsBoxesAreWholeAtTheScreensScale) {
    standProgramAs("wendal.exe");
    const std::string d = pgpDir();
    writeFileBytes(dir / "wendal.ini",
                   d + "pgp.exe\r\n" + d + "\r\n" + d + "pubring.pgp\r\n" + d + "secring.pgp\r\n");
    keymanager::KeyManagerApp keys(mw::Application::instance());
    auto& form = keys.form1();
    form.showMain();
    pgp::Key key{.secret = true,
                 .bits = 3072,
                 .algorithm = 1,
                 .keyId = "0123456789ABCDEF",
                 .fingerprint = "0123456789ABCDEF0123456789ABCDEF01234567"};
    key.userIds = {{.text = "Alice Example-Longname <alice.example-longname@example.org>"}};
    form.showKeys({key}, key.fingerprint);
    handlePendingMessages();
    EXPECT_EQ(form.dpi(), mw::screenDpi());
    // Its design size at the screen's scale, or the screen's work area when that is smaller.
    RECT r, work;
    GetWindowRect(form.handle(), &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(r.right - r.left, work.right - work.left);
    EXPECT_GE(r.right - r.left, std::min<int>(MulDiv(760, form.dpi(), 96), work.right - work.left));
    expectWhole(form.handle());
    keepPicture(form.handle(), "keymanager");

    checkEachBox();
    keymanager::TNewKey(keys.context().application()).ask();
    keymanager::TPassPhrase(keys.context(), "The pass phrase of your secret key:", true).ask();
    keymanager::TChoice(keys.context().application(), "Trust Its Owner", "How far do you trust its owner?",
                        {"I don't know", "Not at all", "Usually", "Always"}, 0)
        .ask();
    EXPECT_EQ(modalShown, (std::vector<std::string>{"TNewKey", "TPassPhrase", "TChoice"}));
    EXPECT_TRUE(interaction.shown.empty()) << interaction.shown[0].text;
}

// WM_DPICHANGED as the system sends it when the window reaches a monitor of another scale.
TEST_F(HighDpi, AMoveToAnotherScaleLaysTheEditorOutAgainAndKeepsItsSettingsUnits) {
    auto& form = start();
    const int first = form.dpi();
    for (int dpi : {144, 192, 120, first}) {
        SCOPED_TRACE(dpi);
        RECT r;
        GetWindowRect(form.handle(), &r);
        const RECT suggested{r.left, r.top, r.left + MulDiv(640, dpi, 96), r.top + MulDiv(450, dpi, 96)};
        SendMessageA(form.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        handlePendingMessages();
        EXPECT_EQ(form.dpi(), dpi);
        GetWindowRect(form.handle(), &r);
        EXPECT_EQ(r.right - r.left, MulDiv(640, dpi, 96)) << "the window takes the bounds it is given";
        const mw::EditorWindowValues stored = form.windowValues();
        EXPECT_EQ(stored.width, 640);
        EXPECT_EQ(stored.height, 450);
        EXPECT_EQ(rectIn(form.handle(), form.statusBar()).bottom -
                      rectIn(form.handle(), form.statusBar()).top,
                  MulDiv(20, dpi, 96));
        LOGFONTA memoFont{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form.memo(), WM_GETFONT, 0, 0)), sizeof memoFont,
                   &memoFont);
        EXPECT_EQ(memoFont.lfHeight, -MulDiv(8, dpi, 72));
        // Glyphs drawn for the scale: 16, 24 or 32 pixels, the 100% ones below 144 DPI.
        const int cell = dpi >= 192 ? 32 : dpi >= 144 ? 24 : 16;
        for (mw::TIEButton* b : barButtons())
            if (b->caption() != "Exit") EXPECT_EQ(b->model().glyphHeight(), cell) << b->caption();
        expectWhole(form.handle());
    }
}
