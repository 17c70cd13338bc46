// Opening, overwriting, renaming and removing a file through the wide Win32 API.
#include "scorch/Win32Wipe.h"
#include <bcrypt.h>
#include <cstring>
#include <cwctype>

namespace scorch {

std::wstring longPath(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(n, L'\0');
    if (n == 0) return path;
    n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(n);
    if (full.rfind(L"\\\\.\\", 0) == 0 || full.rfind(L"\\\\?\\", 0) == 0) return full; // a device
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = n ? std::wstring(text, n) : L"error " + std::to_wstring(error);
    if (text) LocalFree(text);
    for (auto& c : out)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!out.empty() && out.back() == L' ')
        out.pop_back();
    return out;
}

Status statusOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
        return Status::NotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return Status::InUse;
    case ERROR_ACCESS_DENIED:
        return Status::AccessDenied;
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_READ_ONLY:
        return Status::ReadOnly;
    default:
        return Status::IoError;
    }
}

namespace {

Outcome failure(DWORD error) {
    return {statusOf(error), systemMessage(error)};
}

Outcome lastFailure() {
    return failure(GetLastError());
}

// A directory or a read-only file is refused before anything is opened; the read-only
// attribute is the user's protection and stays.
Outcome checkAttributes(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return lastFailure();
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {Status::Directory, L"it is a directory"};
    if (attributes & FILE_ATTRIBUTE_READONLY) return {Status::ReadOnly, L"it is read-only"};
    return {};
}

// The named streams of an open file, as ":name:$DATA" with their sizes. Empty where the file
// system keeps none or cannot list them.
std::vector<std::pair<std::wstring, std::uint64_t>> namedStreams(HANDLE file) {
    std::vector<std::pair<std::wstring, std::uint64_t>> out;
    std::vector<unsigned char> buffer(64 * 1024);
    while (!GetFileInformationByHandleEx(file, FileStreamInfo, buffer.data(),
                                         static_cast<DWORD>(buffer.size()))) {
        if (GetLastError() != ERROR_MORE_DATA || buffer.size() >= (16u << 20)) return out;
        buffer.resize(buffer.size() * 4);
    }
    for (std::size_t at = 0;;) {
        FILE_STREAM_INFO info;
        std::memcpy(&info, buffer.data() + at, offsetof(FILE_STREAM_INFO, StreamName));
        std::wstring name(info.StreamNameLength / sizeof(wchar_t), L'\0');
        std::memcpy(name.data(), buffer.data() + at + offsetof(FILE_STREAM_INFO, StreamName),
                    info.StreamNameLength);
        if (!name.empty() && name != L"::$DATA")
            out.emplace_back(name, static_cast<std::uint64_t>(info.StreamSize.QuadPart));
        if (info.NextEntryOffset == 0) break;
        at += info.NextEntryOffset;
    }
    return out;
}

} // namespace

Win32WipeTarget::Win32WipeTarget(const std::wstring& path) : path_(longPath(path)) {
    auto slash = path_.find_last_of(L'\\');
    directory_ = path_.substr(0, slash + 1);
    name_ = path_.substr(slash + 1);
}

// A file on a drive or a share; never a device, a volume or a disk, which a wipe would ruin.
static bool isFileSystemPath(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return path.size() > 8;
    return path.size() >= 7 && path.rfind(L"\\\\?\\", 0) == 0 && std::iswalpha(path[4]) && path[5] == L':' &&
           path[6] == L'\\';
}

Outcome Win32WipeTarget::open(std::vector<std::uint64_t>& streamSizes) {
    if (!isFileSystemPath(path_)) return failure(ERROR_INVALID_NAME);
    if (auto o = checkAttributes(path_); !o) return o;
    // No sharing at all: nobody reads the file while it is overwritten, nor opens it after.
    main_ = Handle(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!main_) return lastFailure();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(main_.get(), &size)) {
        Outcome o = lastFailure();
        close();
        return o;
    }
    streamSizes = {static_cast<std::uint64_t>(size.QuadPart)};
    for (const auto& [stream, streamSize] : namedStreams(main_.get())) {
        Handle h(CreateFileW((path_ + stream).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h) {
            Outcome o = lastFailure();
            close();
            return o;
        }
        named_.push_back(std::move(h));
        streamSizes.push_back(streamSize);
    }
    return {};
}

HANDLE Win32WipeTarget::handle(std::size_t stream) const {
    return stream == 0 ? main_.get() : named_.at(stream - 1).get();
}

Outcome Win32WipeTarget::write(std::size_t stream, std::uint64_t offset,
                               std::span<const unsigned char> bytes) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    if (!WriteFile(handle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written, &at))
        return lastFailure();
    if (written != bytes.size()) return failure(ERROR_WRITE_FAULT);
    return {};
}

Outcome Win32WipeTarget::flush(std::size_t stream) {
    if (!FlushFileBuffers(handle(stream))) return lastFailure();
    return {};
}

Outcome Win32WipeTarget::truncate(std::size_t stream) {
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(handle(stream), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(handle(stream)))
        return lastFailure();
    return {};
}

void Win32WipeTarget::closeNamedStreams() {
    named_.clear();
}

std::wstring Win32WipeTarget::name() const {
    return name_;
}

Outcome Win32WipeTarget::rename(const std::wstring& newName) {
    // Through the open handle, so nobody can open the file between the steps.
    const std::wstring target = directory_ + newName;
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, target.data(), info->FileNameLength);
    if (!SetFileInformationByHandle(main_.get(), FileRenameInfo, info, static_cast<DWORD>(buffer.size()))) {
        DWORD error = GetLastError();
        Outcome o = failure(error);
        o.nameTaken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
        return o;
    }
    name_ = newName;
    return {};
}

Outcome Win32WipeTarget::remove() {
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!SetFileInformationByHandle(main_.get(), FileDispositionInfo, &disposition, sizeof disposition))
        return lastFailure();
    close();
    return {};
}

void Win32WipeTarget::close() {
    named_.clear();
    main_.reset();
}

std::array<std::uint64_t, 4> systemSeed() {
    std::array<std::uint64_t, 4> seed{};
    if (BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(seed.data()), sizeof seed,
                        BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) {
        // Without the system's source, the clock and the process still differ from run to run.
        LARGE_INTEGER t{};
        QueryPerformanceCounter(&t);
        seed = {static_cast<std::uint64_t>(t.QuadPart), GetCurrentProcessId(), GetTickCount64(),
                reinterpret_cast<std::uintptr_t>(&seed)};
    }
    return seed;
}

} // namespace scorch
