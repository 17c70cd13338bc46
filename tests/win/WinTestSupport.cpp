// Temporary directories and the program fixture for the Wine tests.
#include "WinTestSupport.h"
#include "core/UnicodeText.h"
#include "win/Win32Util.h"
#include <algorithm>
#include <atomic>
#include <shellapi.h>
#include <tlhelp32.h>

namespace mwtest {

namespace {

// Paths of the tests: UTF-8 when they are well-formed UTF-8 (ASCII is both), else the ANSI code
// page, so that a test can name a file in any script.
std::wstring testPath(const std::string& path) {
    if (mw::isValidUtf8(path)) return mw::widePath(path);
    return mw::widePath(mw::utf8FromAnsi(path));
}

} // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    // Lower case, as the setup dialog keeps every path it holds.
    path_ = mw::toLowerAscii(std::string(base)) + "mwtest_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(counter++) + "\\";
    removeTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    removeTree(path_);
}

namespace {

void removeWideTree(std::wstring base) {
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((base + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = base + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeWideTree(full);
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(base.c_str());
}

} // namespace

void removeTree(const std::string& dir) {
    removeWideTree(testPath(dir));
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
    mw::UniqueHandle f(CreateFileW(testPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(static_cast<bool>(f)) << "cannot create " << path;
    DWORD written = 0;
    WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string readFileBytes(const std::string& path) {
    mw::UniqueHandle f(CreateFileW(testPath(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return "<missing>";
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got)
        out.append(buf, got);
    return out;
}

bool exists(const std::string& path) {
    return GetFileAttributesW(testPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void makeDirectory(const std::string& path) {
    CreateDirectoryA(path.c_str(), nullptr);
}

std::vector<Call> readCalls(const std::string& log) {
    std::vector<Call> calls;
    std::string bytes = readFileBytes(log);
    if (bytes == "<missing>") return calls;
    for (const auto& line : mw::splitLines(bytes)) {
        if (line == "CALL")
            calls.emplace_back();
        else if (!calls.empty() && line.rfind("CWD ", 0) == 0)
            calls.back().cwd = line.substr(4);
        else if (!calls.empty() && line.rfind("ARG ", 0) == 0)
            calls.back().args.push_back(line.substr(4));
    }
    return calls;
}

std::vector<std::string> namesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(testPath(dir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = mw::utf8Path(fd.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

bool waitFor(const std::string& what, const std::function<bool()>& done, int limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        mw::Application::instance().processMessages();
        if (done()) return true;
        if (GetTickCount() - start >= static_cast<DWORD>(limitMs)) {
            ADD_FAILURE() << "still waiting after " << limitMs / 1000 << " s for " << what;
            return false;
        }
        // Woken by any message; conditions outside this process (files, other programs) are
        // tested again every few milliseconds.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void reportAsPgpDoes() {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("PGPOUTCOME", path, sizeof path) == 0) return;
    writeFileBytes(path, "status 0\r\nend\r\n");
}

void handlePendingMessages() {
    waitFor("this thread's message queue to empty", [] { return GetQueueStatus(QS_ALLINPUT) == 0; });
}

namespace {

// Calls `each` with every process whose program lies under `dir` until it returns false.
void forProcessesFrom(const std::string& dir, const std::function<bool(HANDLE)>& each) {
    mw::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    const std::string prefix = mw::toLowerAscii(dir);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        mw::UniqueHandle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
        if (!process) continue;
        char image[MAX_PATH * 4];
        DWORD size = sizeof image;
        if (QueryFullProcessImageNameA(process.get(), 0, image, &size) &&
            mw::toLowerAscii(std::string(image, size)).rfind(prefix, 0) == 0 && !each(process.get()))
            return;
    }
}

} // namespace

bool processRunsFrom(const std::string& dir) {
    bool found = false;
    forProcessesFrom(dir, [&](HANDLE) { return !(found = true); });
    return found;
}

void terminateProcessesFrom(const std::string& dir) {
    forProcessesFrom(dir, [](HANDLE process) { return TerminateProcess(process, 1) || true; });
}

namespace {

// Attaches this process to the console of the first process started from `exePath`, waiting
// for it; a process just created may not have its console yet.
bool attachToConsoleOf(const std::string& exePath) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(kWaitLimitMs);) {
        DWORD pid = 0;
        forProcessesFrom(exePath, [&](HANDLE process) {
            pid = GetProcessId(process);
            return false;
        });
        FreeConsole();
        if (pid && AttachConsole(pid)) return true;
        Sleep(20);
    }
    return false;
}

} // namespace

std::string consoleTextOf(const std::string& exePath) {
    if (!attachToConsoleOf(exePath)) return {};
    std::string text;
    mw::UniqueHandle out(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (out && GetConsoleScreenBufferInfo(out.get(), &info)) {
        std::wstring cells(static_cast<std::size_t>(info.dwSize.X) * (info.dwCursorPosition.Y + 1), L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(out.get(), cells.data(), static_cast<DWORD>(cells.size()), {0, 0}, &read);
        text = mw::utf8Path(std::wstring_view(cells.data(), read));
    }
    out.reset();
    FreeConsole();
    return text;
}

bool typeIntoConsoleOf(const std::string& exePath, const std::wstring& keys) {
    if (!attachToConsoleOf(exePath)) return false;
    mw::UniqueHandle in(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<INPUT_RECORD> records;
    for (wchar_t c : keys)
        for (BOOL down : {TRUE, FALSE}) {
            INPUT_RECORD r{};
            r.EventType = KEY_EVENT;
            r.Event.KeyEvent.bKeyDown = down;
            r.Event.KeyEvent.wRepeatCount = 1;
            r.Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : 0;
            r.Event.KeyEvent.uChar.UnicodeChar = c;
            records.push_back(r);
        }
    DWORD written = 0;
    const bool typed =
        in && WriteConsoleInputW(in.get(), records.data(), static_cast<DWORD>(records.size()), &written) &&
        written == records.size();
    in.reset();
    FreeConsole();
    return typed;
}

std::string buildTreeDirectory() {
    char self[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dir(self, n);
    for (int up = 0; up < 3; ++up)
        dir = dir.substr(0, dir.find_last_of('\\'));
    return dir + "\\";
}

void standBuiltProgram(const std::string& built, const std::string& exePath) {
    ASSERT_TRUE(CopyFileA((buildTreeDirectory() + built).c_str(), exePath.c_str(), FALSE)) << built;
}

RunningProgram::RunningProgram(const std::string& exePath, const std::string& arguments,
                               const std::string& directory) {
    std::string commandLine = "\"" + exePath + "\"" + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &si, &pi)) {
        ADD_FAILURE() << "cannot start " << exePath;
        return;
    }
    process_.reset(pi.hProcess);
    mw::UniqueHandle thread(pi.hThread);
    id_ = pi.dwProcessId;
    waitFor("the started program's window", [&] { return (window = visibleWindow("TForm1")) != nullptr; });
}

RunningProgram::~RunningProgram() {
    if (running()) TerminateProcess(process_.get(), 1);
}

bool RunningProgram::running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

HWND RunningProgram::visibleWindow(const std::string& windowClass) const {
    struct Search {
        DWORD pid;
        const std::string& windowClass;
        HWND found;
    } search{id_, windowClass, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == s->pid && className(h) == s->windowClass && IsWindowVisible(h)) s->found = h;
            return s->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD RunningProgram::close() {
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 99;
    if (WaitForSingleObject(process_.get(), kWaitLimitMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process_.get(), &code);
    return code;
}

std::string className(HWND hwnd) {
    char buf[256] = {};
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

void writeEditorSettings(const std::string& exePath, const std::string& pgpDir) {
    makeDirectory(pgpDir);
    writeFileBytes(pgpDir + "pgp.exe", "stand-in");
    writeFileBytes(exePath.substr(0, exePath.find_last_of('\\') + 1) + "Murkwell.ini",
                   pgpDir + "pgp.exe\r\n" + pgpDir + "\r\n" + pgpDir + "pubring.pgp\r\n" + pgpDir +
                       "secring.pgp\r\n0\r\n0\r\n640\r\n450\r\nright\r\nnostore\r\nCourier New\r\n8\r\n0\r\n"
                       "-2147483643\r\n");
}

std::vector<std::string> listEntries(HWND list) {
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (IsWindowUnicode(list)) { // the file module's panes: names in any script, as UTF-8
            std::wstring wide(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
            entries.push_back(mw::utf8Path(wide));
            continue;
        }
        std::string text(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)), '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        entries.push_back(text);
    }
    return entries;
}

namespace {
LPARAM entryPoint(HWND list, int index) {
    RECT r{};
    SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    // Past an owner-drawn entry's picture, on its text.
    return MAKELPARAM(r.left + 30, (r.top + r.bottom) / 2);
}
} // namespace

void clickEntry(HWND list, int index) {
    ASSERT_GE(index, 0);
    const LPARAM at = entryPoint(list, index);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
}

void doubleClickEntry(HWND list, int index) {
    clickEntry(list, index);
    const LPARAM at = entryPoint(list, index);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
}

void setClipboardText(const std::string& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
    GlobalUnlock(mem);
    SetClipboardData(CF_TEXT, mem);
    CloseClipboard();
}

void emptyClipboard() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

std::string clipboardText() {
    if (!OpenClipboard(nullptr)) return "<no clipboard>";
    std::string text = "<no text>";
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

std::pair<DWORD, DWORD> selection(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

void clickButton(HWND button) {
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

namespace {
// Until every queued key has been handled, and what the keys posted with it.
void handleQueuedKeys() {
    handlePendingMessages();
}
} // namespace

void pressKeys(HWND window, HWND focus, const std::vector<BYTE>& keys) {
    SetForegroundWindow(window);
    SetFocus(focus);
    for (BYTE k : keys)
        keybd_event(k, 0, 0, 0);
    for (auto k = keys.rbegin(); k != keys.rend(); ++k)
        keybd_event(*k, 0, KEYEVENTF_KEYUP, 0);
    handleQueuedKeys();
}

void typeKeys(const std::vector<BYTE>& keys) {
    for (BYTE k : keys) {
        keybd_event(k, 0, 0, 0);
        keybd_event(k, 0, KEYEVENTF_KEYUP, 0);
    }
    handleQueuedKeys();
}

void ProgramFixture::SetUp() {
    standProgramAs("Murkwell.exe");
    auto& app = mw::Application::instance();
    app.setInteraction(&interaction);
    app.terminate = [this] { terminated = true; };
    app.modalHook = [this](mw::Form& form) {
        modalShown.push_back(className(form.handle()));
        if (onModal)
            onModal(form);
        else
            form.close();
    };
}

void ProgramFixture::standProgramAs(const std::string& exeName) {
    exePath = dir / exeName;
    if (recorder) {
        record();
        return;
    }
    platform = std::make_unique<mw::Win32Platform>(mw::Application::instance(), exePath);
    mw::Application::instance().setPlatform(platform.get());
}

RecordingPlatform& ProgramFixture::record() {
    auto made = std::make_unique<RecordingPlatform>(mw::Application::instance(), exePath);
    recorder = made.get();
    platform = std::move(made);
    mw::Application::instance().setPlatform(platform.get());
    return *recorder;
}

void ProgramFixture::TearDown() {
    auto& app = mw::Application::instance();
    app.modalHook = nullptr;
    app.terminate = nullptr;
    app.setInteraction(nullptr);
    app.setPlatform(nullptr);
}

} // namespace mwtest

namespace mwtest {

std::vector<COLORREF> iconPixels(HICON icon, int size) {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, size, size};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, magenta);
    DeleteObject(magenta);
    if (DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL))
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

std::vector<COLORREF> shownPixels(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    mw::WindowDC dc(window);
    mw::MemoryDC copy(dc.get());
    mw::UniqueBitmap bitmap(CreateCompatibleBitmap(dc.get(), r.right, r.bottom));
    std::vector<COLORREF> pixels;
    mw::ScopedSelect into(copy.get(), bitmap.get());
    BitBlt(copy.get(), 0, 0, r.right, r.bottom, dc.get(), 0, 0, SRCCOPY);
    for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x)
            pixels.push_back(GetPixel(copy.get(), x, y));
    return pixels;
}

namespace {
BOOL CALLBACK takeFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
    auto* out = reinterpret_cast<std::string*>(found);
    *out = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : std::string(name);
    return FALSE;
}
} // namespace

HICON firstIconOf(const std::string& exe, int size) {
    HMODULE module =
        LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return nullptr;
    std::string first;
    EnumResourceNamesA(module, RT_GROUP_ICON, takeFirstName, reinterpret_cast<LONG_PTR>(&first));
    // Not shared: the icon keeps its own copy of the image after the file is let go.
    HICON icon = first.empty()
                     ? nullptr
                     : static_cast<HICON>(LoadImageA(module, first.c_str(), IMAGE_ICON, size, size, 0));
    FreeLibrary(module);
    return icon;
}

} // namespace mwtest
