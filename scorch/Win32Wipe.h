// The file being wiped, through the wide Win32 API with long-path names.
#pragma once
#include "scorch/Wipe.h"
#include "win/Handles.h"
#include <windows.h>
#include <string>
#include <vector>

namespace scorch {

// The full path with the "\\?\" prefix that lifts the 260-character limit; relative names are
// taken from the working directory.
std::wstring longPath(const std::wstring& path);

// The status a Win32 error stands for.
Status statusOf(DWORD error);

class Win32WipeTarget : public WipeTarget {
public:
    explicit Win32WipeTarget(const std::wstring& path);
    Outcome open(std::vector<std::uint64_t>& streamSizes) override;
    Outcome write(std::size_t stream, std::uint64_t offset, std::span<const unsigned char> bytes) override;
    Outcome flush(std::size_t stream) override;
    Outcome truncate(std::size_t stream) override;
    void closeNamedStreams() override;
    std::wstring name() const override;
    Outcome rename(const std::wstring& newName) override;
    Outcome remove() override;
    void close() override;

private:
    HANDLE handle(std::size_t stream) const;

    std::wstring path_;      // long form, as opened
    std::wstring directory_; // long form, with its trailing backslash
    std::wstring name_;      // the current name within directory_
    mw::UniqueHandle main_;
    std::vector<mw::UniqueHandle> named_;
};

// The system's random source, for the seed of the random pass.
std::array<std::uint64_t, 4> systemSeed();

// The whole wipe of one file, as the wipe tool does it and as pgp.exe's -w does it.
Outcome wipeFile(const std::wstring& path, int passes);

// Renames the file open as `file` (opened with DELETE access) to the full path `target`, through
// the handle, so nobody can open it between the steps. False with the system's error set.
bool renameOpenFile(HANDLE file, const std::wstring& target, bool replace);

} // namespace scorch
