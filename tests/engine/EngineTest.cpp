// The Windows engine (gpg.exe under Wine) beside Linux gpg: every operation the PGP front end relies
// on, pass phrases only through a pipe, each side reading what the other wrote, and no agent left.
#include "support/HostProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
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

// The pass phrase reaches the program through a pipe on its standard input, nothing else.
Outcome run(const std::vector<std::string>& argv, const std::string& input, const fs::path& scratch,
            std::chrono::seconds limit = 120s) {
    return hostproc::run(argv, input, Input::Pipe, scratch, limit);
}

std::string wineLoader() {
    return envOr("WINELOADER", "/usr/lib/wine/wine64");
}
std::string wineServer() {
    return envOr("WINESERVER", "/usr/lib/wine/wineserver");
}
fs::path engineDir() {
    return envOr("MW_ENGINE_DIR", MW_ENGINE_DIR);
}
fs::path winePrefix() {
    return envOr("MW_ENGINE_TEST_PREFIX", MW_ENGINE_TEST_PREFIX);
}

// Process ids of the gpg-agent.exe processes of this test's Wine prefix. Wine shows a Windows
// program's path as its command line; the prefix is in its environment.
std::vector<pid_t> wineAgents() {
    std::vector<pid_t> found;
    const std::string prefix = "WINEPREFIX=" + winePrefix().string();
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string cmdline = readProcFile(entry.path() / "cmdline");
        if (cmdline.find("gpg-agent.exe") == std::string::npos) continue;
        std::string environment = readProcFile(entry.path() / "environ");
        std::replace(environment.begin(), environment.end(), '\0', '\n');
        if (("\n" + environment).find("\n" + prefix + "\n") != std::string::npos)
            found.push_back(pid_t(std::stoi(name)));
    }
    return found;
}

enum class Side { Wine, Linux };

const char* sideName(Side side) {
    return side == Side::Wine ? "Wine" : "Linux";
}

// One side's home directory and the key pair in it.
struct Home {
    Side side;
    fs::path dir;
    std::string passPhrase;
    std::string userId;
    std::string fingerprint;

    // A file name as this side's gpg takes it: Wine maps the Linux root to drive Z:.
    std::string path(const fs::path& p) const {
        if (side == Side::Linux) return p.string();
        std::string s = "Z:" + p.string();
        std::replace(s.begin(), s.end(), '/', '\\');
        return s;
    }

    std::vector<std::string> program(const char* name) const {
        if (side == Side::Linux) return {std::string("/usr/bin/") + name};
        return {wineLoader(), (engineDir() / (std::string(name) + ".exe")).string()};
    }

    // gpg as the front end calls it: own home, no terminal, no network; the pass phrase, when
    // there is one, through standard input.
    Outcome gpg(std::vector<std::string> args, const std::optional<std::string>& passPhrase,
                const fs::path& scratch) const {
        std::vector<std::string> argv = program("gpg");
        argv.insert(argv.end(), {"--homedir", path(dir), "--batch", "--no-tty", "--no-auto-key-retrieve",
                                 "--auto-key-locate", "local", "--trust-model", "always"});
        if (passPhrase)
            for (const char* a : {"--pinentry-mode", "loopback", "--passphrase-fd", "0"})
                argv.push_back(a);
        argv.insert(argv.end(), args.begin(), args.end());
        return run(argv, passPhrase ? *passPhrase + "\n" : "", scratch);
    }

    Outcome endAgent(const fs::path& scratch) const {
        std::vector<std::string> argv = program("gpgconf");
        argv.insert(argv.end(), {"--homedir", path(dir), "--kill", "gpg-agent"});
        return run(argv, "", scratch);
    }
};

// The fields of `--with-colons` records of one type.
std::vector<std::vector<std::string>> records(const std::string& listing, const std::string& type) {
    std::vector<std::vector<std::string>> result;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, ':');)
            fields.push_back(field);
        if (!fields.empty() && fields[0] == type) result.push_back(fields);
    }
    return result;
}

std::string field(const std::vector<std::vector<std::string>>& recs, size_t record, size_t index) {
    return record < recs.size() && index < recs[record].size() ? recs[record][index] : "";
}

// Bytes that text-mode conversions or a lost byte would change: every byte value, CR LF, a NUL.
std::string binaryPlaintext() {
    std::string bytes = "Murkwell engine test\r\nline two\n";
    for (int i = 0; i < 256; ++i)
        bytes.push_back(char(i));
    return bytes + std::string(3000, 'x');
}

const std::string kLetter = "Dear reader,\nthe meeting moves to Tuesday, 10:00.\n-- \nfrom Z\xC3\xBCrich\n";
const std::string kSharedSecret = "a shared secret, with blanks";

class Engine : public ::testing::Test {
protected:
    static inline fs::path root;
    static inline std::string setupError;
    static inline Home wineTemplate{
        Side::Wine, {}, "wine pass phrase \xC3\xA9t\xC3\xA9", "Wine Tester <wine@example.org>", {}};
    static inline Home linuxTemplate{
        Side::Linux, {}, "linux pass phrase", "Linux Tester <linux@example.org>", {}};

    static void SetUpTestSuite() {
        setenv("WINEPREFIX", winePrefix().c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d", 1);
        char pattern[] = "/tmp/mw-engine-XXXXXX";
        root = mkdtemp(pattern);
        setupError = prepare();
    }

    static void TearDownTestSuite() {
        for (const Home* home : {&wineTemplate, &linuxTemplate})
            home->endAgent(root);
        // The private prefix's server and whatever still runs in it.
        run({wineServer(), "-k"}, "", root);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    static std::string prepare() {
        for (const char* name : {"gpg.exe", "gpg-agent.exe", "gpgconf.exe"})
            if (!fs::exists(engineDir() / name))
                return "no " + std::string(name) + " in " + engineDir().string() +
                       ": run scripts/build-engine.sh";
        fs::create_directories(winePrefix().parent_path());
        // A server that outlives each program, so no program waits for one to start or end.
        run({wineServer(), "-p60"}, "", root);
        Outcome boot = run({wineLoader(), "wineboot"}, "", root, 300s);
        if (boot.status != 0) return "wineboot failed: " + boot.describe();
        for (Home* home : {&wineTemplate, &linuxTemplate}) {
            home->dir = root / (std::string(sideName(home->side)) + "-keys");
            makeHome(*home);
            if (std::string e = generateKey(*home); !e.empty()) return e;
        }
        // Each side imports the public key the other exported.
        for (auto [from, to] :
             {std::pair{&wineTemplate, &linuxTemplate}, std::pair{&linuxTemplate, &wineTemplate}}) {
            const fs::path exported = root / (std::string(sideName(from->side)) + "-public.asc");
            Outcome e = from->gpg(
                {"--armor", "--output", from->path(exported), "--export", from->fingerprint}, {}, root);
            if (e.status != 0) return std::string("export failed: ") + e.describe();
            Outcome i = to->gpg({"--import", to->path(exported)}, {}, root);
            if (i.status != 0) return std::string("import failed: ") + i.describe();
        }
        for (const Home* home : {&wineTemplate, &linuxTemplate})
            home->endAgent(root);
        return "";
    }

    static void makeHome(const Home& home) {
        fs::create_directories(home.dir);
        fs::permissions(home.dir, fs::perms::owner_all, fs::perm_options::replace);
        // The front end's policy: nothing cached even by an agent that is not ended.
        if (home.side == Side::Wine)
            writeFile(home.dir / "gpg-agent.conf", "default-cache-ttl 0\nmax-cache-ttl 0\n");
    }

    static std::string generateKey(Home& home) {
        const std::string name = home.userId.substr(0, home.userId.find(" <"));
        const std::string email = home.userId.substr(name.size() + 2, home.userId.size() - name.size() - 3);
        const fs::path params = root / "keygen.txt";
        writeFile(params, "Key-Type: eddsa\nKey-Curve: ed25519\nKey-Usage: sign\n"
                          "Subkey-Type: ecdh\nSubkey-Curve: cv25519\nSubkey-Usage: encrypt\n"
                          "Name-Real: " +
                              name + "\nName-Email: " + email + "\nExpire-Date: 0\n%commit\n");
        Outcome made = home.gpg({"--generate-key", home.path(params)}, home.passPhrase, root);
        if (made.status != 0) return std::string("key generation failed: ") + made.describe();
        Outcome listed = home.gpg({"--with-colons", "--list-secret-keys"}, {}, root);
        home.fingerprint = field(records(listed.out, "fpr"), 0, 9);
        return home.fingerprint.empty() ? "no fingerprint after key generation:\n" + listed.out : "";
    }

    // Fresh copies of both homes for each test, so every test starts its own agents.
    void SetUp() override {
        ASSERT_EQ("", setupError);
        // Short: the Linux agent's socket lives in its home, and socket paths are short.
        static int tests = 0;
        scratch = root / ("t" + std::to_string(++tests));
        fs::create_directories(scratch);
        wine = copyHome(wineTemplate);
        linux = copyHome(linuxTemplate);
    }

    Home copyHome(const Home& from) {
        Home to = from;
        to.dir = scratch / fs::path(from.dir).filename();
        makeHome(to);
        // The agent's socket files belong to the agent that made them.
        for (const auto& entry : fs::recursive_directory_iterator(from.dir)) {
            const fs::path relative = fs::relative(entry.path(), from.dir);
            if (relative.filename().string().rfind("S.", 0) == 0) continue;
            if (entry.is_directory())
                fs::create_directories(to.dir / relative);
            else if (entry.is_regular_file())
                fs::copy_file(entry.path(), to.dir / relative, fs::copy_options::overwrite_existing);
        }
        return to;
    }

    // After every test: the agents are ended as the front end ends them, and none is left.
    void TearDown() override {
        if (!setupError.empty()) return;
        EXPECT_EQ(0, wine.endAgent(scratch).status);
        run({"/usr/bin/gpgconf", "--homedir", linux.dir, "--kill", "all"}, "", scratch);
        EXPECT_TRUE(waitUntil([] { return wineAgents().empty(); }, 30s))
            << wineAgents().size() << " gpg-agent.exe still running after the test";
    }

    Home& side(Side s) { return s == Side::Wine ? wine : linux; }

    fs::path scratch;
    Home wine, linux;
};

TEST_F(Engine, BatchKeyGenerationMakesAnEd25519KeyWithACv25519Subkey) {
    Outcome listed = wine.gpg({"--with-colons", "--list-secret-keys"}, {}, scratch);
    ASSERT_EQ(0, listed.status) << listed.describe();
    const auto sec = records(listed.out, "sec"), ssb = records(listed.out, "ssb"),
               uid = records(listed.out, "uid");
    ASSERT_EQ(1u, sec.size()) << listed.out;
    ASSERT_EQ(1u, ssb.size()) << listed.out;
    EXPECT_EQ("22", field(sec, 0, 3)); // EdDSA
    EXPECT_EQ("ed25519", field(sec, 0, 16));
    EXPECT_EQ("18", field(ssb, 0, 3)); // ECDH
    EXPECT_EQ("cv25519", field(ssb, 0, 16));
    EXPECT_EQ(wine.userId, field(uid, 0, 9));
}

TEST_F(Engine, EachSideHoldsTheKeyTheOtherExported) {
    for (const Home* home : {&wine, &linux}) {
        const Home& other = home == &wine ? linux : wine;
        Outcome listed = home->gpg({"--with-colons", "--list-keys", other.fingerprint}, {}, scratch);
        ASSERT_EQ(0, listed.status) << sideName(home->side) << ": " << listed.describe();
        EXPECT_EQ(other.fingerprint, field(records(listed.out, "fpr"), 0, 9));
        EXPECT_EQ(other.userId, field(records(listed.out, "uid"), 0, 9));
        // Only the public half crossed over.
        Outcome secret = home->gpg({"--with-colons", "--list-secret-keys", other.fingerprint}, {}, scratch);
        EXPECT_NE(0, secret.status) << sideName(home->side);
    }
}

enum class Operation { Encrypt, ClearSign, DetachedSign, Conventional };

struct Exchange {
    Operation operation;
    Side writer;
    Side reader;
};

std::string exchangeName(const ::testing::TestParamInfo<Exchange>& info) {
    static const char* names[] = {"Encrypt", "ClearSign", "DetachedSign", "Conventional"};
    return std::string(names[int(info.param.operation)]) + "_" + sideName(info.param.writer) + "To" +
           sideName(info.param.reader);
}

class EngineExchange : public Engine, public ::testing::WithParamInterface<Exchange> {};

// What one side writes, the other (or itself) reads: the exact bytes back, or a good signature by
// the writer's key, which an altered text no longer has.
TEST_P(EngineExchange, ReaderGetsWhatTheWriterWrote) {
    const Exchange e = GetParam();
    const Home& writer = side(e.writer);
    const Home& reader = side(e.reader);
    const bool text = e.operation == Operation::ClearSign || e.operation == Operation::DetachedSign;
    const std::string plain = text ? kLetter : binaryPlaintext();
    const fs::path input = scratch / "message.txt", message = scratch / "message.asc",
                   output = scratch / "decrypted.bin";
    writeFile(input, plain);

    Outcome wrote;
    switch (e.operation) {
    case Operation::Encrypt:
        wrote = writer.gpg({"--armor", "--recipient", reader.fingerprint, "--output", writer.path(message),
                            "--encrypt", writer.path(input)},
                           {}, scratch);
        break;
    case Operation::ClearSign:
        wrote = writer.gpg({"--local-user", writer.fingerprint, "--output", writer.path(message),
                            "--clearsign", writer.path(input)},
                           writer.passPhrase, scratch);
        break;
    case Operation::DetachedSign:
        wrote = writer.gpg({"--armor", "--local-user", writer.fingerprint, "--output", writer.path(message),
                            "--detach-sign", writer.path(input)},
                           writer.passPhrase, scratch);
        break;
    case Operation::Conventional:
        wrote = writer.gpg({"--armor", "--output", writer.path(message), "--symmetric", writer.path(input)},
                           kSharedSecret, scratch);
        break;
    }
    ASSERT_EQ(0, wrote.status) << wrote.describe();
    const std::string written = readFile(message);
    ASSERT_NE(std::string::npos, written.find("-----BEGIN PGP ")) << written;

    if (!text) {
        const std::string& phrase = e.operation == Operation::Encrypt ? reader.passPhrase : kSharedSecret;
        Outcome read =
            reader.gpg({"--output", reader.path(output), "--decrypt", reader.path(message)}, phrase, scratch);
        ASSERT_EQ(0, read.status) << read.describe();
        EXPECT_EQ(plain, readFile(output));
        EXPECT_EQ(std::string::npos, written.find("line two")) << "plaintext in the message";
        return;
    }
    std::vector<std::string> verify = {"--status-fd", "1", "--verify", reader.path(message)};
    if (e.operation == Operation::DetachedSign)
        verify.push_back(reader.path(input));
    else
        EXPECT_NE(std::string::npos, written.find("the meeting moves to Tuesday")) << written;
    Outcome good = reader.gpg(verify, {}, scratch);
    EXPECT_EQ(0, good.status) << good.describe();
    EXPECT_NE(std::string::npos, good.out.find("[GNUPG:] VALIDSIG " + writer.fingerprint)) << good.out;

    // The same signature over a text with one word changed.
    const fs::path altered = e.operation == Operation::DetachedSign ? input : message;
    std::string bytes = readFile(altered);
    bytes.replace(bytes.find("Tuesday"), 7, "Fridays");
    writeFile(altered, bytes);
    Outcome bad = reader.gpg(verify, {}, scratch);
    EXPECT_NE(0, bad.status) << bad.out;
    EXPECT_NE(std::string::npos, bad.out.find("[GNUPG:] BADSIG")) << bad.out;
    EXPECT_EQ(std::string::npos, bad.out.find("VALIDSIG")) << bad.out;
}

std::vector<Exchange> allExchanges() {
    std::vector<Exchange> all;
    for (Operation op :
         {Operation::Encrypt, Operation::ClearSign, Operation::DetachedSign, Operation::Conventional})
        for (auto [w, r] : {std::pair{Side::Wine, Side::Wine}, std::pair{Side::Wine, Side::Linux},
                            std::pair{Side::Linux, Side::Wine}})
            all.push_back({op, w, r});
    return all;
}

INSTANTIATE_TEST_SUITE_P(BothWays, EngineExchange, ::testing::ValuesIn(allExchanges()), exchangeName);

// The agent keeps no pass phrase: a wrong one is refused right after the right one worked, in
// the same home with the same agent still running.
TEST_F(Engine, AWrongPassPhraseIsRefusedRightAfterTheRightOne) {
    const fs::path input = scratch / "in.txt", output = scratch / "out.bin";
    writeFile(input, kLetter);
    struct Case {
        const char* what;
        std::vector<std::string> write;
        std::optional<std::string> writePhrase;
        std::vector<std::string> use; // reads or signs with `phrase`
        std::string phrase;
    };
    const fs::path encrypted = scratch / "to-key.gpg", conventional = scratch / "conventional.gpg";
    const Case cases[] = {
        {"decrypt",
         {"--recipient", wine.fingerprint, "--output", wine.path(encrypted), "--encrypt", wine.path(input)},
         {},
         {"--output", wine.path(output), "--decrypt", wine.path(encrypted)},
         wine.passPhrase},
        {"conventional decrypt",
         {"--output", wine.path(conventional), "--symmetric", wine.path(input)},
         kSharedSecret,
         {"--output", wine.path(output), "--decrypt", wine.path(conventional)},
         kSharedSecret},
        {"sign", {}, {}, {"--output", wine.path(output), "--clearsign", wine.path(input)}, wine.passPhrase},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.write.empty()) {
            ASSERT_EQ(0, wine.gpg(c.write, c.writePhrase, scratch).status);
        }
        fs::remove(output);
        Outcome right = wine.gpg(c.use, c.phrase, scratch);
        EXPECT_EQ(0, right.status) << right.describe();
        EXPECT_TRUE(fs::exists(output));
        ASSERT_FALSE(wineAgents().empty()) << "the agent should still run between the two calls";
        fs::remove(output);
        Outcome wrong = wine.gpg(c.use, c.phrase + "x", scratch);
        EXPECT_NE(0, wrong.status) << "accepted a wrong pass phrase";
        EXPECT_FALSE(fs::exists(output) && !readFile(output).empty())
            << "wrote output with a wrong pass phrase";
    }
}

// The agent the engine starts lives on after gpg.exe until it is ended, and then it is gone:
// the check behind every test's tear-down sees a running agent.
TEST_F(Engine, TheAgentOutlivesGpgUntilGpgconfEndsIt) {
    const fs::path input = scratch / "in.txt", output = scratch / "signed.asc";
    writeFile(input, kLetter);
    ASSERT_EQ(0, wine.gpg({"--output", wine.path(output), "--clearsign", wine.path(input)}, wine.passPhrase,
                          scratch)
                     .status);
    EXPECT_EQ(1u, wineAgents().size());
    Outcome ended = wine.endAgent(scratch);
    EXPECT_EQ(0, ended.status) << ended.describe();
    EXPECT_TRUE(waitUntil([] { return wineAgents().empty(); }, 30s));
}

} // namespace
