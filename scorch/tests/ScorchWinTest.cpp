// The wipe tool as a real process under Wine, called the way both programs call it: what is
// left on disk (read through a second hard link), its exit status and its one-line messages.
#include "scorch/Win32Wipe.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>
#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>
#include <iostream>

using namespace scorch;

namespace {

std::wstring ownDirectory() {
    wchar_t self[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The tool is built beside this test program.
std::wstring toolPath() {
    return ownDirectory() + L"scorch.com";
}

std::wstring ex(const std::wstring& path) {
    return path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path;
}

void removeTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(ex(dir + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = dir + name;
            SetFileAttributesW(ex(full).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full + L"\\");
            else
                DeleteFileW(ex(full).c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(ex(dir).c_str());
}

void writeBytes(const std::wstring& path, const std::string& bytes, std::uint64_t at = 0) {
    HANDLE f =
        CreateFileW(ex(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << "cannot create file, error " << GetLastError();
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(at);
    SetFilePointerEx(f, pos, nullptr, FILE_BEGIN);
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

std::string readBytes(const std::wstring& path) {
    HANDLE f =
        CreateFileW(ex(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    std::string out;
    std::vector<char> buf(1 << 20);
    DWORD got = 0;
    while (ReadFile(f, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr) && got)
        out.append(buf.data(), got);
    CloseHandle(f);
    return out;
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(ex(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> namesIn(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(ex(dir + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// Bytes no pass writes: a text repeated, so a leftover of any length would show.
std::string secret(std::size_t n) {
    static const std::string text = "Attack at dawn; the key is under the mat. ";
    std::string out;
    out.reserve(n);
    while (out.size() < n)
        out += text;
    out.resize(n);
    return out;
}

std::string narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w)
        s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

// The system's own text for an error, as the tool is to show it.
std::wstring systemText(DWORD error) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out(text, n);
    LocalFree(text);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' '))
        out.pop_back();
    return out;
}

// Until `done` holds; false, after a failure naming `what`, when it has not within a minute.
bool waitUntil(const std::string& what, const std::function<bool()>& done) {
    for (DWORD start = GetTickCount(); !done(); Sleep(10))
        if (GetTickCount() - start > 60000) {
            ADD_FAILURE() << "still waiting after 60 s for " << what;
            return false;
        }
    return true;
}

// The Unix name of a path, where Wine runs this program; empty elsewhere.
std::string unixName(const std::wstring& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<UnixName>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    char* name = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!name) return {};
    std::string out = name;
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// Makes `made` (a Windows path) with a Linux program, as a user on the Unix side would: a link
// or a pipe that Windows programs under Wine meet inside a drive. Wine gives no handle to wait
// on for a Linux program (and the values it fills in must not be closed), so this waits for the
// result to appear. False where this does not run under Wine.
bool makeOnUnixSide(const std::string& commandLine, const std::wstring& made) {
    if (unixName(made).empty()) return false;
    std::string line = commandLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    return waitUntil(commandLine, [&] {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(ex(made).c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return false;
        FindClose(h);
        return true;
    });
}

struct ToolRun {
    DWORD status = 0xFFFFFFFF;
    std::string output; // standard output and error together
};

// Starts the tool with exactly `commandLine` (whose first word names it), as the shell or a
// batch line does, and collects what it prints.
ToolRun runLine(std::wstring commandLine) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &sa, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi{};
    const std::wstring app = toolPath();
    ToolRun run;
    if (!CreateProcessW(app.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start the tool, error " << GetLastError();
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return run;
    }
    CloseHandle(writeEnd);
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got)
        run.output.append(buf, got);
    CloseHandle(readEnd);
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) ADD_FAILURE() << "the tool did not end";
    GetExitCodeProcess(pi.hProcess, &run.status);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return run;
}

ToolRun runTool(const std::wstring& arguments) {
    return runLine(L"scorch.com " + arguments);
}

std::string utf8(const std::wstring& w) {
    // The tool writes redirected output in the console's code page; the tests use ASCII names
    // where they compare messages.
    return narrow(w);
}

class Scorch : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        // Wine reuses process ids across runs, and a leftover of an earlier run (a Unix pipe Wine
        // cannot remove) may hold a name: then the next name is taken.
        for (int attempt = 0;; ++attempt) {
            dir = std::wstring(base) + L"scorch_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                  std::to_wstring(counter++) + L"\\";
            removeTree(dir);
            if (CreateDirectoryW(dir.c_str(), nullptr)) break;
            ASSERT_LT(attempt, 100) << "no scratch directory can be made: error " << GetLastError();
        }
    }
    void TearDown() override { removeTree(dir); }

    // Creates `name` holding `content` and a second name for the same file; wipes through the
    // first and checks what the second name shows and what the directory holds afterwards.
    void wipeThroughOneLinkAndReadTheOther(const std::wstring& name, const std::string& content,
                                           const std::wstring& options) {
        const std::wstring file = dir + name, link = dir + L"other name.lnk";
        writeBytes(file, content);
        ASSERT_TRUE(CreateHardLinkW(link.c_str(), file.c_str(), nullptr)) << GetLastError();
        ASSERT_EQ(readBytes(link), content);
        ToolRun r = runTool(L"[" + file + L"]" + options);
        EXPECT_EQ(r.status, 0u) << r.output;
        EXPECT_FALSE(exists(file));
        // Truncated in place: the file that the other name still holds is empty; no renamed
        // leftover stands in the directory.
        EXPECT_EQ(readBytes(link), "");
        EXPECT_EQ(namesIn(dir), std::vector<std::wstring>{L"other name.lnk"});
        DeleteFileW(link.c_str());
    }

    std::wstring dir;
};

// Stops a real wipe after its passes, before the truncation, so the passes' bytes can be read.
class StopBeforeTruncating : public WipeTarget {
public:
    explicit StopBeforeTruncating(const std::wstring& path) : real(path) {}
    Outcome open(std::vector<std::uint64_t>& sizes) override { return real.open(sizes); }
    Outcome write(std::size_t s, std::uint64_t at, std::span<const unsigned char> b) override {
        return real.write(s, at, b);
    }
    Outcome flush(std::size_t s) override { return real.flush(s); }
    Outcome truncate(std::size_t) override { return {Status::IoError, L"stopped by the test"}; }
    void closeNamedStreams() override { real.closeNamedStreams(); }
    std::wstring name() const override { return real.name(); }
    Outcome rename(const std::wstring& n) override { return real.rename(n); }
    Outcome remove() override { return real.remove(); }
    void close() override { real.close(); }
    Win32WipeTarget real;
};

// A real wipe whose removal fails, as when the file system refuses the deletion.
class FailRemoval : public StopBeforeTruncating {
public:
    using StopBeforeTruncating::StopBeforeTruncating;
    Outcome truncate(std::size_t s) override { return real.truncate(s); }
    Outcome remove() override { return {Status::AccessDenied, L"refused by the test"}; }
};

} // namespace

TEST_F(Scorch, ThePassesOverwriteTheBytesInPlaceAsTheOtherLinkShows) {
    for (int passes : {1, 2}) {
        for (std::size_t size : {std::size_t{1}, std::size_t{4096}, std::size_t{5 << 20}}) {
            const std::wstring file = dir + L"plain.txt", link = dir + L"link.txt";
            const std::string original = secret(size);
            writeBytes(file, original);
            ASSERT_TRUE(CreateHardLinkW(link.c_str(), file.c_str(), nullptr));
            StopBeforeTruncating target(file);
            Random random(systemSeed());
            Outcome o = wipe(target, passes, random);
            EXPECT_EQ(o.status, Status::IoError);
            EXPECT_TRUE(exists(file)) << "stopped before the renaming";
            std::string seen = readBytes(link);
            ASSERT_EQ(seen.size(), size) << passes << " passes, " << size << " bytes";
            if (passes == 2) {
                EXPECT_EQ(seen, std::string(size, '\xAA')) << size;
            } else {
                std::size_t same = 0;
                for (std::size_t i = 0; i < size; ++i)
                    same += seen[i] == original[i];
                EXPECT_LE(same, size / 64 + 1) << "bytes of the original left in place, " << size;
            }
            DeleteFileW(link.c_str());
            DeleteFileW(file.c_str());
        }
    }
}

TEST_F(Scorch, WipedFilesOfEverySizeLeaveNothingUnderEitherName) {
    for (const wchar_t* options : {L" /two /silent", L" /silent"}) {
        for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, std::size_t{6 << 20}}) {
            SCOPED_TRACE(narrow(options) + " " + std::to_string(size));
            wipeThroughOneLinkAndReadTheOther(L"MURKWELL.TMP", secret(size), options);
        }
    }
}

TEST_F(Scorch, ASparseFileIsWipedWholeThroughItsHole) {
    const std::wstring file = dir + L"sparse.bin", link = dir + L"link.bin";
    {
        HANDLE f =
            CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD got = 0;
        DeviceIoControl(f, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &got, nullptr); // where supported
        CloseHandle(f);
    }
    writeBytes(file, secret(4096), 0);
    writeBytes(file, secret(4096), 8 << 20); // a hole of 8 MB before the second piece
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), file.c_str(), nullptr));
    StopBeforeTruncating target(file);
    Random random(systemSeed());
    EXPECT_EQ(wipe(target, 2, random).status, Status::IoError);
    EXPECT_EQ(readBytes(link), std::string((8 << 20) + 4096, '\xAA'));
    DeleteFileW(link.c_str());
    DeleteFileW(file.c_str());

    writeBytes(file, secret(4096), 0);
    writeBytes(file, secret(4096), 8 << 20);
    ToolRun r = runTool(L"[" + file + L"] /two /silent");
    EXPECT_EQ(r.status, 0u) << r.output;
    EXPECT_FALSE(exists(file));
    EXPECT_TRUE(namesIn(dir).empty());
}

TEST_F(Scorch, NamesWithBlanksAndCharactersTheShellTreatsSpecially) {
    for (const wchar_t* name :
         {L"file name.tmp", L"a & b.txt", L"50% off %PATH%.txt", L"caret^^x^.txt", L"close]bracket].txt",
          L"[open bracket.txt", L"x] [y.txt", L"a,b;c=d (1)!.txt", L"r\u00e9sum\u00e9 \u00fcber.txt",
          L"\u65e5\u672c\u8a9e \u0416.txt"}) {
        SCOPED_TRACE(narrow(name));
        wipeThroughOneLinkAndReadTheOther(name, secret(1000), L" /two /silent");
    }
}

TEST_F(Scorch, AnAnsiCommandLineReachesTheFileWithItsAccents) {
    // Both programs start the tool with a line in their own code page.
    const std::wstring file = dir + L"r\u00e9sum\u00e9.txt";
    writeBytes(file, secret(100));
    char ansiDir[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, dir.c_str(), -1, ansiDir, sizeof ansiDir, nullptr, nullptr);
    std::string line = std::string("scorch.com [") + ansiDir + "r\xe9sum\xe9.txt] /two /silent";
    if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    char app[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, toolPath().c_str(), -1, app, sizeof app, nullptr, nullptr);
    ASSERT_TRUE(CreateProcessA(app, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0) << "the tool did not end";
    DWORD status = 99;
    GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(status, 0u);
    EXPECT_FALSE(exists(file));
}

TEST_F(Scorch, APathLongerThan260Characters) {
    std::wstring deep = dir;
    for (int i = 0; i < 4; ++i) {
        deep += std::wstring(70, static_cast<wchar_t>(L'a' + i)) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(ex(deep).c_str(), nullptr)) << GetLastError();
    }
    const std::wstring file = deep + L"long path file.txt";
    ASSERT_GT(file.size(), 300u);
    writeBytes(file, secret(70000));
    ASSERT_TRUE(exists(file));
    ToolRun r = runTool(L"[" + file + L"] /two /silent");
    EXPECT_EQ(r.status, 0u) << r.output;
    EXPECT_FALSE(exists(file));
    EXPECT_TRUE(namesIn(deep).empty());
}

TEST_F(Scorch, CalledFromABatchLineByShortNamesAsTheFileModuleDoes) {
    // A short name may hold "&", which the batch line would split; the file module's concern.
    const std::wstring file = dir + L"a long name with blanks.text";
    writeBytes(file, secret(5000));
    wchar_t shortFile[MAX_PATH], shortTool[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(file.c_str(), shortFile, MAX_PATH), 0u);
    ASSERT_GT(GetShortPathNameW(toolPath().c_str(), shortTool, MAX_PATH), 0u);
    const std::wstring batch = dir + L"job.bat";
    writeBytes(batch, narrow(std::wstring(shortTool) + L" [" + shortFile + L"] /two /silent\r\n"));
    wchar_t cmd[MAX_PATH];
    GetSystemDirectoryW(cmd, MAX_PATH);
    std::wstring line = L"cmd.exe /c \"" + batch + L"\"";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW((std::wstring(cmd) + L"\\cmd.exe").c_str(), line.data(), nullptr, nullptr,
                               FALSE, CREATE_NO_WINDOW, nullptr, dir.c_str(), &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0) << "the batch file did not end";
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_FALSE(exists(file)) << narrow(shortFile);
}

TEST_F(Scorch, WithoutSilentASuccessSaysSo) {
    const std::wstring file = dir + L"report.txt";
    writeBytes(file, secret(10));
    ToolRun r = runTool(L"[" + file + L"] /two");
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.output, "Wiped " + narrow(file) + "\r\n");
    EXPECT_FALSE(exists(file));
}

TEST_F(Scorch, EachFailureHasItsStatusAndOneLineNamingTheFileAndTheReason) {
    const std::wstring missing = dir + L"missing.txt";
    ToolRun r = runTool(L"[" + missing + L"] /two");
    EXPECT_EQ(r.status, 2u);
    EXPECT_EQ(r.output, "scorch: cannot wipe " + narrow(missing) + ": " +
                            utf8(systemText(ERROR_FILE_NOT_FOUND)) + "\r\n");
    r = runTool(L"[" + dir + L"no such dir\\x.txt] /two");
    EXPECT_EQ(r.status, 2u);
    EXPECT_NE(r.output.find(utf8(systemText(ERROR_PATH_NOT_FOUND))), std::string::npos) << r.output;

    const std::wstring sub = dir + L"a directory";
    CreateDirectoryW(sub.c_str(), nullptr);
    r = runTool(L"[" + sub + L"] /two");
    EXPECT_EQ(r.status, 3u);
    EXPECT_EQ(r.output, "scorch: cannot wipe " + narrow(sub) + ": it is a directory\r\n");
    EXPECT_TRUE(exists(sub));

    // Devices are never written to, whatever the brackets hold.
    for (const wchar_t* device : {L"NUL", L"\\\\.\\NUL", L"\\\\?\\GLOBALROOT\\Device\\Null", L"COM1"}) {
        r = runTool(L"[" + std::wstring(device) + L"] /two");
        EXPECT_EQ(r.status, 2u) << narrow(device);
        EXPECT_EQ(r.output, "scorch: cannot wipe " + narrow(device) + ": " +
                                utf8(systemText(ERROR_INVALID_NAME)) + "\r\n");
    }
    r = runTool(L"[C:\\] /two");
    EXPECT_EQ(r.status, 3u) << r.output;

    // Read-only: the user protected it; neither the bytes nor the attribute change.
    const std::wstring ro = dir + L"protected.txt";
    writeBytes(ro, secret(3000));
    SetFileAttributesW(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    r = runTool(L"[" + ro + L"] /two");
    EXPECT_EQ(r.status, 4u);
    EXPECT_EQ(r.output, "scorch: cannot wipe " + narrow(ro) + ": it is read-only\r\n");
    EXPECT_EQ(readBytes(ro), secret(3000));
    EXPECT_EQ(GetFileAttributesW(ro.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});

    // In use by another process (this one), even one that lets others read, write and delete.
    const std::wstring busy = dir + L"busy.txt";
    writeBytes(busy, secret(3000));
    HANDLE held =
        CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    r = runTool(L"[" + busy + L"] /two");
    CloseHandle(held);
    EXPECT_EQ(r.status, 5u);
    EXPECT_EQ(r.output, "scorch: cannot wipe " + narrow(busy) + ": " +
                            utf8(systemText(ERROR_SHARING_VIOLATION)) + "\r\n");
    EXPECT_EQ(readBytes(busy), secret(3000));
    EXPECT_EQ(namesIn(dir), (std::vector<std::wstring>{L"a directory", L"busy.txt", L"protected.txt"}));

    // /silent: the same statuses, not a byte of output.
    for (auto [args, status] :
         std::vector<std::pair<std::wstring, DWORD>>{{L"[" + missing + L"] /two /silent", 2},
                                                     {L"[" + sub + L"] /silent /two", 3},
                                                     {L"[" + ro + L"] /two /silent", 4}}) {
        r = runTool(args);
        EXPECT_EQ(r.status, status) << narrow(args);
        EXPECT_EQ(r.output, "") << narrow(args);
    }
}

TEST_F(Scorch, UsageErrorsWipeNothingAndSayWhatIsWrong) {
    const std::wstring file = dir + L"kept.txt";
    writeBytes(file, secret(500));
    struct Case {
        std::wstring args;
        std::string firstLine;
    };
    for (const auto& c : std::vector<Case>{
             {L"", "scorch: no file given in square brackets"},
             {L"[" + file + L" /two", "scorch: the file name's brackets are unbalanced"},
             {file + L"] /two", "scorch: the file name's brackets are unbalanced"},
             {L"[" + file + L"] /three", "scorch: unknown option /three"},
             {L"[" + file + L"] /two extra", "scorch: unknown option extra"},
             {L"[] /two", "scorch: the square brackets hold no file name"},
         }) {
        ToolRun r = runTool(c.args);
        EXPECT_EQ(r.status, 1u) << narrow(c.args);
        EXPECT_EQ(r.output.substr(0, r.output.find("\r\n")), c.firstLine) << narrow(c.args);
        EXPECT_NE(r.output.find("scorch [file] [/two] [/silent]"), std::string::npos) << r.output;
        EXPECT_EQ(readBytes(file), secret(500));
    }
    ToolRun r = runTool(L"[" + file + L"] /bogus /silent");
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.output, "");
    r = runTool(L"/?");
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.output.rfind("Overwrites a file, then removes it: scorch [file] [/two] [/silent]\r\n", 0), 0u)
        << r.output;
    r = runTool(L"[" + file + L"] /two /?");
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(readBytes(file), secret(500));
}

TEST_F(Scorch, ALinkIsRefusedAndNeitherItNorItsTargetIsTouched) {
    const std::wstring elsewhere = dir + L"elsewhere\\", target = elsewhere + L"target.txt";
    ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
    struct Case {
        std::string how;
        std::wstring link;
        std::function<bool(const std::wstring&)> make;
    };
    const std::vector<Case> cases = {
        // Under Wine a link made on the Unix side shows as the file it points to.
        {"a symbolic link made on the Unix side", dir + L"unix link.txt",
         [&](const std::wstring& link) {
             return makeOnUnixSide(
                 "/bin/ln -s \"" + unixName(target) + "\" \"" + unixName(dir) + "unix link.txt\"", link);
         }},
        {"a symbolic link made by Windows", dir + L"windows link.txt",
         [&](const std::wstring& link) {
             // Wine 8 answers success and makes nothing.
             return CreateSymbolicLinkW(link.c_str(), target.c_str(),
                                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
                    exists(link);
         }},
    };
    int tried = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        writeBytes(target, secret(3000));
        if (!c.make(c.link)) {
            std::cout << "[  NOTE    ] " << c.how << ": cannot be made here (error " << GetLastError()
                      << ")\n";
            continue;
        }
        ++tried;
        ToolRun r = runTool(L"[" + c.link + L"] /two");
        EXPECT_EQ(r.status, 8u) << r.output;
        EXPECT_EQ(r.output, "scorch: cannot wipe " + narrow(c.link) +
                                ": it is a symbolic link; neither it nor what it points to was touched\r\n");
        r = runTool(L"[" + c.link + L"] /silent");
        EXPECT_EQ(r.status, 8u);
        EXPECT_EQ(r.output, "");
        EXPECT_EQ(readBytes(target), secret(3000)) << "the target is untouched";
        EXPECT_EQ(namesIn(elsewhere), std::vector<std::wstring>{L"target.txt"});
        EXPECT_TRUE(exists(c.link)) << "the link stays";
        DeleteFileW(c.link.c_str());
    }
    EXPECT_GT(tried, 0) << "no kind of link could be made";
}

TEST_F(Scorch, APipeInsideADriveIsRefusedAndLeftInPlace) {
    const std::wstring pipe = dir + L"pipe.txt";
    if (!makeOnUnixSide("/usr/bin/mkfifo \"" + unixName(dir) + "pipe.txt\"", pipe))
        GTEST_SKIP() << "a pipe inside a drive is made only under Wine";
    ToolRun r = runTool(L"[" + pipe + L"] /two");
    EXPECT_EQ(r.status, 2u) << r.output;
    EXPECT_EQ(r.output,
              "scorch: cannot wipe " + narrow(pipe) + ": it is a device or a pipe, not a file on a disk\r\n");
    EXPECT_EQ(namesIn(dir), std::vector<std::wstring>{L"pipe.txt"}) << "neither renamed nor removed";
}

TEST_F(Scorch, AFailedRemovalGivesBackTheLongNameOfAFileNamedByItsShortName) {
    const std::wstring file = dir + L"a long name with blanks.text";
    writeBytes(file, secret(5000));
    wchar_t shortFile[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(file.c_str(), shortFile, MAX_PATH), 0u);
    ASSERT_NE(std::wstring(shortFile), file);
    FailRemoval target(shortFile);
    Random random(systemSeed());
    EXPECT_EQ(wipe(target, 2, random).status, Status::AccessDenied);
    EXPECT_EQ(namesIn(dir), std::vector<std::wstring>{L"a long name with blanks.text"});
    EXPECT_EQ(readBytes(file), "") << "truncated all the same";
}
