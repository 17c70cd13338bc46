// Text that must not linger in memory, such as a stored pass phrase: its storage is overwritten
// before it is freed, and it is never copied implicitly.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace mw {

// Overwrites `size` bytes in a way the compiler may not drop as a dead store.
void wipeBytes(void* data, std::size_t size);

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
