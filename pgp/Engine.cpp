// The engine's processes. gpg-agent.exe outlives the gpg.exe that starts it and inherits what
// that one could inherit (our pipes), so pgp.exe starts the agent itself, with nothing but the
// null device and no pass phrase cache, waits for each gpg.exe on its process handle, and ends
// the agent before exiting: through its socket, else through gpgconf, and by its process handle
// if it is still there.
#include "pgp/Engine.h"
#include "pgp/AgentSocket.h"
#include "pgp/Console.h"
#include "pgp/core/ArgumentVector.h"
#include "pgp/core/EngineCalls.h"
#include "win/Handles.h"
#include "win/SystemText.h"
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace pgp {

using Handle = mw::UniqueHandle;

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
    return Handle(
        CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr));
}

bool writeAll(HANDLE h, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size), written = 0;
        if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

void readAll(HANDLE from, std::string& into) {
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(from, buffer, sizeof buffer, &n, nullptr) && n > 0)
        into.append(buffer, n);
}

// Our environment without PGP's pass-phrase variables, spelt out for the engine: nothing of them
// may reach it, whatever the system would pass on by itself.
std::wstring engineEnvironment() {
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry && *entry; entry += std::wcslen(entry) + 1) {
        std::wstring_view e(entry);
        std::wstring name(e.substr(0, e.find(L'=', 1)));
        if (_wcsicmp(name.c_str(), L"PGPPASS") == 0 || _wcsicmp(name.c_str(), L"PGPPASSFD") == 0) continue;
        block.append(e);
        block.push_back(L'\0');
    }
    if (strings) FreeEnvironmentStringsW(strings);
    block.push_back(L'\0');
    return block;
}

struct Started {
    Handle process;
    bool ok = false;
};

// The job of this process's engine, for the console's control events.
std::atomic<HANDLE> consoleJob{nullptr};

// Ctrl+C, Ctrl+Break, the console window closed, the user logging off: the engine and the agent
// end with the job, and this process ends at once. The temporary output, marked for deletion
// until it is complete, goes with the last handle to it.
BOOL WINAPI onConsoleEvent(DWORD) {
    if (HANDLE job = consoleJob.load()) TerminateJobObject(job, ERROR_CANCELLED);
    ExitProcess(static_cast<UINT>(ExitStatus::Interrupted));
}

// CreateProcessW with exactly `inherit` inherited: the standard handles and whatever the
// engine is told to use by number. Started suspended and put in `job` before it runs, so that
// nothing it starts escapes the job either.
Started startProcess(const std::wstring& program, const std::vector<std::wstring>& arguments, HANDLE in,
                     HANDLE out, HANDLE err, std::vector<HANDLE> inherit, HANDLE job) {
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
    std::wstring environment = engineEnvironment();
    PROCESS_INFORMATION pi{};
    s.ok = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                          EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED,
                          environment.data(), nullptr, &si.StartupInfo, &pi) != 0;
    DeleteProcThreadAttributeList(list);
    if (!s.ok) return s;
    s.process = Handle(pi.hProcess);
    Handle thread(pi.hThread);
    // A system that refuses a job within the caller's own runs the engine as before, unguarded.
    if (job) AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(thread.get());
    return s;
}

} // namespace

Engine::Engine(std::wstring folder, std::wstring home)
    : folder_(std::move(folder)), gpg_(folder_ + L"gpg.exe"), gpgconf_(folder_ + L"gpgconf.exe"),
      agent_(folder_ + L"gpg-agent.exe"), home_(std::move(home)), job_(CreateJobObjectW(nullptr, nullptr)) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job_ &&
        !SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        job_.reset();
    consoleJob = job_.get();
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

Engine::~Engine() {
    endAgent();
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    consoleJob = nullptr;
}

bool Engine::present() const {
    const DWORD a = GetFileAttributesW(gpg_.c_str()), b = GetFileAttributesW(gpgconf_.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && b != INVALID_FILE_ATTRIBUTES &&
           !(b & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD Engine::runDetached(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    Handle in = nullDevice(GENERIC_READ), out = nullDevice(GENERIC_WRITE);
    if (!in || !out) return static_cast<DWORD>(-1);
    Started s =
        startProcess(program, arguments, in.get(), out.get(), out.get(), {in.get(), out.get()}, job_.get());
    if (!s.ok) return static_cast<DWORD>(-1);
    WaitForSingleObject(s.process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(s.process.get(), &code);
    return code;
}

std::string Engine::capture(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    std::string text;
    Handle in = nullDevice(GENERIC_READ), err = nullDevice(GENERIC_WRITE);
    Pipe out = makePipe(false);
    if (!in || !err || !out.write) return text;
    Started s = startProcess(program, arguments, in.get(), out.write.get(), err.get(),
                             {in.get(), out.write.get(), err.get()}, job_.get());
    out.write.reset();
    if (!s.ok) return text;
    readAll(out.read.get(), text);
    WaitForSingleObject(s.process.get(), INFINITE);
    return text;
}

void Engine::startAgentMeanwhile() {
    if (agentProcess_ || agentStart_) return;
    agentStart_.reset(CreateThread(
        nullptr, 0, [](void* self) -> DWORD { return static_cast<Engine*>(self)->startAgentHere() ? 1 : 0; },
        this, 0, nullptr));
}

bool Engine::startAgent() {
    if (!agentStart_) return startAgentHere();
    WaitForSingleObject(agentStart_.get(), INFINITE);
    DWORD started = 0;
    GetExitCodeThread(agentStart_.get(), &started);
    agentStart_.reset();
    return started == 1;
}

bool Engine::startAgentHere() {
    if (agentProcess_) return true;
    // An agent that is alive but never answers has been seen under Wine, rarely: it is ended and
    // one more is started. The last one is kept however it stands, as before.
    constexpr int kAttempts = 2;
    for (int attempt = 1;; ++attempt) {
        const AgentStart started = launchAgent(attempt < kAttempts ? 20000 : 40000);
        if (started != AgentStart::Silent) return started == AgentStart::Answering;
        if (attempt == kAttempts) return true;
        terminateAgent();
    }
}

void Engine::terminateAgent() {
    TerminateProcess(agentProcess_.get(), 1);
    WaitForSingleObject(agentProcess_.get(), INFINITE);
    agentProcess_.reset();
    // Ended without its own clean-up: its socket files would only mislead the next client.
    if (!socket_.empty())
        for (const wchar_t* suffix : {L"", L".extra", L".browser", L".ssh"})
            DeleteFileW((socket_ + suffix).c_str());
}

Engine::AgentStart Engine::launchAgent(DWORD limitMs) {
    Handle in = nullDevice(GENERIC_READ), out = nullDevice(GENERIC_WRITE);
    if (!in || !out) return AgentStart::Failed;
    // Its options are all here: a gpg-agent.conf in the home is not read. A default time of 0
    // keeps no pass phrase. The maximum is not 0: it bounds the nonces by which the agent carries
    // a pass phrase from a key to its subkeys within one command (a pass-phrase change), and with 0
    // they expired at the next second, so a change asked for the pass phrases again half-way.
    Started s = startProcess(agent_,
                             {L"--homedir", home_, L"--no-options", L"--daemon", L"--default-cache-ttl", L"0",
                              L"--max-cache-ttl", L"60"},
                             in.get(), out.get(), out.get(), {in.get(), out.get()}, job_.get());
    if (!s.ok) return AgentStart::Failed;
    agentProcess_ = std::move(s.process);
    const DWORD pid = GetProcessId(agentProcess_.get());
    // Where its socket file will be, which the engine keeps in a folder of its own for each home,
    // is asked while the agent starts.
    if (socket_.empty()) {
        std::string where = capture(gpgconf_, {L"--homedir", home_, L"--list-dirs", L"agent-socket"});
        while (!where.empty() && (where.back() == '\n' || where.back() == '\r'))
            where.pop_back();
        socket_ = fromUtf8(percentDecoded(where));
    }
    const std::wstring socketFolder = socket_.substr(0, socket_.find_last_of(L'\\') + 1);
    CreateDirectoryW(socketFolder.c_str(), nullptr);
    Handle change(FindFirstChangeNotificationW(socketFolder.c_str(), FALSE,
                                               FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                                                   FILE_NOTIFY_CHANGE_SIZE));
    // Until our agent answers on the socket (a file left by an earlier one leads nowhere), or
    // it ends: another agent already serves this home. The file may have been written before
    // the watch began, hence the short turns.
    const DWORD limit = GetTickCount() + limitMs;
    while (!agentAnswers(socket_, pid)) {
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(limit - now) <= 0) return AgentStart::Silent;
        HANDLE waits[2] = {agentProcess_.get(), change.get()};
        DWORD which = WaitForMultipleObjects(change ? 2 : 1, waits, FALSE, std::min<DWORD>(limit - now, 100));
        if (which == WAIT_OBJECT_0) {
            agentProcess_.reset();
            foreignAgent_ = true;
            return AgentStart::Foreign;
        }
        if (which == WAIT_OBJECT_0 + 1) FindNextChangeNotification(change.get());
    }
    return AgentStart::Answering;
}

std::optional<std::vector<std::string>> Engine::secretKeygrips() {
    if (!startAgent()) return std::nullopt;
    return agentKeygrips(socket_, GetProcessId(agentProcess_.get()));
}

void Engine::endAgent() {
    if (agentStart_) startAgent();
    if (foreignAgent_ && cachedBefore_) {
        // What this run gave an agent it does not own must not outlive it there.
        if (auto now = agentKeygrips(socket_, 0, true)) {
            std::vector<std::string> added;
            for (const std::string& grip : *now)
                if (std::find(cachedBefore_->begin(), cachedBefore_->end(), grip) == cachedBefore_->end())
                    added.push_back(grip);
            forgetPassPhrases(socket_, added);
        }
        cachedBefore_.reset();
    }
    if (!agentProcess_) return;
    // The agent's own way out first: it removes its socket files and forgets every pass phrase.
    if (askAgentToEnd(socket_, GetProcessId(agentProcess_.get())) ||
        runDetached(gpgconf_, {L"--homedir", home_, L"--kill", L"gpg-agent"}) == 0)
        WaitForSingleObject(agentProcess_.get(), 10000);
    if (WaitForSingleObject(agentProcess_.get(), 0) == WAIT_TIMEOUT) terminateAgent();
    agentProcess_.reset();
}

namespace {

// Our end of a pipe to the engine, used with overlapped I/O so that one loop can wait for the
// engine's process and its pipes together: the end of the engine, not the end of a pipe, ends
// the run, whoever else may hold a pipe (the agent, a console host).
struct Channel {
    Handle ours, theirs;
    Handle event;
    OVERLAPPED overlapped{};
    std::vector<char> buffer;
    bool pending = false, done = false;
    std::wstring name;
};

bool openChannel(Channel& c, bool engineReads) {
    // The name may still be held by a process that ended and had the same id (ids come back soon
    // under Wine, and an ended process's pipes can outlive it a moment): then the next name.
    static LONG counter = 0;
    for (int attempt = 0; attempt < 64 && !c.ours; ++attempt) {
        const std::wstring name = L"\\\\.\\pipe\\pgp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount64()) + L"-" +
                                  std::to_wstring(InterlockedIncrement(&counter));
        c.ours = Handle(CreateNamedPipeW(name.c_str(),
                                         (engineReads ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_INBOUND) |
                                             FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                         PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 1 << 16,
                                         1 << 16, 0, nullptr));
        if (c.ours)
            c.name = name;
        else if (GetLastError() != ERROR_ACCESS_DENIED && GetLastError() != ERROR_PIPE_BUSY)
            return false;
    }
    if (!c.ours) return false;
    const std::wstring& name = c.name;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    c.theirs = Handle(CreateFileW(name.c_str(), engineReads ? GENERIC_READ : GENERIC_WRITE, 0, &sa,
                                  OPEN_EXISTING, 0, nullptr));
    c.event = Handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    c.overlapped.hEvent = c.event.get();
    c.buffer.resize(1 << 16);
    return c.theirs && c.event;
}

// Starts reads until one is pending; hands each chunk to `take`. False at the end of the pipe.
template <class Take> void pump(Channel& c, Take take) {
    while (!c.done) {
        DWORD n = 0;
        if (c.pending) {
            if (!GetOverlappedResult(c.ours.get(), &c.overlapped, &n, FALSE)) {
                if (GetLastError() == ERROR_IO_INCOMPLETE) return;
                c.done = true;
                return;
            }
            c.pending = false;
            if (n) take(c.buffer.data(), n);
            continue;
        }
        ResetEvent(c.event.get());
        if (ReadFile(c.ours.get(), c.buffer.data(), static_cast<DWORD>(c.buffer.size()), &n, &c.overlapped)) {
            if (n) take(c.buffer.data(), n);
            continue;
        }
        if (GetLastError() == ERROR_IO_PENDING) {
            c.pending = true;
            return;
        }
        c.done = true;
    }
}

// An inheritable copy of `h` when it is a disk file; none otherwise.
Handle inheritableFile(HANDLE h) {
    HANDLE copy = nullptr;
    if (!h || GetFileType(h) != FILE_TYPE_DISK ||
        !DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return Handle();
    return Handle(copy);
}

// A file of our own in the temporary folder, gone when its last handle closes (also when this
// process dies); none when the folder cannot take one.
Handle temporaryListingFile() {
    static LONG counter = 0;
    const std::wstring folder = mw::askedText([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
    if (folder.empty()) return Handle();
    const std::wstring name = folder + L"pgp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(InterlockedIncrement(&counter)) + L".lst";
    return Handle(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

// Once the engine has ended, what it wrote is in the pipe: read it, then stop waiting for more.
template <class Take> void drain(Channel& c, Take take) {
    pump(c, take);
    if (c.pending) {
        CancelIoEx(c.ours.get(), &c.overlapped);
        DWORD n = 0;
        if (GetOverlappedResult(c.ours.get(), &c.overlapped, &n, TRUE) && n) take(c.buffer.data(), n);
        c.pending = false;
    }
    c.done = true;
}

} // namespace

namespace {

// The pipes of one engine run: our ends of its input, output, messages and status, the pass
// phrase's pipe, and the loop that feeds and reads them until the engine ends. Files reach the
// engine as they are (copied through pipes, 10 MB cost a third of a second more under Wine); text,
// the console and pipes of our own go through pipes. A key listing is written into a temporary
// file and read back whole: the engine writes it in pieces of 2 KB, and under Wine reading 10,000
// keys' worth through a pipe took longer than the engine's own run.
class RunChannels {
public:
    RunChannels(const EngineRun& run, EngineResult& result) : run_(run), result_(result) {}
    ~RunChannels() {
        // The key parameters passed through this buffer.
        if (!in_.buffer.empty()) mw::wipeBytes(in_.buffer.data(), in_.buffer.size());
    }

    // False when a pipe could not be made.
    bool open() {
        if (run_.passPhrase) pass_ = makePipe(true);
        fileIn_ = inheritableFile(run_.input);
        if (run_.listing && !run_.output) listing_ = temporaryListingFile();
        fileOut_ = inheritableFile(run_.output ? run_.output : listing_.get());
        in_.done = static_cast<bool>(fileIn_);
        out_.done = static_cast<bool>(fileOut_);
        return (fileIn_ || openChannel(in_, true)) && (fileOut_ || openChannel(out_, false)) &&
               openChannel(err_, false) && openChannel(status_, false) && (!run_.passPhrase || pass_.read);
    }
    HANDLE engineIn() const { return fileIn_ ? fileIn_.get() : in_.theirs.get(); }
    HANDLE engineOut() const { return fileOut_ ? fileOut_.get() : out_.theirs.get(); }
    HANDLE engineErrors() const { return err_.theirs.get(); }
    HANDLE engineStatus() const { return status_.theirs.get(); }
    HANDLE enginePassPhrase() const { return pass_.read.get(); }
    // Once the engine has its copies (or could not start): ours of its ends go.
    void closeEngineEnds() {
        fileIn_.reset();
        fileOut_.reset();
        in_.theirs.reset();
        out_.theirs.reset();
        err_.theirs.reset();
        status_.theirs.reset();
        pass_.read.reset();
    }
    void sendPassPhrase(const mw::SecretString& phrase) {
        // The engine reads one line; a pipe's buffer takes it whole, so this never blocks.
        mw::SecretString line(phrase);
        line += '\n';
        writeAll(pass_.write.get(), line.data(), line.size());
        pass_.write.reset();
    }
    // Feeds and reads until `process` ends, then takes what is left in the pipes. The end of the
    // engine, not the end of a pipe, ends the run, whoever else may hold a pipe.
    void runUntilEnded(HANDLE process) {
        for (bool ended = false; !ended;) {
            feed();
            pump(out_, [this](const char* d, DWORD n) { toOutput(d, n); });
            pump(err_, [this](const char* d, DWORD n) { result_.errors.append(d, n); });
            pump(status_, [this](const char* d, DWORD n) { statusText_.append(d, n); });
            std::vector<HANDLE> waits{process};
            if (run_.cancel && !cancelled_) waits.push_back(run_.cancel);
            for (Channel* c : {&in_, &out_, &err_, &status_})
                if (c->pending) waits.push_back(c->event.get());
            const DWORD woke =
                WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
            ended = woke == WAIT_OBJECT_0;
            if (!ended && woke - WAIT_OBJECT_0 < waits.size() && waits[woke - WAIT_OBJECT_0] == run_.cancel) {
                // Its end is still awaited: what it holds open goes with it.
                TerminateProcess(process, ERROR_CANCELLED);
                cancelled_ = true;
            }
        }
        drain(out_, [this](const char* d, DWORD n) { toOutput(d, n); });
        drain(err_, [this](const char* d, DWORD n) { result_.errors.append(d, n); });
        drain(status_, [this](const char* d, DWORD n) { statusText_.append(d, n); });
        if (in_.pending) {
            CancelIoEx(in_.ours.get(), &in_.overlapped);
            DWORD n = 0;
            GetOverlappedResult(in_.ours.get(), &in_.overlapped, &n, TRUE);
        }
    }
    const std::string& statusText() const { return statusText_; }
    // What the engine wrote into the listing's file, if it had one.
    void takeListing() {
        if (!listing_) return;
        LARGE_INTEGER start{};
        LARGE_INTEGER size{};
        // Read into room made once: 100,000 keys list 35 MB.
        if (GetFileSizeEx(listing_.get(), &size) && size.QuadPart > 0)
            result_.captured.reserve(result_.captured.size() + static_cast<std::size_t>(size.QuadPart));
        if (SetFilePointerEx(listing_.get(), start, nullptr, FILE_BEGIN))
            readAll(listing_.get(), result_.captured);
        listing_.reset();
    }

private:
    // An output that refuses a write (a closed pipe, a full disk) gets nothing more; the engine's
    // output is still drained, so that it ends.
    void toOutput(const char* data, DWORD n) {
        if (!run_.output)
            result_.captured.append(data, n);
        else if (!result_.outputFailed && !writeAll(run_.output, data, n))
            result_.outputFailed = true;
    }
    // The next chunk of the engine's input into the buffer; false at its end.
    bool nextChunk(DWORD& chunk) {
        if (run_.input)
            return ReadFile(run_.input, in_.buffer.data(), static_cast<DWORD>(in_.buffer.size()), &chunk,
                            nullptr) &&
                   chunk != 0;
        if (!run_.inputText || textOffset_ >= run_.inputText->size()) return false;
        chunk = static_cast<DWORD>(
            std::min<std::size_t>(in_.buffer.size(), run_.inputText->size() - textOffset_));
        std::memcpy(in_.buffer.data(), run_.inputText->data() + textOffset_, chunk);
        textOffset_ += chunk;
        return true;
    }
    // The engine's input: a chunk at a time, each written while the engine's output is read.
    void feed() {
        while (!in_.done) {
            DWORD n = 0, chunk = 0;
            if (in_.pending) {
                if (!GetOverlappedResult(in_.ours.get(), &in_.overlapped, &n, FALSE)) {
                    if (GetLastError() == ERROR_IO_INCOMPLETE) return;
                    in_.done = true;
                    break;
                }
                in_.pending = false;
            }
            if (!nextChunk(chunk)) {
                in_.done = true;
                break;
            }
            ResetEvent(in_.event.get());
            if (!WriteFile(in_.ours.get(), in_.buffer.data(), chunk, nullptr, &in_.overlapped)) {
                if (GetLastError() != ERROR_IO_PENDING) {
                    in_.done = true;
                    break;
                }
                in_.pending = true;
                return;
            }
        }
        // The end of the input: the engine sees it when our end closes.
        if (!in_.pending) in_.ours.reset();
    }

    const EngineRun& run_;
    EngineResult& result_;
    Channel in_, out_, err_, status_;
    Pipe pass_;
    Handle fileIn_, fileOut_, listing_;
    std::size_t textOffset_ = 0;
    std::string statusText_;
    bool cancelled_ = false;
};

void absorbStatus(const std::string& text, EngineReport& report) {
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (auto line = parseStatusLine(std::string_view(text).substr(start, end - start)))
            report.absorb(*line);
        start = end + 1;
    }
}

} // namespace

EngineResult Engine::run(const EngineRun& r) {
    EngineResult result;
    if (r.needsAgent) startAgent();
    RunChannels io(r, result);
    if (!io.open()) {
        startError_ = GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
        return result;
    }
    std::vector<std::wstring> arguments =
        baseArguments(home_, reinterpret_cast<std::uintptr_t>(io.engineStatus()),
                      r.passPhrase ? reinterpret_cast<std::uintptr_t>(io.enginePassPhrase()) : 0);
    arguments.insert(arguments.end(), r.arguments.begin(), r.arguments.end());
    std::vector<HANDLE> inherit{io.engineIn(), io.engineOut(), io.engineErrors(), io.engineStatus()};
    if (r.passPhrase) inherit.push_back(io.enginePassPhrase());
    inherit.insert(inherit.end(), r.inherited.begin(), r.inherited.end());

    if (r.passPhrase && foreignAgent_ && !cachedBefore_)
        cachedBefore_ = agentKeygrips(socket_, 0, true).value_or(std::vector<std::string>{});
    Started s =
        startProcess(gpg_, arguments, io.engineIn(), io.engineOut(), io.engineErrors(), inherit, job_.get());
    if (!s.ok) startError_ = GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    io.closeEngineEnds();
    if (!s.ok) return result;
    result.started = true;
    if (r.passPhrase) io.sendPassPhrase(*r.passPhrase);
    io.runUntilEnded(s.process.get());
    io.takeListing();
    GetExitCodeProcess(s.process.get(), &result.exitCode);
    absorbStatus(io.statusText(), result.report);
    return result;
}

} // namespace pgp
