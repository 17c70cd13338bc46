// Win32 implementation of the Platform seam.
#include "win/Win32Platform.h"
#include "win/Application.h"
#include "core/Errors.h"
#include "win/SystemText.h"
#include "win/Win32Util.h"
#include <algorithm>
#include <climits>
#include <shellapi.h>
#include <vector>

namespace mw {

std::vector<std::string> splitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t nl = content.find('\n', start);
        std::size_t end = nl == std::string::npos ? content.size() : nl;
        std::size_t stop = (end > start && content[end - 1] == '\r') ? end - 1 : end;
        lines.emplace_back(content, start, stop - start);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

bool Win32Platform::fileExists(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Platform::deleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

std::vector<std::string> Win32Platform::readLines(const std::string& path) {
    std::string content;
    readInBlocks(path, [&](std::string_view block) { content.append(block); });
    return splitLines(content);
}

void Win32Platform::readInBlocks(const std::string& path, const std::function<void(std::string_view)>& take) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) throw IoError(path, "open", errorText(GetLastError()));
    // One small buffer used again and again: fresh memory for a file of megabytes costs more
    // under Wine than the reads themselves.
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            throw IoError(path, "read", errorText(GetLastError()));
        if (got == 0) break;
        take(std::string_view(buffer, got));
    }
}

namespace {

// The content is gathered in wiping storage: a batch file's lines may hold the pass phrase.
template <class Lines> void writeAllLines(HANDLE file, const std::string& path, const Lines& lines) {
    SecretString content;
    for (const auto& line : lines) {
        content += line;
        content += "\r\n";
    }
    DWORD written = 0;
    if (!content.empty() &&
        (!WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
         written != content.size()))
        throw IoError(path, "write", errorText(GetLastError()));
}

template <class Lines> void createAndWrite(const std::string& path, const Lines& lines) {
    UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw IoError(path, "create", errorText(GetLastError()));
    writeAllLines(file.get(), path, lines);
}

} // namespace

void Win32Platform::writeLines(const std::string& path, const std::vector<std::string>& lines) {
    createAndWrite(path, lines);
}

void Win32Platform::writeBatchFile(const std::string& path, const BatchLines& lines) {
    createAndWrite(path, lines);
}

std::optional<std::string> Win32Platform::readWholeFile(const std::string& path, std::uint64_t maxBytes) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) throw IoError(path, "open", errorText(GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) throw IoError(path, "read", errorText(GetLastError()));
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) return std::nullopt;
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t have = 0;
    while (have < content.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(content.size() - have, 1u << 30));
        if (!ReadFile(file.get(), content.data() + have, want, &got, nullptr))
            throw IoError(path, "read", errorText(GetLastError()));
        if (got == 0) break; // the file shrank while we read it
        have += got;
    }
    content.resize(have);
    return content;
}

void Win32Platform::writeWholeFile(const std::string& path, const std::string& bytes) {
    UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw IoError(path, "create", errorText(GetLastError()));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(file.get(), bytes.data() + done, want, &written, nullptr) || written == 0)
            throw IoError(path, "write", errorText(GetLastError()));
        done += written;
    }
}

bool Win32Platform::createNewFile(const std::string& path, const std::vector<std::string>& lines) {
    // CREATE_NEW makes the existence test and the creation one step: no other job can slip in.
    UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return false;
        throw IoError(path, "create", errorText(error));
    }
    try {
        writeAllLines(file.get(), path, lines);
    } catch (...) {
        file.reset();
        DeleteFileA(path.c_str());
        throw;
    }
    return true;
}

unsigned Win32Platform::ansiCodePage() {
    return GetACP();
}

// cmd.exe reads a batch file in the console's code page, which is the OEM one unless changed.
unsigned Win32Platform::consoleCodePage() {
    return GetOEMCP();
}

// wchar_t is UTF-16 here, as char16_t is.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

int Win32Platform::toUtf16(unsigned codePage, bool strict, std::string_view bytes, char16_t* out,
                           int outLength) {
    if (bytes.size() > INT_MAX) return 0;
    return MultiByteToWideChar(codePage, strict ? MB_ERR_INVALID_CHARS : 0, bytes.data(),
                               static_cast<int>(bytes.size()), reinterpret_cast<wchar_t*>(out), outLength);
}

int Win32Platform::fromUtf16(unsigned codePage, bool noBestFit, std::u16string_view wide, char* out,
                             int outLength, bool* usedDefault) {
    if (wide.size() > INT_MAX) return 0;
    BOOL used = FALSE;
    const int n = WideCharToMultiByte(
        codePage, noBestFit ? WC_NO_BEST_FIT_CHARS : 0, reinterpret_cast<const wchar_t*>(wide.data()),
        static_cast<int>(wide.size()), out, outLength, nullptr, usedDefault ? &used : nullptr);
    if (usedDefault) *usedDefault = used != FALSE;
    return n;
}

std::uintptr_t Win32Platform::watchDirectory(const std::string& directory) {
    HANDLE h = FindFirstChangeNotificationA(directory.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<std::uintptr_t>(h);
}

void Win32Platform::closeWatch(std::uintptr_t watch) {
    if (watch) FindCloseChangeNotification(reinterpret_cast<HANDLE>(watch));
}

void Win32Platform::waitForEvent(std::uintptr_t process, std::uintptr_t watch, unsigned timeoutMs) {
    HANDLE handles[2];
    DWORD count = 0;
    if (process) handles[count++] = reinterpret_cast<HANDLE>(process);
    if (watch) handles[count++] = reinterpret_cast<HANDLE>(watch);
    // Once WM_QUIT has been seen it stays pending for the main loop; waking on it would spin.
    DWORD wake = app_.quitRequested() ? 0 : QS_ALLINPUT;
    DWORD r = MsgWaitForMultipleObjectsEx(count, handles, timeoutMs, wake, MWMO_INPUTAVAILABLE);
    if (watch && r == WAIT_OBJECT_0 + count - 1) FindNextChangeNotification(reinterpret_cast<HANDLE>(watch));
}

bool Win32Platform::processEnded(std::uintptr_t process) {
    return process && WaitForSingleObject(reinterpret_cast<HANDLE>(process), 0) == WAIT_OBJECT_0;
}

std::optional<int> Win32Platform::processExitCode(std::uintptr_t process) {
    DWORD code = 0;
    if (!process || !GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &code) || code == STILL_ACTIVE)
        return std::nullopt;
    return static_cast<int>(code);
}

std::uint64_t Win32Platform::milliseconds() {
    return GetTickCount64();
}

std::string Win32Platform::lastErrorText() {
    return errorText(GetLastError());
}

bool Win32Platform::directoryExists(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Platform::isReadOnly(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY);
}

std::optional<std::uint64_t> Win32Platform::fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Win32Platform::moveFile(const std::string& from, const std::string& to, bool replaceExisting) {
    const DWORD flags = replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0;
    if (MoveFileExA(from.c_str(), to.c_str(), flags)) return true;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
    // Another drive: the system copies, flushes the copy to the device and only then removes the
    // source; a source it cannot remove stays, which the caller tests for. A read-only source
    // could only be copied, so it is refused here as the rename refuses it.
    if (isReadOnly(from)) return false;
    return MoveFileExA(from.c_str(), to.c_str(), flags | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != 0;
}

Platform::CopyResult Win32Platform::copyFile(const std::string& from, const std::string& to,
                                             bool replaceExisting) {
    UniqueHandle source(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return CopyResult::CannotOpen;
    UniqueHandle target(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr,
                                    replaceExisting ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
    if (!target) return CopyResult::CannotCreate;
    std::vector<char> block(1 << 16);
    for (;;) {
        DWORD got = 0, written = 0;
        if (!ReadFile(source.get(), block.data(), static_cast<DWORD>(block.size()), &got, nullptr))
            return CopyResult::Failed;
        if (got == 0) break;
        if (!WriteFile(target.get(), block.data(), got, &written, nullptr) || written != got)
            return CopyResult::Failed;
    }
    return CloseHandle(target.release()) ? CopyResult::Copied : CopyResult::Failed;
}

void Win32Platform::setEnvironmentVariable(const std::string& name, const std::optional<std::string>& value) {
    SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
}

std::optional<std::string> Win32Platform::environmentVariable(const std::string& name) {
    DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (n == 0) return std::nullopt;
    std::string value(n, '\0');
    n = GetEnvironmentVariableA(name.c_str(), value.data(), n);
    value.resize(n);
    return value;
}

std::string Win32Platform::shortPath(const std::string& path) {
    return shortPathName(path);
}

std::string Win32Platform::executablePath() {
    if (!exeOverride_.empty()) return exeOverride_;
    return moduleFileName();
}

LaunchResult Win32Platform::launch(const std::string& file, const std::string& parameters,
                                   const std::string& directory, ShowMode mode) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = app_.mainWindow();
    info.lpVerb = "open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.nShow = static_cast<int>(mode);
    LaunchResult result;
    if (ShellExecuteExA(&info)) {
        result.started = true;
        result.process = reinterpret_cast<std::uintptr_t>(info.hProcess);
    } else {
        result.error = errorText(GetLastError());
    }
    return result;
}

LaunchResult Win32Platform::launchWithInput(const std::string& batchFile, const std::string& directory,
                                            const SecretString& input) {
    LaunchResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    // Room for every answer: they are all written before the job starts, so nothing waits on it.
    const DWORD room = static_cast<DWORD>(std::max<std::size_t>(input.size() + 1024, 4096));
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, room)) {
        result.error = errorText(GetLastError());
        return result;
    }
    UniqueHandle in(readEnd), out(writeEnd);
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    DWORD written = 0;
    if (!input.empty() &&
        (!WriteFile(writeEnd, input.data(), static_cast<DWORD>(input.size()), &written, nullptr) ||
         written != input.size())) {
        result.error = errorText(GetLastError());
        return result;
    }
    out.reset();
    UniqueHandle nul(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = in.get();
    startup.hStdOutput = nul.get();
    startup.hStdError = nul.get();
    std::string commandLine = "cmd.exe /c \"\"" + batchFile + "\"\"";
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &process)) {
        result.error = errorText(GetLastError());
        return result;
    }
    CloseHandle(process.hThread);
    result.started = true;
    result.process = reinterpret_cast<std::uintptr_t>(process.hProcess);
    return result;
}

void Win32Platform::closeProcess(std::uintptr_t process) {
    if (process) CloseHandle(reinterpret_cast<HANDLE>(process));
}

void Win32Platform::processMessages() {
    app_.processMessages();
}

void Win32Platform::appendSortKey(const std::string& text, std::string& keys) {
    // Each thread its own buffers: a big ring's keys are made on two threads.
    thread_local SortKeys sortKeys(CP_ACP);
    sortKeys.append(text, keys);
}

void SortKeys::append(const std::string& text, std::string& keys) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX / 8)) return;
    if (!toWide(codePage_, text, wide_)) return;
    const int length = static_cast<int>(wide_.size());
    // The user's locale, as the system's sorted list box uses; the case weights are left out.
    auto map = [&](int room) {
        return LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, wide_.data(), length,
                             room ? reinterpret_cast<LPWSTR>(key_.data()) : nullptr, room, nullptr, nullptr,
                             0);
    };
    // Enough for Latin, Greek and Cyrillic text; others are asked for their size.
    const std::size_t likely = static_cast<std::size_t>(length) * 4 + 64;
    if (key_.size() < likely) key_.resize(likely);
    int got = map(static_cast<int>(key_.size()));
    if (got == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        const int room = map(0);
        if (room > 0) {
            key_.resize(static_cast<std::size_t>(room));
            got = map(room);
        }
    }
    // The closing zero byte plays no part in the order. A text the system cannot map keeps an
    // empty key and is placed by the fixed order of ties.
    if (got > 0 && key_[static_cast<std::size_t>(got) - 1] == '\0') --got;
    if (got > 0) keys.append(key_, 0, static_cast<std::size_t>(got));
}

} // namespace mw
