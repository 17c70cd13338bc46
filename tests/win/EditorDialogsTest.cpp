// The stored pass phrase, the about box and the author's key dialog under Wine, driven through
// the editor's own commands as a user reaches them.
#include "editor/EditorApp.h"
#include "editor/EditorCommands.h"
#include "editor/TBox.h"
#include "editor/TForm1.h"
#include "editor/TForm2.h"
#include "editor/TForm3.h"
#include "editor/TKey.h"
#include "WinTestSupport.h"
#include <algorithm>

using namespace mwtest;

namespace {

class EditorDialogs : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        writeEditorSettings(exePath, dir / "pgp\\");
    }
};

// Types as the keyboard does: one WM_CHAR per character, so no whole copy of the text is made.
void type(HWND edit, const std::string& text) {
    for (char c : text)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

std::wstring wideText(HWND hwnd) {
    std::wstring s(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    s.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, s.data(), static_cast<int>(s.size()))));
    return s;
}

void pressKey(HWND target, WPARAM key) {
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    handlePendingMessages();
}

// Where the bytes of `needle` occur in this process's readable memory, outside the ranges to skip.
struct Range {
    const void* start;
    std::size_t size;
};
std::size_t occurrencesInMemory(const std::string& needle, std::vector<Range> skip) {
    std::vector<char> chunk(1 << 20);
    skip.push_back({chunk.data(), chunk.size()});
    auto skipped = [&](const char* at) {
        return std::any_of(skip.begin(), skip.end(), [&](const Range& r) {
            auto* s = static_cast<const char*>(r.start);
            return at + needle.size() > s && at < s + r.size;
        });
    };
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    std::size_t found = 0;
    auto* p = static_cast<const char*>(info.lpMinimumApplicationAddress);
    MEMORY_BASIC_INFORMATION m;
    while (p < info.lpMaximumApplicationAddress && VirtualQuery(p, &m, sizeof m)) {
        auto* base = static_cast<const char*>(m.BaseAddress);
        if (m.State == MEM_COMMIT && (m.Protect & readable) && !(m.Protect & PAGE_GUARD)) {
            // Steps overlap by less than the needle, so a match is seen once, even across steps.
            for (std::size_t off = 0; off < m.RegionSize; off += chunk.size() - needle.size() + 1) {
                SIZE_T got = 0;
                std::size_t want = std::min(chunk.size(), m.RegionSize - off);
                if (!ReadProcessMemory(GetCurrentProcess(), base + off, chunk.data(), want, &got)) break;
                for (auto it = chunk.begin();
                     (it = std::search(it, chunk.begin() + static_cast<std::ptrdiff_t>(got), needle.begin(),
                                       needle.end())) != chunk.begin() + static_cast<std::ptrdiff_t>(got);
                     ++it)
                    if (!skipped(base + off + (it - chunk.begin()))) ++found;
                if (want < chunk.size()) break;
            }
        }
        p = base + m.RegionSize;
    }
    return found;
}

} // namespace

TEST_F(EditorDialogs, PassPhraseFieldMasksAndKeepsItsValueFromShowingToShowing) {
    editor::EditorApp app(mw::Application::instance());
    auto& key = app.passPhrase();
    EXPECT_TRUE(key.passPhraseEmpty());
    bool focusedAtShow = false, stayedOnEscape = false;
    onModal = [&](mw::Form& form) {
        ASSERT_EQ(&form, &key);
        focusedAtShow = GetFocus() == key.edit1();
        type(key.edit1(), "open sesame");
        EXPECT_EQ(SendMessageA(key.edit1(), EM_GETPASSWORDCHAR, 0, 0), '*');
        SetFocus(GetDlgItem(key.handle(), editor::TKey::IdBitBtn1));
        // Enter presses OK, wherever the focus is.
        pressKey(key.edit1(), VK_RETURN);
    };
    SendMessageA(app.form1().handle(), WM_COMMAND, editor::CmdStoredPassphrase1Click, 0);
    EXPECT_TRUE(focusedAtShow);
    EXPECT_FALSE(key.isShowingModal());
    EXPECT_EQ(key.passPhrase(), std::optional<mw::SecretString>("open sesame"));
    EXPECT_FALSE(key.passPhraseEmpty());

    focusedAtShow = false;
    onModal = [&](mw::Form&) {
        focusedAtShow = GetFocus() == key.edit1();
        EXPECT_EQ(wideText(key.edit1()), L"open sesame");
        pressKey(key.edit1(), VK_ESCAPE);
        stayedOnEscape = key.isShowingModal() && IsWindowVisible(key.handle());
        SendMessageA(GetDlgItem(key.handle(), editor::TKey::IdBitBtn1), BM_CLICK, 0, 0);
    };
    app.form1().StoredPassphrase1Click();
    EXPECT_TRUE(focusedAtShow) << "the focus goes to the field at every showing";
    EXPECT_TRUE(stayedOnEscape);
    EXPECT_EQ(key.passPhrase(), std::optional<mw::SecretString>("open sesame"));
    EXPECT_EQ(modalShown, (std::vector<std::string>{"TKey", "TKey"}));
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(EditorDialogs, PassPhraseDialogCannotBeClosedFromItsFrameAndShowsTheWarningAsWritten) {
    editor::EditorApp app(mw::Application::instance());
    auto& key = app.passPhrase();
    const auto style = GetWindowLongPtrA(key.handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_SYSMENU);
    const auto memoStyle = GetWindowLongPtrA(key.memo1(), GWL_STYLE);
    EXPECT_TRUE(memoStyle & ES_READONLY);
    EXPECT_FALSE(memoStyle & WS_TABSTOP);
    EXPECT_EQ(mw::windowText(key.memo1()),
              "   Use of this feature is NOT recommended.  It has been added at \r\n"
              "the request of many users.  This option will cause Murkwell to \r\n"
              "write your Pass-Phrase to the disk in a batch file.  Even though\r\n"
              "this file is later deleted it may be recoverable in a disk analysys!\r\n"
              "Also since it is stored in memory your pass phrase would be\r\n"
              "vulnerable to someone if they scan your memory and/or swap file.\r\n"
              "Another concern are virus programs written to look for your Pass\r\n"
              "Phrase in memory.  Use this option at your own risk!\r\n"
              "\r\n"
              "Using this option can also cause the command line length to \r\n"
              "exceed 128 characters, the normal limit for DOS and Windows.  \r\n"
              "If PGP Complains because the command line seems to have \r\n"
              "gotten jumbled this is what happend.  The addition of your Pass\r\n"
              "Phrase has exceeded the limit of the Operating System, in this \r\n"
              "case you must disable this option. ");
}

TEST_F(EditorDialogs, ClearEmptiesThePassPhraseAndAlwaysSaysSo) {
    editor::EditorApp app(mw::Application::instance());
    auto& key = app.passPhrase();
    SendMessageA(app.form1().handle(), WM_COMMAND, editor::CmdClearStoredPassPhrase1Click, 0);
    type(key.edit1(), "swordfish");
    SendMessageA(app.form1().handle(), WM_COMMAND, editor::CmdClearStoredPassPhrase1Click, 0);
    EXPECT_TRUE(key.passPhraseEmpty());
    EXPECT_EQ(key.passPhrase(), std::optional<mw::SecretString>(""));
    ASSERT_EQ(interaction.shown.size(), 2u);
    for (const auto& box : interaction.shown) {
        EXPECT_EQ(box.caption, "Information");
        EXPECT_EQ(box.text, "The Stored Pass Phrase has been cleared.");
        EXPECT_EQ(box.icon, mw::BoxIcon::Information);
        EXPECT_FALSE(box.isQuestion);
    }
    EXPECT_TRUE(modalShown.empty());
}

TEST_F(EditorDialogs, ClearingOverwritesEveryCopyOfThePassPhraseInMemory) {
    editor::EditorApp app(mw::Application::instance());
    auto& key = app.passPhrase();
    // Built at run time, so that the program's own bytes do not hold it.
    std::string phrase = "Ji7%kP2,vY6 tQ";
    for (char& c : phrase)
        c = static_cast<char>(c + 1);
    // A copy cut short at its start still counts: the search is for the phrase's second half.
    const std::string tail = phrase.substr(phrase.size() / 2);
    std::string wideTail;
    for (char c : tail)
        wideTail += {c, '\0'};
    const std::vector<Range> needles{{&phrase, sizeof phrase},     {phrase.data(), phrase.size()},
                                     {&tail, sizeof tail},         {tail.data(), tail.size()},
                                     {&wideTail, sizeof wideTail}, {wideTail.data(), wideTail.size()}};

    // Typed with a slip mended, then all selected and typed again: the first copy goes to the
    // control's undo storage.
    type(key.edit1(), phrase + "xy\b\b");
    SendMessageA(key.edit1(), EM_SETSEL, 0, -1);
    type(key.edit1(), phrase);
    {
        auto read = key.passPhrase();
        ASSERT_TRUE(read.has_value());
        ASSERT_EQ(std::string_view(*read), phrase);
    }
    ASSERT_GE(occurrencesInMemory(wideTail, needles), 2u) << "the field's text and its undo copy";

    key.clearPassPhrase();
    EXPECT_TRUE(key.passPhraseEmpty());
    EXPECT_EQ(occurrencesInMemory(wideTail, needles), 0u);
    EXPECT_EQ(occurrencesInMemory(tail, needles), 0u);
}

TEST_F(EditorDialogs, ClosingTheEditorClearsThePassPhraseAndNeverSavesIt) {
    editor::EditorApp app(mw::Application::instance());
    type(app.passPhrase().edit1(), "tiger lily");
    app.form1().Exit1Click();
    EXPECT_TRUE(terminated);
    EXPECT_TRUE(app.passPhrase().passPhraseEmpty());
    std::string settings = readFileBytes(dir / "Murkwell.ini");
    EXPECT_NE(settings, "<missing>");
    EXPECT_EQ(settings.find("tiger"), std::string::npos);
}

TEST_F(EditorDialogs, CopyToClipboardCopiesTheWholeKeyAndLeavesItSelected) {
    editor::EditorApp app(mw::Application::instance());
    auto& form3 = app.authorKey();
    const std::string text = mw::windowText(form3.memo1());
    EXPECT_EQ(text.rfind("-----BEGIN PGP PUBLIC KEY BLOCK-----\r\nVersion: 2.6.2\r\n\r\n", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 36), "-----END PGP PUBLIC KEY BLOCK-----\r\n");

    std::string clipboard;
    DWORD selStart = 1, selEnd = 0;
    onModal = [&](mw::Form&) {
        // Only a part was selected by the user.
        SendMessageA(form3.memo1(), EM_SETSEL, 40, 50);
        SendMessageA(GetDlgItem(form3.handle(), editor::TForm3::IdBitBtn2), BM_CLICK, 0, 0);
        SendMessageA(form3.memo1(), EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                     reinterpret_cast<LPARAM>(&selEnd));
        if (OpenClipboard(form3.handle())) {
            if (HANDLE h = GetClipboardData(CF_TEXT)) {
                clipboard = static_cast<const char*>(GlobalLock(h));
                GlobalUnlock(h);
            }
            CloseClipboard();
        }
        // The user's own edit stays for the next showing.
        SendMessageA(form3.memo1(), EM_SETSEL, 0, 0);
        SendMessageA(form3.memo1(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("Hello\r\n"));
        SendMessageA(GetDlgItem(form3.handle(), editor::TForm3::IdBitBtn1), BM_CLICK, 0, 0);
    };
    SendMessageA(app.form1().handle(), WM_COMMAND, editor::CmdAuthorsPublicKey1Click, 0);
    EXPECT_EQ(clipboard, text);
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, text.size());
    EXPECT_FALSE(form3.isShowingModal());

    std::string second;
    onModal = [&](mw::Form&) {
        second = mw::windowText(form3.memo1());
        SendMessageA(GetDlgItem(form3.handle(), editor::TForm3::IdBitBtn1), BM_CLICK, 0, 0);
    };
    app.form1().AuthorsPublicKey1Click();
    EXPECT_EQ(second, "Hello\r\n" + text);
    EXPECT_EQ(modalShown, (std::vector<std::string>{"TForm3", "TForm3"}));
}

TEST_F(EditorDialogs, AboutBoxStaysOnTopAndEnterClosesIt) {
    editor::EditorApp app(mw::Application::instance());
    bool topmost = false;
    onModal = [&](mw::Form& form) {
        topmost = GetWindowLongPtrA(form.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST;
        pressKey(form.handle(), VK_RETURN);
    };
    SendMessageA(app.form1().handle(), WM_COMMAND, editor::CmdAbout1Click, 0);
    EXPECT_EQ(modalShown, std::vector<std::string>{"TBox"});
    EXPECT_TRUE(topmost);
    EXPECT_FALSE(app.about().isShowingModal());
}

namespace {
// Posts the keys of `text` (or Escape when empty) to the focused control as the keyboard would,
// and handles them with everything they post in turn (a multi-line edit posts WM_CLOSE).
void keysToFocus(const std::string& text) {
    HWND focus = GetFocus();
    if (text.empty()) {
        PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(focus, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    }
    for (char c : text)
        PostMessageA(focus, WM_CHAR, static_cast<unsigned char>(c), 1);
    waitFor("the typed keys to be handled",
            [] { return HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_KEY)) == 0; });
}
} // namespace

TEST_F(EditorDialogs, EscapeInTheTextOfTheSignatureThePassPhraseAndTheAuthorsKeyClosesNone) {
    editor::EditorApp app(mw::Application::instance());
    auto& sig = app.signature();
    auto& key = app.passPhrase();
    auto& form3 = app.authorKey();
    struct Seen {
        HWND focusAtShow = nullptr, afterMemo = nullptr;
        std::string typed, face;
        bool stayed = false;
    } seen;
    onModal = [&](mw::Form& f) {
        HWND memo = &f == &sig ? sig.memo1() : &f == &key ? key.memo1() : form3.memo1();
        seen.focusAtShow = GetFocus();
        seen.afterMemo = GetNextDlgTabItem(f.handle(), memo, FALSE);
        // Each memo keeps the fixed-pitch font it was made with, not the dialog font.
        LOGFONTA lf{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(memo, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        seen.face = lf.lfFaceName;
        if (&f == &sig) {
            // Typed at once: every key lands in the signature, none presses "&Save".
            keysToFocus("MySig");
            seen.typed = mw::windowText(sig.memo1());
        }
        SetFocus(memo);
        keysToFocus("");
        seen.stayed = f.isShowingModal() && IsWindowVisible(f.handle());
        f.close();
    };
    app.form1().AtuoAddTextSignature1Click();
    EXPECT_EQ(seen.focusAtShow, sig.memo1()) << "the focus starts in the signature";
    EXPECT_EQ(seen.afterMemo, GetDlgItem(sig.handle(), editor::TForm2::IdBitBtn1)) << "\"&Save\" follows it";
    EXPECT_EQ(seen.typed, "MySig");
    EXPECT_TRUE(seen.stayed) << "TForm2";
    EXPECT_EQ(seen.face, "Courier New") << "TForm2";
    EXPECT_EQ(sig.lines(), std::vector<std::string>{"MySig"});

    seen = {};
    app.form1().StoredPassphrase1Click();
    EXPECT_TRUE(seen.stayed) << "TKey";
    EXPECT_EQ(seen.face, "System") << "TKey";
    seen = {};
    app.form1().AuthorsPublicKey1Click();
    EXPECT_TRUE(seen.stayed) << "TForm3";
    EXPECT_EQ(seen.face, "Courier New") << "TForm3";
    EXPECT_EQ(modalShown, (std::vector<std::string>{"TForm2", "TKey", "TForm3"}));
}
