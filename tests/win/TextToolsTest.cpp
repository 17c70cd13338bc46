// The editor's text tools on the real editor window: clipboard commands, Quote, files, font,
// colour, printing and the signature dialog, with scripted dialogs and real files.
#include "editor/EditorCommands.h"
#include "editor/TForm2.h"
#include "editor/TextTools.h"
#include "core/UnicodeText.h"
#include "win/TPGPSetup.h"
#include "win/Win32Interaction.h"
#include "EditorFixture.h"

using namespace mwtest;

namespace {

// Every printed piece and page, as a printer with simple metrics sees them: characters 10 wide,
// text 12 high, the font 16 high, pages 2000 by 3000.
struct PrintLog {
    std::vector<std::string> events;
    std::string documentName = "<none>";
    mw::FontChoice font;
    bool ended = false;
};

class RecordingPrinter : public mw::Printer {
public:
    explicit RecordingPrinter(std::shared_ptr<PrintLog> log) : log_(std::move(log)) {}
    void startDocument(const std::string& name, const mw::FontChoice& font) override {
        log_->documentName = name;
        log_->font = font;
    }
    void endDocument() override { log_->ended = true; }
    void abortDocument() override { log_->events.push_back("abort"); }
    int pageWidth() override { return 2000; }
    int pageHeight() override { return 3000; }
    int averageCharWidth() override { return 10; }
    int fontHeight() override { return 16; }
    int textWidth(std::string_view t) override { return 10 * static_cast<int>(t.size()); }
    int textHeight(std::string_view) override { return 12; }
    void drawText(int x, int y, std::string_view t) override {
        log_->events.push_back(std::to_string(x) + "," + std::to_string(y) + " " + std::string(t));
    }
    void newPage() override { log_->events.push_back("page"); }

private:
    std::shared_ptr<PrintLog> log_;
};

// The clipboard through CF_UNICODETEXT alone, the text in UTF-8: what no code page may touch.
void setClipboardUnicode(const std::string& utf8) {
    const std::u16string wide = mw::utf8ToUtf16(utf8);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const std::size_t size = (wide.size() + 1) * sizeof(char16_t);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(mem), wide.c_str(), size);
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
}

std::string clipboardUnicode() {
    if (!OpenClipboard(nullptr)) return "<no clipboard>";
    std::string text = "<no text>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        text = mw::utf16ToUtf8(static_cast<const char16_t*>(GlobalLock(h)));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

// Lines no ANSI code page holds together: Latin, Greek, Cyrillic with an emoji outside the Basic
// Multilingual Plane, CJK and a right-to-left line.
const std::string kWorldLines[] = {
    mw::utf16ToUtf8(u"Caf\u00E9 \u03BA\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1"),
    mw::utf16ToUtf8(u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440! \U0001F600"),
    mw::utf16ToUtf8(u"\u65E5\u672C\u8A9E"),
    mw::utf16ToUtf8(u"\u05E9\u05DC\u05D5\u05DD"),
};
const std::string kWorld =
    kWorldLines[0] + "\r\n" + kWorldLines[1] + "\r\n" + kWorldLines[2] + "\r\n" + kWorldLines[3];

class TextTools : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        make();
    }
    HWND memo() { return form().memo(); }
    std::string text() { return mw::windowText(memo()); }
    void setText(const std::string& t) { mw::setWindowText(memo(), t); }
    void command(int id) { SendMessageA(form().handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
};

} // namespace

TEST_F(TextTools, QuoteFramesTheTextAndPutsTheCaretOnTheSecondEmptyLine) {
    ShowWindow(form().handle(), SW_SHOW);
    const std::string framed = "\r\n\r\n\r\n-------- REPLY, Original message follows --------\r\n"
                               "abc\r\n\r\n-------- REPLY, End of original message --------\r\n";
    setText("abc");
    command(editor::CmdBitBtn11Click); // the "Quote" button's command
    EXPECT_EQ(text(), framed);
    EXPECT_EQ(selection(memo()), std::make_pair(DWORD{2}, DWORD{2}));
    EXPECT_EQ(GetFocus(), memo());

    setText("abc\r\n");
    form().BitBtn11Click();
    EXPECT_EQ(text(), framed);

    setText("");
    form().BitBtn11Click();
    EXPECT_EQ(text(), "\r\n\r\n\r\n-------- REPLY, Original message follows --------\r\n\r\n"
                      "-------- REPLY, End of original message --------\r\n");
    EXPECT_EQ(selection(memo()), std::make_pair(DWORD{2}, DWORD{2}));
    // The caret stands on the second line.
    EXPECT_EQ(SendMessageA(memo(), EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0), 1);
}

TEST_F(TextTools, WholeMessageClipboardCommandsAndClear) {
    setClipboardText("kept");
    setText("");
    form().CutMessage1Click();
    EXPECT_EQ(clipboardText(), "kept") << "Cut Message on an empty editor leaves the clipboard alone";

    setText("line one\r\nline two");
    command(editor::CmdCopyMessage1Click);
    EXPECT_EQ(clipboardText(), "line one\r\nline two");
    EXPECT_EQ(text(), "line one\r\nline two");
    EXPECT_EQ(selection(memo()), std::make_pair(DWORD{0}, DWORD{18})) << "the text stays selected";

    command(editor::CmdCutMessage1Click);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(clipboardText(), "line one\r\nline two");

    setText("old text");
    setClipboardText("from the clipboard\r\n");
    command(editor::CmdPasgeMessage1Click);
    EXPECT_EQ(text(), "from the clipboard\r\n");

    setText("old text");
    emptyClipboard();
    form().PasgeMessage1Click();
    EXPECT_EQ(text(), "") << "nothing on the clipboard: the editor stays empty";

    setText("to be cleared");
    command(editor::CmdBitBtn10Click);
    EXPECT_EQ(text(), "");
    EXPECT_TRUE(interaction.shown.empty()) << "Clear asks nothing";
}

TEST_F(TextTools, OpenFromFileMakesEveryLineBreakCrLf) {
    struct Case {
        const char* name;
        std::string bytes, shown;
    } cases[] = {
        {"lf.txt", "one\ntwo\n", "one\r\ntwo\r\n"},
        {"cr.txt", "one\rtwo", "one\r\ntwo"},
        {"mixed.txt", "a\r\nb\nc\rd\n\re\r\r\n", "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n\r\n"},
    };
    for (const auto& c : cases) {
        writeFileBytes(dir / c.name, c.bytes);
        interaction.openResults.push_back(dir / c.name);
        form().OpenFromFile1Click();
        EXPECT_EQ(text(), c.shown) << c.name;
    }
    ASSERT_EQ(interaction.openRequests.size(), 3u);
    const auto& r = interaction.openRequests[0];
    EXPECT_EQ(r.title, "Open");
    EXPECT_EQ(r.filters, (std::vector<std::pair<std::string, std::string>>{{"All Files", "*.*"}}));
    EXPECT_TRUE(r.fileMustExist && r.pathMustExist && r.hideReadOnly);
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(TextTools, SaveWritesTheTextUnchangedAndTheRoundTripIsByteExact) {
    const std::string bytes = "first\r\n\tsecond \xC3\xA9t\xC3\xA9\r\n\r\nlast, no break";
    writeFileBytes(dir / "in.txt", bytes);
    interaction.openResults.push_back(dir / "in.txt");
    command(editor::CmdOpenFromFile1Click);
    interaction.saveResults.push_back(dir / "out.txt");
    command(editor::CmdSavetofile1Click);
    EXPECT_EQ(readFileBytes(dir / "out.txt"), bytes);

    ASSERT_EQ(interaction.saveRequests.size(), 1u);
    const auto& r = interaction.saveRequests[0];
    EXPECT_EQ(r.title, "&Save");
    EXPECT_TRUE(r.overwritePrompt && r.pathMustExist && r.hideReadOnly);
    EXPECT_FALSE(r.fileMustExist);
    EXPECT_EQ(r.defaultExtension, "");

    setText("");
    interaction.saveResults.push_back(dir / "empty.txt");
    form().Savetofile1Click();
    EXPECT_EQ(readFileBytes(dir / "empty.txt"), "");
}

TEST_F(TextTools, UnicodeTextSurvivesTypingTheClipboardQuoteAndPrint) {
    ShowWindow(form().handle(), SW_SHOW);
    SetWindowPos(form().handle(), nullptr, 0, 0, 600, 400, SWP_NOZORDER);
    // Typed: characters come as the keyboard sends them, through the program's message loop,
    // the emoji as its two surrogates and each line break as Enter.
    for (char16_t unit : mw::utf8ToUtf16(kWorld))
        if (unit != u'\n') PostMessageW(memo(), WM_CHAR, unit, 1);
    app->context().application().processMessages();
    EXPECT_EQ(mw::unicodeText(memo()), kWorld);

    command(editor::CmdCopyMessage1Click);
    EXPECT_EQ(clipboardUnicode(), kWorld);
    mw::setUnicodeText(memo(), "old");
    setClipboardUnicode(kWorld);
    command(editor::CmdPasgeMessage1Click);
    EXPECT_EQ(mw::unicodeText(memo()), kWorld);

    auto log = std::make_shared<PrintLog>();
    interaction.printers.push_back(std::make_unique<RecordingPrinter>(log));
    command(editor::CmdPrint1Click);
    EXPECT_EQ(log->events, (std::vector<std::string>{"80,0 " + kWorldLines[0], "80,14 " + kWorldLines[1],
                                                     "80,28 " + kWorldLines[2], "80,42 " + kWorldLines[3]}));

    command(editor::CmdBitBtn11Click);
    EXPECT_EQ(mw::unicodeText(memo()), "\r\n\r\n\r\n-------- REPLY, Original message follows --------\r\n" +
                                           kWorld +
                                           "\r\n\r\n-------- REPLY, End of original message --------\r\n");
}

TEST_F(TextTools, OpenReadsEachEncodingAndSaveWritesUtf8) {
    const std::u16string wide = mw::utf8ToUtf16(kWorld);
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char16_t u : wide) {
        le += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        be += {static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
    }
    const std::string latin = "Caf\xC3\xA9 Z\xC3\xBCrich";
    const struct Case {
        const char* name;
        std::string bytes, shown;
    } cases[] = {
        {"utf8.txt", kWorld, kWorld},
        {"utf8bom.txt", "\xEF\xBB\xBF" + kWorld, kWorld},
        {"utf16le.txt", le, kWorld},
        {"utf16be.txt", be, kWorld},
        // Not UTF-8: an older program's file in the ANSI code page (Windows-1252 here).
        {"ansi.txt", "Caf\xE9 Z\xFCrich", latin},
        {"ascii.txt", "plain\r\n", "plain\r\n"},
    };
    for (const auto& c : cases) {
        writeFileBytes(dir / c.name, c.bytes);
        interaction.openResults.push_back(dir / c.name);
        command(editor::CmdOpenFromFile1Click);
        EXPECT_EQ(mw::unicodeText(memo()), c.shown) << c.name;
        interaction.saveResults.push_back(dir / "saved.txt");
        command(editor::CmdSavetofile1Click);
        EXPECT_EQ(readFileBytes(dir / "saved.txt"), c.shown) << c.name << ": saved as UTF-8 without a mark";
    }

    // The signature: read as a file is, written as Save writes.
    auto& sig = app->signature();
    writeFileBytes(dir / "world.sig", le);
    interaction.openResults.push_back(dir / "world.sig");
    onModal = [&](mw::Form&) {
        sig.BitBtn2Click();
        sig.BitBtn1Click();
    };
    command(editor::CmdAtuoAddTextSignature1Click);
    EXPECT_EQ(sig.lines(), std::vector<std::string>(std::begin(kWorldLines), std::end(kWorldLines)));
    EXPECT_EQ(readFileBytes(dir / "Murkwell.sig"), kWorld);
}

TEST_F(TextTools, LastFileNameIsSharedBetweenOpenAndSaveBothWays) {
    writeFileBytes(dir / "a.txt", "a");
    interaction.saveResults.push_back(dir / "saved.txt");
    form().Savetofile1Click();
    interaction.openResults.push_back(dir / "a.txt");
    form().OpenFromFile1Click();
    interaction.saveResults.push_back(std::nullopt);
    form().Savetofile1Click();
    interaction.openResults.push_back(std::nullopt);
    form().OpenFromFile1Click();
    ASSERT_EQ(interaction.saveRequests.size(), 2u);
    ASSERT_EQ(interaction.openRequests.size(), 2u);
    EXPECT_EQ(interaction.saveRequests[0].fileName, "");
    EXPECT_EQ(interaction.openRequests[0].fileName, dir / "saved.txt");
    EXPECT_EQ(interaction.saveRequests[1].fileName, dir / "a.txt");
    EXPECT_EQ(interaction.openRequests[1].fileName, dir / "a.txt") << "a cancelled save keeps the name";
}

TEST_F(TextTools, FilesThatCannotBeCreatedOrOpenedAreReportedAndChangeNothing) {
    writeFileBytes(dir / "locked.txt", "original");
    // Held open without sharing by another program. (A read-only attribute does not stop root,
    // which the tests run as under Wine.)
    mw::UniqueHandle holder(CreateFileA((dir / "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(static_cast<bool>(holder));
    setText("new text");
    interaction.saveResults.push_back(dir / "locked.txt");
    form().Savetofile1Click();
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].text, "Cannot create file " + dir / "locked.txt");
    EXPECT_EQ(interaction.shown[0].caption, "Murkwell");
    EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
    holder.reset();
    EXPECT_EQ(readFileBytes(dir / "locked.txt"), "original");

    interaction.openResults.push_back(dir / "gone.txt");
    form().OpenFromFile1Click();
    ASSERT_EQ(interaction.shown.size(), 2u);
    EXPECT_EQ(interaction.shown[1].text, "Cannot open file " + dir / "gone.txt");
    EXPECT_EQ(text(), "new text");

    // The failed save did not become the last file name.
    interaction.saveResults.push_back(std::nullopt);
    form().Savetofile1Click();
    EXPECT_EQ(interaction.saveRequests.back().fileName, "");
}

TEST_F(TextTools, FileBeyondTheCapacityIsRefusedAndTheTextKept) {
    setText("kept");
    // Larger than the capacity on disk: refused before it is read.
    {
        mw::UniqueHandle f(CreateFileA((dir / "huge.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(editor::kMemoCapacity) + 1;
        SetFilePointerEx(f.get(), size, nullptr, FILE_BEGIN);
        SetEndOfFile(f.get());
    }
    interaction.openResults.push_back(dir / "huge.txt");
    form().OpenFromFile1Click();
    // Within the capacity on disk, beyond it once every LF has become CR LF.
    writeFileBytes(dir / "grows.txt", std::string(editor::kMemoCapacity / 2 + 1, '\n'));
    interaction.openResults.push_back(dir / "grows.txt");
    form().OpenFromFile1Click();
    ASSERT_EQ(interaction.shown.size(), 2u);
    EXPECT_EQ(interaction.shown[0].text, "Text exceeds memo capacity");
    EXPECT_EQ(interaction.shown[1].text, "Text exceeds memo capacity");
    EXPECT_EQ(text(), "kept");
    // The save dialog did not take the refused name.
    interaction.saveResults.push_back(std::nullopt);
    form().Savetofile1Click();
    EXPECT_EQ(interaction.saveRequests.back().fileName, "");
}

TEST_F(TextTools, FontApplyThenCancelKeepsTheAppliedFontAndTheSettingsGetIt) {
    writeFileBytes(dir / "Murkwell.ini", "");
    mw::FontChoice arial;
    arial.name = "Arial";
    arial.sizePoints = 12;
    arial.color = 0x000080;
    arial.bold = true;
    interaction.fontApplies.push_back({arial});
    interaction.fontResults.push_back(std::nullopt);
    command(editor::CmdEditorFont1Click);
    ASSERT_EQ(interaction.fontInitials.size(), 1u);
    EXPECT_EQ(interaction.fontInitials[0].name, "Courier New");
    EXPECT_EQ(interaction.fontInitials[0].sizePoints, 8);
    EXPECT_EQ(interaction.fontInitials[0].color, 0u);
    EXPECT_EQ(form().memoFont(), arial);
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(memo(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    EXPECT_EQ(lf.lfWeight, FW_BOLD);

    // Cancel without Apply changes nothing; the next showing starts from the applied font.
    interaction.fontResults.push_back(std::nullopt);
    form().EditorFont1Click();
    EXPECT_EQ(interaction.fontInitials[1], arial);
    EXPECT_EQ(form().memoFont(), arial);

    mw::FontChoice times;
    times.name = "Times New Roman";
    times.sizePoints = 10;
    times.color = 0x0000FF;
    interaction.fontResults.push_back(times);
    form().EditorFont1Click();
    EXPECT_EQ(form().memoFont(), times);

    interaction.colorResults.push_back(0x00FF00);
    command(editor::CmdEditorBackgroundColor1Click);
    form().Exit1Click();
    auto lines = mw::splitLines(readFileBytes(dir / "Murkwell.ini"));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[10], "Times New Roman");
    EXPECT_EQ(lines[11], "10");
    EXPECT_EQ(lines[12], "255");
    EXPECT_EQ(lines[13], "65280");
}

TEST_F(TextTools, BackgroundColourDialogOpensOnTheLastChoiceBlackFirst) {
    interaction.colorResults.push_back(0x00C0FF);
    form().EditorBackgroundColor1Click();
    interaction.colorResults.push_back(std::nullopt);
    form().EditorBackgroundColor1Click();
    EXPECT_EQ(interaction.colorInitials, (std::vector<std::uint32_t>{0u, 0x00C0FFu}));
    EXPECT_EQ(form().windowValues().backgroundColor, 0x00C0FF) << "Cancel changed nothing";
}

TEST_F(TextTools, PrintSendsEachDisplayedLineAfterATabInTheEditorsFont) {
    ShowWindow(form().handle(), SW_SHOW);
    SetWindowPos(form().handle(), nullptr, 0, 0, 500, 400, SWP_NOZORDER);
    // A paragraph too long for the window wraps into several displayed lines.
    std::string paragraph;
    for (int i = 0; i < 40; ++i)
        paragraph += "word" + std::to_string(i) + " ";
    setText("one\r\n\r\n" + paragraph + "\r\nlast\r\n");
    const auto shown = static_cast<int>(SendMessageA(memo(), EM_GETLINECOUNT, 0, 0));
    ASSERT_GE(shown, 6) << "the paragraph must wrap for this test";

    auto log = std::make_shared<PrintLog>();
    interaction.printers.push_back(std::make_unique<RecordingPrinter>(log));
    command(editor::CmdPrint1Click);
    EXPECT_EQ(log->documentName, "");
    EXPECT_EQ(log->font, form().memoFont());
    EXPECT_TRUE(log->ended);
    // "one" at the first tab stop; the empty line advances 16; every wrapped piece of the
    // paragraph starts at the first tab stop on a line of its own; no line for the final break.
    ASSERT_EQ(log->events.size(), static_cast<std::size_t>(shown - 2));
    EXPECT_EQ(log->events.front(), "80,0 one");
    int y = 14 + 16;
    std::string rejoined;
    for (std::size_t i = 1; i + 1 < log->events.size(); ++i) {
        const std::string prefix = "80," + std::to_string(y) + " ";
        ASSERT_EQ(log->events[i].substr(0, prefix.size()), prefix) << log->events[i];
        rejoined += log->events[i].substr(prefix.size());
        y += 14;
    }
    EXPECT_EQ(rejoined, paragraph);
    EXPECT_EQ(log->events.back(), "80," + std::to_string(y) + " last");

    // Cancelled: nothing printed.
    interaction.printers.push_back(nullptr);
    form().Print1Click();
    EXPECT_EQ(interaction.printDialogs, 2);
}

TEST_F(TextTools, WithoutAPrinterThePrintDialogReportsItAndNothingIsPrinted) {
    mw::Win32Interaction real{app->context().application()};
    app->context().application().setInteraction(&real);
    static std::string reported;
    reported.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND w, LPARAM) -> BOOL {
                if (className(w) != "#32770" || !IsWindowVisible(w)) return TRUE;
                for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                    if (className(c) == "Static") reported += mw::windowText(c);
                PostMessageA(w, WM_COMMAND, IDOK, 0);
                return FALSE;
            },
            0);
    });
    setText("nothing to print");
    form().Print1Click();
    KillTimer(nullptr, timer);
    app->context().application().setInteraction(&interaction);
    EXPECT_FALSE(reported.empty()) << "the print dialog's own report";
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(TextTools, SignatureDialogSavesEmptyAndGetFromFileWritesNothing) {
    auto& sig = app->signature();
    const std::string sigFile = dir / "Murkwell.sig";
    writeFileBytes(dir / "mine.sig", "-- \nMe\n");
    interaction.openResults.push_back(dir / "mine.sig");
    onModal = [&](mw::Form& f) {
        ASSERT_EQ(&f, static_cast<mw::Form*>(&sig));
        sig.BitBtn2Click();
        EXPECT_EQ(mw::windowText(sig.memo1()), "-- \r\nMe\r\n");
        EXPECT_FALSE(exists(sigFile)) << "Get from File writes nothing";
        setClipboardText("pasted");
        SendMessageA(sig.memo1(), EM_SETSEL, 0, 0);
        SendMessageA(sig.handle(), WM_COMMAND, MAKEWPARAM(editor::TForm2::IdBitBtn3, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(sig.handle(), editor::TForm2::IdBitBtn3)));
        SendMessageA(sig.handle(), WM_COMMAND, MAKEWPARAM(editor::TForm2::IdBitBtn1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(sig.handle(), editor::TForm2::IdBitBtn1)));
    };
    command(editor::CmdAtuoAddTextSignature1Click);
    EXPECT_EQ(modalShown, std::vector<std::string>{"TForm2"});
    EXPECT_EQ(readFileBytes(sigFile), "pasted-- \r\nMe\r\n");
    ASSERT_EQ(interaction.openRequests.size(), 1u);
    EXPECT_EQ(interaction.openRequests[0].title, "Open Signature File");
    EXPECT_EQ(interaction.openRequests[0].initialDirectory, dir.path());
    EXPECT_EQ(sig.lines(), (std::vector<std::string>{"pasted-- ", "Me"}));

    // Emptied and saved: an empty file, which the operations append nothing from.
    onModal = [&](mw::Form&) {
        mw::setWindowText(sig.memo1(), "");
        sig.BitBtn1Click();
    };
    form().AtuoAddTextSignature1Click();
    EXPECT_EQ(readFileBytes(sigFile), "");
    EXPECT_TRUE(sig.lines().empty());
    EXPECT_FALSE(sig.isShowingModal());
}

TEST_F(TextTools, SignatureThatCannotBeSavedIsReportedWithItsReasonAndTheDialogCloses) {
    auto& sig = app->signature();
    makeDirectory(dir / "Murkwell.sig"); // a directory where the file should go
    bool closed = false;
    onModal = [&](mw::Form&) {
        mw::setWindowText(sig.memo1(), "text");
        sig.BitBtn1Click();
        closed = !sig.isShowingModal();
        if (!closed) sig.close();
    };
    form().AtuoAddTextSignature1Click();
    EXPECT_TRUE(closed) << "the modal dialog offers no other way out";
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].text, "Cannot create file " + dir / "Murkwell.sig" + ": " +
                                             mw::errorText(ERROR_ACCESS_DENIED) +
                                             " The signature is kept until the editor closes.");
    EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
    EXPECT_EQ(sig.lines(), std::vector<std::string>{"text"});
}
