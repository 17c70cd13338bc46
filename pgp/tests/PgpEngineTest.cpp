// pgp.exe under Wine with the real engine beside it, against Linux gpg: every line the programs
// write, run as they run it (cmd.exe on a batch file in PGP's directory), and the key commands.
#include "core/KeyListing.h"
#include "support/HostProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using hostproc::envOr;
using hostproc::Input;
using hostproc::Outcome;
using hostproc::readFile;
using hostproc::readProcFile;
using hostproc::waitUntil;
using hostproc::writeFile;

std::string withoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// Runs a program in `cwd` with `input` (typed answers, data) on its standard input.
Outcome run(const std::vector<std::string>& argv, const std::string& input, const fs::path& cwd,
            const fs::path& scratch, std::chrono::seconds limit = 180s) {
    return hostproc::run(argv, input, Input::File, scratch, limit, cwd);
}

std::string windowsPath(const fs::path& p) {
    std::string s = "Z:" + p.string();
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

const fs::path kPrefix = envOr("MW_PGP_TEST_PREFIX", MW_PGP_TEST_PREFIX);
const std::string kWine = envOr("WINELOADER", "/usr/lib/wine/wine64");
const std::string kWineServer = envOr("WINESERVER", "/usr/lib/wine/wineserver");
const std::string kAliceId = "Alice <alice@example.org>";
const std::string kBobId = "Bob \xc3\x89mile <bob@example.org>";                   // é
const std::string kIvanId = "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd <ivan@example.org>"; // Иван

// gpg-agent.exe processes that belong to this test's installation of the engine.
std::vector<pid_t> agents(const fs::path& install) {
    std::vector<pid_t> found;
    const std::string mark = windowsPath(install);
    for (const auto& entry : fs::directory_iterator("/proc", fs::directory_options::skip_permission_denied)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string cmdline = readProcFile(entry.path() / "cmdline");
        std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
        if (cmdline.find("gpg-agent.exe") != std::string::npos && cmdline.find(mark) != std::string::npos)
            found.push_back(pid_t(std::stoi(name)));
    }
    return found;
}

// Socket files of agents in the prefix; an agent that ended as it should removed its own.
std::vector<fs::path> agentSockets() {
    std::vector<fs::path> found;
    std::error_code e;
    for (fs::recursive_directory_iterator it(kPrefix / "drive_c" / "users", e), end; !e && it != end;
         it.increment(e))
        if (it->path().filename().string().rfind("S.gpg-agent", 0) == 0) found.push_back(it->path());
    return found;
}

const std::string kText = "Hello, Bob.\r\nA second line, 100% of it; \"quoted\" & more.\r\n";

class PgpEngine : public testing::Test {
protected:
    static inline fs::path root, install, pgpDir, linuxHome, scratch;
    static inline std::string setupProblem;
    static inline bool engineAbsent = false;

    static void SetUpTestSuite() {
        const fs::path engine = envOr("MW_ENGINE_DIR", MW_ENGINE_DIR), pgp = MW_PGP_EXE;
        if (!fs::exists(engine / "gpg.exe") || !fs::exists(pgp)) {
            setupProblem = "no engine at " + engine.string() + " or no pgp.exe at " + pgp.string();
            engineAbsent = true;
            return;
        }
        char tmpl[] = "/tmp/mw-pgp-XXXXXX";
        root = mkdtemp(tmpl);
        install = root / "inst", pgpDir = root / "pgp", linuxHome = root / "linux",
        scratch = root / "scratch";
        for (const auto& d : {install, pgpDir, linuxHome, scratch})
            fs::create_directories(d);
        fs::permissions(linuxHome, fs::perms::owner_all, fs::perm_options::replace);
        fs::copy_file(pgp, install / "pgp.exe");
        fs::create_directory_symlink(engine, install / "gnupg");
        setenv("WINEPREFIX", kPrefix.c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d", 1);
        setenv("LANG", "C.UTF-8", 0);
        unsetenv("PGPPATH");
        unsetenv("PGPPASS");
        // One server for the whole suite: one that ends between two programs can drop the next
        // one's connection ("recvmsg: Connection reset by peer").
        run({kWineServer, "-p60"}, "", root, scratch);
        run({kWine, "wineboot"}, "", root, scratch);
        // What an earlier run that was stopped may have left would fail every test here.
        for (const auto& left : agentSockets())
            fs::remove(left);

        // Alice: made by pgp.exe -kg, answering its questions in the console.
        Outcome made = pgpDirect({"-kg"}, "1\r\n" + kAliceId + "\r\nalice pass\r\nalice pass\r\n");
        if (made.status != 0) setupProblem = "pgp -kg failed: " + made.describe();
        // Bob and Ivan: made by Linux gpg, handed over as an armoured export and added with -ka.
        for (const auto& id : {kBobId, kIvanId})
            gpg({"--passphrase", "bob pass", "--pinentry-mode", "loopback", "--quick-gen-key", id,
                 "future-default", "default", "never"});
        writeFile(pgpDir / "friends.asc", gpg({"--armor", "--export"}).out);
        Outcome added = batch({"{pgp} -ka friends.asc"}, "");
        if (added.status != 0) setupProblem += "pgp -ka failed: " + added.describe();
        Outcome extracted = batch({"{pgp} -kxa \"Alice\" alice.asc"}, "");
        if (extracted.status != 0) setupProblem += "pgp -kxa failed: " + extracted.describe();
        gpg({"--import", (pgpDir / "alice.asc").string()});
    }

    static void TearDownTestSuite() {
        if (root.empty()) return;
        // Linux gpg's agent removes its sockets as it ends; end it first, then remove what is left.
        run({"/usr/bin/gpgconf", "--homedir", linuxHome.string(), "--kill", "gpg-agent"}, "", scratch,
            scratch);
        run({kWineServer, "-k"}, "", scratch, scratch);
        std::error_code ignored;
        fs::remove_all(root, ignored);
        if (fs::exists(root)) fs::remove_all(root, ignored);
    }

    void SetUp() override {
        // Without the engine (scripts/build-engine.sh makes it) there is nothing to run; any other
        // failure of the shared set-up (key generation, -ka, -kxa) fails every test.
        if (engineAbsent) GTEST_SKIP() << setupProblem;
        ASSERT_EQ(setupProblem, "");
        for (const auto& e : fs::directory_iterator(pgpDir))
            if (e.path().filename().string().rfind("murkwell", 0) == 0) fs::remove(e.path());
    }

    void TearDown() override {
        if (!setupProblem.empty()) return;
        // No engine process outlives the job that started it.
        EXPECT_TRUE(waitUntil([] { return agents(install).empty(); }, 30s)) << "gpg-agent.exe left running";
        const auto sockets = agentSockets();
        EXPECT_TRUE(sockets.empty()) << "agent socket left: " << sockets.front();
    }

    static std::string pgpExe() { return windowsPath(install / "pgp.exe"); }

    // The batch file as the programs write it: their lines (with {pgp} and {dir} filled in), then the
    // lock file's deletion; run by cmd.exe with PGP's directory as the working directory.
    static Outcome batch(const std::vector<std::string>& lines, const std::string& answers) {
        std::string text;
        for (std::string line : lines) {
            for (auto [key, value] :
                 {std::pair<std::string, std::string>{"{pgp}", pgpExe()},
                  std::pair<std::string, std::string>{"{dir}", windowsPath(pgpDir) + "\\"}}) {
                for (auto at = line.find(key); at != std::string::npos; at = line.find(key))
                    line.replace(at, key.size(), value);
            }
            text += line + "\r\n";
        }
        writeFile(pgpDir / "Murkwell.lck", "Temporary LockFile Written by Murkwell. test\r\n");
        text += "DEL " + windowsPath(pgpDir / "Murkwell.lck") + "\r\n";
        writeFile(pgpDir / "Murkwell.bat", text);
        Outcome o = run({kWine, "cmd", "/c", windowsPath(pgpDir / "Murkwell.bat")}, answers, pgpDir, scratch);
        EXPECT_FALSE(fs::exists(pgpDir / "Murkwell.lck")) << "the batch file did not go on after pgp.exe";
        return o;
    }

    static Outcome pgpDirect(const std::vector<std::string>& args, const std::string& answers) {
        std::vector<std::string> argv{kWine, (install / "pgp.exe").string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return run(argv, answers, pgpDir, scratch);
    }

    static Outcome gpg(std::vector<std::string> args, const std::string& input = "") {
        std::vector<std::string> argv{"/usr/bin/gpg",  "--homedir", linuxHome.string(), "--batch", "--no-tty",
                                      "--trust-model", "always",    "--status-fd",      "1"};
        argv.insert(argv.end(), args.begin(), args.end());
        return run(argv, input, scratch, scratch);
    }

    // Linux gpg's reading of a message: its plaintext and status lines.
    static Outcome linuxDecrypt(const fs::path& message, const std::string& passPhrase) {
        return gpg({"--pinentry-mode", "loopback", "--passphrase", passPhrase, "--output",
                    (scratch / "plain.out").string(), "--yes", "--decrypt", message.string()});
    }

    // Key IDs a message is encrypted to, as Linux gpg reads them.
    static std::vector<std::string> recipientsOf(const fs::path& message) {
        Outcome o = gpg({"--list-only", "--list-packets", message.string()});
        std::vector<std::string> ids;
        for (size_t at = o.out.find("ENC_TO "); at != std::string::npos; at = o.out.find("ENC_TO ", at + 1))
            ids.push_back(o.out.substr(at + 7, 16));
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    // The long key ID of a key's encryption subkey, as Linux gpg lists it (field 5 of "sub"), or of
    // its primary key (of "pub").
    static std::string encryptionKeyOf(const std::string& userId, const char* record = "\nsub:") {
        Outcome o = gpg({"--with-colons", "--list-keys", userId});
        auto at = o.out.find(record);
        if (at == std::string::npos) return "";
        std::string_view line(o.out.c_str() + at + 1);
        for (int field = 0; field < 4; ++field)
            line.remove_prefix(line.find(':') + 1);
        return std::string(line.substr(0, 16));
    }
    // kText encrypted to Alice by Linux gpg, armoured, at `message`.
    static bool messageForAlice(const fs::path& message) {
        writeFile(scratch / "plain.in", kText);
        return gpg({"--output", message.string(), "--yes", "--armor", "--recipient", "alice@example.org",
                    "--encrypt", (scratch / "plain.in").string()})
                   .status == 0;
    }
    static std::string primaryKeyOf(const std::string& userId) { return encryptionKeyOf(userId, "\npub:"); }

    // Every engine process of this installation, and whether any file in PGP's directory holds `text`.
    static bool engineRunning() {
        const std::string mark = windowsPath(install / "gnupg");
        for (const auto& entry :
             fs::directory_iterator("/proc", fs::directory_options::skip_permission_denied)) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            if (readProcFile(entry.path() / "cmdline").find(mark) != std::string::npos) return true;
        }
        return false;
    }
    static bool anyFileHolds(const std::string& text) {
        for (const auto& e : fs::directory_iterator(pgpDir))
            if (e.is_regular_file() && readFile(e.path()).find(text) != std::string::npos) return true;
        return false;
    }
};

TEST_F(PgpEngine, EditorLinesMakeWhatLinuxGpgReads) {
    struct Case {
        const char* line;
        const char* answers; // the console's answers: key confirmation, pass phrases
        bool wipes, encrypted, signedByAlice, conventional;
    };
    const Case cases[] = {
        // The programs write batch files in the console's code page: 437 here, where é is 0x82 (the
        // key's user ID has É: matching ignores case beyond ASCII too).
        {"{pgp} -eat murkwell.tmp \"Bob \x82mile <bob@example.org>\" ", "y\r\n", false, true, false, false},
        {"{pgp} -eatw murkwell.tmp \"Bob\" ", "y\r\n", true, true, false, false},
        {"{pgp} -sta murkwell.tmp -u \"Alice\"", "alice pass\r\n", false, false, true, false},
        {"{pgp} -staw murkwell.tmp -u \"Alice <alice@example.org>\"", "alice pass\r\n", true, false, true,
         false},
        {"{pgp} -east murkwell.tmp \"Bob\"  -u \"Alice\"", "y\r\nalice pass\r\n", false, true, true, false},
        {"{pgp} -eastw murkwell.tmp \"Bob\"  -u \"Alice\"", "y\r\nalice pass\r\n", true, true, true, false},
        {"{pgp} -ca murkwell.tmp", "idea pass\r\nidea pass\r\n", false, true, false, true},
        {"{pgp} -caw murkwell.tmp", "idea pass\r\nidea pass\r\n", true, true, false, true},
    };
    const std::string bobKey = encryptionKeyOf("bob@example.org");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        writeFile(pgpDir / "murkwell.tmp", kText);
        fs::remove(pgpDir / "murkwell.asc");
        Outcome o = batch({c.line}, c.answers);
        ASSERT_TRUE(fs::exists(pgpDir / "murkwell.asc")) << o.describe();
        EXPECT_EQ(fs::exists(pgpDir / "murkwell.tmp"), !c.wipes);
        const fs::path message = pgpDir / "murkwell.asc";
        Outcome read =
            c.encrypted
                ? linuxDecrypt(message, c.conventional ? "idea pass" : "bob pass")
                : gpg({"--output", (scratch / "plain.out").string(), "--yes", "--decrypt", message.string()});
        EXPECT_EQ(read.status, 0) << read.describe();
        EXPECT_EQ(withoutCr(readFile(scratch / "plain.out")), withoutCr(kText));
        EXPECT_EQ(read.out.find("[GNUPG:] GOODSIG") != std::string::npos, c.signedByAlice) << read.out;
        if (c.signedByAlice) {
            EXPECT_NE(read.out.find("Alice <alice@example.org>"), std::string::npos);
        }
        if (c.encrypted && !c.conventional) {
            EXPECT_EQ(recipientsOf(message), std::vector<std::string>{bobKey});
        }
    }
}

TEST_F(PgpEngine, EditorDecryptLinesReadWhatLinuxGpgMade) {
    struct Case {
        const char* line;
        const char* answers;
        std::vector<std::string> made; // Linux gpg's way of making the message
    };
    const Case cases[] = {
        {"{pgp} -z \"alice pass\" murkwell.tmp -o murkwell.txt",
         "",
         {"--armor", "--recipient", "alice@example.org", "--encrypt"}},
        {"{pgp} murkwell.tmp -o murkwell.txt",
         "alice pass\r\n",
         {"--armor", "--recipient", "alice@example.org", "--encrypt"}},
        // The stored pass phrase was empty: PGP asks in the console.
        {"{pgp} -z \"\" murkwell.tmp -o murkwell.txt",
         "alice pass\r\n",
         {"--armor", "--recipient", "alice@example.org", "--encrypt"}},
        {"{pgp} -z \"idea pass\" murkwell.tmp -o murkwell.txt",
         "",
         {"--armor", "--pinentry-mode", "loopback", "--passphrase", "idea pass", "--symmetric"}},
        {"{pgp} murkwell.tmp -o murkwell.txt",
         "",
         {"--pinentry-mode", "loopback", "--passphrase", "bob pass", "--local-user", "bob@example.org",
          "--clearsign"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        writeFile(scratch / "plain.in", kText);
        std::vector<std::string> args = c.made;
        args.insert(args.begin(), {"--output", (pgpDir / "murkwell.tmp").string(), "--yes"});
        args.push_back((scratch / "plain.in").string());
        ASSERT_EQ(gpg(args).status, 0);
        Outcome o = batch({c.line}, c.answers);
        ASSERT_TRUE(fs::exists(pgpDir / "murkwell.txt")) << o.describe();
        EXPECT_EQ(withoutCr(readFile(pgpDir / "murkwell.txt")), withoutCr(kText));
        fs::remove(pgpDir / "murkwell.txt");
    }
    // Verification speaks PGP's words, in the console's code page (437: É is 0x90).
    Outcome o = batch({"{pgp} murkwell.tmp -o murkwell.txt"}, "");
    EXPECT_NE(o.err.find("Good signature from user \"Bob \x90mile <bob@example.org>\" [0x" +
                         primaryKeyOf("bob@example.org").substr(8) + "]."),
              std::string::npos)
        << o.describe();
}

TEST_F(PgpEngine, FileModuleLinesWriteBesideTheWorkingDirectory) {
    const fs::path docs = root / "docs";
    fs::create_directories(docs);
    const std::string file = windowsPath(docs / "REPORT.DOC");
    struct Case {
        std::string line;
        const char* answers;
        const char* output; // in PGP's directory
    };
    const Case cases[] = {
        {"{pgp} -ea " + file + " \"Bob\" ", "y\r\n", "REPORT.asc"},
        {"{pgp} -sta " + file + " -u \"Alice\"", "alice pass\r\n", "REPORT.asc"},
        {"{pgp} -sbta " + file + " -u \"Alice\"", "alice pass\r\n", "REPORT.asc"},
        {"{pgp} -east " + file + " \"Bob\"  -u \"Alice\"", "y\r\nalice pass\r\n", "REPORT.asc"},
        {"{pgp} -ca " + file, "idea pass\r\nidea pass\r\n", "REPORT.asc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        writeFile(docs / "REPORT.DOC", kText);
        fs::remove(pgpDir / c.output);
        Outcome o = batch({c.line}, c.answers);
        ASSERT_TRUE(fs::exists(pgpDir / c.output)) << o.describe();
        EXPECT_TRUE(fs::exists(docs / "REPORT.DOC"));
        EXPECT_FALSE(fs::exists(docs / c.output));
    }
    // The detached signature of the last -sbta run was replaced; make one more and check it.
    fs::remove(pgpDir / "REPORT.asc");
    batch({"{pgp} -sbta " + file + " -u \"Alice\""}, "alice pass\r\n");
    Outcome verified = gpg({"--verify", (pgpDir / "REPORT.asc").string(), (docs / "REPORT.DOC").string()});
    EXPECT_NE(verified.out.find("[GNUPG:] GOODSIG"), std::string::npos) << verified.describe();
}

TEST_F(PgpEngine, DecryptWithPKeepsOnlyASafeBareName) {
    struct Case {
        const char* stored;
        const char* written; // in PGP's directory
    };
    const Case cases[] = {
        {"quarterly.xls", "quarterly.xls"},
        {"..\\escape.txt", "escape.txt"}, // would land in the test's own folder
        {"../inbox/../up.txt", "up.txt"},
        {"C:\\Windows\\evil.dll", "evil.dll"},
        {"CON", "MESSAGE"},
        {"nul.txt", "MESSAGE"},
        {"report\xe2\x80\xaetxt.exe", "MESSAGE"}, // right-to-left override: shown as "reportexe.txt"
    };
    const fs::path docs = root / "inbox";
    fs::create_directories(docs);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        writeFile(scratch / "plain.in", kText);
        ASSERT_EQ(gpg({"--output", (docs / "MESSAGE.ASC").string(), "--yes", "--armor", "--recipient",
                       "alice@example.org", "--set-filename", c.stored, "--encrypt",
                       (scratch / "plain.in").string()})
                      .status,
                  0);
        Outcome o = batch({"{pgp} -p " + windowsPath(docs / "MESSAGE.ASC")}, "alice pass\r\n");
        ASSERT_TRUE(fs::exists(pgpDir / c.written)) << o.describe();
        EXPECT_EQ(withoutCr(readFile(pgpDir / c.written)), withoutCr(kText));
        fs::remove(pgpDir / c.written);
    }
    EXPECT_FALSE(fs::exists(root / "escape.txt"));
    EXPECT_FALSE(fs::exists(root / "up.txt"));
}

// A message that names the engine's own files: its option file would encrypt every later message
// to the attacker too. The file module's Decrypt (-p, in PGP's directory) and -o refuse to write
// them; and an option file that got there anyway is not read.
TEST_F(PgpEngine, MessagesCannotWriteOrPlantTheEnginesOwnFiles) {
    gpg({"--passphrase", "m", "--pinentry-mode", "loopback", "--quick-gen-key", "Mallory <m@x>",
         "future-default", "default", "never"});
    const std::string mallory = encryptionKeyOf("m@x");
    const std::string conf = "hidden-encrypt-to " + mallory + "\nkeyring evil.gpg\n";
    writeFile(scratch / "conf.in", conf);
    const struct {
        std::string line;   // run in PGP's directory
        const char* stored; // the name the message carries
        const char* target; // what must not be written in PGP's directory
    } cases[] = {
        {"{pgp} -p " + windowsPath(scratch / "m.asc"), "gpg.conf", "gpg.conf"},
        {"{pgp} -p " + windowsPath(scratch / "m.asc"), "PubRing.kbx", "PubRing.kbx"},
        {"{pgp} -p " + windowsPath(scratch / "m.asc"), "trustdb.gpg.", "trustdb.gpg"},
        {"{pgp} " + windowsPath(scratch / "m.asc") + " -o GPG-AGENT.CONF", "x.txt", "GPG-AGENT.CONF"},
        {"{pgp} " + windowsPath(scratch / "m.asc") + " -o {dir}private-keys-v1.d\\x.key", "x.txt",
         "private-keys-v1.d/x.key"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line + " " + c.stored);
        ASSERT_EQ(gpg({"--output", (scratch / "m.asc").string(), "--yes", "--armor", "--recipient",
                       "alice@example.org", "--set-filename", c.stored, "--encrypt",
                       (scratch / "conf.in").string()})
                      .status,
                  0);
        Outcome o = batch({c.line}, "alice pass\r\n");
        EXPECT_NE(o.err.find("is one of the engine's own files in PGP's directory"), std::string::npos)
            << o.describe();
        EXPECT_FALSE(anyFileHolds("hidden-encrypt-to") ||
                     (fs::exists(pgpDir / c.target) &&
                      readFile(pgpDir / c.target).find("hidden") != std::string::npos))
            << o.describe();
    }
    // Planted by other means: still only the chosen recipient.
    writeFile(pgpDir / "gpg.conf", conf);
    writeFile(pgpDir / "murkwell.tmp", kText);
    fs::remove(pgpDir / "murkwell.asc");
    Outcome o = batch({"{pgp} -eat murkwell.tmp \"Bob\" "}, "y\r\n");
    fs::remove(pgpDir / "gpg.conf");
    ASSERT_TRUE(fs::exists(pgpDir / "murkwell.asc")) << o.describe();
    EXPECT_EQ(recipientsOf(pgpDir / "murkwell.asc"),
              std::vector<std::string>{encryptionKeyOf("bob@example.org")});
}

// A user ID that carries a carriage return and a second "Good signature" line, and a look-alike
// letter: the console line names the real signer's key, and the text cannot stand in for it.
TEST_F(PgpEngine, ASignersUserIdCannotForgeTheResultLine) {
    const struct {
        std::string id, lookup;
    } signers[] = {
        {"Attacker <attacker@x>\rGood signature from user \"Victim <victim@x>", "attacker@x"},
        {"Vi\xd1\x81tim <victim@x>", "Vi\xd1\x81tim"}, // Cyrillic "с"
    };
    for (const auto& [id, lookup] : signers) {
        SCOPED_TRACE(lookup);
        gpg({"--passphrase", "a", "--pinentry-mode", "loopback", "--quick-gen-key", id, "future-default",
             "default", "never"});
        const std::string primary = primaryKeyOf(lookup);
        ASSERT_EQ(primary.size(), 16u);
        const std::string keyId = primary.substr(8);
        writeFile(scratch / "plain.in", kText);
        ASSERT_EQ(gpg({"--output", (pgpDir / "murkwell.tmp").string(), "--yes", "--pinentry-mode", "loopback",
                       "--passphrase", "a", "--local-user", "0x" + keyId, "--clearsign",
                       (scratch / "plain.in").string()})
                      .status,
                  0);
        writeFile(pgpDir / "signer.asc", gpg({"--armor", "--export", "0x" + keyId}).out);
        ASSERT_EQ(batch({"{pgp} -ka signer.asc"}, "").status, 0);
        Outcome o = batch({"{pgp} murkwell.tmp -o murkwell.txt"}, "");
        const std::string line = o.err.substr(o.err.find("Good signature from user"));
        const std::string first = line.substr(0, line.find("\r\n"));
        EXPECT_EQ(first.find('\r'), std::string::npos)
            << "a carriage return reached the console: " << o.describe();
        EXPECT_EQ(first.rfind("Good signature from user \"[0x" + keyId + "] ", 0), 0u) << o.describe();
        EXPECT_EQ(first.substr(first.size() - 15), "\" [0x" + keyId + "].") << o.describe();
        fs::remove(pgpDir / "murkwell.txt");
        pgpDirect({"-kr", "0x" + keyId}, "y\r\n");
    }
}

// Ended while it decrypts (as closing its console does): the engine and its agent end with it,
// and no file in the working directory holds any of the plaintext.
TEST_F(PgpEngine, EndedMidDecryptionLeavesNoPlaintextAndNoEngine) {
    std::string plain;
    for (int i = 0; plain.size() < (48u << 20); ++i)
        plain += "PLAINTEXT-LINE " + std::to_string(i) + " of a long confidential report.\r\n";
    writeFile(scratch / "big.in", plain);
    plain.clear();
    ASSERT_EQ(gpg({"--output", (scratch / "big.pgp").string(), "--yes", "--compress-algo", "none",
                   "--recipient", "alice@example.org", "--encrypt", (scratch / "big.in").string()})
                  .status,
              0);
    fs::remove(scratch / "big.in");
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0), dup2(null, 1), dup2(null, 2);
        if (chdir(pgpDir.c_str()) != 0) _exit(126);
        const std::string exe = (install / "pgp.exe").string(), in = windowsPath(scratch / "big.pgp");
        execl(kWine.c_str(), kWine.c_str(), exe.c_str(), "+batchmode", "-z", "alice pass", in.c_str(), "-o",
              "big.out", nullptr);
        _exit(127);
    }
    ASSERT_GT(child, 0);
    const auto writing = [] {
        for (const auto& e : fs::directory_iterator(pgpDir))
            if (e.path().filename().string().rfind("pgp", 0) == 0 && e.is_regular_file() &&
                e.file_size() > (1u << 20))
                return true;
        return false;
    };
    const bool caught = waitUntil(writing, 120s);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(caught) << "pgp.exe never wrote its temporary output";
    EXPECT_TRUE(waitUntil([] { return !engineRunning(); }, 60s)) << "an engine process outlived pgp.exe";
    EXPECT_TRUE(waitUntil([] { return !anyFileHolds("PLAINTEXT-LINE"); }, 60s)) << "plaintext left behind";
    EXPECT_FALSE(fs::exists(pgpDir / "big.out"));
    // The agent was ended by force: its socket files are stale, as after a crash.
    for (const auto& left : agentSockets())
        fs::remove(left);
}

// Old messages carry no integrity check: those of PGP 2's ciphers are read with a warning, a
// modern cipher without one is refused.
TEST_F(PgpEngine, MessagesWithoutIntegrityCheck) {
    const struct {
        const char* cipher;
        int status;
        const char* says;
    } cases[] = {
        {"CAST5", 0, "WARNING: This message is not integrity protected"},
        {"AES256", 32, "Error: this message is not integrity protected and its cipher is a modern one;"},
    };
    writeFile(scratch / "plain.in", kText);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cipher);
        ASSERT_EQ(gpg({"--output", (pgpDir / "old.asc").string(), "--yes", "--armor", "--rfc2440",
                       "--cipher-algo", c.cipher, "--pinentry-mode", "loopback", "--passphrase", "old pass",
                       "--symmetric", (scratch / "plain.in").string()})
                      .status,
                  0);
        Outcome o = pgpDirect({"+batchmode", "-z", "old pass", "old.asc", "-o", "old.txt"}, "");
        EXPECT_EQ(o.status, c.status) << o.describe();
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.describe();
        EXPECT_EQ(fs::exists(pgpDir / "old.txt"), c.status == 0);
        if (c.status == 0) {
            EXPECT_EQ(readFile(pgpDir / "old.txt"), kText);
        }
        fs::remove(pgpDir / "old.txt");
    }
}

TEST_F(PgpEngine, KeyListingsAreWhatTheKeyDialogsRead) {
    // Public ring, as the public-key dialog lists it; the console's code page is 437 here (É = 0x90),
    // which has no Cyrillic letters: each is "?", and the key's own ID marks the entry.
    fs::create_directories(pgpDir / "tmp");
    batch({"set TMP={dir}tmp", "set TEMP={dir}tmp", "{pgp} -kv \"*\" {dir}pubring.pgp > {dir}murkwell.usr"},
          "");
    const std::string listing = readFile(pgpDir / "murkwell.usr");
    // The engine's listing came through a temporary file, which is gone; where none can be made
    // it comes through the pipe, the same bytes.
    EXPECT_TRUE(fs::is_empty(pgpDir / "tmp"));
    batch({"set TMP={dir}none", "set TEMP={dir}none", "{pgp} -kv \"*\" {dir}pubring.pgp > {dir}murkwell.pip"},
          "");
    EXPECT_EQ(readFile(pgpDir / "murkwell.pip"), listing);
    auto ids = mw::parseKeyListing(listing);
    std::sort(ids.begin(), ids.end());
    ASSERT_EQ(ids.size(), 3u) << listing;
    EXPECT_EQ(ids[0], kAliceId);
    EXPECT_EQ(ids[1], "Bob \x90mile <bob@example.org>");
    // "pub   255/1234ABCD 2026/12/08 [0x1234ABCD] ???? <ivan@example.org>"
    const std::size_t end = listing.find(" ???? <ivan@example.org>\r\n");
    ASSERT_NE(end, std::string::npos) << listing;
    const std::size_t start = listing.rfind('\n', end) + 1;
    const std::string line = listing.substr(start, end - start);
    ASSERT_EQ(line.size(), 42u) << line;
    EXPECT_EQ(line.substr(0, 10), "pub   255/");
    EXPECT_EQ(line.substr(30, 3), "[0x");
    EXPECT_EQ(line.substr(33, 8), line.substr(10, 8)) << "the key's own ID marks it";
    EXPECT_EQ(line.substr(41), "]");
    // Handed back alone, as the dialog would, the marked entry names Ivan's key and no other.
    fs::remove(pgpDir / "murkwell.asc");
    writeFile(pgpDir / "murkwell.tmp", kText);
    Outcome o =
        batch({"{pgp} -eat murkwell.tmp \"" + line.substr(30) + " ???? <ivan@example.org>\""}, "y\r\n");
    ASSERT_TRUE(fs::exists(pgpDir / "murkwell.asc")) << o.describe();
    EXPECT_EQ(recipientsOf(pgpDir / "murkwell.asc"),
              std::vector<std::string>{encryptionKeyOf("ivan@example.org")});
    // Secret ring, as the secret-key dialog lists it: only Alice has her secret part here.
    batch({"{pgp} -kv \"*\" {dir}secring.pgp > murkwell.usr"}, "");
    // The key manager's listing: every public key with its user IDs in UTF-8 whatever the console's
    // code page, then a "sec" record with the fingerprint of each key whose secret part is here.
    batch({"{pgp} -kv +colons > wendal.lst"}, "");
    const std::string colons = readFile(pgpDir / "wendal.lst");
    std::vector<std::string> records;
    for (std::size_t at = 0; at < colons.size();) {
        const std::size_t end = colons.find('\n', at);
        records.push_back(colons.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (records.back().ends_with('\r')) records.back().pop_back();
        at = end == std::string::npos ? colons.size() : end + 1;
    }
    auto kind = [&](const char* prefix) {
        return std::count_if(records.begin(), records.end(),
                             [&](const std::string& r) { return r.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(kind("pub:"), 3) << colons;
    ASSERT_EQ(kind("sec:"), 1) << colons;
    const auto sec = std::find_if(records.begin(), records.end(),
                                  [](const std::string& r) { return r.rfind("sec:", 0) == 0; });
    ASSERT_TRUE(sec + 1 != records.end() && sec[1].rfind("fpr:", 0) == 0);
    const auto alice = std::find_if(records.begin(), records.end(), [](const std::string& r) {
        return r.rfind("uid:", 0) == 0 && r.find("alice@") != std::string::npos;
    });
    ASSERT_TRUE(alice != records.end() && alice - records.begin() >= 1);
    EXPECT_EQ(alice[-1], sec[1]) << "Alice's secret key, no other";
    const auto ivan = std::find_if(records.begin(), records.end(), [](const std::string& r) {
        return r.find("ivan@example.org") != std::string::npos;
    });
    ASSERT_TRUE(ivan != records.end());
    EXPECT_EQ(ivan->find('?'), std::string::npos) << *ivan;
    EXPECT_EQ(mw::parseKeyListing(readFile(pgpDir / "murkwell.usr")), std::vector<std::string>{kAliceId});
    // A key-ring file of its own lists what it holds.
    batch({"{pgp} -kv \"*\" {dir}alice.asc > murkwell.usr"}, "");
    EXPECT_EQ(mw::parseKeyListing(readFile(pgpDir / "murkwell.usr")), std::vector<std::string>{kAliceId});
    // Bob removed by Linux gpg in the same home, then added back: each next listing shows it.
    auto linuxHere = [](std::vector<std::string> args) {
        // The Windows engine leaves its lock files, in a form Linux gpg cannot read; nothing holds them.
        for (const char* lock : {"pubring.kbx.lock", "trustdb.gpg.lock"})
            fs::remove(pgpDir / lock);
        std::vector<std::string> argv{"/usr/bin/gpg", "--homedir", pgpDir.string(),
                                      "--batch",      "--yes",     "--no-autostart"};
        argv.insert(argv.end(), args.begin(), args.end());
        return run(argv, "", scratch, scratch);
    };
    auto listed = [] {
        batch({"{pgp} -kv \"*\" {dir}pubring.pgp > murkwell.usr"}, "");
        return readFile(pgpDir / "murkwell.usr").find("<bob@example.org>") != std::string::npos;
    };
    ASSERT_EQ(linuxHere({"--output", (scratch / "bob.asc").string(), "--export", "bob@example.org"}).status,
              0);
    const std::string bob = linuxHere({"--with-colons", "--list-keys", "bob@example.org"}).out;
    const std::size_t fpr = bob.find("\nfpr:::::::::");
    ASSERT_NE(fpr, std::string::npos) << bob;
    const Outcome removed =
        linuxHere({"--delete-keys", bob.substr(fpr + 13, 40)}); // batch mode: by fingerprint
    ASSERT_EQ(removed.status, 0) << removed.describe();
    EXPECT_FALSE(listed());
    ASSERT_EQ(linuxHere({"--import", (scratch / "bob.asc").string()}).status, 0);
    EXPECT_TRUE(listed());
}

TEST_F(PgpEngine, UserIdsChosenFromTheListingEncryptToExactlyThoseKeys) {
    // What the public-key dialog does: parse the listing, hand back the chosen entries in quotes.
    batch({"{pgp} -kv \"*\" {dir}pubring.pgp > {dir}murkwell.usr"}, "");
    std::string line = "{pgp} -eat murkwell.tmp ";
    for (const auto& id : mw::parseKeyListing(readFile(pgpDir / "murkwell.usr")))
        if (id.find("alice@") != std::string::npos || id.find("bob@") != std::string::npos)
            line += "\"" + id + "\" ";
    writeFile(pgpDir / "murkwell.tmp", kText);
    Outcome o = batch({line}, "y\r\n");
    ASSERT_TRUE(fs::exists(pgpDir / "murkwell.asc")) << o.describe();
    std::vector<std::string> expected{encryptionKeyOf("alice@example.org"),
                                      encryptionKeyOf("bob@example.org")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(recipientsOf(pgpDir / "murkwell.asc"), expected);
}

TEST_F(PgpEngine, TheEnginesOwnChoiceOfRecipientServesOnlyWhenItIsPgps) {
    // Two keys the name fits, the one exactly so second in the ring: the engine's own matching
    // takes the first, PGP's the exact one, and the message must be for that one alone.
    const fs::path home = root / "carol", made = root / "carol-linux";
    fs::create_directories(home);
    fs::create_directories(made);
    fs::permissions(made, fs::perms::owner_all, fs::perm_options::replace);
    const std::string carol = "Carol <carol@example.org>";
    auto carolGpg = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"/usr/bin/gpg", "--homedir", made.string(), "--batch", "--no-tty"});
        return run(args, "", scratch, scratch);
    };
    for (const std::string& id : {carol + " at work", carol})
        carolGpg({"--passphrase", "", "--pinentry-mode", "loopback", "--quick-gen-key", id, "future-default",
                  "default", "never"});
    writeFile(home / "carol.asc", carolGpg({"--armor", "--export"}).out);
    Outcome added =
        run({kWine, (install / "pgp.exe").string(), "+batchmode", "-ka", "carol.asc"}, "", home, scratch);
    ASSERT_EQ(added.status, 0) << added.describe();
    const std::string listed = carolGpg({"--with-colons", "--list-keys", "=" + carol}).out;
    const auto sub = listed.find("\nsub:");
    ASSERT_NE(sub, std::string::npos) << listed;
    std::string_view field(listed.c_str() + sub + 1);
    for (int i = 0; i < 4; ++i)
        field.remove_prefix(field.find(':') + 1);

    writeFile(home / "note.txt", kText);
    Outcome o =
        run({kWine, (install / "pgp.exe").string(), "-eat", "note.txt", carol}, "y\r\n", home, scratch);
    ASSERT_EQ(o.status, 0) << o.describe();
    EXPECT_EQ(recipientsOf(home / "note.asc"), std::vector<std::string>{std::string(field.substr(0, 16))});
}

// Watches every gpg.exe of this installation while `work` runs: whether one was seen at all, and
// whether the secret stood in its command line. (Its environment cannot be judged from here: under
// Wine a process's Unix environment carries its parent's Unix variables, whatever environment
// block the parent passed to CreateProcess.)
struct EngineWatch {
    bool seen = false, leaked = false;
};

EngineWatch watchEngine(const fs::path& install, const std::string& secret,
                        const std::function<void()>& work) {
    EngineWatch w;
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        const std::string mark = windowsPath(install / "gnupg" / "gpg.exe");
        while (!done) {
            for (const auto& entry :
                 fs::directory_iterator("/proc", fs::directory_options::skip_permission_denied)) {
                const std::string name = entry.path().filename();
                if (name.find_first_not_of("0123456789") != std::string::npos) continue;
                std::string cmdline = readProcFile(entry.path() / "cmdline");
                if (cmdline.find("gpg.exe") == std::string::npos || cmdline.find(mark) == std::string::npos)
                    continue;
                w.seen = true;
                if (cmdline.find(secret) != std::string::npos) w.leaked = true;
            }
            std::this_thread::sleep_for(5ms);
        }
    });
    work();
    done = true;
    watcher.join();
    return w;
}

TEST_F(PgpEngine, PassPhrasesNeverReachTheEnginesCommandLine) {
    ASSERT_TRUE(messageForAlice(pgpDir / "murkwell.tmp"));
    struct Case {
        const char* line;
        bool byEnvironment;
    };
    for (const auto& c : {Case{"{pgp} -z \"alice pass\" murkwell.tmp -o murkwell.txt", false},
                          Case{"{pgp} murkwell.tmp -o murkwell.txt", true}}) {
        SCOPED_TRACE(c.line);
        if (c.byEnvironment) setenv("PGPPASS", "alice pass", 1);
        Outcome o;
        EngineWatch w = watchEngine(install, "alice pass", [&] { o = batch({c.line}, ""); });
        unsetenv("PGPPASS");
        EXPECT_TRUE(fs::exists(pgpDir / "murkwell.txt")) << o.describe();
        EXPECT_TRUE(w.seen);
        EXPECT_FALSE(w.leaked);
        fs::remove(pgpDir / "murkwell.txt");
    }
}

TEST_F(PgpEngine, ExitStatusesAndRefusals) {
    writeFile(pgpDir / "murkwell.tmp", kText);
    struct Case {
        std::vector<std::string> args;
        const char* answers;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"-eatq", "murkwell.tmp", "Bob"}, "", 5, "pgp: unknown option -q"},
        {{"-sta", "murkwell.tmp", "-u"}, "", 5, "pgp: -u needs an argument"},
        {{"-eat", "nothere.tmp", "Bob"}, "", 2, "File 'nothere.tmp' does not exist."},
        {{"-eat", "murkwell.tmp", "Nobody"}, "", 11, "Key matching userid 'Nobody' not found"},
        {{"-eat", "murkwell.tmp", "example.org"}, "", 11, "More than one key matches 'example.org':"},
        {{"+batchmode", "-eat", "murkwell.tmp", "Bob"}, "", 4, "Not used in batch mode."},
        {{"-eat", "murkwell.tmp", "Bob"}, "n\r\n", 6, "Are you sure you want to use this public key (y/N)?"},
        // Enter alone is the default answer, No.
        {{"-eat", "murkwell.tmp", "Bob"}, "\r\n", 6, "Are you sure you want to use this public key (y/N)?"},
        {{"-sta", "murkwell.tmp", "-u", "Bob"},
         "",
         11,
         "Cannot find a secret key for signing matching 'Bob'."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1] + " answering " + testing::PrintToString(c.answers));
        Outcome o = pgpDirect(c.args, c.answers);
        EXPECT_EQ(o.status, c.status) << o.describe();
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.describe();
        EXPECT_FALSE(fs::exists(pgpDir / "murkwell.asc"));
        // Nor any part of an output begun before the refusal.
        for (const auto& e : fs::directory_iterator(pgpDir))
            EXPECT_FALSE(e.path().filename().string().rfind("pgp", 0) == 0 && e.path().extension() == ".tmp")
                << e.path();
    }
    // An engine whose files are there but will not run: the system's reason, not "missing".
    const fs::path broken = root / "broken";
    fs::create_directories(broken / "gnupg");
    fs::copy_file(install / "pgp.exe", broken / "pgp.exe", fs::copy_options::overwrite_existing);
    for (const char* name : {"gpg.exe", "gpgconf.exe"})
        writeFile(broken / "gnupg" / name, "not a program");
    Outcome unstartable =
        run({kWine, (broken / "pgp.exe").string(), "-eat", "murkwell.tmp", "Bob"}, "", pgpDir, scratch);
    EXPECT_EQ(unstartable.status, 3) << unstartable.describe();
    EXPECT_NE(unstartable.err.find("pgp: the engine could not be started: " +
                                   windowsPath(broken / "gnupg" / "gpg.exe") + ": "),
              std::string::npos)
        << unstartable.describe();
    // A ring that is there but that the engine cannot read never lists as a ring without keys.
    const fs::path garbled = root / "garbled";
    fs::create_directories(garbled);
    writeFile(garbled / "pubring.kbx", "not a key ring, only some bytes");
    for (const char* form : {"+colons", "+verbose=1"}) {
        Outcome o = run({kWine, (install / "pgp.exe").string(), "-kv", form}, "", garbled, scratch);
        EXPECT_EQ(o.status, 15) << o.describe();
        EXPECT_NE(o.err.find("The key ring could not be listed."), std::string::npos) << o.describe();
        EXPECT_EQ(o.out.find("matching key"), std::string::npos) << o.describe();
    }
    // A wrong pass phrase, a tampered signature.
    gpg({"--output", (pgpDir / "murkwell.asc").string(), "--yes", "--armor", "--recipient",
         "alice@example.org", "--encrypt", (pgpDir / "murkwell.tmp").string()});
    Outcome wrong = pgpDirect({"+batchmode", "-z", "wrong", "murkwell.asc", "-o", "murkwell.txt"}, "");
    EXPECT_EQ(wrong.status, 32) << wrong.describe();
    EXPECT_NE(wrong.err.find("Error:  Bad pass phrase."), std::string::npos) << wrong.describe();
    EXPECT_FALSE(fs::exists(pgpDir / "murkwell.txt"));
    gpg({"--output", (pgpDir / "murkwell.asc").string(), "--yes", "--pinentry-mode", "loopback",
         "--passphrase", "bob pass", "--local-user", "bob@example.org", "--clearsign",
         (pgpDir / "murkwell.tmp").string()});
    std::string signedText = readFile(pgpDir / "murkwell.asc");
    signedText.replace(signedText.find("Hello"), 5, "Jello");
    writeFile(pgpDir / "murkwell.asc", signedText);
    Outcome bad = pgpDirect({"murkwell.asc", "-o", "murkwell.txt"}, "");
    EXPECT_EQ(bad.status, 30) << bad.describe();
    EXPECT_NE(bad.err.find("Bad signature from user \"Bob \x90mile <bob@example.org>\" [0x"),
              std::string::npos)
        << bad.describe();
}

// An output that exists is replaced only after "y", and then really replaced.
TEST_F(PgpEngine, AnExistingOutputIsReplacedOnlyAfterYes) {
    writeFile(pgpDir / "murkwell.tmp", kText);
    for (const auto& [answers, status, replaced] :
         {std::tuple{"\r\n", 6, false}, std::tuple{"y\r\nold pass\r\nold pass\r\n", 0, true}}) {
        writeFile(pgpDir / "murkwell.asc", "an earlier output");
        Outcome o = pgpDirect({"-ca", "murkwell.tmp"}, answers);
        EXPECT_EQ(o.status, status) << o.describe();
        EXPECT_EQ(readFile(pgpDir / "murkwell.asc").rfind("-----BEGIN PGP MESSAGE-----", 0) == 0, replaced)
            << o.describe();
    }
    fs::remove(pgpDir / "murkwell.asc");
}

// Batch mode says what it lacked with status 4; +force and config.txt replace an output without
// asking; -m shows the plaintext and writes nothing.
TEST_F(PgpEngine, BatchModeForceConfigAndShowOnly) {
    ASSERT_TRUE(messageForAlice(pgpDir / "batch.asc"));
    writeFile(pgpDir / "note.txt", kText);
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"+batchmode", "batch.asc", "-o", "batch.txt"},
         4,
         "A pass phrase is needed to unlock the secret key this message is encrypted to, and batch mode"},
        {{"+batchmode", "-sta", "note.txt", "-u", "Alice"},
         4,
         "A pass phrase is needed to unlock the secret key of"},
        {{"+batchmode", "-ca", "note.txt"}, 4, "A pass phrase is needed to encrypt with a pass phrase"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        Outcome o = pgpDirect(c.args, "");
        EXPECT_EQ(o.status, c.status) << o.describe();
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.describe();
        EXPECT_FALSE(fs::exists(pgpDir / "batch.txt") || fs::exists(pgpDir / "note.asc"));
    }
    const std::vector<std::string> decrypt{"+batchmode", "-z", "alice pass", "batch.asc", "-o", "batch.txt"};
    writeFile(pgpDir / "batch.txt", "earlier");
    Outcome kept = pgpDirect(decrypt, "");
    EXPECT_EQ(kept.status, 4) << kept.describe();
    EXPECT_EQ(readFile(pgpDir / "batch.txt"), "earlier");
    for (bool fromConfig : {false, true}) {
        writeFile(pgpDir / "batch.txt", "earlier");
        if (fromConfig) writeFile(pgpDir / "config.txt", "Force = on   # mine\r\nverbose=0\r\n");
        std::vector<std::string> args = decrypt;
        if (!fromConfig) args.push_back("+force");
        Outcome o = pgpDirect(args, "");
        EXPECT_EQ(o.status, 0) << o.describe();
        EXPECT_EQ(readFile(pgpDir / "batch.txt"), kText);
        // verbose=0 leaves out the report of success.
        EXPECT_EQ(o.err.find("Plaintext filename: batch.txt") != std::string::npos, !fromConfig)
            << o.describe();
    }
    fs::remove(pgpDir / "config.txt");
    fs::remove(pgpDir / "batch.txt");
    Outcome shown = pgpDirect({"-m", "-z", "alice pass", "batch.asc"}, "");
    EXPECT_EQ(shown.status, 0) << shown.describe();
    EXPECT_NE(shown.out.find("A second line, 100% of it"), std::string::npos) << shown.describe();
    EXPECT_FALSE(fs::exists(pgpDir / "batch")) << shown.describe();
    fs::remove(pgpDir / "batch.asc");
    fs::remove(pgpDir / "note.txt");
}

TEST_F(PgpEngine, RemovingAKeyAsksFirst) {
    auto listed = [] {
        Outcome o = pgpDirect({"-kv", "ivan"}, "");
        return o.out.find("ivan@example.org") != std::string::npos;
    };
    ASSERT_TRUE(listed());
    EXPECT_EQ(pgpDirect({"+batchmode", "-kr", "ivan"}, "").status, 4);
    EXPECT_EQ(pgpDirect({"-kr", "ivan"}, "n\r\n").status, 6);
    EXPECT_TRUE(listed());
    Outcome removed = pgpDirect({"-kr", "ivan"}, "y\r\n");
    EXPECT_EQ(removed.status, 0) << removed.describe();
    EXPECT_FALSE(listed());
    // Back for the other tests.
    EXPECT_EQ(batch({"{pgp} -ka friends.asc"}, "").status, 0);
}

} // namespace

// A user's own agent already serving PGP's directory (a GnuPG home shared through PGPPATH) is
// used, and still serves when pgp.exe has finished: pgp.exe ends only the agent it started.
TEST_F(PgpEngine, AnAgentItDidNotStartIsLeftRunning) {
    const pid_t launcher = fork();
    if (launcher == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0), dup2(null, 1), dup2(null, 2);
        setsid();
        const std::string agent = windowsPath(install / "gnupg" / "gpg-agent.exe"),
                          home = windowsPath(pgpDir);
        execl(kWine.c_str(), kWine.c_str(), agent.c_str(), "--homedir", home.c_str(), "--daemon", nullptr);
        _exit(127);
    }
    ASSERT_GT(launcher, 0);
    ASSERT_TRUE(waitUntil([] { return !agents(install).empty() && !agentSockets().empty(); }, 60s));
    const std::vector<pid_t> own = agents(install);

    writeFile(pgpDir / "murkwell.tmp", kText);
    fs::remove(pgpDir / "murkwell.asc");
    Outcome o = pgpDirect({"-sta", "murkwell.tmp", "-u", "Alice", "-z", "alice pass"}, "");
    EXPECT_EQ(o.status, 0) << o.describe();
    EXPECT_TRUE(fs::exists(pgpDir / "murkwell.asc"));
    EXPECT_EQ(agents(install), own) << "the user's agent was ended, or another left running";
    // That agent caches pass phrases, but not the one a job gave it.
    fs::remove(pgpDir / "murkwell.asc");
    gpg({"--output", (pgpDir / "m.asc").string(), "--yes", "--armor", "--recipient", "alice@example.org",
         "--encrypt", (pgpDir / "murkwell.tmp").string()});
    for (const char* pass : {"alice pass", ""}) {
        SCOPED_TRACE(pass);
        std::vector<std::string> args{"+batchmode", "m.asc", "-o", "m.txt"};
        if (*pass) args.insert(args.begin() + 1, {"-z", pass});
        Outcome decrypted = pgpDirect(args, "");
        EXPECT_EQ(decrypted.status, *pass ? 0 : 4) << decrypted.describe();
        EXPECT_EQ(fs::exists(pgpDir / "m.txt"), *pass != 0);
        fs::remove(pgpDir / "m.txt");
    }
    EXPECT_EQ(agents(install), own);

    run({kWine, (install / "gnupg" / "gpgconf.exe").string(), "--homedir", windowsPath(pgpDir), "--kill",
         "gpg-agent"},
        "", pgpDir, scratch);
    kill(launcher, SIGKILL);
    waitpid(launcher, nullptr, 0);
}

namespace {

// Bytes as a binary file holds them: every value, line ends among them.
std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes)
        b = char(generator() & 0xFF);
    return bytes;
}

// Runs a program in `cwd` with standard input from `input` and standard output on `out`, a
// descriptor the caller chose (a full device, a pipe nobody reads); standard error is returned.
Outcome runWithOutput(const std::vector<std::string>& argv, const fs::path& cwd, const fs::path& input,
                      int out, const fs::path& scratch) {
    Outcome o;
    const fs::path errPath = scratch / "stderr-own.txt";
    const pid_t child = fork();
    if (child == 0) {
        const int in = open(input.c_str(), O_RDONLY);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(126);
        dup2(in, 0), dup2(out, 1), dup2(err, 2);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.err = readFile(errPath);
    return o;
}

// Runs `argv` with a terminal of its own (so Wine gives its programs a console), and types
// `typed` once `prompt` appears on it and the console reads: Wine's console takes the terminal
// out of canonical mode for its first read, and a line typed before that reaches it with a line
// feed where Enter should be. What the terminal showed is returned in `out`.
Outcome runOnTerminal(const std::vector<std::string>& argv, const fs::path& cwd, const std::string& prompt,
                      const std::string& typed, std::chrono::seconds limit) {
    Outcome o;
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(126);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (child < 0) return o;
    bool answered = false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        pollfd ready{master, POLLIN, 0};
        if (poll(&ready, 1, 100) == 1) {
            char buffer[4096];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0) o.out.append(buffer, size_t(n));
        }
        termios modes{};
        const bool reading = tcgetattr(master, &modes) == 0 && !(modes.c_lflag & ICANON);
        if (!answered && reading && o.out.find(prompt) != std::string::npos) {
            answered = true;
            if (write(master, typed.data(), typed.size()) != ssize_t(typed.size())) break;
        }
        if (waitpid(child, &status, WNOHANG) == child) {
            o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "still running after " << limit.count() << " s; the terminal showed:\n" << o.out;
            break;
        }
    }
    close(master);
    return o;
}

} // namespace

// -t on a binary file: the engine's text mode would rewrite the line ends inside it. Every mode
// treats it as binary, with a note, and Linux gpg gets back every byte; a text file stays text.
TEST_F(PgpEngine, BinaryFilesKeepEveryByteWhateverTextModeSays) {
    const std::string binary = randomBytes(20000, 7);
    const fs::path input = pgpDir / "random.bin", message = pgpDir / "random.asc";
    const std::string note = "Note: 'random.bin' is not a text file; treated as binary.";
    struct Case {
        std::vector<std::string> args;
        const char* answers;
        std::string data;
        bool encrypted, detached, clearSigned;
    };
    const Case cases[] = {
        {{"-eat", "random.bin", "Bob"}, "y\r\n", binary, true, false, false},
        {{"-sta", "random.bin", "-u", "Alice"}, "alice pass\r\n", binary, false, false, false},
        {{"-east", "random.bin", "Bob", "-u", "Alice"}, "y\r\nalice pass\r\n", binary, true, false, false},
        {{"-sbta", "random.bin", "-u", "Alice"}, "alice pass\r\n", binary, false, true, false},
        {{"-cat", "random.bin"}, "idea pass\r\nidea pass\r\n", binary, true, false, false},
        // A text file is still made a clear signature.
        {{"-sta", "random.bin", "-u", "Alice"}, "alice pass\r\n", kText, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.data == binary ? " binary" : " text"));
        writeFile(input, c.data);
        fs::remove(message);
        Outcome o = pgpDirect(c.args, c.answers);
        ASSERT_EQ(o.status, 0) << o.describe();
        EXPECT_EQ(o.err.find(note) != std::string::npos, c.data == binary) << o.describe();
        EXPECT_EQ(readFile(message).rfind("-----BEGIN PGP SIGNED MESSAGE-----", 0) == 0, c.clearSigned);
        if (c.detached) {
            Outcome v = gpg({"--verify", message.string(), input.string()});
            EXPECT_NE(v.out.find("[GNUPG:] GOODSIG"), std::string::npos) << v.describe();
            continue;
        }
        Outcome read =
            c.encrypted
                ? linuxDecrypt(message, c.args[0] == "-cat" ? "idea pass" : "bob pass")
                : gpg({"--output", (scratch / "plain.out").string(), "--yes", "--decrypt", message.string()});
        EXPECT_EQ(read.status, 0) << read.describe();
        const std::string back = readFile(scratch / "plain.out");
        if (c.data == binary) {
            EXPECT_EQ(back.size(), binary.size());
            EXPECT_TRUE(back == binary) << "the bytes came back changed";
        } else {
            EXPECT_EQ(withoutCr(back), withoutCr(kText));
        }
    }
    // Through standard input too (-f), where the whole input is looked at before the engine runs.
    writeFile(input, binary);
    Outcome o =
        hostproc::run({kWine, (install / "pgp.exe").string(), "-fsta", "-u", "Alice", "-z", "alice pass"},
                      binary, Input::File, scratch, 180s, pgpDir);
    ASSERT_EQ(o.status, 0) << o.describe();
    EXPECT_NE(o.err.find("Note: standard input is not a text file; treated as binary."), std::string::npos)
        << o.err;
    writeFile(scratch / "filtered.asc", o.out);
    Outcome read = gpg({"--output", (scratch / "plain.out").string(), "--yes", "--decrypt",
                        (scratch / "filtered.asc").string()});
    EXPECT_NE(read.out.find("[GNUPG:] GOODSIG"), std::string::npos) << read.describe();
    EXPECT_TRUE(readFile(scratch / "plain.out") == binary) << "the bytes came back changed";
    fs::remove(input);
}

// A signature that cannot be checked (its key is not in the ring) or does not verify: the
// plaintext is written all the same, with the warning and status 30; a bad one is never good.
TEST_F(PgpEngine, UnknownAndBadSignaturesStillGiveThePlaintext) {
    gpg({"--passphrase", "carol pass", "--pinentry-mode", "loopback", "--quick-gen-key",
         "Carol <carol@example.org>", "future-default", "default", "never"});
    const std::vector<std::string> carol{"--pinentry-mode", "loopback",     "--passphrase",
                                         "carol pass",      "--local-user", "carol@example.org"};
    const std::vector<std::string> bob{"--pinentry-mode", "loopback",     "--passphrase",
                                       "bob pass",        "--local-user", "bob@example.org"};
    struct Case {
        const char* what;
        const std::vector<std::string>& signer;
        std::vector<std::string> made;
        bool tamper;
        std::vector<std::string> says;
    };
    const std::vector<std::string> unknown{"not found in key ring", "the signature could not be checked"};
    const Case cases[] = {
        {"signed by an unknown key and encrypted",
         carol,
         {"--armor", "--recipient", "alice@example.org", "--sign", "--encrypt"},
         false,
         unknown},
        {"clear-signed by an unknown key", carol, {"--clearsign"}, false, unknown},
        {"clear-signed by Bob and changed",
         bob,
         {"--clearsign"},
         true,
         {"WARNING: Bad signature, doesn't match file contents!", "Bad signature from user \"Bob"}},
    };
    writeFile(scratch / "plain.in", kText);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args{"--output", (pgpDir / "signed.asc").string(), "--yes"};
        args.insert(args.end(), c.signer.begin(), c.signer.end());
        args.insert(args.end(), c.made.begin(), c.made.end());
        args.push_back((scratch / "plain.in").string());
        ASSERT_EQ(gpg(args).status, 0);
        std::string expected = kText;
        if (c.tamper) {
            std::string text = readFile(pgpDir / "signed.asc");
            text.replace(text.find("Hello"), 5, "Jello");
            writeFile(pgpDir / "signed.asc", text);
            expected.replace(expected.find("Hello"), 5, "Jello");
        }
        fs::remove(pgpDir / "signed.txt");
        Outcome o = pgpDirect({"+batchmode", "-z", "alice pass", "signed.asc", "-o", "signed.txt"}, "");
        EXPECT_EQ(o.status, 30) << o.describe();
        for (const auto& words : c.says)
            EXPECT_NE(o.err.find(words), std::string::npos) << words << "\n" << o.describe();
        EXPECT_EQ(o.err.find("Good signature"), std::string::npos) << o.describe();
        ASSERT_TRUE(fs::exists(pgpDir / "signed.txt")) << o.describe();
        EXPECT_EQ(withoutCr(readFile(pgpDir / "signed.txt")), withoutCr(expected));
    }
    fs::remove(pgpDir / "signed.txt");
    fs::remove(pgpDir / "signed.asc");
}

// Detached signatures, as pgp.exe and Linux gpg make them: checked against the file given, or the
// one named like the signature; `-p` (the file module's Decrypt) recognises them as well.
TEST_F(PgpEngine, DetachedSignaturesAreChecked) {
    const fs::path note = pgpDir / "note.txt";
    writeFile(note, kText);
    for (const char* old : {"note.asc", "note.sig"})
        fs::remove(pgpDir / old);
    Outcome made = pgpDirect({"-sbta", "note.txt", "-u", "Alice", "-z", "alice pass"}, "");
    ASSERT_EQ(made.status, 0) << made.describe();
    ASSERT_EQ(gpg({"--output", (pgpDir / "note.sig").string(), "--pinentry-mode", "loopback", "--passphrase",
                   "bob pass", "--local-user", "bob@example.org", "--detach-sign", note.string()})
                  .status,
              0);
    const std::string changed = "Hello, Bob.\r\nA changed line.\r\n";
    const std::string good = "Good signature from user \"",
                      bad = "WARNING: Bad signature, doesn't match file contents!";
    struct Case {
        std::vector<std::string> args;
        bool changed; // note.txt since it was signed
        int status;
        const std::string& says;
    };
    const Case cases[] = {
        {{"-p", "note.asc"}, false, 0, good},
        {{"note.asc"}, false, 0, good},
        {{"note.asc", "note.txt"}, false, 0, good},
        {{"note.sig"}, false, 0, good},
        {{"note.sig", windowsPath(note)}, false, 0, good},
        {{"-p", "note.asc"}, true, 30, bad},
        {{"note.sig", "note.txt"}, true, 30, bad},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back() + (c.changed ? " (changed)" : ""));
        const std::string content = c.changed ? changed : kText;
        writeFile(note, content);
        std::vector<std::string> args{"+batchmode"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Outcome o = pgpDirect(args, "");
        EXPECT_EQ(o.status, c.status) << o.describe();
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.describe();
        if (c.status != 0) {
            EXPECT_EQ(o.err.find(good), std::string::npos) << o.describe();
        }
        EXPECT_EQ(readFile(note), content) << "the signed file was changed";
        EXPECT_FALSE(fs::exists(pgpDir / "note")) << "a detached signature has no plaintext to write";
    }
    for (const char* left : {"note.txt", "note.asc", "note.sig"})
        fs::remove(pgpDir / left);
}

// -d keeps the signature of what Linux gpg signed, however it was packed, as a detached
// signature that Linux gpg finds good for the plaintext written beside it.
TEST_F(PgpEngine, MinusDKeepsTheSignatureAsAFileOfItsOwn) {
    std::string binary(300000, '\0');
    std::mt19937 rng(7);
    for (auto& b : binary)
        b = static_cast<char>(rng());
    const std::vector<std::string> signAsBob = {"--pinentry-mode", "loopback",     "--passphrase",
                                                "bob pass",        "--local-user", "bob@example.org"};
    struct Case {
        const char* name;
        std::vector<std::string> packing; // Linux gpg's options beside signing as Bob
        const std::string& content;
        bool fromStandardInput; // lengths in parts, as for data of unknown size
        const char* instead;    // said where no signature file is written
    };
    const Case cases[] = {
        {"zlib.asc",
         {"--armor", "--recipient", "alice@example.org", "--sign", "--encrypt"},
         kText,
         false,
         nullptr},
        {"zip.pgp",
         {"--compress-algo", "zip", "--recipient", "alice@example.org", "--sign", "--encrypt"},
         binary,
         true,
         nullptr},
        {"none.pgp",
         {"--compress-algo", "none", "--recipient", "alice@example.org", "--sign", "--encrypt"},
         binary,
         true,
         nullptr},
        {"signed.pgp", {"--sign"}, binary, false, nullptr},
        {"clear.asc",
         {"--clearsign"},
         kText,
         false,
         "A clear-signed message keeps its signature with its text"},
        {"unsigned.asc",
         {"--armor", "--recipient", "alice@example.org", "--encrypt"},
         kText,
         false,
         "The message is not signed; there is no signature to keep."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path message = pgpDir / c.name, plain = pgpDir / "kept.out", sig = pgpDir / "kept.sig";
        for (const auto& old : {message, plain, sig})
            fs::remove(old);
        writeFile(scratch / "content", c.content);
        std::vector<std::string> args = signAsBob;
        args.insert(args.end(), c.packing.begin(), c.packing.end());
        args.insert(args.end(), {"--output", message.string()});
        args.push_back(c.fromStandardInput ? "-" : (scratch / "content").string());
        ASSERT_EQ(gpg(args, c.fromStandardInput ? c.content : "").status, 0);
        Outcome o = pgpDirect({"+batchmode", "-d", c.name, "-o", "kept.out", "-z", "alice pass"}, "");
        EXPECT_EQ(o.status, 0) << o.describe();
        EXPECT_EQ(readFile(plain), c.content);
        if (c.instead) {
            EXPECT_NE(o.err.find(c.instead), std::string::npos) << o.describe();
            EXPECT_FALSE(fs::exists(sig));
            continue;
        }
        EXPECT_NE(o.err.find("Signature kept in file 'kept.sig'."), std::string::npos) << o.describe();
        Outcome checked = gpg({"--verify", sig.string(), plain.string()});
        EXPECT_EQ(checked.status, 0) << checked.describe();
        EXPECT_NE(checked.out.find("[GNUPG:] GOODSIG"), std::string::npos) << checked.describe();
    }
}

// -f: standard input is the data, so a pass phrase comes from the console and never from it;
// without a console pgp.exe refuses instead of taking the message's first line.
TEST_F(PgpEngine, FilterModeAsksTheConsoleNeverStandardInput) {
    writeFile(scratch / "plain.in", kText);
    const fs::path message = scratch / "filter.asc", out = scratch / "filter.out";
    ASSERT_EQ(gpg({"--output", message.string(), "--yes", "--armor", "--recipient", "alice@example.org",
                   "--encrypt", (scratch / "plain.in").string()})
                  .status,
              0);
    Outcome none = hostproc::run({kWine, (install / "pgp.exe").string(), "-f"}, readFile(message),
                                 Input::File, scratch, 180s, pgpDir);
    EXPECT_EQ(none.status, 4) << none.describe();
    EXPECT_NE(none.err.find("no console to ask"), std::string::npos) << none.describe();
    EXPECT_EQ(none.err.find("Bad pass phrase"), std::string::npos) << none.describe();
    EXPECT_EQ(none.out.find("Hello"), std::string::npos);
    // In a console (cmd.exe on a terminal), the pass phrase is typed there; the data still comes
    // from standard input.
    fs::remove(out);
    Outcome typed = runOnTerminal(
        {kWine, "cmd", "/c", pgpExe() + " -f < " + windowsPath(message) + " > " + windowsPath(out)}, pgpDir,
        "Enter pass phrase:", "alice pass\r", 180s);
    EXPECT_EQ(typed.status, 0) << typed.out;
    EXPECT_EQ(withoutCr(readFile(out)), withoutCr(kText)) << typed.out;
    EXPECT_EQ(typed.out.find("alice pass"), std::string::npos) << "the pass phrase was echoed";
    fs::remove(out);
}

// -f: standard output that takes nothing (a full disk, a pipe nobody reads) is a failure, as a
// file that cannot be written is.
TEST_F(PgpEngine, FilterOutputThatCannotBeWrittenFails) {
    ASSERT_TRUE(messageForAlice(scratch / "filter.asc"));
    struct Case {
        const char* what;
        std::vector<std::string> args;
        fs::path input;
        bool full; // /dev/full, else a pipe whose reader is gone
    };
    const Case cases[] = {
        {"decrypt to a full disk", {"+batchmode", "-f", "-z", "alice pass"}, scratch / "filter.asc", true},
        {"decrypt to a closed pipe", {"+batchmode", "-f", "-z", "alice pass"}, scratch / "filter.asc", false},
        {"sign to a full disk",
         {"+batchmode", "-fsta", "-u", "Alice", "-z", "alice pass"},
         scratch / "plain.in",
         true},
        {"sign to a closed pipe",
         {"+batchmode", "-fsta", "-u", "Alice", "-z", "alice pass"},
         scratch / "plain.in",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int out = -1, pipeEnds[2] = {-1, -1};
        if (c.full) {
            out = open("/dev/full", O_WRONLY);
        } else {
            ASSERT_EQ(pipe(pipeEnds), 0);
            close(pipeEnds[0]);
            out = pipeEnds[1];
        }
        ASSERT_GE(out, 0);
        std::vector<std::string> argv{kWine, (install / "pgp.exe").string()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        Outcome o = runWithOutput(argv, pgpDir, c.input, out, scratch);
        close(out);
        EXPECT_EQ(o.status, 1) << o.describe();
        EXPECT_NE(o.err.find("Cannot write to standard output"), std::string::npos) << o.describe();
    }
}

// -w overwrites the plaintext before it removes the file: another link to the same data (a
// backup's hard link, say) then holds none of it.
TEST_F(PgpEngine, WipingOverwritesThePlaintextBeforeRemovingIt) {
    const std::string secret = "CONFIDENTIAL-" + std::string(5000, 'x') + "\r\n";
    writeFile(pgpDir / "murkwell.tmp", secret);
    const fs::path link = scratch / "second-link.tmp";
    fs::remove(link);
    fs::create_hard_link(pgpDir / "murkwell.tmp", link);
    Outcome o = pgpDirect({"-eatw", "murkwell.tmp", "Bob"}, "y\r\n");
    EXPECT_EQ(o.status, 0) << o.describe();
    EXPECT_FALSE(fs::exists(pgpDir / "murkwell.tmp"));
    ASSERT_TRUE(fs::exists(link));
    EXPECT_TRUE(waitUntil([&] { return readFile(link).find("CONFIDENTIAL") == std::string::npos; }, 30s))
        << "the other link still holds the plaintext";
    fs::remove(link);
}

// The key commands, one step after another on keys of their own, each checked where it shows: in
// pgp.exe's words and status, and in what Linux gpg reads from a key pgp.exe extracted. Keys added
// with -ka and certified then encrypt in batch mode; so do keys certified by an owner marked as a
// trusted introducer (-ke), as in PGP 2.6's web of trust.
TEST_F(PgpEngine, KeyCommandsChangeWhatLinuxGpgSees) {
    for (const char* who : {"Dora <dora@example.org>", "Erin <erin@example.org>"})
        gpg({"--passphrase", "peer pass", "--pinentry-mode", "loopback", "--quick-gen-key", who,
             "future-default", "default", "never"});
    const std::string erinListed = gpg({"--with-colons", "--list-keys", "erin@example.org"}).out;
    const std::size_t fpr = erinListed.find("\nfpr:::::::::") + 13;
    gpg({"--passphrase", "peer pass", "--pinentry-mode", "loopback", "--quick-add-uid",
         erinListed.substr(fpr, 40), "Erin at Work <erin@work.example>"});
    ASSERT_EQ(gpg({"--passphrase", "peer pass", "--pinentry-mode", "loopback", "--local-user",
                   "dora@example.org", "--quick-sign-key", erinListed.substr(fpr, 40)})
                  .status,
              0);
    writeFile(pgpDir / "dora.asc", gpg({"--armor", "--export", "dora@example.org"}).out);
    writeFile(pgpDir / "erin.asc", gpg({"--armor", "--export", "erin@example.org"}).out);
    writeFile(pgpDir / "msg.txt", kText);
    // A PGP 2 key (version 3, RSA), as PGP 2.6 wrote one: key packet, then user ID packet.
    std::string v3 = std::string("\x99\x00\x8d\x03\x2e\x00\x00\x00\x00\x00\x01\x04\x00", 13) +
                     std::string(1, '\xc1') + std::string(127, '\x5a') + std::string("\x00\x05\x11", 3);
    const std::string v3Id = "Old <old@example.org>";
    writeFile(pgpDir / "old.pgp", v3 + "\xb4" + char(v3Id.size()) + v3Id);
    const std::string alice = primaryKeyOf("alice@example.org");
    // What Linux gpg learns from a key file pgp.exe wrote.
    auto linuxReads = [](const char* file, std::vector<std::string> args) {
        gpg({"--import", (pgpDir / file).string()});
        return gpg(args).out;
    };
    auto decryptsFor = [](const char* who) {
        return [who] {
            Outcome read = linuxDecrypt(pgpDir / "msg.asc", "peer pass");
            EXPECT_EQ(read.status, 0) << who << "\n" << read.describe();
            EXPECT_EQ(recipientsOf(pgpDir / "msg.asc"), std::vector<std::string>{encryptionKeyOf(who)});
        };
    };
    struct Step {
        std::vector<std::string> args;
        std::string answers;
        int status;
        std::vector<std::string> says; // on the console (either stream)
        std::vector<std::string> neverSays;
        std::function<void()> then;
    };
    const std::string solemn = "READ CAREFULLY:  Based on your own direct first-hand knowledge";
    const Step steps[] = {
        {{"-ka", "dora.asc"},
         "y\r\ny\r\nalice pass\r\n",
         0,
         {"Do you want to certify any of these keys yourself (y/N)?",
          "Key for user ID: Dora <dora@example.org>",
          "Key fingerprint = ", "Key signature certificate added."}},
        {{"+batchmode", "-ea", "msg.txt", "Dora"},
         "",
         0,
         {},
         {"Not used in batch mode."},
         decryptsFor("dora@example.org")},
        {{"-ks", "Dora", "-u", "Alice"},
         "",
         18,
         {"Key is already signed by user 'Alice <alice@example.org>'."}},
        {{"-kvv", "Dora"}, "", 0, {"sig       " + alice.substr(8) + "            Alice <alice@example.org>"}},
        {{"-kc", "Dora"}, "", 0, {"sig!      " + alice.substr(8) + "            Alice <alice@example.org>"}},
        {{"-kxa", "Dora", "dora-out"},
         "",
         0,
         {"Key extracted to file 'dora-out.asc'."},
         {},
         [&] {
             const std::string sigs =
                 linuxReads("dora-out.asc", {"--with-colons", "--check-sigs", "dora@example.org"});
             EXPECT_NE(sigs.find("sig:!::22:" + alice + ":"), std::string::npos) << sigs;
         }},
        {{"-ke", "Dora"},
         "4\r\n",
         0,
         {"No secret key available.  Editing public key trust parameter.",
          "Current trust for this key's owner is: undefined",
          "(1=I don't know. 2=No. 3=Usually. 4=Yes, always.) ?", "Public key ring updated."}},
        {{"old.pgp"}, "y\r\n", 12, {"none the engine can read: PGP 2 keys of version 3 are not accepted"}},
        // Certified by Dora, now a trusted introducer: valid at once, so nothing is offered.
        {{"erin.asc"},
         "y\r\n",
         0,
         {"File contains key(s).  Contents follow...", "Erin <erin@example.org>",
          "Do you want to add this keyfile to keyring"},
         {"Do you want to certify any of these keys yourself"}},
        {{"+batchmode", "-ea", "msg.txt", "Erin"}, "", 0, {}, {}, decryptsFor("erin@example.org")},
        {{"+batchmode", "-ks", "Erin", "-u", "Alice"}, "", 4, {"not certified in batch mode"}},
        // A wrong pass phrase is asked again, as PGP 2.6 did.
        {{"-ks", "Erin", "-u", "Alice"},
         "y\r\nwrong\r\nalice pass\r\n",
         0,
         {"Error:  Bad pass phrase.", "Key signature certificate added."}},
        {{"-kd", "Erin"}, "y\r\n", 0, {"Disable this key (y/N)?", "Key disabled"}},
        {{"+batchmode", "-ea", "msg.txt", "Erin"}, "", 11, {"not found in the key ring, or not usable"}},
        {{"-kd", "Erin"}, "y\r\n", 0, {"Key is already disabled.", "Key enabled."}},
        // One of another's two user IDs taken off the ring; the key stays.
        {{"-kr", "Erin"},
         "n\r\nn\r\ny\r\n",
         0,
         {"Key has more than one user ID.", "User ID removed from key ring."},
         {},
         [&] {
             const std::string listed = pgpDirect({"-kv", "+colons", "erin@"}, "").out;
             std::size_t userIds = 0;
             for (std::size_t at = 0; (at = listed.find("\nuid:", at)) != std::string::npos; ++at)
                 ++userIds;
             EXPECT_EQ(userIds, 1u) << listed;
         }},
        {{"+batchmode", "-ke", "Dora", "+expire=30"},
         "",
         14,
         {"Only the owner of a key can change when it expires"}},
        {{"-kg"},
         "1\r\nFrank <frank@example.org>\r\nfrank pass\r\nfrank pass\r\n",
         0,
         {"Key generation completed"}},
        {{"-ke", "Frank"},
         "y\r\nFrank Second <frank2@example.org>\r\nfrank pass\r\ny\r\ny\r\nnew pass\r\nnew pass\r\n",
         0,
         {"Current user ID: Frank <frank@example.org>", "Pass phrase changed.", "Secret key ring updated."}},
        // The secret key, under its new pass phrase, with the new user ID first.
        {{"-kx", "Frank", "frank-secret", "secring.pgp"},
         "new pass\r\n",
         0,
         {"This writes your SECRET key", "Secret key extracted to file 'frank-secret.pgp'."},
         {},
         [&] {
             const std::string ids =
                 linuxReads("frank-secret.pgp", {"--with-colons", "--list-keys", "frank@example.org"});
             EXPECT_LT(ids.find("Frank Second <frank2@example.org>"), ids.find("Frank <frank@example.org>"))
                 << ids;
             Outcome signedByFrank =
                 gpg({"--pinentry-mode", "loopback", "--passphrase", "new pass", "--local-user",
                      "frank@example.org", "--output", (scratch / "f.sig").string(), "--yes", "--detach-sign",
                      (pgpDir / "msg.txt").string()});
             EXPECT_EQ(signedByFrank.status, 0) << signedByFrank.describe();
         }},
        // Its expiry set, then its first user ID revoked: Linux gpg learns both from an export.
        {{"-ke", "Frank", "+expire=30"}, "new pass\r\n", 0, {"The key expires 30 days from today."}},
        {{"-kr", "Frank"},
         "n\r\nn\r\ny\r\nnew pass\r\n",
         0,
         {"Do you want to remove the whole key (y/N)?", "Remove \"Frank <frank@example.org>\" (y/N)?",
          "User ID revoked"}},
        {{"-kxa", "Frank", "frank-changed"},
         "",
         0,
         {},
         {},
         [&] {
             const std::string keys =
                 linuxReads("frank-changed.asc", {"--with-colons", "--list-keys", "frank@example.org"});
             EXPECT_NE(keys.find("\nuid:r::::::"), std::string::npos) << keys;
             const auto in30Days = std::to_string(std::time(nullptr) / 86400 + 30);
             for (const char* kind : {"\npub:", "\nsub:"}) {
                 std::istringstream fields(keys.substr(keys.find(kind) + 1));
                 std::string field;
                 for (int i = 0; i < 7; ++i)
                     std::getline(fields, field, ':');
                 EXPECT_EQ(std::to_string(std::stoll(field) / 86400), in30Days) << kind << keys;
             }
         }},
        {{"+batchmode", "-kd", "Frank"}, "", 4, {"nothing changed in batch mode"}},
        {{"-kd", "Frank"},
         "y\r\nnew pass\r\n",
         0,
         {"secret key compromise certificate", "Key compromise certificate created."}},
        {{"-kxa", "Frank", "frank-revoked"},
         "",
         0,
         {},
         {},
         [&] {
             const std::string keys =
                 linuxReads("frank-revoked.asc", {"--with-colons", "--list-keys", "frank@example.org"});
             EXPECT_EQ(keys.find("\npub:r:"), keys.find("\npub:")) << keys;
         }},
        {{"-kr", "Frank"},
         "y\r\ny\r\n\r\n",
         6,
         {"Do you also want to remove it from the secret keyring (y/N)?", "Nothing removed"}},
        {{"-kr", "Frank"}, "y\r\ny\r\ny\r\n", 0, {"Key removed from the public and the secret key ring."}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::PrintToString(s.args));
        fs::remove(pgpDir / "msg.asc");
        Outcome o = pgpDirect(s.args, s.answers);
        EXPECT_EQ(o.status, s.status) << o.describe();
        for (const std::string& words : s.says)
            EXPECT_NE((o.out + o.err).find(words), std::string::npos) << words << "\n" << o.describe();
        for (const std::string& words : s.neverSays)
            EXPECT_EQ((o.out + o.err).find(words), std::string::npos) << words << "\n" << o.describe();
        if (s.then && o.status == s.status) s.then();
    }
    for (const char* who : {"Dora", "Erin"})
        pgpDirect({"-kr", who}, "y\r\ny\r\n");
    for (const char* file : {"old.pgp", "dora.asc", "erin.asc", "dora-out.asc", "frank-secret.pgp",
                             "frank-changed.asc", "frank-revoked.asc", "msg.txt", "msg.asc"})
        fs::remove(pgpDir / file);
}
