// The one owning wrapper for Win32 handles, shared by both programs and the console tools (the
// wipe tool includes it without linking the window libraries).
#pragma once
#include <windows.h>
#include <utility>

namespace mw {

// Owns a handle that `Free` releases; move-only. Where null is not the only value that owns
// nothing (INVALID_HANDLE_VALUE), `Free::owns(h)` says which do; the others are kept as null.
template <typename T, typename Free> class UniqueOwned {
public:
    UniqueOwned() = default;
    explicit UniqueOwned(T h) : h_(adopt(h)) {}
    UniqueOwned(const UniqueOwned&) = delete;
    UniqueOwned& operator=(const UniqueOwned&) = delete;
    UniqueOwned(UniqueOwned&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueOwned& operator=(UniqueOwned&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    ~UniqueOwned() { reset(); }
    T get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset(T h = nullptr) {
        if (h_) Free{}(h_);
        h_ = adopt(h);
    }
    T release() { return std::exchange(h_, nullptr); }

private:
    static T adopt(T h) {
        if constexpr (requires { Free::owns(h); })
            return Free::owns(h) ? h : nullptr;
        else
            return h;
    }
    T h_ = nullptr;
};

// Kernel handles: files, processes, threads, events, snapshots. The calls that open files answer
// INVALID_HANDLE_VALUE, the others null, when they fail.
struct HandleClose {
    static bool owns(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = UniqueOwned<HANDLE, HandleClose>;

} // namespace mw
