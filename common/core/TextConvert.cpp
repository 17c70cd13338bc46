// Integer conversion used by the settings file.
#include "core/TextConvert.h"
#include "core/Errors.h"

namespace mw {

std::int32_t parseInteger(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) throw ConversionError(text);
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') throw ConversionError(text);
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) throw ConversionError(text);
    }
    if (negative) value = -value;
    if (value > 2147483647LL || value < -2147483648LL) throw ConversionError(text);
    return static_cast<std::int32_t>(value);
}

std::string formatInteger(std::int64_t value) {
    return std::to_string(value);
}

std::string toLowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace mw
