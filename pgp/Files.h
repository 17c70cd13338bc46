// Files as pgp.exe's commands use them: existence, names, the input opened, and an output that
// appears only when it is complete.
#pragma once
#include "scorch/Win32Wipe.h"
#include "win/Handles.h"
#include <windows.h>
#include <string>

namespace pgp {

// The short form of an existing path; empty when the system gives none.
std::wstring shortPathOf(const std::wstring& path);
bool isFile(const std::wstring& path);
// The folder part of a path, with its separator; "." for a bare name.
std::wstring directoryOf(const std::wstring& path);
std::wstring fullPath(const std::wstring& path);
// The long form of a full path, so that a short alias is seen for the name it stands for; for
// a file that does not exist yet, the long form of its folder.
std::wstring longForm(const std::wstring& full);
// The name of an existing file as its folder lists it: a short alias ("OTCH~X1I.TXT") gives the
// long name it stands for. Otherwise the bare name of `path`.
std::wstring listedName(const std::wstring& path);
bool setDeletePending(HANDLE file, bool pending);
// Bytes as text: UTF-8, as today's programs write it, else this system's code page, as older
// programs did (a stored file name, a plaintext, config.txt).
std::wstring textOfBytes(const std::string& bytes);
mw::UniqueHandle openInput(const std::wstring& path);
// The system's words for an error code, without the closing period and line end.
std::wstring systemReason(DWORD error);
// A file name as messages show it.
inline std::wstring quoted(const std::wstring& text) {
    return L"'" + text + L"'";
}

// A file written under a temporary name beside its destination, renamed only when complete;
// otherwise wiped (it may hold part of a plaintext). Until then the system deletes it with the
// last handle to it, so a pgp.exe that is ended mid-way leaves none of it behind.
class OutputFile {
public:
    explicit OutputFile(const std::wstring& destination) {
        wchar_t name[MAX_PATH + 1];
        if (GetTempFileNameW(directoryOf(destination).c_str(), L"pgp", 0, name)) {
            temp_ = name;
            file_ = mw::UniqueHandle(CreateFileW(name, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file_) setDeletePending(file_.get(), true);
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() {
        if (temp_.empty()) return;
        // Kept long enough to be overwritten; gone unwiped only if the system will not keep it.
        const bool kept = file_ && setDeletePending(file_.get(), false);
        file_.reset();
        if (!kept) return;
        scorch::wipeFile(temp_, 1);
        DeleteFileW(temp_.c_str());
    }
    HANDLE handle() const { return file_.get(); }
    bool commit(const std::wstring& path) {
        if (!setDeletePending(file_.get(), false)) return false;
        if (!scorch::renameOpenFile(file_.get(), fullPath(path), true)) {
            setDeletePending(file_.get(), true);
            return false;
        }
        file_.reset();
        temp_.clear();
        return true;
    }

private:
    std::wstring temp_;
    mw::UniqueHandle file_;
};

} // namespace pgp
