// The file module's six operations for real: the browser window, cmd.exe in a shown console, our
// pgp.exe and the engine on the user's files, with Linux gpg reading every result in the same run.
#include "FileModuleFixture.h"
#include "RealEngine.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"
#include <algorithm>
#include <atomic>
#include <thread>

using namespace mwtest;

namespace {

const char* const kSecondUser = "Second Key <second@murkwell.invalid>";
const char* const kSecondPass = "second key pass";
const char* const kConventionalPass = "a conventional secret";
// The user's data: lines with CR LF and a byte outside ASCII.
const char* const kData = "Quarterly figures\r\nZ\xFCrich 42\r\nend\r\n";

struct Case {
    const char* name;
    int command;
    const char* file;                         // the user's file in the shown directory (UTF-8)
    const char* output = nullptr;             // the name PGP gives its output
    std::vector<std::string> recipients = {}; // added in the public-key dialog
    bool signs = false;                       // the signer dialog confirmed with the demo key
    const char* jobPass = nullptr;            // what PGP is given in its console
    const char* peerPass = nullptr;           // what Linux gpg reads the output with
    const char* armour = nullptr;             // the first line of PGP's output
    bool detached = false;                    // Linux gpg verifies the output against the data
    bool textMode = false;                    // lines travel as text: Linux gpg writes LF
    bool fromLinux = false;                   // the file is what Linux gpg encrypted for the demo key
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << c.name;
}

const char* const kMessage = "-----BEGIN PGP MESSAGE-----";
// Names with blanks, which the batch file gives PGP by their short forms: one in Cyrillic, which
// code page 1252 cannot hold, one in Latin with accents, which code page 1251 cannot hold.
#define REPORT "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 2026"
#define RESUME "r\xC3\xA9sum\xC3\xA9 final"

const Case kCases[] = {
    {.name = "Encrypt",
     .command = filemodule::CmdSpeedButton1Click,
     .file = REPORT ".doc",
     .output = REPORT ".asc",
     .recipients = {kDemoUser, kSecondUser},
     .peerPass = kDemoPass,
     .armour = kMessage},
    {.name = "Decrypt",
     .command = filemodule::CmdSpeedButton2Click,
     .file = RESUME ".asc",
     .output = REPORT ".txt", // the name the message holds
     .jobPass = kDemoPass,
     .fromLinux = true},
    {.name = "Sign",
     .command = filemodule::CmdSpeedButton3Click,
     .file = RESUME ".txt",
     .output = RESUME ".asc",
     .signs = true,
     .jobPass = kDemoPass,
     .peerPass = kDemoPass,
     .armour = "-----BEGIN PGP SIGNED MESSAGE-----",
     .textMode = true},
    {.name = "SignDetached",
     .command = filemodule::CmdIEButton7Click,
     .file = REPORT ".csv",
     .output = REPORT ".asc",
     .signs = true,
     .jobPass = kDemoPass,
     .peerPass = kDemoPass,
     .armour = "-----BEGIN PGP SIGNATURE-----",
     .detached = true,
     .textMode = true},
    // The signer is not a recipient: the message is for the chosen key alone.
    {.name = "SignEncrypt",
     .command = filemodule::CmdSpeedButton4Click,
     .file = RESUME ".txt",
     .output = RESUME ".asc",
     .recipients = {kSecondUser},
     .signs = true,
     .jobPass = kDemoPass,
     .peerPass = kSecondPass,
     .armour = kMessage,
     .textMode = true},
    {.name = "EncryptIdea",
     .command = filemodule::CmdSpeedButton5Click,
     .file = REPORT ".txt",
     .output = REPORT ".asc",
     .jobPass = kConventionalPass,
     .peerPass = kConventionalPass,
     .armour = kMessage},
};

std::string withoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

// What follows the keyword in each status line of that keyword, sorted.
Lines statusValues(const std::string& status, const std::string& keyword) {
    Lines values;
    const std::string head = "[GNUPG:] " + keyword + " ";
    for (const std::string& line : mw::splitLines(status))
        if (line.rfind(head, 0) == 0) values.push_back(line.substr(head.size()));
    std::sort(values.begin(), values.end());
    return values;
}

// The first word of each: the key IDs of "ENC_TO id algorithm length".
Lines firstWords(Lines values) {
    for (std::string& v : values)
        v = v.substr(0, v.find(' '));
    std::sort(values.begin(), values.end());
    return values;
}

// Ends whatever runs from `dir` when a job hangs on a question nobody answers, so that the batch
// file goes on, the module's wait ends and the test fails instead of waiting for ever.
class Watchdog {
public:
    explicit Watchdog(std::string dir) : dir_(std::move(dir)), thread_([this] { run(); }) {}
    ~Watchdog() {
        SetEvent(stop_.get());
        thread_.join();
    }
    bool fired() const { return fired_; }

private:
    void run() {
        if (WaitForSingleObject(stop_.get(), 2 * kWaitLimitMs) != WAIT_TIMEOUT) return;
        fired_ = true;
        terminateProcessesFrom(dir_);
    }
    std::string dir_;
    mw::UniqueHandle stop_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

class FileRoundTrip : public FileModule, public ::testing::WithParamInterface<Case> {
protected:
    // One engine with two keys for all cases: each key costs seconds under Wine.
    static void SetUpTestSuite() {
        if (!RealEngine::built()) return;
        shared_ = new TempDir;
        engine_ = new RealEngine(shared_->path());
        engine_->install();
        engine_->makeKey("Second Key", "second@murkwell.invalid", kSecondPass,
                         *shared_ / "second-secret.asc");
        ready_ = !::testing::Test::HasFatalFailure();
    }
    static void TearDownTestSuite() {
        delete engine_;
        delete shared_;
        engine_ = nullptr;
        shared_ = nullptr;
    }
    void SetUp() override {
        FileModule::SetUp();
        if (!RealEngine::built())
            GTEST_SKIP() << "no engine in " << engineDirectory() << ": run scripts/build-engine.sh";
        ASSERT_TRUE(ready_) << "the engine and its keys could not be set up";
        recorder->starts = Starts::Everything;
        // As on a newcomer's machine: no PGPPATH.
        SetEnvironmentVariableA("PGPPATH", nullptr);
        installWipeTool(dir.path());
        const std::string& d = engine_->pgpDir;
        writeFileBytes(dir / "bramlet.ini", engine_->bin + "pgp.exe\r\n" + d + "\r\n" + d +
                                                "pubring.pgp\r\n" + d + "secring.pgp\r\n");
        for (const char* key : {"demo-secret.asc", "second-secret.asc"})
            ASSERT_TRUE(CopyFileA((shared_->path() + key).c_str(), (dir / key).c_str(), FALSE));
    }
    void TearDown() override {
        SetEnvironmentVariableA("PGPPATH", nullptr);
        SetEnvironmentVariableA("PGPPASS", nullptr);
        FileModule::TearDown();
    }
    // The key dialogs answered as the case says.
    void answerKeyDialogs(const Case& c) {
        onModal = [this, c](mw::Form& f) {
            if (className(f.handle()) == "TPubKey") {
                auto& pub = app->pubKey();
                for (const std::string& id : c.recipients) {
                    const int at = indexOf(pub.listBox1(), id);
                    EXPECT_GE(at, 0) << id << " is not listed";
                    SendMessageA(pub.listBox1(), LB_SETCURSEL, at, 0);
                    pub.SpeedButton1Click();
                }
                pub.Button1Click();
            } else if (className(f.handle()) == "TSecKey") {
                auto& sec = app->secKey();
                const int at = indexOf(sec.listBox1(), kDemoUser);
                EXPECT_GE(at, 0) << "the demo key is not listed for signing";
                SendMessageA(sec.listBox1(), LB_SETCURSEL, at, 0);
                sec.Button1Click();
            } else {
                f.close();
            }
        };
    }

    static TempDir* shared_;
    static RealEngine* engine_;
    static bool ready_;
};

TempDir* FileRoundTrip::shared_ = nullptr;
RealEngine* FileRoundTrip::engine_ = nullptr;
bool FileRoundTrip::ready_ = false;

TEST_P(FileRoundTrip, LinuxGpgReadsTheResultAndNothingIsLeftBehind) {
    const Case& c = GetParam();
    writeFileBytes(dir / "data.bin", kData);
    if (c.fromLinux) {
        // A message from elsewhere: Linux gpg encrypts for the demo key, keeping the file's name.
        writeFileBytes(dir / "pass.txt", kDemoPass);
        writeFileBytes(dir / "from-linux.txt", kData);
        ASSERT_TRUE(
            runLinuxGpg(dir.path(), {"demo-secret.asc"},
                        std::string("$g --trust-model always --armor --recipient demo@murkwell.invalid "
                                    "--set-filename '") +
                            c.output + "' --output from-linux.asc --encrypt from-linux.txt 2>encrypt.log"));
        const std::string message = readFileBytes(dir / "from-linux.asc");
        ASSERT_EQ(0u, message.find(kMessage)) << readFileBytes(dir / "encrypt.log");
        writeFileBytes(data() + c.file, message);
    } else {
        writeFileBytes(data() + c.file, kData);
    }
    auto& form = start(data());
    clickEntry(form.fileList(), indexOf(form.fileList(), c.file));
    ASSERT_EQ(form.FileName(), data() + c.file);
    const Lines before = namesIn(data());
    answerKeyDialogs(c);
    // PGP asks in its console; the environment answers for the user.
    SetEnvironmentVariableA("PGPPASS", c.jobPass);
    {
        Watchdog watchdog(engine_->bin);
        SendMessageA(form.handle(), WM_COMMAND, c.command, 0);
        EXPECT_FALSE(watchdog.fired()) << "PGP waited for an answer";
    }
    EXPECT_TRUE(interaction.shown.empty()) << interaction.shown[0].text;

    // The jobs run in the shown directory, but PGP's keys stay in PGP's directory: the one new
    // file there is PGP's output.
    const Lines after = namesIn(data());
    Lines added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    ASSERT_EQ(1u, added.size()) << "new files: " << ::testing::PrintToString(added);
    const std::string output = readFileBytes(data() + added[0]);

    EXPECT_EQ(c.output, added[0]);
    if (c.fromLinux) {
        EXPECT_EQ(kData, output);
    } else {
        EXPECT_EQ(0u, output.find(std::string(c.armour) + "\r\n")) << output;
        writeFileBytes(dir / "output", output);
        writeFileBytes(dir / "pass.txt", c.peerPass);
        const std::string read = c.detached ? "$g --status-fd 3 --verify output data.bin"
                                            : "$g --status-fd 3 --output plain --decrypt output";
        ASSERT_TRUE(
            runLinuxGpg(dir.path(), {"demo-secret.asc", "second-secret.asc"},
                        "$g --with-colons --list-keys | awk -F: '$1==\"uid\"{u=$10} $1==\"sub\"{print $5 "
                        "\" \" u}' >keys.txt\n" +
                            read + " 3>status 2>peer.log; echo $? >peer.status"));
        EXPECT_EQ("0\n", readFileBytes(dir / "peer.status")) << readFileBytes(dir / "peer.log");
        const std::string status = readFileBytes(dir / "status");
        if (!c.detached) {
            EXPECT_EQ(c.textMode ? withoutCarriageReturns(kData) : std::string(kData),
                      c.textMode ? withoutCarriageReturns(readFileBytes(dir / "plain"))
                                 : readFileBytes(dir / "plain"));
        }
        // Recipients: exactly the encryption keys of the chosen user IDs.
        Lines expected;
        for (const std::string& line : mw::splitLines(readFileBytes(dir / "keys.txt")))
            for (const std::string& id : c.recipients)
                if (line.substr(line.find(' ') + 1) == id) expected.push_back(line.substr(0, line.find(' ')));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected.size(), c.recipients.size()) << readFileBytes(dir / "keys.txt");
        EXPECT_EQ(expected, firstWords(statusValues(status, "ENC_TO"))) << status;
        // Signed by the demo key alone, or not signed at all.
        Lines signers;
        for (const std::string& good : statusValues(status, "GOODSIG"))
            signers.push_back(good.substr(good.find(' ') + 1));
        EXPECT_EQ(c.signs ? Lines{kDemoUser} : Lines{}, signers) << status;
        EXPECT_EQ(Lines{}, statusValues(status, "BADSIG")) << status;
        // A message keeps the file's own name, not the short form PGP was given.
        if (!c.detached && std::string(c.armour) == kMessage) {
            const Lines plain = statusValues(status, "PLAINTEXT");
            ASSERT_EQ(1u, plain.size()) << status;
            std::string name = plain[0].substr(plain[0].find(' ', plain[0].find(' ') + 1) + 1);
            for (std::size_t at = name.find('%'); at != std::string::npos && at + 2 < name.size();
                 at = name.find('%', at + 1))
                name.replace(at, 3, 1, static_cast<char>(std::stoi(name.substr(at + 1, 2), nullptr, 16)));
            EXPECT_EQ(c.file, name) << status;
        }
        // Conventional encryption: the pass phrase alone opens it.
        EXPECT_EQ(std::string(c.peerPass) == kConventionalPass,
                  !statusValues(status, "NEED_PASSPHRASE_SYM").empty())
            << status;
    }

    // The temporaries go, wiped by the tool beside the program (which holds a file it wipes open
    // under another name until it ends).
    const std::string& pgpDir = engine_->pgpDir;
    EXPECT_TRUE(waitFor("the temporaries to go", [&] {
        for (const char* name : {"bramlet.bat", "bramlet.lck", "bramlet.usr"})
            if (exists(pgpDir + name)) return false;
        return !processRunsFrom(dir.path());
    }));
    const std::string wipe = dir / "scorch.com|[" + pgpDir + "bramlet.bat] /two /silent|";
    const Lines launches = noted(recorder->launches);
    EXPECT_TRUE(std::any_of(launches.begin(), launches.end(), [&](const std::string& launch) {
        return launch.rfind(wipe, 0) == 0;
    })) << ::testing::PrintToString(launches);
    for (const char* pass : {kDemoPass, kSecondPass, kConventionalPass})
        EXPECT_EQ(Lines{}, filesHolding(pgpDir, pass)) << "holding \"" << pass << "\"";
}

INSTANTIATE_TEST_SUITE_P(SixOperations, FileRoundTrip, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
