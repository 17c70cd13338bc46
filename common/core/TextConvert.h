// Decimal text to integers and back, with the error the settings readers rely on.
#pragma once
#include <cstdint>
#include <string>

namespace mw {

// Decimal text (optional sign, digits) to a signed 32-bit integer; anything else, an empty text
// or a value out of range throws ConversionError carrying the whole text.
std::int32_t parseInteger(const std::string& text);

// Decimal with a leading minus when negative, no padding.
std::string formatInteger(std::int64_t value);

// ASCII letters A-Z lowered; every other byte kept.
std::string toLowerAscii(std::string text);

} // namespace mw
