// File helpers shared by pgp.exe's commands.
#include "pgp/Files.h"
#include "pgp/core/Names.h"

namespace pgp {

using Handle = mw::UniqueHandle;

namespace {

// A path the system asks a buffer for, grown until it fits; empty when the call fails.
template <class Call> std::wstring askedPath(Call call) {
    std::wstring out(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = call(out.data(), static_cast<DWORD>(out.size()));
        if (n == 0) return {};
        if (n < out.size()) {
            out.resize(n);
            return out;
        }
        out.resize(n);
    }
}

} // namespace

bool isFile(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring directoryOf(const std::wstring& path) {
    auto cut = path.find_last_of(L"\\/:");
    if (cut == std::wstring::npos) return L".";
    return path.substr(0, cut + 1);
}

std::wstring textOfBytes(const std::string& bytes) {
    for (UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int n =
            MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        if (n <= 0) continue;
        std::wstring out(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
        return out;
    }
    return {};
}

std::wstring fullPath(const std::wstring& path) {
    std::wstring full =
        askedPath([&](wchar_t* b, DWORD n) { return GetFullPathNameW(path.c_str(), n, b, nullptr); });
    return full.empty() ? path : full;
}

std::wstring longForm(const std::wstring& full) {
    std::wstring whole = askedPath([&](wchar_t* b, DWORD n) { return GetLongPathNameW(full.c_str(), b, n); });
    if (!whole.empty()) return whole;
    const std::size_t cut = full.find_last_of(L'\\');
    if (cut == std::wstring::npos) return full;
    const std::wstring folder = full.substr(0, cut);
    std::wstring longFolder =
        askedPath([&](wchar_t* b, DWORD n) { return GetLongPathNameW(folder.c_str(), b, n); });
    return (longFolder.empty() ? folder : longFolder) + full.substr(cut);
}

std::wstring listedName(const std::wstring& path) {
    const std::wstring whole =
        askedPath([&](wchar_t* b, DWORD n) { return GetLongPathNameW(path.c_str(), b, n); });
    return bareName(whole.empty() ? path : whole);
}

bool setDeletePending(HANDLE file, bool pending) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(pending)};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

Handle openInput(const std::wstring& path) {
    return Handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

std::wstring systemReason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring reason = n && text ? std::wstring(text, n) : L"system error " + std::to_wstring(error);
    if (text) LocalFree(text);
    // Some name what they are about as "%1"; the caller's message names it already.
    if (const auto at = reason.find(L"%1"); at != std::wstring::npos) reason.replace(at, 2, L"the file");
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L'.' ||
                               reason.back() == L' '))
        reason.pop_back();
    return reason;
}

} // namespace pgp
