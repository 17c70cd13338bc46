// Directory searches of the browser.
#include "filemodule/DirectoryScan.h"
#include "win/SystemText.h"
#include "win/Win32Util.h"
#include <algorithm>
#include <windows.h>

namespace filemodule {

namespace {

// Runs `visit` for every entry of `directory` except "." and "..".
// The wide calls: a name the ANSI code page cannot hold would come back as "?".
template <typename F> void forEachEntry(const std::string& directory, F&& visit) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(mw::widePath(mw::joinPath(directory, "*.*")).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = mw::utf8Path(fd.cFileName);
        if (name != "." && name != "..") visit(name, fd);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

} // namespace

std::vector<ListedFile> listFiles(const std::string& directory, bool withoutEngineFiles) {
    std::vector<ListedFile> files;
    forEachEntry(directory, [&](const std::string& name, const WIN32_FIND_DATAW& fd) {
        if (!mw::listedInFilePane(fd.dwFileAttributes) ||
            (withoutEngineFiles && mw::isEngineInternalFile(name)))
            return;
        const std::uint64_t written = static_cast<std::uint64_t>(fd.ftLastWriteTime.dwHighDateTime) << 32 |
                                      fd.ftLastWriteTime.dwLowDateTime;
        files.push_back({name, mw::fileIconFor(name), written});
    });
    return files;
}

std::vector<std::string> listSubdirectories(const std::string& directory) {
    std::vector<std::string> dirs;
    forEachEntry(directory, [&](const std::string& name, const WIN32_FIND_DATAW& fd) {
        const DWORD attributes = fd.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            dirs.push_back(name);
    });
    std::sort(dirs.begin(), dirs.end(), [](const std::string& a, const std::string& b) {
        return lstrcmpiW(mw::widePath(a).c_str(), mw::widePath(b).c_str()) < 0;
    });
    return dirs;
}

std::int64_t fileSize(const std::string& path) {
    const std::wstring wide = mw::widePath(path);
    const std::wstring full =
        mw::askedText([&](wchar_t* b, DWORD n) { return GetFullPathNameW(wide.c_str(), n, b, nullptr); });
    const std::wstring expanded = full.empty() ? wide : full;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(expanded.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return -1;
    FindClose(h);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
}

std::vector<std::string> logicalDrives() {
    std::vector<std::string> drives;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) drives.push_back(std::string(1, static_cast<char>('A' + i)) + ":\\");
    return drives;
}

} // namespace filemodule
