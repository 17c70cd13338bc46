// The file being wiped, through the wide Win32 API with long-path names.
#pragma once
#include "scorch/Wipe.h"
#include <windows.h>
#include <string>
#include <vector>

namespace scorch {

// A handle closed on destruction.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    Handle(Handle&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = o.h_;
            o.h_ = nullptr;
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset() {
        if (h_) CloseHandle(h_);
        h_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
};

// The full path with the "\\?\" prefix that lifts the 260-character limit; relative names are
// taken from the working directory.
std::wstring longPath(const std::wstring& path);

// The system's text for an error code, on one line.
std::wstring systemMessage(DWORD error);

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
    Handle main_;
    std::vector<Handle> named_;
};

// The system's random source, for the seed of the random pass.
std::array<std::uint64_t, 4> systemSeed();

// The whole wipe of one file, as the wipe tool does it and as pgp.exe's -w does it.
Outcome wipeFile(const std::wstring& path, int passes);

} // namespace scorch
