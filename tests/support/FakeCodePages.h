// The system's two conversion calls for the code pages the native tests use, with the system's
// rules for flags: 437, 850, 1251 and 1252 whole; 932 for ASCII, half-width katakana and a few
// double-byte characters; 65001 (UTF-8) whole; and 50220, as a code page that takes no flags at
// all and silently writes "?" for what it lacks (modelled for ASCII only). Its own buffers wipe
// themselves, like the caller's: the text may be the pass phrase.
#pragma once
#include "core/SecretText.h"
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace mwtest {

class FakeCodePages {
public:
    // As MultiByteToWideChar: units written, or needed when `out` is null; 0 on failure.
    static int toUtf16(unsigned cp, bool strict, std::string_view bytes, char16_t* out, int outLength) {
        mw::SecretWide wide;
        if (!decode(cp, strict, bytes, wide)) return 0;
        return deliver(wide, out, outLength);
    }

    // As WideCharToMultiByte. Windows refuses WC_NO_BEST_FIT_CHARS and lpUsedDefaultChar for
    // UTF-8 (ERROR_INVALID_PARAMETER) and any flag for 50220 (ERROR_INVALID_FLAGS).
    static int fromUtf16(unsigned cp, bool noBestFit, std::u16string_view wide, char* out, int outLength,
                         bool* usedDefault) {
        if ((cp == 65001 || cp == 50220) && (noBestFit || usedDefault)) return 0;
        mw::SecretString bytes;
        bool defaulted = false;
        if (cp == 65001) {
            bytes = utf8(wide);
        } else {
            if (!table(cp) && cp != 932 && cp != 50220) return 0;
            for (char16_t c : wide) {
                std::string one = encodeOne(cp, c);
                if (one.empty() && !noBestFit && cp != 50220) one = encodeOne(cp, bestFit(c));
                if (one.empty()) {
                    one = "?";
                    defaulted = true;
                }
                bytes += one;
            }
        }
        if (usedDefault) *usedDefault = defaulted;
        return deliver(bytes, out, outLength);
    }

private:
    template <class S, class C> static int deliver(const S& text, C* out, int outLength) {
        if (!out) return static_cast<int>(text.size());
        if (outLength < static_cast<int>(text.size())) return 0;
        std::copy(text.begin(), text.end(), out);
        return static_cast<int>(text.size());
    }

    // Bytes 0x80-0xFF of the single-byte code pages.
    static const char16_t* table(unsigned cp) {
        static const char16_t cp437[128] = {
            0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
            0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
            0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
            0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
            0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
            0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
            0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
            0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
            0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
            0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
            0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};
        static const char16_t cp850[128] = {
            0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
            0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
            0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
            0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
            0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
            0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
            0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
            0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
            0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
            0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
            0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};
        // Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character; Windows passes them through.
        static const char16_t cp1252[128] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
            0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
            0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
            0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
            0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
            0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
            0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
            0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
            0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
            0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF};
        static const char16_t cp1251[128] = {
            0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
            0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
            0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
            0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
            0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
            0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
            0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
            0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
            0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
            0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
            0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};
        switch (cp) {
        case 437:
            return cp437;
        case 850:
            return cp850;
        case 1251:
            return cp1251;
        case 1252:
            return cp1252;
        default:
            return nullptr;
        }
    }

    // The double-byte characters of 932 the tests use.
    static const std::map<std::uint16_t, char16_t>& sjis() {
        static const std::map<std::uint16_t, char16_t> pairs{
            {0x93FA, u'\u65E5'}, {0x967B, u'\u672C'}, {0x8341, u'\u30A2'}, {0x8145, u'\u30FB'}};
        return pairs;
    }
    static bool sjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

    static bool decode(unsigned cp, bool strict, std::string_view bytes, mw::SecretWide& wide) {
        if (cp == 65001) return decodeUtf8(strict, bytes, wide);
        const char16_t* t = table(cp);
        if (!t && cp != 932 && cp != 50220) return false;
        if (cp == 50220 && strict) return false; // takes no flags
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b < 0x80) {
                wide += static_cast<char16_t>(b);
            } else if (t) {
                wide += t[b - 0x80];
            } else if (cp == 50220) {
                wide += u'\uFFFD';
            } else if (b >= 0xA1 && b <= 0xDF) {
                wide += static_cast<char16_t>(0xFF61 + (b - 0xA1));
            } else {
                auto it = sjis().end();
                if (sjisLead(b) && i + 1 < bytes.size())
                    it = sjis().find(
                        static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(bytes[i + 1])));
                if (it == sjis().end()) {
                    if (strict) return false;
                    wide += u'\u30FB';
                } else {
                    wide += it->second;
                }
                if (sjisLead(b) && i + 1 < bytes.size()) ++i;
            }
        }
        return true;
    }

    static std::string encodeOne(unsigned cp, char16_t c) {
        if (c < 0x80) return std::string(1, static_cast<char>(c));
        if (const char16_t* t = table(cp)) {
            for (int i = 0; i < 128; ++i)
                if (t[i] == c) return std::string(1, static_cast<char>(0x80 + i));
            return {};
        }
        if (cp != 932) return {};
        if (c >= 0xFF61 && c <= 0xFF9F) return std::string(1, static_cast<char>(0xA1 + (c - 0xFF61)));
        for (const auto& [code, ch] : sjis())
            if (ch == c) return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        return {};
    }

    // The system's look-alikes, for the accented Latin letters: "é" becomes "e".
    static char16_t bestFit(char16_t c) {
        static const char kBase[] = "AAAAAAACEEEEIIIIDNOOOOO\0OUUUUY\0\0aaaaaaaceeeeiiiidnooooo\0ouuuuy\0y";
        if (c < 0xC0 || c > 0xFF || kBase[c - 0xC0] == '\0') return c;
        return static_cast<char16_t>(kBase[c - 0xC0]);
    }

    static mw::SecretString utf8(std::u16string_view wide) {
        mw::SecretString out;
        for (std::size_t i = 0; i < wide.size(); ++i) {
            char32_t c = wide[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                wide[i + 1] <= 0xDFFF)
                c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
            else if (c >= 0xD800 && c <= 0xDFFF)
                c = 0xFFFD; // a lone surrogate
            if (c < 0x80) {
                out += static_cast<char>(c);
            } else if (c < 0x800) {
                out += static_cast<char>(0xC0 | c >> 6);
                out += static_cast<char>(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                out += static_cast<char>(0xE0 | c >> 12);
                out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
                out += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                out += static_cast<char>(0xF0 | c >> 18);
                out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
                out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return out;
    }

    static bool decodeUtf8(bool strict, std::string_view bytes, mw::SecretWide& wide) {
        for (std::size_t i = 0; i < bytes.size();) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            const int extra = b < 0x80                ? 0
                              : b >= 0xC2 && b < 0xE0 ? 1
                              : b >= 0xE0 && b < 0xF0 ? 2
                              : b >= 0xF0 && b < 0xF5 ? 3
                                                      : -1;
            char32_t c = extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : extra == 3 ? b & 0x07 : b;
            bool valid = extra >= 0 && i + extra < bytes.size();
            for (int k = 1; valid && k <= extra; ++k) {
                const auto n = static_cast<unsigned char>(bytes[i + k]);
                valid = (n & 0xC0) == 0x80;
                c = c << 6 | (n & 0x3F);
            }
            valid = valid && !(extra == 2 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) &&
                    !(extra == 3 && (c < 0x10000 || c > 0x10FFFF));
            if (!valid) {
                if (strict) return false;
                wide += u'\uFFFD';
                ++i;
                continue;
            }
            if (c >= 0x10000) {
                wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                wide += static_cast<char16_t>(c);
            }
            i += static_cast<std::size_t>(extra) + 1;
        }
        return true;
    }
};

} // namespace mwtest
