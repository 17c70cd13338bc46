// How bytes from files and from PGP become the editor's text, and the UTF-16 offsets the wide
// calls give back mapped onto it.
#include "core/UnicodeText.h"
#include "support/FakePlatform.h"
#include <gtest/gtest.h>

using namespace mw;

namespace {

struct FileCase {
    const char* name;
    std::string bytes;
    unsigned ansiCodePage;
    TextFileEncoding encoding;
    std::string text; // UTF-8
};

const std::string kMixed =
    "Caf\xC3\xA9 \xCE\xB1\xCE\xB2 \xD0\x9F\xD1\x80\xD0\xB8 \xE6\x97\xA5 \xF0\x9F\x98\x80";

} // namespace

TEST(UnicodeText, FilesAreReadByTheirMarkElseAsUtf8ElseInTheAnsiCodePage) {
    const FileCase cases[] = {
        {"ascii", "plain\r\n", 1252, TextFileEncoding::Utf8, "plain\r\n"},
        {"empty", "", 1252, TextFileEncoding::Utf8, ""},
        {"utf8", kMixed, 1252, TextFileEncoding::Utf8, kMixed},
        {"utf8 bom", "\xEF\xBB\xBF" + kMixed, 1252, TextFileEncoding::Utf8WithBom, kMixed},
        {"utf16le bom",
         std::string("\xFF\xFE"
                     "C\0\xE9\0=\xD8\0\xDE",
                     10),
         1252, TextFileEncoding::Utf16LeWithBom, "C\xC3\xA9\xF0\x9F\x98\x80"},
        {"utf16be bom", std::string("\xFE\xFF\0C\0\xE9", 6), 1252, TextFileEncoding::Utf16BeWithBom,
         "C\xC3\xA9"},
        // A lone surrogate and an odd last byte are no characters.
        {"utf16 broken", std::string("\xFF\xFE\x00\xD8x", 5), 1252, TextFileEncoding::Utf16LeWithBom,
         "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"latin1 from old pgp", "Caf\xE9 Z\xFCrich", 1252, TextFileEncoding::Ansi,
         "Caf\xC3\xA9 Z\xC3\xBCrich"},
        {"cyrillic 1251", "\xCF\xF0\xE8\xE2\xE5\xF2", 1251, TextFileEncoding::Ansi,
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        // Looks like UTF-8 lead bytes, but is cut short or overlong: ANSI.
        {"truncated", "ab\xC3", 1252, TextFileEncoding::Ansi, "ab\xC3\x83"},
        {"overlong slash", "\xC0\xAF", 1252, TextFileEncoding::Ansi, "\xC3\x80\xC2\xAF"},
        {"surrogate in utf8", "\xED\xA0\x80", 1252, TextFileEncoding::Ansi, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        // A byte with no character in 1252 still comes through as one.
        {"undefined 1252 byte", "x\x81", 1252, TextFileEncoding::Ansi, "x\xC2\x81"},
        // A mark says UTF-8: what is malformed after it is not re-read in another code page.
        {"utf8 bom then latin1",
         "\xEF\xBB\xBF"
         "caf\xE9",
         1252, TextFileEncoding::Utf8WithBom, "caf\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        mwtest::FakePlatform fake;
        fake.ansiCp = c.ansiCodePage;
        EXPECT_EQ(c.encoding, detectTextFileEncoding(c.bytes)) << c.name;
        EXPECT_EQ(c.text, textFromBytes(fake, c.bytes)) << c.name;
    }
}

TEST(UnicodeText, Utf8ValidityFollowsTheRangesOfWellFormedSequences) {
    const std::pair<std::string, bool> cases[] = {
        {"\x7F", true},
        {"\xC2\x80", true},
        {"\xC1\xBF", false},
        {"\xE0\xA0\x80", true},
        {"\xE0\x9F\xBF", false},
        {"\xED\x9F\xBF", true},
        {"\xED\xA0\x80", false},
        {"\xF0\x90\x80\x80", true},
        {"\xF0\x8F\xBF\xBF", false},
        {"\xF4\x8F\xBF\xBF", true},
        {"\xF4\x90\x80\x80", false},
        {"\xF5\x80\x80\x80", false},
        {"\x80", false},
        {"\xE6\x97", false},
    };
    for (const auto& [bytes, valid] : cases)
        EXPECT_EQ(valid, isValidUtf8(bytes)) << testing::PrintToString(bytes);
}

TEST(UnicodeText, Utf16AndUtf8RoundTripEveryPlane) {
    const std::u16string wide = u"A\u00E9\u0416\u65E5\U0001F600\u05E9\u05DC";
    EXPECT_EQ(wide, utf8ToUtf16(utf16ToUtf8(wide)));
    EXPECT_EQ("\xF0\x9F\x98\x80", utf16ToUtf8(u"\U0001F600"));
    EXPECT_EQ("\xEF\xBF\xBDx", utf16ToUtf8(std::u16string(1, u'\xDC00') + u"x"));
    EXPECT_EQ(u"\uFFFDx", utf8ToUtf16("\xFFx"));
}

TEST(UnicodeText, WideOffsetsMapOntoWholeCharacters) {
    const std::string s = "a\xC3\xA9\xF0\x9F\x98\x80z"; // a é 😀 z: 1+1+2+1 UTF-16 units
    EXPECT_EQ(0u, utf8PrefixOfUtf16Units(s, 0));
    EXPECT_EQ(3u, utf8PrefixOfUtf16Units(s, 2));
    EXPECT_EQ(3u, utf8PrefixOfUtf16Units(s, 3)); // inside the pair: before it
    EXPECT_EQ(7u, utf8PrefixOfUtf16Units(s, 4));
    EXPECT_EQ(8u, utf8PrefixOfUtf16Units(s, 99));
    EXPECT_EQ(4u, firstCharacterLength(s.substr(3)));
    EXPECT_EQ(1u, firstCharacterLength("\x80"));
    EXPECT_EQ(3u, characterBoundaryAtOrBefore(s, 5));
    EXPECT_EQ(7u, characterBoundaryAtOrBefore(s, 7));
}
