// The global operator new and delete of a test program, searching each freed block for the
// watched bytes. No allocation happens inside: the needles and the first find live in fixed arrays.
#include "support/FreedMemoryWatch.h"
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <new>

namespace {

constexpr std::size_t kNeedles = 4, kNeedleBytes = 128, kKeptBytes = 512;
char needles[kNeedles][kNeedleBytes];
std::size_t needleSizes[kNeedles];
std::size_t needleCount = 0;
bool watching = false;
int finds = 0;
char kept[kKeptBytes];
std::size_t keptSize = 0;

bool holds(const char* block, std::size_t size, const char* needle, std::size_t needleSize) {
    if (needleSize == 0 || size < needleSize) return false;
    for (std::size_t i = 0; i + needleSize <= size; ++i)
        if (block[i] == needle[0] && std::memcmp(block + i, needle, needleSize) == 0) return true;
    return false;
}

void inspect(void* p) {
    if (!watching || !p) return;
    const auto* block = static_cast<const char*>(p);
#ifdef _WIN32
    const std::size_t size = _msize(p);
#else
    const std::size_t size = malloc_usable_size(p);
#endif
    for (std::size_t n = 0; n < needleCount; ++n)
        if (holds(block, size, needles[n], needleSizes[n])) {
            if (finds++ == 0) {
                keptSize = size < kKeptBytes ? size : kKeptBytes;
                std::memcpy(kept, block, keptSize);
            }
            return;
        }
}

void* allocate(std::size_t n) {
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}

void release(void* p) noexcept {
    inspect(p);
    std::free(p);
}

} // namespace

namespace mwtest {

void watchFreedMemory(std::initializer_list<std::string_view> list) {
    needleCount = 0;
    for (std::string_view n : list) {
        if (needleCount == kNeedles) break;
        needleSizes[needleCount] = n.size() < kNeedleBytes ? n.size() : kNeedleBytes;
        std::memcpy(needles[needleCount], n.data(), needleSizes[needleCount]);
        ++needleCount;
    }
    finds = 0;
    keptSize = 0;
    watching = true;
}

void stopWatchingFreedMemory() {
    watching = false;
}

int freedBlocksHoldingNeedle() {
    return finds;
}

std::string firstFreedBlockHoldingNeedle() {
    std::string out;
    for (std::size_t i = 0; i < keptSize; ++i) {
        const auto c = static_cast<unsigned char>(kept[i]);
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
    }
    return out;
}

} // namespace mwtest

void* operator new(std::size_t n) {
    return allocate(n);
}
void* operator new[](std::size_t n) {
    return allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    release(p);
}
