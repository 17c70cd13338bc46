// The editor's Print through Wine's real print system, with the real print dialog answered OK on
// the default printer. Run only by scripts/print-pdf-test.sh, which provides a private print
// server with a PDF printer and reads the PDF back.
#include "editor/EditorApp.h"
#include "editor/TForm1.h"
#include "win/Win32Interaction.h"
#include "WinTestSupport.h"

using namespace mwtest;

namespace {

// The real dialogs, with any message box recorded instead of shown.
class RealDialogs : public mw::Win32Interaction {
public:
    RealDialogs() : Win32Interaction(mw::Application::instance()) {}
    std::vector<std::string> messages;
    void message(const std::string&, const std::string& text, mw::BoxIcon) override {
        messages.push_back(text);
    }
};

std::string g_dialogText;

void CALLBACK pressOk(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM id) -> BOOL {
            if (className(w) != "#32770" || !IsWindowVisible(w)) return TRUE;
            g_dialogText = mw::windowText(w);
            KillTimer(nullptr, static_cast<UINT_PTR>(id));
            PostMessageA(w, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(w, IDOK)));
            return FALSE;
        },
        static_cast<LPARAM>(id));
}

class PrintToPdf : public ProgramFixture {};

} // namespace

TEST_F(PrintToPdf, EditorTextReachesTheDefaultPrinter) {
    RealDialogs dialogs;
    mw::Application::instance().setInteraction(&dialogs);
    {
        editor::EditorApp app(mw::Application::instance());
        mw::setWindowText(app.form1().memo(), "Murkwell print check\r\n\r\nsecond line\r\nlast line");
        g_dialogText.clear();
        UINT_PTR timer = SetTimer(nullptr, 0, 100, pressOk);
        app.form1().Print1Click();
        KillTimer(nullptr, timer);
    }
    mw::Application::instance().setInteraction(&interaction);
    EXPECT_EQ(g_dialogText, "Print") << "the print dialog was shown and answered";
    EXPECT_TRUE(dialogs.messages.empty()) << (dialogs.messages.empty() ? "" : dialogs.messages[0]);
}
