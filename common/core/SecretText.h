// Text that must not linger in memory, such as a stored pass phrase: its storage is overwritten
// before it is freed, and it is never copied implicitly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace mw {

// Overwrites `size` bytes in a way the compiler may not drop as a dead store.
void wipeBytes(void* data, std::size_t size);

// Heap storage that is overwritten before it goes back: every buffer a container of this
// allocator gives up, on growing as on destruction.
template <class T> struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <class U> WipingAllocator(const WipingAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept {
        wipeBytes(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    friend bool operator==(const WipingAllocator&, const WipingAllocator&) { return true; }
};

// A string for the copies of secret text that building a command line or converting it needs:
// its heap storage goes through WipingAllocator, and its destructor also overwrites the storage
// kept inside the object for short texts, which never reaches the allocator. Build secret text
// with += into one of these: operator+ makes temporaries of the base type.
template <class Char>
class BasicSecretString : public std::basic_string<Char, std::char_traits<Char>, WipingAllocator<Char>> {
    using Base = std::basic_string<Char, std::char_traits<Char>, WipingAllocator<Char>>;

public:
    using Base::Base;
    BasicSecretString() = default;
    BasicSecretString(const BasicSecretString&) = default;
    BasicSecretString(BasicSecretString&&) noexcept = default;
    BasicSecretString(const Base& other) : Base(other) {}
    BasicSecretString(Base&& other) noexcept : Base(std::move(other)) {}
    explicit BasicSecretString(std::basic_string_view<Char> text) : Base(text) {}
    BasicSecretString& operator=(const BasicSecretString&) = default;
    BasicSecretString& operator=(BasicSecretString&&) noexcept = default;
    using Base::operator=;
    ~BasicSecretString() {
        const auto storage = reinterpret_cast<std::uintptr_t>(this->data());
        const auto self = reinterpret_cast<std::uintptr_t>(this);
        if (storage >= self && storage < self + sizeof *this)
            wipeBytes(this->data(), (this->capacity() + 1) * sizeof(Char));
    }
};

using SecretString = BasicSecretString<char>;
using SecretWide = BasicSecretString<char16_t>; // UTF-16, as the system's conversions use it

// Overwrites every byte the string holds, up to its capacity, then empties it. For the copies a
// caller has to make in a std::string (a command line, say).
void wipe(std::string& text);

class SecretText {
public:
    SecretText() = default;
    // `length` characters, all zero, for the caller to fill through data().
    explicit SecretText(std::size_t length);
    SecretText(std::string_view text);
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    // Moving hands the storage over: no byte is copied.
    SecretText(SecretText&& other) noexcept;
    SecretText& operator=(SecretText&& other) noexcept;
    ~SecretText() { clear(); }

    char* data() { return data_.get(); }
    // Always followed by a zero byte.
    const char* c_str() const { return data_ ? data_.get() : ""; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::string_view view() const { return {c_str(), size_}; }
    // Cuts the text to `length` characters (no more than it has), overwriting what is cut.
    void truncate(std::size_t length);
    // Overwrites the text, then frees it.
    void clear();

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
};

} // namespace mw
