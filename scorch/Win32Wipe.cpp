// Opening, overwriting, renaming and removing a file through the wide Win32 API.
#include "scorch/Win32Wipe.h"
#include "win/SystemText.h"
#include <bcrypt.h>
#include <cstdio>
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
    return {statusOf(error), mw::systemMessage(error)};
}

Outcome lastFailure() {
    return failure(GetLastError());
}

// A link is refused whatever it points to: writing through it would overwrite its target, perhaps
// in another directory, while the removal took only the link's name.
Outcome linkRefusal(DWORD tag) {
    std::wstring what;
    switch (tag) {
    case IO_REPARSE_TAG_SYMLINK:
        what = L"it is a symbolic link";
        break;
    case IO_REPARSE_TAG_MOUNT_POINT:
        what = L"it is a junction";
        break;
    default: {
        wchar_t hex[16];
        swprintf(hex, 16, L"%08lX", static_cast<unsigned long>(tag));
        what = L"it is a reparse point (tag 0x" + std::wstring(hex) + L")";
    }
    }
    return {Status::Link, what + L"; neither it nor what it points to was touched"};
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

// The path the system resolves an open handle to, long form; empty when it cannot say.
std::wstring finalPath(HANDLE h) {
    DWORD n = GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    std::wstring full(n, L'\0');
    n = GetFinalPathNameByHandleW(h, full.data(), n, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= full.size()) return {};
    full.resize(n);
    return full;
}

std::wstring lastComponent(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

bool sameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// Whether the open file is another than the directory entry that was named: under Wine a symbolic
// link made on the Unix side carries no reparse point, and the handle reaches the file it points
// to. The directory is resolved on its own, so links among the directories above do not count.
// When the system cannot say, the file counts as the one named.
bool reachesAnotherFile(HANDLE file, const std::wstring& path, const std::wstring& directory) {
    const std::wstring reached = finalPath(file);
    mw::UniqueHandle dir(CreateFileW(directory.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::wstring dirReached = dir ? finalPath(dir.get()) : std::wstring();
    // The entry's own long name, even when the path gives its short form; a link's entry is the
    // link's, not its target's.
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE || reached.empty() || dirReached.empty()) {
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        return false;
    }
    FindClose(search);
    const std::wstring expected =
        (dirReached.back() == L'\\' ? dirReached : dirReached + L'\\') + entry.cFileName;
    return !sameText(reached, expected);
}

// What an open handle leads to, judged on the handle rather than the name: a link, a device or a
// pipe (which a path on a drive can name), a directory, or a read-only file is refused. The
// read-only attribute is the user's protection and stays.
Outcome checkHandle(HANDLE file, const std::wstring& path, const std::wstring& directory) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag)) return lastFailure();
    if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return linkRefusal(tag.ReparseTag);
    SetLastError(NO_ERROR);
    if (GetFileType(file) != FILE_TYPE_DISK) {
        if (GetLastError() != NO_ERROR) return lastFailure();
        return {Status::NotFound, L"it is a device or a pipe, not a file on a disk"};
    }
    if (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {Status::Directory, L"it is a directory"};
    if (tag.FileAttributes & FILE_ATTRIBUTE_READONLY) return {Status::ReadOnly, L"it is read-only"};
    if (reachesAnotherFile(file, path, directory)) return linkRefusal(IO_REPARSE_TAG_SYMLINK);
    return {};
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
    {
        // A first look, through a handle that reads attributes only and shuts nobody out, so
        // that nothing is opened for writing before it is known what the name leads to.
        mw::UniqueHandle look(CreateFileW(
            path_.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!look) return lastFailure();
        if (auto o = checkHandle(look.get(), path_, directory_); !o) return o;
    }
    // No sharing at all: nobody reads the file while it is overwritten, nor opens it after. A link
    // is opened as itself, never followed to its target.
    main_ = mw::UniqueHandle(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    if (!main_) return lastFailure();
    // Again on the handle that writes: the name may have been replaced in between.
    if (auto o = checkHandle(main_.get(), path_, directory_); !o) {
        close();
        return o;
    }
    // The name to give back should the removal fail: the long one, even when the caller named
    // the file by its short (8.3) form.
    if (std::wstring reached = finalPath(main_.get()); !reached.empty()) name_ = lastComponent(reached);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(main_.get(), &size)) {
        Outcome o = lastFailure();
        close();
        return o;
    }
    streamSizes = {static_cast<std::uint64_t>(size.QuadPart)};
    for (const auto& [stream, streamSize] : namedStreams(main_.get())) {
        // NTFS keeps read and write sharing per stream but delete sharing per file: the main
        // handle holds DELETE, so a stream opened without FILE_SHARE_DELETE would be refused as
        // a sharing violation. Sharing delete lets nobody else in: any other open of the file
        // must share delete with the main handle, which shares nothing; an open of this stream
        // for reading or writing meets the stream's own share mode, which allows neither.
        mw::UniqueHandle h(CreateFileW((path_ + stream).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

bool renameOpenFile(HANDLE file, const std::wstring& target, bool replace) {
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, target.data(), info->FileNameLength);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

Outcome Win32WipeTarget::rename(const std::wstring& newName) {
    // Through the open handle, so nobody can open the file between the steps.
    if (!renameOpenFile(main_.get(), directory_ + newName, false)) {
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

Outcome wipeFile(const std::wstring& path, int passes) {
    Win32WipeTarget target(path);
    Random random(systemSeed());
    return wipe(target, passes, random);
}

} // namespace scorch
