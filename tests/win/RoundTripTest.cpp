// The whole chain for real: the editor window's Encrypt and Decrypt through real batch files,
// cmd.exe, our pgp.exe and the engine, with a demo key made by the engine; Linux gpg reads what
// the editor encrypted.
#include "editor/EditorApp.h"
#include "editor/EditorCommands.h"
#include "editor/TForm1.h"
#include "editor/TKey.h"
#include "win/TPubKey.h"
#include "win/Win32Util.h"
#include "WinTestSupport.h"
#include <memory>

using namespace mwtest;

namespace {

const char* const kDemoUser = "Murkwell Demo <demo@murkwell.invalid>";
const char* const kDemoPass = "murkwell demo";

// The engine folder, given to the build as a Linux path; Wine maps the Linux root to Z:.
std::string engineDirectory() {
    std::string path = std::string("Z:") + MW_ENGINE_DIR + "/";
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string unixPath(const std::string& windowsPath) {
    using ToUnix = char*(__cdecl*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* name = toUnix(wide.c_str());
    if (!name) return {};
    std::string out(name);
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// Runs a Windows program to its end with `input` on its standard input; its exit code or -1.
int runWithInput(std::string commandLine, const std::string& input) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    mw::UniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    mw::UniqueHandle nul(
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA si{sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = readEnd;
    si.hStdOutput = nul.get();
    si.hStdError = nul.get();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        return -1;
    mw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    reader.reset();
    DWORD written = 0;
    WriteFile(writeEnd, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    writer.reset();
    // The engine's agent inherits nothing of ours that matters: wait for the process, not the pipe.
    if (WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

class RoundTrip : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        const std::string engine = engineDirectory();
        if (!exists(engine + "gpg.exe"))
            GTEST_SKIP() << "no engine in " << engine << ": run scripts/build-engine.sh";
        bin = dir / "bin\\";
        makeDirectory(bin);
        makeDirectory(bin + "gnupg");
        ASSERT_TRUE(
            CopyFileA((buildTreeDirectory() + "pgp\\pgp.exe").c_str(), (bin + "pgp.exe").c_str(), FALSE));
        for (const std::string& name : namesIn(engine))
            if (name.ends_with(".exe") || name.ends_with(".dll"))
                ASSERT_TRUE(CopyFileA((engine + name).c_str(), (bin + "gnupg\\" + name).c_str(), FALSE))
                    << name;
        ASSERT_TRUE(CopyFileA((buildTreeDirectory() + "scorch\\scorch.com").c_str(),
                              (dir / "scorch.com").c_str(), FALSE));
        pgpDir = dir / "pgp\\";
        makeDirectory(pgpDir);
        home = pgpDir.substr(0, pgpDir.size() - 1);
        writeFileBytes(pgpDir + "gpg-agent.conf", "default-cache-ttl 0\nmax-cache-ttl 0\n");
        writeFileBytes(dir / "keygen.txt", "Key-Type: eddsa\nKey-Curve: ed25519\nKey-Usage: sign\n"
                                           "Subkey-Type: ecdh\nSubkey-Curve: cv25519\nSubkey-Usage: encrypt\n"
                                           "Name-Real: Murkwell Demo\nName-Email: demo@murkwell.invalid\n"
                                           "Expire-Date: 0\n%commit\n");
        ASSERT_EQ(0, runWithInput(engineCall("--generate-key \"" + dir / "keygen.txt\""),
                                  std::string(kDemoPass) + "\n"));
        // Linux gpg gets the key as a user would move it: exported with its pass phrase.
        ASSERT_EQ(0, runWithInput(
                         engineCall("--armor --output \"" + dir / "demo-secret.asc\" --export-secret-keys"),
                         std::string(kDemoPass) + "\n"));
        endAgent();
        DeleteFileA((dir / "keygen.txt").c_str());
        writeFileBytes(dir / "Murkwell.ini", bin + "pgp.exe\r\n" + pgpDir + "\r\n" + pgpDir +
                                                 "pubring.pgp\r\n" + pgpDir +
                                                 "secring.pgp\r\n0\r\n0\r\n640\r\n450\r\nright\r\nstore\r\n"
                                                 "Courier New\r\n8\r\n0\r\n-2147483643\r\n");
    }
    void TearDown() override {
        app.reset();
        if (!home.empty()) endAgent();
        waitFor("the programs started from the test's directory to end",
                [&] { return !processRunsFrom(dir.path()); });
        ProgramFixture::TearDown();
    }
    std::string engineCall(const std::string& rest) {
        return "\"" + bin + "gnupg\\gpg.exe\" --homedir \"" + home +
               "\" --batch --no-tty --pinentry-mode loopback --passphrase-fd 0 " + rest;
    }
    void endAgent() {
        runWithInput("\"" + bin + "gnupg\\gpgconf.exe\" --homedir \"" + home + "\" --kill gpg-agent", "");
    }
    void command(int id) { SendMessageA(app->form1().handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    std::string text() { return mw::windowText(app->form1().memo()); }

    std::string bin, pgpDir, home;
    std::unique_ptr<editor::EditorApp> app;
};

TEST_F(RoundTrip, EncryptToTheDemoKeyThenDecryptWithTheStoredPassPhrase) {
    app = std::make_unique<editor::EditorApp>();
    app->form1().showMain();
    const std::string original = "Meet me at ten.\r\nZ\xFCrich, the old bridge.\r\n";
    mw::setWindowText(app->form1().memo(), original);
    onModal = [](mw::Form& f) {
        auto& dialog = static_cast<mw::TPubKey&>(f);
        LRESULT at = SendMessageA(dialog.listBox1(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(kDemoUser));
        ASSERT_NE(at, LB_ERR) << "the demo key is not listed";
        SendMessageA(dialog.listBox1(), LB_SETCURSEL, static_cast<WPARAM>(at), 0);
        dialog.SpeedButton1Click();
        dialog.Button1Click();
    };
    command(editor::CmdBitBtn1Click);
    const std::string encrypted = text();
    ASSERT_EQ(0u, encrypted.find("-----BEGIN PGP MESSAGE-----\r\n")) << encrypted;
    EXPECT_EQ(std::string::npos, encrypted.find("Meet me"));

    // Linux gpg, in a home of its own: the message is for the demo key and holds the text.
    writeFileBytes(dir / "message.asc", encrypted);
    writeFileBytes(dir / "pass.txt", kDemoPass);
    const std::string u = unixPath(dir.path());
    ASSERT_FALSE(u.empty());
    writeFileBytes(dir / "check.sh",
                   // A short home: the agent's socket name must fit a Unix socket address.
                   "cd '" + u +
                       "' || exit 1\nexport GNUPGHOME=\"$(mktemp -d /tmp/mwrt.XXXXXX)\"\n"
                       "g='gpg --batch --no-tty --pinentry-mode loopback --passphrase-file pass.txt'\n"
                       "$g --import demo-secret.asc 2>import.log\n"
                       "$g --output linux-plain.txt --decrypt message.asc 2>decrypt.log\n"
                       "echo $? >decrypt.status\n"
                       "gpgconf --kill gpg-agent\nrm -rf \"$GNUPGHOME\"\ntouch done\n");
    std::string shell = "/bin/sh " + u + "check.sh";
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(
        CreateProcessA(nullptr, shell.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    ASSERT_TRUE(waitFor("Linux gpg to finish", [&] { return exists(dir / "done"); }));
    EXPECT_EQ("0\n", readFileBytes(dir / "decrypt.status")) << readFileBytes(dir / "decrypt.log");
    // A text-mode message carries CR LF line ends; Linux gpg writes them as the local LF.
    std::string unixLines = original;
    for (size_t at; (at = unixLines.find("\r\n")) != std::string::npos;)
        unixLines.erase(at, 1);
    EXPECT_EQ(unixLines, readFileBytes(dir / "linux-plain.txt"));
    EXPECT_NE(std::string::npos, readFileBytes(dir / "decrypt.log").find("demo@murkwell.invalid"))
        << readFileBytes(dir / "decrypt.log");

    SetWindowTextA(app->passPhrase().edit1(), kDemoPass);
    command(editor::CmdBitBtn2Click);
    EXPECT_EQ(original, text());

    // Every temporary of both jobs goes, wiped by the tool beside the program.
    const char* temporaries[] = {"Murkwell.bat", "Murkwell.lck", "murkwell.tmp",
                                 "murkwell.usr", "murkwell.asc", "murkwell.txt"};
    EXPECT_TRUE(waitFor("the temporaries to go", [&] {
        for (const char* name : temporaries)
            if (exists(pgpDir + name)) return false;
        return true;
    }));
    for (const char* name : temporaries)
        EXPECT_FALSE(exists(pgpDir + name)) << name;
    // The stored pass phrase went into a batch file: no byte of it may stay in PGP's directory.
    for (const std::string& sub : {std::string(), std::string("private-keys-v1.d\\")})
        for (const std::string& name : namesIn(pgpDir + sub))
            EXPECT_EQ(std::string::npos, readFileBytes(pgpDir + sub + name).find(kDemoPass)) << sub << name;
}

} // namespace
