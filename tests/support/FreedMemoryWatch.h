// Searches every heap block the process frees for given bytes, before the block goes back: a
// program that links FreedMemoryWatch.cpp replaces the global operator new and delete with
// ones that do so. Proves that no copy of a secret was freed without being overwritten first.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace mwtest {

// Starts watching for any of up to four needles, each of at most 128 bytes; forgets earlier finds.
void watchFreedMemory(std::initializer_list<std::string_view> needles);
void stopWatchingFreedMemory();
// Freed blocks that held a needle since watching began, and the bytes of the first of them (up to
// 512), for the failure message.
int freedBlocksHoldingNeedle();
std::string firstFreedBlockHoldingNeedle();

// ASCII text in the UTF-16 form the system's conversions hold it in, as a needle.
inline std::string utf16Bytes(std::string_view ascii) {
    std::string wide;
    for (char c : ascii)
        wide += {c, '\0'};
    return wide;
}

} // namespace mwtest
