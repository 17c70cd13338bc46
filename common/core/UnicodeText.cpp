// UTF-8 and UTF-16 by hand (the conversions must behave the same natively and on Windows); the
// ANSI code page through the platform's call.
#include "core/UnicodeText.h"
#include <climits>

namespace mw {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
    char32_t code;
    std::size_t length; // bytes taken; 1 for a malformed byte
    bool valid;
};

// The sequence at `i`, with the ranges of well-formed UTF-8 (Unicode's table 3-7), so that
// overlong forms and surrogates are rejected at the byte where they go wrong.
Decoded decodeAt(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) return {b0, 1, true};
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;
    } else {
        return {kReplacement, 1, false};
    }
    if (i + length > s.size()) return {kReplacement, 1, false};
    char32_t code = b0 & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return {kReplacement, 1, false};
        code = (code << 6) | (b & 0x3F);
    }
    return {code, length, true};
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// UTF-16 from bytes in either order; an odd last byte is a character cut off.
std::u16string utf16FromBytes(std::string_view bytes, bool bigEndian) {
    std::u16string wide;
    wide.reserve(bytes.size() / 2 + 1);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        wide += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    if (bytes.size() % 2) wide += static_cast<char16_t>(kReplacement);
    return wide;
}

std::string fromAnsi(Platform& platform, std::string_view bytes) {
    if (bytes.size() > INT_MAX) return utf16ToUtf8(utf8ToUtf16(bytes));
    // Not strict: in the ANSI code page every byte must come out as something, as it always did.
    const unsigned cp = platform.ansiCodePage();
    std::u16string wide(static_cast<std::size_t>(platform.toUtf16(cp, false, bytes, nullptr, 0)), u'\0');
    if (wide.empty() || platform.toUtf16(cp, false, bytes, wide.data(), static_cast<int>(wide.size())) !=
                            static_cast<int>(wide.size()))
        return utf16ToUtf8(utf8ToUtf16(bytes)); // a system without that code page: U+FFFD each
    return utf16ToUtf8(wide);
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const Decoded d = decodeAt(bytes, i);
        if (!d.valid) return false;
        i += d.length;
    }
    return true;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Decoded d = decodeAt(text, i);
        if (d.code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((d.code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((d.code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(d.code);
        }
        i += d.length;
    }
    return out;
}

TextFileEncoding detectTextFileEncoding(std::string_view bytes) {
    if (startsWith(bytes, "\xEF\xBB\xBF")) return TextFileEncoding::Utf8WithBom;
    if (startsWith(bytes, "\xFF\xFE")) return TextFileEncoding::Utf16LeWithBom;
    if (startsWith(bytes, "\xFE\xFF")) return TextFileEncoding::Utf16BeWithBom;
    return isValidUtf8(bytes) ? TextFileEncoding::Utf8 : TextFileEncoding::Ansi;
}

std::string textFromBytes(Platform& platform, std::string_view bytes) {
    switch (detectTextFileEncoding(bytes)) {
    case TextFileEncoding::Utf8WithBom:
        return utf16ToUtf8(utf8ToUtf16(bytes.substr(3)));
    case TextFileEncoding::Utf16LeWithBom:
        return utf16ToUtf8(utf16FromBytes(bytes.substr(2), false));
    case TextFileEncoding::Utf16BeWithBom:
        return utf16ToUtf8(utf16FromBytes(bytes.substr(2), true));
    case TextFileEncoding::Utf8:
        return std::string(bytes);
    case TextFileEncoding::Ansi:
        break;
    }
    return fromAnsi(platform, bytes);
}

std::size_t utf8PrefixOfUtf16Units(std::string_view utf8, std::size_t utf16Units) {
    std::size_t i = 0, units = 0;
    while (i < utf8.size()) {
        const Decoded d = decodeAt(utf8, i);
        const std::size_t width = d.code >= 0x10000 ? 2 : 1;
        if (units + width > utf16Units) break;
        units += width;
        i += d.length;
    }
    return i;
}

std::size_t firstCharacterLength(std::string_view utf8) {
    return utf8.empty() ? 0 : decodeAt(utf8, 0).length;
}

std::size_t characterBoundaryAtOrBefore(std::string_view utf8, std::size_t count) {
    if (count >= utf8.size()) return utf8.size();
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t next = i + decodeAt(utf8, i).length;
        if (next > count) break;
        i = next;
    }
    return i;
}

} // namespace mw
