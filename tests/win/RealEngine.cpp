#include "RealEngine.h"
#include "WinTestSupport.h"
#include "win/Win32Util.h"
#include <gtest/gtest.h>
#include <windows.h>

namespace mwtest {

// The engine folder is given to the build as a Linux path; Wine maps the Linux root to Z:.
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

bool runLinuxGpg(const std::string& dir, const std::vector<std::string>& keyFiles,
                 const std::string& commands) {
    const std::string u = unixPath(dir);
    EXPECT_FALSE(u.empty()) << "no Linux path for " << dir;
    if (u.empty()) return false;
    const std::string done = dir + "linux-gpg.done";
    DeleteFileA(done.c_str());
    std::string script = "cd '" + u +
                         "' || exit 1\n"
                         // A short home: the agent's socket name must fit a Unix socket address.
                         "export GNUPGHOME=\"$(mktemp -d /tmp/mwrt.XXXXXX)\"\n"
                         "g='gpg --batch --no-tty --pinentry-mode loopback --passphrase-file pass.txt'\n";
    for (const std::string& key : keyFiles)
        script += "$g --import '" + key + "' 2>>import.log\n";
    script +=
        "(\n" + commands + "\n)\ngpgconf --kill gpg-agent\nrm -rf \"$GNUPGHOME\"\ntouch linux-gpg.done\n";
    writeFileBytes(dir + "linux-gpg.sh", script);
    std::string shell = "/bin/sh " + u + "linux-gpg.sh";
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    const bool started =
        CreateProcessA(nullptr, shell.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    EXPECT_TRUE(started) << shell;
    if (!started) return false;
    // A Unix process started this way gives no handle to wait on: its last step leaves a mark.
    // Nor are the handles Wine fills in ours to close: they are whatever its stack held, and may
    // name a live handle of this process (the thread's desktop, after which no window can be
    // created).
    return waitFor("Linux gpg to finish", [&] { return exists(done); });
}

namespace {

bool holds(const std::string& bytes, const std::string& secret) {
    if (bytes.find(secret) != std::string::npos) return true;
    std::string wide;
    for (char c : secret) {
        wide += c;
        wide += '\0';
    }
    return bytes.find(wide) != std::string::npos;
}

void scan(const std::string& dir, const std::string& relative, const std::string& secret,
          std::vector<std::string>& found) {
    for (const std::string& name : namesIn(dir + relative)) {
        const std::string path = dir + relative + name;
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            scan(dir, relative + name + "\\", secret, found);
            continue;
        }
        mw::UniqueHandle f(CreateFileA(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        // A file that cannot be read could hold it: it counts as found.
        if (!f) {
            if (exists(path)) found.push_back(relative + name + " (unreadable)");
            continue;
        }
        std::string bytes;
        char buf[65536];
        DWORD got = 0;
        while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got)
            bytes.append(buf, got);
        if (holds(bytes, secret)) found.push_back(relative + name);
    }
}

} // namespace

std::vector<std::string> filesHolding(const std::string& dir, const std::string& secret) {
    std::vector<std::string> found;
    scan(dir, "", secret, found);
    return found;
}

RealEngine::RealEngine(std::string baseDir)
    : base(std::move(baseDir)), bin(base + "bin\\"), pgpDir(base + "pgp\\"),
      home(pgpDir.substr(0, pgpDir.size() - 1)) {}

RealEngine::RealEngine(std::string baseDir, std::string binDir, std::string pgpDirectory)
    : base(std::move(baseDir)), bin(std::move(binDir)), pgpDir(std::move(pgpDirectory)),
      home(pgpDir.substr(0, pgpDir.size() - 1)) {}

RealEngine::~RealEngine() {
    if (exists(bin + "gnupg\\gpgconf.exe")) endAgent();
}

bool RealEngine::built() {
    return exists(engineDirectory() + "gpg.exe");
}

void RealEngine::install() {
    installPrograms();
    if (::testing::Test::HasFatalFailure()) return;
    makeKey("Murkwell Demo", "demo@murkwell.invalid", kDemoPass, base + "demo-secret.asc");
}

void RealEngine::installPrograms() {
    const std::string engine = engineDirectory();
    makeDirectory(bin);
    makeDirectory(bin + "gnupg");
    ASSERT_TRUE(CopyFileA((buildTreeDirectory() + "pgp\\pgp.exe").c_str(), (bin + "pgp.exe").c_str(), FALSE));
    for (const std::string& name : namesIn(engine))
        if (name.ends_with(".exe") || name.ends_with(".dll"))
            ASSERT_TRUE(CopyFileA((engine + name).c_str(), (bin + "gnupg\\" + name).c_str(), FALSE)) << name;
    makeDirectory(pgpDir);
    writeFileBytes(pgpDir + "gpg-agent.conf", "default-cache-ttl 0\nmax-cache-ttl 0\n");
}

void RealEngine::makeKey(const std::string& name, const std::string& email, const std::string& pass,
                         const std::string& exportTo) {
    const std::string parameters = base + "keygen.txt";
    writeFileBytes(parameters, "Key-Type: eddsa\nKey-Curve: ed25519\nKey-Usage: sign\n"
                               "Subkey-Type: ecdh\nSubkey-Curve: cv25519\nSubkey-Usage: encrypt\n"
                               "Name-Real: " +
                                   name + "\nName-Email: " + email + "\nExpire-Date: 0\n%commit\n");
    ASSERT_EQ(0, runWithInput(engineCall("--generate-key \"" + parameters + "\""), pass + "\n"));
    DeleteFileA(parameters.c_str());
    // Linux gpg gets the key as a user would move it: exported with its pass phrase.
    if (!exportTo.empty())
        ASSERT_EQ(
            0, runWithInput(engineCall("--armor --output \"" + exportTo + "\" --export-secret-keys " + email),
                            pass + "\n"));
    endAgent();
}

void RealEngine::exportPublicKey(const std::string& email, const std::string& path) {
    ASSERT_EQ(0, runWithInput(engineCall("--armor --output \"" + path + "\" --export " + email), ""));
}

namespace {

// Copies the content of `from` into `to` (both with a trailing backslash), subfolders included,
// but not the agent's socket files: they name an agent that has ended.
void copyTree(const std::string& from, const std::string& to) {
    makeDirectory(to);
    for (const std::string& name : namesIn(from)) {
        if (name.starts_with("S.")) continue;
        if (GetFileAttributesA((from + name).c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            copyTree(from + name + "\\", to + name + "\\");
        else
            ASSERT_TRUE(CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE)) << from << name;
    }
}

} // namespace

void RealEngine::installCopyOf(const RealEngine& made) {
    copyTree(made.bin, bin);
    copyTree(made.pgpDir, pgpDir);
    for (const std::string& name : namesIn(made.base))
        if (name.ends_with(".asc"))
            ASSERT_TRUE(CopyFileA((made.base + name).c_str(), (base + name).c_str(), FALSE)) << name;
}

std::string RealEngine::engineCall(const std::string& rest) const {
    return "\"" + bin + "gnupg\\gpg.exe\" --homedir \"" + home +
           "\" --batch --no-tty --pinentry-mode loopback --passphrase-fd 0 " + rest;
}

void RealEngine::endAgent() const {
    runWithInput("\"" + bin + "gnupg\\gpgconf.exe\" --homedir \"" + home + "\" --kill gpg-agent", "");
}

void installWipeTool(const std::string& dir) {
    ASSERT_TRUE(CopyFileA((buildTreeDirectory() + "scorch\\scorch.com").c_str(), (dir + "scorch.com").c_str(),
                          FALSE));
}

} // namespace mwtest
