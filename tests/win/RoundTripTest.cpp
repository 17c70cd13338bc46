// The whole chain for real: the editor window's operations through real batch files, cmd.exe, our
// pgp.exe and the engine, with keys made by the engine; Linux gpg reads what the editor wrote and
// writes what the editor reads.
#include "editor/EditorApp.h"
#include "editor/EditorCommands.h"
#include "editor/TForm1.h"
#include "editor/TKey.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"
#include "win/Win32Util.h"
#include "core/UnicodeText.h"
#include "RealEngine.h"
#include "WinTestSupport.h"
#include <commctrl.h>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

using namespace mwtest;

namespace {

const char* const kSecondUser = "Murkwell Second <second@murkwell.invalid>";
const char* const kSecondPass = "second key phrase";
const char* const kIdeaPass = "conventional phrase 7";
// As a user keeps it in Murkwell.sig: two lines, the last without a line break.
const char* const kSignatureFile = "-- \r\nAda, at the old bridge";
const char* const kSignatureLines = "-- \r\nAda, at the old bridge\r\n";
// Put into the editor through the ANSI calls, as a Windows-1252 text.
const std::string kOriginal = "Meet me at ten.\r\nZ\xFCrich, the old bridge.\r\n";
// What PGP and the peer get of it: the editor hands PGP its text in UTF-8.
const std::string kOriginalUtf8 = "Meet me at ten.\r\nZ\xC3\xBCrich, the old bridge.\r\n";

std::string withoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

std::string withCarriageReturns(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// A key as Linux gpg lists it: its own key ID and that of its encryption subkey.
struct PeerKey {
    std::string primary, encryption;
};

// Linux gpg's `--with-colons` listing, by the e-mail address of each key's first user ID.
std::map<std::string, PeerKey> peerKeys(const std::string& listing) {
    std::map<std::string, PeerKey> keys;
    std::istringstream in(listing);
    std::string line, primary, email;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ':');)
            f.push_back(field);
        if (f.size() < 5) continue;
        if (f[0] == "pub") {
            primary = f[4];
            email.clear();
        } else if (f[0] == "uid" && email.empty() && f.size() > 9) {
            email = f[9].substr(f[9].find('<') + 1);
            email = email.substr(0, email.find('>'));
            keys[email].primary = primary;
        } else if (f[0] == "sub" && f.size() > 11 && f[11].find('e') != std::string::npos) {
            keys[email].encryption = f[4];
        }
    }
    return keys;
}

// The second word of every status line with this keyword.
std::set<std::string> statusArguments(const std::string& status, const std::string& keyword) {
    std::set<std::string> found;
    std::istringstream in(status);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string prefix, word, argument;
        words >> prefix >> word >> argument;
        if (word == keyword) found.insert(argument);
    }
    return found;
}

// The keys, made once for the whole program: each generation under Wine costs seconds.
TempDir* keysDir = nullptr;
RealEngine* made = nullptr;

class SharedKeys : public ::testing::Environment {
public:
    void SetUp() override {
        if (!RealEngine::built()) return;
        keysDir = new TempDir;
        made = new RealEngine(keysDir->path());
        made->install();
        made->makeKey("Murkwell Second", "second@murkwell.invalid", kSecondPass);
        made->exportPublicKey("second@murkwell.invalid", keysDir->path() + "second-public.asc");
    }
    void TearDown() override {
        delete made;
        made = nullptr;
        delete keysDir;
        keysDir = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const sharedKeys =
    ::testing::AddGlobalTestEnvironment(new SharedKeys);

// Marks the status bar, so that a job that shows nothing there is seen.
void showOutcomeMark(editor::TForm1& form) {
    form.showOutcome("(before)");
}

class RoundTrip : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        if (!RealEngine::built())
            GTEST_SKIP() << "no engine in " << engineDirectory() << ": run scripts/build-engine.sh";
        ASSERT_TRUE(keysDir && exists(keysDir->path() + "second-public.asc"))
            << "the shared keys were not made";
        engine = std::make_unique<RealEngine>(dir.path());
        engine->installCopyOf(*made);
        ASSERT_FALSE(HasFatalFailure());
        installWipeTool(dir.path());
        ASSERT_FALSE(HasFatalFailure());
        pgpDir = engine->pgpDir;
        writeFileBytes(dir / "Murkwell.ini", engine->bin + "pgp.exe\r\n" + pgpDir + "\r\n" + pgpDir +
                                                 "pubring.pgp\r\n" + pgpDir +
                                                 "secring.pgp\r\n0\r\n0\r\n640\r\n450\r\nright\r\nstore\r\n"
                                                 "Courier New\r\n8\r\n0\r\n-2147483643\r\n");
        writeFileBytes(dir / "Murkwell.sig", kSignatureFile);
        writeFileBytes(dir / "pass.txt", kDemoPass);
        app = std::make_unique<editor::EditorApp>(mw::Application::instance());
        app->form1().showMain();
    }
    void TearDown() override {
        SetEnvironmentVariableA("PGPPASS", nullptr);
        app.reset();
        engine.reset();
        waitFor("the programs started from the test's directory to end",
                [&] { return !processRunsFrom(dir.path()); });
        ProgramFixture::TearDown();
    }
    void command(int id) { SendMessageA(app->form1().handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    std::string text() { return mw::unicodeText(app->form1().memo()); }

    // Answers the key dialogs as a user does: the recipients added one by one, the signer chosen.
    void chooseKeys(const std::vector<std::string>& recipients, const std::string& signer) {
        onModal = [recipients, signer](mw::Form& f) {
            if (auto* pub = dynamic_cast<mw::TPubKey*>(&f)) {
                for (const std::string& user : recipients) {
                    const int at = indexOf(pub->listBox1(), user);
                    // Closed even when the key is missing, so the test goes on to its end.
                    if (at < 0) pub->Button1Click();
                    ASSERT_GE(at, 0) << user << " is not listed";
                    SendMessageA(pub->listBox1(), LB_SETCURSEL, static_cast<WPARAM>(at), 0);
                    pub->SpeedButton1Click();
                }
                pub->Button1Click();
            } else if (auto* sec = dynamic_cast<mw::TSecKey*>(&f)) {
                const int at = indexOf(sec->listBox1(), signer);
                if (at < 0) sec->Button1Click();
                ASSERT_GE(at, 0) << signer << " is not listed";
                SendMessageA(sec->listBox1(), LB_SETCURSEL, static_cast<WPARAM>(at), 0);
                sec->Button1Click();
            } else {
                f.close();
            }
        };
    }
    static int indexOf(HWND list, const std::string& text) {
        return static_cast<int>(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(text.c_str())));
    }

    // After every job: its temporaries are gone (wiped by the tool beside the program) and no
    // pass phrase stayed in any file of PGP's directory.
    void expectCleanPgpDirectory() {
        const char* temporaries[] = {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp",
                                     "murkwell.usr", "murkwell.asc", "murkwell.txt"};
        // The wipe tool renames a file before it deletes it: wait for the tools to end too.
        waitFor("the temporaries to go", [&] {
            for (const char* name : temporaries)
                if (exists(pgpDir + name)) return false;
            return !processRunsFrom(dir.path());
        });
        for (const char* name : temporaries)
            EXPECT_FALSE(exists(pgpDir + name)) << name;
        for (const char* secret : {kDemoPass, kSecondPass, kIdeaPass})
            EXPECT_EQ(std::vector<std::string>{}, filesHolding(pgpDir, secret)) << secret;
    }

    // A message Linux gpg encrypted to the demo key, as the editor's text holds it (CR LF).
    std::string messageFromLinux(const std::string& plain, bool textMode) {
        writeFileBytes(dir / "linux-source.txt", plain);
        EXPECT_TRUE(runLinuxGpg(dir.path(), {"demo-secret.asc"},
                                std::string("$g --armor --trust-model always ") +
                                    (textMode ? "--textmode " : "") +
                                    "--recipient demo@murkwell.invalid --output from-linux.asc "
                                    "--encrypt linux-source.txt 2>encrypt.log"));
        const std::string message = readFileBytes(dir / "from-linux.asc");
        EXPECT_EQ(0u, message.find("-----BEGIN PGP MESSAGE-----")) << readFileBytes(dir / "encrypt.log");
        return withCarriageReturns(message);
    }

    std::unique_ptr<RealEngine> engine;
    std::string pgpDir;
    std::unique_ptr<editor::EditorApp> app;
};

TEST_F(RoundTrip, EncryptToTheDemoKeyThenDecryptWithTheStoredPassPhrase) {
    mw::setWindowText(app->form1().memo(), kOriginal);
    chooseKeys({kDemoUser}, "");
    command(editor::CmdBitBtn1Click);
    const std::string encrypted = text();
    ASSERT_EQ(0u, encrypted.find("-----BEGIN PGP MESSAGE-----\r\n")) << encrypted;
    EXPECT_EQ(std::string::npos, encrypted.find("Meet me"));
    expectCleanPgpDirectory();

    // Linux gpg, in a home of its own: the message is for the demo key and holds the text.
    writeFileBytes(dir / "message.asc", encrypted);
    ASSERT_TRUE(runLinuxGpg(dir.path(), {"demo-secret.asc"},
                            "$g --output linux-plain.txt --decrypt message.asc 2>decrypt.log\n"
                            "echo $? >decrypt.status"));
    EXPECT_EQ("0\n", readFileBytes(dir / "decrypt.status")) << readFileBytes(dir / "decrypt.log");
    // A text-mode message carries CR LF line ends; Linux gpg writes them as the local LF.
    EXPECT_EQ(withoutCarriageReturns(kOriginalUtf8), readFileBytes(dir / "linux-plain.txt"));
    EXPECT_NE(std::string::npos, readFileBytes(dir / "decrypt.log").find("demo@murkwell.invalid"))
        << readFileBytes(dir / "decrypt.log");

    // The text signature below the message does not keep it from decrypting.
    SetWindowTextA(app->passPhrase().edit1(), kDemoPass);
    command(editor::CmdBitBtn2Click);
    EXPECT_EQ(kOriginalUtf8, text());
    expectCleanPgpDirectory();
}

// Every job ends with what it came to: good news in the status bar, bad news in a box that names
// the reason, as pgp.exe reported it through the real console.
TEST_F(RoundTrip, EachOutcomeIsSaidInTheStatusBarOrInABox) {
    auto statusBar = [&] {
        char buffer[512] = {};
        SendMessageA(app->form1().statusBar(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
        return std::string(buffer);
    };
    SetEnvironmentVariableA("PGPPASS", kDemoPass);
    SetWindowTextA(app->passPhrase().edit1(), kDemoPass);
    const std::string demoKey = "\"" + std::string(kDemoUser) + "\" [0x";
    std::string clearSigned;
    struct Step {
        const char* name;
        std::function<void()> prepare;
        int command;
        const char* statusBarStart; // null: a box instead
        std::string boxStart;
    };
    std::thread typist;
    const Step steps[] = {
        {"encrypt", [&] { mw::setWindowText(app->form1().memo(), kOriginal), chooseKeys({kDemoUser}, ""); },
         editor::CmdBitBtn1Click, "\tEncrypted for 1 key.", ""},
        {"decrypt", [] {}, editor::CmdBitBtn2Click, "\tDecrypted.", ""},
        {"sign", [&] { chooseKeys({}, kDemoUser); }, editor::CmdBitBtn3Click, "\tClear-signed as ", ""},
        {"check", [&] { clearSigned = text(); }, editor::CmdBitBtn2Click, "\tRead; good signature from user ",
         ""},
        {"tampered",
         [&] {
             std::string t = clearSigned;
             if (t.find("ten") != std::string::npos) t.replace(t.find("ten"), 3, "six");
             mw::setWindowText(app->form1().memo(), t);
         },
         editor::CmdBitBtn2Click, nullptr,
         "BAD or unverified signature: do not trust this message's signature.\nWARNING: Bad signature"},
        {"not for us",
         [&] {
             writeFileBytes(dir / "source.txt", kOriginal);
             // For a key Linux gpg makes there, whose secret part PGP's directory never had.
             ASSERT_TRUE(runLinuxGpg(
                 dir.path(), {},
                 "$g --quick-gen-key 'Other <other@murkwell.invalid>' default default 2>/dev/null\n"
                 "$g --armor --trust-model always --recipient other@murkwell.invalid "
                 "--output second.asc --encrypt source.txt"));
             mw::setWindowText(app->form1().memo(), withCarriageReturns(readFileBytes(dir / "second.asc")));
         },
         editor::CmdBitBtn2Click, nullptr,
         "PGP could not do it (exit status 32).\nThis message can only be read by:"},
        // The stored pass phrase is wrong, and so is each of the three the user types in PGP's
        // console when it asks again.
        {"wrong pass phrase",
         [&] {
             mw::setWindowText(app->form1().memo(), clearSigned);
             chooseKeys({kDemoUser}, "");
             command(editor::CmdBitBtn1Click);
             expectCleanPgpDirectory();
             showOutcomeMark(app->form1());
             SetEnvironmentVariableA("PGPPASS", nullptr);
             SetWindowTextA(app->passPhrase().edit1(), "not the phrase");
             typist = std::thread([&] {
                 EXPECT_TRUE(typeIntoConsoleOf(engine->bin + "pgp.exe", L"guess 1\rguess 2\rguess 3\r"));
             });
         },
         editor::CmdBitBtn2Click, nullptr,
         "PGP could not do it (exit status 32).\nYou need a pass phrase to unlock your secret key.\n"
         "Error:  Bad pass phrase."},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        interaction.shown.clear();
        showOutcomeMark(app->form1());
        step.prepare();
        command(step.command);
        if (step.statusBarStart) {
            EXPECT_TRUE(interaction.shown.empty()) << interaction.shown[0].text;
            EXPECT_EQ(statusBar().rfind(step.statusBarStart, 0), 0u) << statusBar();
        } else {
            ASSERT_EQ(interaction.shown.size(), 1u) << statusBar();
            EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
            EXPECT_EQ(interaction.shown[0].text.rfind(step.boxStart, 0), 0u) << interaction.shown[0].text;
            EXPECT_EQ(statusBar(), "\t(before)");
        }
        if (typist.joinable()) typist.join();
        expectCleanPgpDirectory();
    }
    EXPECT_NE(clearSigned.find(kOriginalUtf8), std::string::npos) << clearSigned;
}

// The operations that make a message, each read back by Linux gpg.
struct MakeCase {
    const char* name;
    int command;
    std::vector<std::string> recipients; // chosen in "Available Public Keys", in order
    std::string signer;                  // chosen in the secret-key dialog; empty: no signature
    const char* consolePass;             // what the user answers in PGP's console (PGPPASS)
    const char* header;                  // the armour's first line
    const char* peerPass;                // the pass phrase Linux gpg decrypts with
    // What Linux gpg writes: a text-mode message (-t) with the local LF; a clear signature, and a
    // conventional one (-ca, no -t), with the editor's CR LF.
    bool lfLineEnds;
};

void PrintTo(const MakeCase& c, std::ostream* os) {
    *os << c.name;
}

class Makes : public RoundTrip, public ::testing::WithParamInterface<MakeCase> {};

TEST_P(Makes, LinuxGpgReadsTheResultAndTheTextSignatureFollowsIt) {
    const MakeCase& c = GetParam();
    const bool clear = std::string(c.header).find("SIGNED") != std::string::npos;
    if (c.consolePass) SetEnvironmentVariableA("PGPPASS", c.consolePass);
    mw::setWindowText(app->form1().memo(), kOriginal);
    chooseKeys(c.recipients, c.signer);
    command(c.command);
    expectCleanPgpDirectory();

    // PGP's output, then the text signature's lines, each ended as a line of the editor.
    const std::string result = text();
    ASSERT_GT(result.size(), std::strlen(kSignatureLines)) << result;
    const std::string armour = result.substr(0, result.size() - std::strlen(kSignatureLines));
    EXPECT_EQ(kSignatureLines, result.substr(armour.size())) << result;
    EXPECT_EQ(0u, armour.find(std::string(c.header) + "\r\n")) << result;
    const char* end = clear ? "-----END PGP SIGNATURE-----\r\n" : "-----END PGP MESSAGE-----\r\n";
    ASSERT_TRUE(armour.ends_with(end)) << result;
    EXPECT_EQ(clear, armour.find(kOriginalUtf8) != std::string::npos) << result;

    writeFileBytes(dir / "message.asc", armour);
    writeFileBytes(dir / "peer-pass.txt", c.peerPass);
    ASSERT_TRUE(runLinuxGpg(dir.path(), {"demo-secret.asc", "second-public.asc"},
                            "$g --with-colons --list-keys >keys.txt 2>/dev/null\n"
                            "$g --passphrase-file peer-pass.txt --status-file status.txt --output out.txt "
                            "--decrypt message.asc 2>decrypt.log\n"
                            "echo $? >decrypt.status"));
    const std::string status = readFileBytes(dir / "status.txt");
    EXPECT_EQ("0\n", readFileBytes(dir / "decrypt.status")) << readFileBytes(dir / "decrypt.log");
    EXPECT_EQ(c.lfLineEnds ? withoutCarriageReturns(kOriginalUtf8) : kOriginalUtf8,
              readFileBytes(dir / "out.txt"));

    const auto keys = peerKeys(readFileBytes(dir / "keys.txt"));
    std::set<std::string> recipients;
    for (const std::string& user : c.recipients) {
        const std::string email = user.substr(user.find('<') + 1, user.find('>') - user.find('<') - 1);
        ASSERT_TRUE(keys.contains(email)) << readFileBytes(dir / "keys.txt");
        recipients.insert(keys.at(email).encryption);
    }
    EXPECT_EQ(recipients, statusArguments(status, "ENC_TO")) << status;
    std::set<std::string> signers;
    if (!c.signer.empty()) {
        const std::string email =
            c.signer.substr(c.signer.find('<') + 1, c.signer.find('>') - c.signer.find('<') - 1);
        signers.insert(keys.at(email).primary);
    }
    EXPECT_EQ(signers, statusArguments(status, "GOODSIG")) << status;
    EXPECT_EQ(std::set<std::string>{}, statusArguments(status, "BADSIG")) << status;
    // Conventional encryption asks for a pass phrase and for no key at all.
    const bool conventional = c.recipients.empty() && !clear;
    EXPECT_EQ(conventional, status.find("NEED_PASSPHRASE_SYM") != std::string::npos) << status;
}

INSTANTIATE_TEST_SUITE_P(Editor, Makes,
                         ::testing::Values(MakeCase{"EncryptToTwoKeys",
                                                    editor::CmdBitBtn1Click,
                                                    {kDemoUser, kSecondUser},
                                                    "",
                                                    nullptr,
                                                    "-----BEGIN PGP MESSAGE-----",
                                                    kDemoPass,
                                                    true},
                                           MakeCase{"Sign",
                                                    editor::CmdBitBtn3Click,
                                                    {},
                                                    kDemoUser,
                                                    kDemoPass,
                                                    "-----BEGIN PGP SIGNED MESSAGE-----",
                                                    kDemoPass,
                                                    false},
                                           MakeCase{"SignAndEncrypt",
                                                    editor::CmdBitBtn4Click,
                                                    {kDemoUser},
                                                    kSecondUser,
                                                    kSecondPass,
                                                    "-----BEGIN PGP MESSAGE-----",
                                                    kDemoPass,
                                                    true},
                                           MakeCase{"EncryptIdea",
                                                    editor::CmdBitBtn5Click,
                                                    {},
                                                    "",
                                                    kIdeaPass,
                                                    "-----BEGIN PGP MESSAGE-----",
                                                    kIdeaPass,
                                                    false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A message Linux gpg made for the demo key, decrypted by the editor.
struct ReadCase {
    const char* name;
    int command;
    bool textMode;        // how Linux gpg encrypted it
    bool fromClipboard;   // Paste & Decrypt: the message is on the clipboard, not in the editor
    bool askedAfterClick; // the pass phrase typed into the dialog that opens, not stored before
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class Reads : public RoundTrip, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(Reads, TheEditorShowsTheTextWithItsOwnLineEnds) {
    const ReadCase& c = GetParam();
    const std::string message = messageFromLinux("Written on Linux.\nSecond line, caf\xE9.\n", c.textMode);
    if (c.fromClipboard) {
        setClipboardText(message);
        mw::setWindowText(app->form1().memo(), "an older message");
    } else {
        mw::setWindowText(app->form1().memo(), message);
    }
    if (c.askedAfterClick)
        onModal = [](mw::Form& f) {
            SetWindowTextA(static_cast<editor::TKey&>(f).edit1(), kDemoPass);
            f.close();
        };
    else
        SetWindowTextA(app->passPhrase().edit1(), kDemoPass);
    command(c.command);
    EXPECT_EQ("Written on Linux.\r\nSecond line, caf\xC3\xA9.\r\n", text());
    EXPECT_EQ(c.askedAfterClick ? 1u : 0u, modalShown.size());
    expectCleanPgpDirectory();
}

INSTANTIATE_TEST_SUITE_P(Editor, Reads,
                         ::testing::Values(ReadCase{"Decrypt", editor::CmdBitBtn2Click, true, false, false},
                                           ReadCase{"PasteAndDecrypt", editor::CmdBitBtn6Click, false, true,
                                                    true}),
                         [](const auto& info) { return std::string(info.param.name); });

// One text of each script through every path between the editor and Linux gpg, compared byte
// for byte as UTF-8: what the editor hands PGP, what the peer writes and what the editor shows.
struct ScriptCase {
    const char* name;
    std::u16string text; // the editor's lines, CR LF
};

void PrintTo(const ScriptCase& c, std::ostream* os) {
    *os << c.name;
}

class Scripts : public RoundTrip, public ::testing::WithParamInterface<ScriptCase> {
protected:
    std::string shown() { return mw::unicodeText(app->form1().memo()); }
    // What the editor said of its last job, for a failure's message.
    std::string said() {
        char buffer[512] = "";
        SendMessageA(app->form1().statusBar(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
        std::string all = std::string("status bar: ") + buffer;
        for (const auto& box : interaction.shown)
            all += "\nbox: " + box.text;
        return all;
    }
    // The editor's result without the text signature's lines after it.
    std::string armour() {
        const std::string all = shown();
        EXPECT_TRUE(all.ends_with(kSignatureLines)) << all << "\n" << said();
        return all.substr(0, all.size() - std::min(all.size(), std::strlen(kSignatureLines)));
    }
    // What Linux gpg writes of `message`, with `pass` for a conventional message; empty on failure.
    std::string linuxReads(const std::string& message, const char* pass, std::string* status = nullptr) {
        writeFileBytes(dir / "message.asc", message);
        writeFileBytes(dir / "peer-pass.txt", pass);
        DeleteFileA((dir / "out.txt").c_str());
        EXPECT_TRUE(
            runLinuxGpg(dir.path(), {"demo-secret.asc"},
                        "$g --passphrase-file peer-pass.txt --status-file status.txt --output out.txt "
                        "--decrypt message.asc 2>decrypt.log"));
        if (status) *status = readFileBytes(dir / "status.txt");
        return exists(dir / "out.txt") ? readFileBytes(dir / "out.txt") : std::string();
    }
};

TEST_P(Scripts, EveryPathKeepsTheTextByteForByte) {
    const std::string utf8 = mw::utf16ToUtf8(GetParam().text);
    SetWindowTextA(app->passPhrase().edit1(), kDemoPass);

    // Encrypt, then Linux decrypts (text mode: the local LF) and the editor decrypts.
    mw::setUnicodeText(app->form1().memo(), utf8);
    chooseKeys({kDemoUser}, "");
    command(editor::CmdBitBtn1Click);
    expectCleanPgpDirectory();
    const std::string encrypted = armour();
    ASSERT_EQ(0u, encrypted.find("-----BEGIN PGP MESSAGE-----")) << encrypted;
    EXPECT_EQ(withoutCarriageReturns(utf8), linuxReads(encrypted, kDemoPass))
        << readFileBytes(dir / "decrypt.log");
    mw::setUnicodeText(app->form1().memo(), encrypted);
    command(editor::CmdBitBtn2Click);
    expectCleanPgpDirectory();
    EXPECT_EQ(utf8, shown()) << "Encrypt, then Decrypt\n" << said();

    // Linux encrypts the UTF-8 text; the editor decrypts it.
    mw::setUnicodeText(app->form1().memo(), messageFromLinux(withoutCarriageReturns(utf8), true));
    command(editor::CmdBitBtn2Click);
    expectCleanPgpDirectory();
    EXPECT_EQ(utf8, shown()) << "Linux encrypt, then Decrypt\n" << said();

    // Sign, then Linux verifies and writes the signed text.
    SetEnvironmentVariableA("PGPPASS", kDemoPass);
    mw::setUnicodeText(app->form1().memo(), utf8);
    chooseKeys({}, kDemoUser);
    command(editor::CmdBitBtn3Click);
    expectCleanPgpDirectory();
    std::string status;
    // A clear signature's text always ends its last line: the peer writes that line break.
    const std::string signedText = utf8.ends_with("\r\n") ? utf8 : utf8 + "\r\n";
    EXPECT_EQ(signedText, linuxReads(armour(), kDemoPass, &status)) << readFileBytes(dir / "decrypt.log");
    EXPECT_NE(std::string::npos, status.find("[GNUPG:] GOODSIG")) << status;

    // Encrypt IDEA, then Decrypt with the same pass phrase.
    SetEnvironmentVariableA("PGPPASS", kIdeaPass);
    mw::setUnicodeText(app->form1().memo(), utf8);
    command(editor::CmdBitBtn5Click);
    expectCleanPgpDirectory();
    const std::string conventional = armour();
    ASSERT_EQ(0u, conventional.find("-----BEGIN PGP MESSAGE-----")) << conventional;
    SetWindowTextA(app->passPhrase().edit1(), kIdeaPass);
    mw::setUnicodeText(app->form1().memo(), conventional);
    command(editor::CmdBitBtn2Click);
    expectCleanPgpDirectory();
    EXPECT_EQ(utf8, shown()) << "Encrypt IDEA, then Decrypt";
}

INSTANTIATE_TEST_SUITE_P(
    Editor, Scripts,
    ::testing::Values(
        ScriptCase{"Latin", u"Caf\u00E9 cr\u00E8me br\u00FBl\u00E9e, \u0141\u00F3d\u017A, \u0153uvre\r\n"},
        ScriptCase{"Greek",
                   u"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1 \u03BA\u03CC\u03C3\u03BC\u03B5\r\n"},
        ScriptCase{"Cyrillic", u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440!\r\n"},
        ScriptCase{"Cjk", u"\u65E5\u672C\u8A9E\u306E\u6587\u7AE0\u3002\r\n\u4E2D\u6587\r\n"},
        ScriptCase{"Emoji", u"Outside the first plane: \U0001F600 \U0001F30D\r\n"},
        ScriptCase{
            "RightToLeft",
            u"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD\r\n\u0645\u0631\u062D\u0628\u0627\r\n"},
        ScriptCase{"Ascii", u"Plain ASCII only.\r\nSecond line, no break"}),
    [](const auto& info) { return std::string(info.param.name); });

// An old PGP's message holds its text in the sender's code page: not UTF-8, so the editor reads it
// in the ANSI one (Windows-1252 here), as it always did.
TEST_F(RoundTrip, ALatin1MessageFromAnOldSenderStillReadsRight) {
    SetWindowTextA(app->passPhrase().edit1(), kDemoPass);
    mw::setUnicodeText(app->form1().memo(), messageFromLinux("Caf\xE9 in Z\xFCrich.\n", true));
    command(editor::CmdBitBtn2Click);
    EXPECT_EQ("Caf\xC3\xA9 in Z\xC3\xBCrich.\r\n", mw::unicodeText(app->form1().memo()));
    expectCleanPgpDirectory();
}

} // namespace
