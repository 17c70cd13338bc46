#include "EngineSupport.h"

namespace mwtest {

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

int runWithInput(std::string commandLine, const std::string& input, const std::string& outputPath) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    mw::UniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    mw::UniqueHandle nul(
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    mw::UniqueHandle output;
    if (!outputPath.empty())
        output.reset(CreateFileA(outputPath.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA si{sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = readEnd;
    si.hStdOutput = output ? output.get() : nul.get();
    si.hStdError = nul.get();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        return -1;
    mw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    reader.reset();
    output.reset();
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

bool runLinuxScript(const std::string& dir, const std::string& script) {
    const std::string u = unixPath(dir);
    if (u.empty()) {
        ADD_FAILURE() << "no Unix name for " << dir;
        return false;
    }
    DeleteFileA((dir + "done").c_str());
    writeFileBytes(dir + "peer.sh", "cd '" + u + "' || exit 1\n" + script + "\ntouch done\n");
    // A Linux program started from Wine gives no process handle to wait on: it says when it ends.
    std::string shell = "/bin/sh " + u + "peer.sh";
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, shell.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "/bin/sh did not start";
        return false;
    }
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    return waitFor("Linux gpg to finish", [&] { return exists(dir + "done"); });
}

std::string EngineInstall::call(const std::string& rest) const {
    return "\"" + bin + "gnupg\\gpg.exe\" --homedir \"" + home +
           "\" --batch --no-tty --pinentry-mode loopback --passphrase-fd 0 " + rest;
}

void EngineInstall::endAgent() const {
    runWithInput("\"" + bin + "gnupg\\gpgconf.exe\" --homedir \"" + home + "\" --kill gpg-agent", "");
}

EngineInstall installEngine(const std::string& dir, const std::string& home) {
    EngineInstall e;
    const std::string engine = engineDirectory();
    if (!exists(engine + "gpg.exe")) return e;
    e.bin = dir + "bin\\";
    e.home = home;
    makeDirectory(e.bin);
    makeDirectory(e.bin + "gnupg");
    makeDirectory(home);
    EXPECT_TRUE(
        CopyFileA((buildTreeDirectory() + "pgp\\pgp.exe").c_str(), (e.bin + "pgp.exe").c_str(), FALSE));
    for (const std::string& name : namesIn(engine))
        if (name.ends_with(".exe") || name.ends_with(".dll"))
            EXPECT_TRUE(CopyFileA((engine + name).c_str(), (e.bin + "gnupg\\" + name).c_str(), FALSE))
                << name;
    EXPECT_TRUE(CopyFileA((buildTreeDirectory() + "scorch\\scorch.com").c_str(), (dir + "scorch.com").c_str(),
                          FALSE));
    writeFileBytes(home + "\\gpg-agent.conf", "default-cache-ttl 0\nmax-cache-ttl 0\n");
    e.present = true;
    return e;
}

} // namespace mwtest
