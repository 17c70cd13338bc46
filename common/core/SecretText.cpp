// Overwriting secret text before its memory goes back to the heap.
#include "core/SecretText.h"
#include <cstring>
#include <utility>

namespace mw {

void wipeBytes(void* data, std::size_t size) {
    // Writes through a volatile pointer are observable behaviour: they cannot be optimised away
    // although the memory is freed right after.
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i)
        p[i] = 0;
}

void wipe(std::string& text) {
    // Growing to the capacity never reallocates, and makes every byte of the storage ours to write.
    text.resize(text.capacity());
    wipeBytes(text.data(), text.size());
    text.clear();
}

SecretText::SecretText(std::size_t length) : data_(new char[length + 1]()), size_(length) {}

SecretText::SecretText(std::string_view text) : SecretText(text.size()) {
    if (!text.empty()) std::memcpy(data_.get(), text.data(), text.size());
}

SecretText::SecretText(SecretText&& other) noexcept
    : data_(std::move(other.data_)), size_(std::exchange(other.size_, 0)) {}

SecretText& SecretText::operator=(SecretText&& other) noexcept {
    if (this != &other) {
        clear();
        data_ = std::move(other.data_);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void SecretText::truncate(std::size_t length) {
    if (length >= size_) return;
    wipeBytes(data_.get() + length, size_ - length);
    size_ = length;
}

void SecretText::clear() {
    if (data_) wipeBytes(data_.get(), size_ + 1);
    data_.reset();
    size_ = 0;
}

} // namespace mw
