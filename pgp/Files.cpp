// File helpers shared by pgp.exe's commands.
#include "pgp/Files.h"
#include "win/SystemText.h"
#include "pgp/core/Names.h"

namespace pgp {

using Handle = mw::UniqueHandle;

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
    std::wstring out;
    if (mw::toWide(CP_UTF8, bytes, out, MB_ERR_INVALID_CHARS)) return out;
    mw::toWide(CP_ACP, bytes, out);
    return out;
}

std::wstring fullPath(const std::wstring& path) {
    std::wstring full =
        mw::askedText([&](wchar_t* b, DWORD n) { return GetFullPathNameW(path.c_str(), n, b, nullptr); });
    return full.empty() ? path : full;
}

std::wstring longForm(const std::wstring& full) {
    std::wstring whole =
        mw::askedText([&](wchar_t* b, DWORD n) { return GetLongPathNameW(full.c_str(), b, n); });
    if (!whole.empty()) return whole;
    const std::size_t cut = full.find_last_of(L'\\');
    if (cut == std::wstring::npos) return full;
    const std::wstring folder = full.substr(0, cut);
    std::wstring longFolder =
        mw::askedText([&](wchar_t* b, DWORD n) { return GetLongPathNameW(folder.c_str(), b, n); });
    return (longFolder.empty() ? folder : longFolder) + full.substr(cut);
}

std::wstring shortPathOf(const std::wstring& path) {
    return mw::askedText([&](wchar_t* b, DWORD n) { return GetShortPathNameW(path.c_str(), b, n); });
}

std::wstring listedName(const std::wstring& path) {
    const std::wstring whole =
        mw::askedText([&](wchar_t* b, DWORD n) { return GetLongPathNameW(path.c_str(), b, n); });
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
    std::wstring reason = mw::systemMessage(error);
    while (!reason.empty() && (reason.back() == L'.' || reason.back() == L' '))
        reason.pop_back();
    return reason;
}

} // namespace pgp
