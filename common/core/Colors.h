// The named colours of both programs, in the form the settings file stores colours in.
#pragma once
#include <cstdint>

namespace mw {

// 0x00BBGGRR, or a system colour index with the top bit set.
namespace colors {
constexpr std::int32_t clBlack = 0x000000;
constexpr std::int32_t clMaroon = 0x000080;
constexpr std::int32_t clNavy = 0x800000;
constexpr std::int32_t clOlive = 0x008080;
constexpr std::int32_t clPurple = 0x800080;
constexpr std::int32_t clWhite = 0xFFFFFF;
constexpr std::int32_t clWindow = static_cast<std::int32_t>(0x80000005u);
constexpr std::int32_t clBtnFace = static_cast<std::int32_t>(0x8000000Fu);
} // namespace colors

} // namespace mw
