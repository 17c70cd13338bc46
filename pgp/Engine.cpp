// The engine's processes. gpg-agent.exe outlives the gpg.exe that needs it and inherits what
// its starter could inherit, so pgp.exe starts it itself with nothing but the null device, waits
// for each gpg.exe on its process handle, and ends the agent through gpgconf before exiting.
#include "pgp/Engine.h"
#include "pgp/core/ArgumentVector.h"
#include "pgp/core/EngineCalls.h"
#include "scorch/Win32Wipe.h"
#include <memory>
#include <thread>

namespace pgp {

using scorch::Handle;

namespace {

struct Pipe {
    Handle read, write;
};

// A pipe whose end for the engine (`childReads` picks which) is inheritable and ours is not.
Pipe makePipe(bool childReads) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE r = nullptr, w = nullptr;
    if (!CreatePipe(&r, &w, &sa, 0)) return {};
    Pipe p{Handle(r), Handle(w)};
    SetHandleInformation(childReads ? w : r, HANDLE_FLAG_INHERIT, 0);
    return p;
}

Handle nullDevice(DWORD access) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return Handle(CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr));
}

void writeAll(HANDLE h, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size), written = 0;
        if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0) return;
        data += written;
        size -= written;
    }
}

void readAll(HANDLE from, std::string& into) {
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(from, buffer, sizeof buffer, &n, nullptr) && n > 0)
        into.append(buffer, n);
}

void copyAll(HANDLE from, HANDLE to) {
    std::vector<char> buffer(1 << 16);
    DWORD n = 0;
    while (ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) && n > 0)
        writeAll(to, buffer.data(), n);
}

struct Started {
    Handle process;
    bool ok = false;
};

// CreateProcessW with exactly `inherit` inherited: the standard handles and whatever the
// engine is told to use by number.
Started startProcess(const std::wstring& program, const std::vector<std::wstring>& arguments, HANDLE in, HANDLE out,
                     HANDLE err, std::vector<HANDLE> inherit) {
    Started s;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::unique_ptr<char[]> storage(new char[size]);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.get());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return s;
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherit.data(),
                                   inherit.size() * sizeof(HANDLE), nullptr, nullptr)) {
        DeleteProcThreadAttributeList(list);
        return s;
    }
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si;
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    si.StartupInfo.hStdInput = in;
    si.StartupInfo.hStdOutput = out;
    si.StartupInfo.hStdError = err;
    si.lpAttributeList = list;
    std::wstring line = buildCommandLine(program, arguments);
    PROCESS_INFORMATION pi{};
    s.ok = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT,
                          nullptr, nullptr, &si.StartupInfo, &pi) != 0;
    DeleteProcThreadAttributeList(list);
    if (s.ok) {
        CloseHandle(pi.hThread);
        s.process = Handle(pi.hProcess);
    }
    return s;
}

} // namespace

Engine::Engine(std::wstring folder, std::wstring home)
    : folder_(std::move(folder)), gpg_(folder_ + L"gpg.exe"), gpgconf_(folder_ + L"gpgconf.exe"),
      home_(std::move(home)) {}

Engine::~Engine() {
    endAgent();
}

bool Engine::present() const {
    const DWORD a = GetFileAttributesW(gpg_.c_str()), b = GetFileAttributesW(gpgconf_.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && b != INVALID_FILE_ATTRIBUTES &&
           !(b & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD Engine::runDetached(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    Handle in = nullDevice(GENERIC_READ), out = nullDevice(GENERIC_WRITE);
    if (!in || !out) return static_cast<DWORD>(-1);
    Started s = startProcess(program, arguments, in.get(), out.get(), out.get(), {in.get(), out.get()});
    if (!s.ok) return static_cast<DWORD>(-1);
    WaitForSingleObject(s.process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(s.process.get(), &code);
    return code;
}

bool Engine::startAgent() {
    if (agentStarted_) return true;
    agentStarted_ = runDetached(gpgconf_, {L"--homedir", home_, L"--launch", L"gpg-agent"}) == 0;
    return agentStarted_;
}

void Engine::endAgent() {
    if (!agentStarted_) return;
    runDetached(gpgconf_, {L"--homedir", home_, L"--kill", L"gpg-agent"});
    agentStarted_ = false;
}

EngineResult Engine::run(const EngineRun& r) {
    EngineResult result;
    if (r.needsAgent) startAgent();
    Pipe in = makePipe(true), out = makePipe(false), err = makePipe(false), status = makePipe(false);
    Pipe pass;
    if (r.passPhrase) pass = makePipe(true);
    if (!in.read || !out.write || !err.write || !status.write || (r.passPhrase && !pass.read)) return result;

    std::vector<std::wstring> arguments = baseArguments(
        home_, reinterpret_cast<std::uintptr_t>(status.write.get()),
        r.passPhrase ? reinterpret_cast<std::uintptr_t>(pass.read.get()) : 0);
    arguments.insert(arguments.end(), r.arguments.begin(), r.arguments.end());
    std::vector<HANDLE> inherit{in.read.get(), out.write.get(), err.write.get(), status.write.get()};
    if (r.passPhrase) inherit.push_back(pass.read.get());

    Started s = startProcess(gpg_, arguments, in.read.get(), out.write.get(), err.write.get(), inherit);
    // Our copies of the engine's ends go, so each pipe ends when the engine does.
    in.read.reset();
    out.write.reset();
    err.write.reset();
    status.write.reset();
    pass.read.reset();
    if (!s.ok) return result;
    result.started = true;

    if (r.passPhrase) {
        // The engine reads one line; a pipe's buffer takes it whole, so this never blocks.
        mw::SecretString line(*r.passPhrase);
        line += '\n';
        writeAll(pass.write.get(), line.data(), line.size());
        pass.write.reset();
    }
    std::thread feeder([&] {
        if (r.input)
            copyAll(r.input, in.write.get());
        else if (r.inputText)
            writeAll(in.write.get(), r.inputText->data(), r.inputText->size());
        in.write.reset();
    });
    std::thread reader([&] {
        if (r.output)
            copyAll(out.read.get(), r.output);
        else
            readAll(out.read.get(), result.captured);
    });
    std::thread complaints([&] { readAll(err.read.get(), result.errors); });
    std::string statusText;
    readAll(status.read.get(), statusText);
    WaitForSingleObject(s.process.get(), INFINITE);
    GetExitCodeProcess(s.process.get(), &result.exitCode);
    feeder.join();
    reader.join();
    complaints.join();

    std::size_t start = 0;
    while (start < statusText.size()) {
        auto end = statusText.find('\n', start);
        if (end == std::string::npos) end = statusText.size();
        if (auto line = parseStatusLine(std::string_view(statusText).substr(start, end - start)))
            result.report.absorb(*line);
        start = end + 1;
    }
    return result;
}

} // namespace pgp
