// pgp.exe's pass-phrase paths in this process, with the real engine: given by -z, by PGPPASS, by
// the descriptor PGPPASSFD names, or typed at the prompt; each encrypts a file conventionally and
// decrypts it again. Every heap block freed meanwhile is searched for the pass phrase, in UTF-8
// and in UTF-16.
#include "pgp/Program.h"
#include "pgp/Startup.h"
#include "support/FreedMemoryWatch.h"
#include "RealEngine.h"
#include "WinTestSupport.h"
#include <fcntl.h>
#include <io.h>

using namespace mwtest;

namespace {

const std::wstring kPhrase = L"correct horse battery staple \u00e9t\u00e9";
const std::string kNeedle = "horse battery staple";

enum class Source { Option, Environment, Descriptor, Prompt };

// A pipe whose read end stands in for a source; `lines` are in it already, then its end.
struct Feed {
    HANDLE read = nullptr;
    explicit Feed(const mw::SecretString& lines) {
        HANDLE write = nullptr;
        if (!CreatePipe(&read, &write, nullptr, 0)) return;
        DWORD n = 0;
        WriteFile(write, lines.data(), static_cast<DWORD>(lines.size()), &n, nullptr);
        CloseHandle(write);
    }
};

// The test's own copies of the phrase are wiped too, so that every find is pgp.exe's.
mw::SecretString consoleBytes(const std::wstring& text) {
    const UINT codePage = GetConsoleCP() ? GetConsoleCP() : GetOEMCP();
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    mw::SecretString out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

// One run of pgp.exe's Program with the pass phrase from `source`; its exit status.
// What it says goes to `said` when given, else nowhere.
pgp::ExitStatus runWith(Source source, std::vector<pgp::Argument> args, const std::string& home,
                        HANDLE said = nullptr) {
    const HANDLE stdIn = GetStdHandle(STD_INPUT_HANDLE), stdErr = GetStdHandle(STD_ERROR_HANDLE);
    // Conventional encryption asks twice at the prompt.
    const int asked = args[0] == L"-c" || args[0] == L"-ca" ? 2 : 1;
    mw::SecretString lines;
    for (int i = 0; i < asked; ++i)
        lines += consoleBytes(kPhrase) + "\r\n";
    Feed feed(source == Source::Prompt || source == Source::Descriptor ? lines : mw::SecretString());
    int descriptor = -1;
    switch (source) {
    case Source::Option:
        args.emplace_back(L"-z");
        args.emplace_back(kPhrase);
        break;
    case Source::Environment:
        SetEnvironmentVariableW(L"PGPPASS", kPhrase.c_str());
        break;
    case Source::Descriptor:
        descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(feed.read), _O_RDONLY);
        SetEnvironmentVariableW(L"PGPPASSFD", std::to_wstring(descriptor).c_str());
        break;
    case Source::Prompt:
        SetStdHandle(STD_INPUT_HANDLE, feed.read);
        break;
    }
    mw::UniqueHandle nul(
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    SetStdHandle(STD_ERROR_HANDLE, said ? said : nul.get()); // the prompts and messages
    pgp::ExitStatus status;
    {
        pgp::Command command = pgp::parseCommandLine(args);
        pgp::Console console;
        auto given = pgp::takeGivenPassPhrase(command);
        const std::string engine = engineDirectory();
        pgp::Program program(std::move(command), std::move(given), console,
                             std::wstring(engine.begin(), engine.end()),
                             std::wstring(home.begin(), home.end()));
        status = program.run();
    }
    SetStdHandle(STD_INPUT_HANDLE, stdIn);
    SetStdHandle(STD_ERROR_HANDLE, stdErr);
    SetEnvironmentVariableW(L"PGPPASSFD", nullptr);
    SetEnvironmentVariableW(L"PGPPASS", nullptr);
    if (descriptor >= 0)
        _close(descriptor);
    else if (feed.read)
        CloseHandle(feed.read);
    return status;
}

// The engine's home of these tests: the agent keeps no pass phrase.
std::string agentHome(const TempDir& dir) {
    const std::string home = dir / "home";
    makeDirectory(home);
    writeFileBytes(home + "\\gpg-agent.conf", "default-cache-ttl 0\nmax-cache-ttl 0\n");
    return home;
}

TEST(PgpPassPhrase, EveryPathOverwritesItsCopiesBeforeRelease) {
    const struct {
        const char* name;
        Source source;
    } paths[] = {{"-z", Source::Option},
                 {"PGPPASS", Source::Environment},
                 {"PGPPASSFD", Source::Descriptor},
                 {"prompt", Source::Prompt}};
    TempDir dir;
    if (!RealEngine::built()) GTEST_SKIP() << "no engine in " << engineDirectory();
    const std::string home = agentHome(dir);
    const std::string plain = "the plaintext\r\n";
    writeFileBytes(dir / "plain.txt", plain);
    auto wide = [](const std::string& s) { return pgp::Argument(std::wstring(s.begin(), s.end())); };
    const std::string wideNeedle = utf16Bytes(kNeedle);
    for (const auto& path : paths) {
        SCOPED_TRACE(path.name);
        DeleteFileA((dir / "secret.pgp").c_str());
        DeleteFileA((dir / "back.txt").c_str());
        watchFreedMemory({kNeedle, wideNeedle});
        pgp::ExitStatus encrypted = runWith(
            path.source,
            {pgp::Argument(L"-c"), wide(dir / "plain.txt"), pgp::Argument(L"-o"), wide(dir / "secret.pgp")},
            home);
        pgp::ExitStatus decrypted = runWith(
            path.source, {wide(dir / "secret.pgp"), pgp::Argument(L"-o"), wide(dir / "back.txt")}, home);
        stopWatchingFreedMemory();
        EXPECT_EQ(freedBlocksHoldingNeedle(), 0)
            << "freed holding the pass phrase: " << firstFreedBlockHoldingNeedle();
        EXPECT_EQ(encrypted, pgp::ExitStatus::Ok);
        EXPECT_EQ(decrypted, pgp::ExitStatus::Ok);
        EXPECT_EQ(readFileBytes(dir / "back.txt"), plain);
    }
}

// A console switched to UTF-8 (chcp 65001): a pass phrase typed into pgp.exe's redirected input
// arrives as UTF-8, and what it says into a redirection is UTF-8, a name in Cyrillic included.
TEST(PgpConsole, AUtf8ConsoleTakesAndGivesEveryCharacter) {
    TempDir dir;
    if (!RealEngine::built()) GTEST_SKIP() << "no engine in " << engineDirectory();
    const std::string home = agentHome(dir);
    const std::string report = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82"; // UTF-8
    writeFileBytes(dir / (report + ".txt"), "the plaintext\r\n");
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(mw::widePath(dir / (report + ".txt")).c_str(), shortName, MAX_PATH), 0u);
    const HANDLE std[] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                          GetStdHandle(STD_ERROR_HANDLE)};
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    ASSERT_TRUE(SetConsoleCP(CP_UTF8) && SetConsoleOutputCP(CP_UTF8));
    pgp::ExitStatus status;
    {
        mw::UniqueHandle said(CreateFileW(mw::widePath(dir / "said.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, 0, nullptr));
        SetCurrentDirectoryW(mw::widePath(dir.path()).c_str());
        status = runWith(Source::Prompt, {pgp::Argument(L"-ca"), pgp::Argument(shortName)}, home, said.get());
    }
    FreeConsole();
    SetStdHandle(STD_INPUT_HANDLE, std[0]);
    SetStdHandle(STD_OUTPUT_HANDLE, std[1]);
    SetStdHandle(STD_ERROR_HANDLE, std[2]);
    SetCurrentDirectoryA(buildTreeDirectory().c_str());
    EXPECT_EQ(status, pgp::ExitStatus::Ok);
    const std::string said = readFileBytes(dir / "said.txt");
    EXPECT_NE(said.find("Transport armor file: " + report + ".asc"), std::string::npos) << said;

    // Linux gpg opens it with the phrase in UTF-8: the typed bytes were read as UTF-8.
    ASSERT_TRUE(
        CopyFileW(mw::widePath(dir / (report + ".asc")).c_str(), mw::widePath(dir / "m.asc").c_str(), FALSE));
    writeFileBytes(dir / "pass.txt",
                   mw::utf8Path(kPhrase)); // where the peer's gpg takes its pass phrase from
    ASSERT_TRUE(runLinuxGpg(dir.path(), {},
                            "$g --output out.txt --decrypt m.asc 2>log.txt; "
                            "echo $? >status.txt"));
    EXPECT_EQ(readFileBytes(dir / "status.txt"), "0\n") << readFileBytes(dir / "log.txt");
    EXPECT_EQ(readFileBytes(dir / "out.txt"), "the plaintext\r\n");
}

// pgp -kg in a console of its own, as the offer of a first key starts it: once the key is made
// (the engine's agent sharing the console by then) the window waits for Enter, so that the result
// can be read.
TEST(PgpConsole, KeyGenerationInAConsoleOfItsOwnWaitsForEnter) {
    TempDir dir;
    if (!RealEngine::built()) GTEST_SKIP() << "no engine in " << engineDirectory();
    RealEngine engine(dir.path());
    engine.installPrograms();
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    SetEnvironmentVariableA("PGPPATH", nullptr); // the keys go to the working directory
    const std::string pgp = engine.bin + "pgp.exe";
    std::string line = "\"" + pgp + "\" -kg";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                               engine.pgpDir.c_str(), &si, &pi));
    mw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    ASSERT_TRUE(
        typeIntoConsoleOf(pgp, L"1\rNora Newcomer <nora@example.org>\rnew key phrase\rnew key phrase\r"));
    std::string shown;
    EXPECT_TRUE(waitFor("the window to ask for Enter", [&] {
        shown = consoleTextOf(pgp);
        return shown.find("Press Enter to close this window.") != std::string::npos ||
               WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
    }));
    EXPECT_NE(shown.find("Key generation completed: key fingerprint "), std::string::npos) << shown;
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "closed before Enter";
    EXPECT_TRUE(typeIntoConsoleOf(pgp, L"\r"));
    ASSERT_EQ(WaitForSingleObject(process.get(), kWaitLimitMs), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
}

} // namespace
