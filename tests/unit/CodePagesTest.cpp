// Conversion between the programs' code page and the console's over the fake's conversion calls,
// which refuse flags as the system does: exact bytes both ways, and every character without an
// exact form refused, for the code pages of Western, Cyrillic, Japanese and UTF-8 systems.
#include "core/CodePages.h"
#include "support/FakePlatform.h"
#include <gtest/gtest.h>

using namespace mw;

namespace {

using Converted = std::optional<std::string>;

Converted convert(std::string_view text, unsigned from, unsigned to) {
    mwtest::FakePlatform fake;
    auto plain = recode(fake, text, from, to);
    // The secret flavour walks the same way and must agree byte for byte.
    auto secret = recodeSecret(fake, text, from, to);
    EXPECT_EQ(plain.has_value(), secret.has_value()) << text;
    if (plain && secret) {
        EXPECT_EQ(*plain, std::string(*secret)) << text;
    }
    return plain;
}

} // namespace

TEST(CodePages, WesternTextReachesTheOemConsolesWithItsOwnBytes) {
    EXPECT_EQ(convert("Ren\xE9 M\xFCller", 1252, 437), Converted("Ren\x82 M\x81ller"));
    EXPECT_EQ(convert("Ren\xE9 M\xFCller", 1252, 850), Converted("Ren\x82 M\x81ller"));
    EXPECT_EQ(convert("Ren\x82 M\x81ller", 437, 1252), Converted("Ren\xE9 M\xFCller"));
    // 850 has the Scandinavian "\xD8" (at 0x9D), 437 has not: refused there, not turned into "O".
    EXPECT_EQ(convert("S\xD8REN", 1252, 850), Converted("S\x9DREN"));
    EXPECT_EQ(convert("S\xD8REN", 1252, 437), std::nullopt);
    // Box drawing and the euro sign have no form on the other side.
    EXPECT_EQ(convert("odd \xFE", 437, 1252), std::nullopt);
    EXPECT_EQ(convert("5 \x80", 1252, 437), std::nullopt);
}

TEST(CodePages, CyrillicIsRefusedOnAWesternConsoleAndCarriedByUtf8) {
    EXPECT_EQ(convert("\xE6\xE5\xED\xFF", 1251, 850), std::nullopt);
    EXPECT_EQ(convert("Ivan \xC8\xE2\xE0\xED", 1251, 437), std::nullopt);
    EXPECT_EQ(convert("\xE6\xE5\xED\xFF", 1251, 65001), Converted("\xD0\xB6\xD0\xB5\xD0\xBD\xD1\x8F"));
}

TEST(CodePages, Utf8ConsoleTakesEveryCharacterBothWays) {
    EXPECT_EQ(convert("Ren\xE9 \x80 z", 1252, 65001), Converted("Ren\xC3\xA9 \xE2\x82\xAC z"));
    EXPECT_EQ(convert("Ren\xC3\xA9 \xE2\x82\xAC z", 65001, 1252), Converted("Ren\xE9 \x80 z"));
    // What the programs' code page lacks is refused on the way back.
    EXPECT_EQ(convert("\xE6\x97\xA5", 65001, 1252), std::nullopt);
    // Bytes that are no UTF-8 (a listing written in another code page) are refused, not guessed.
    EXPECT_EQ(convert("Ren\xE9", 65001, 1252), std::nullopt);
    EXPECT_EQ(convert("\xC3", 65001, 1252), std::nullopt);
}

TEST(CodePages, JapaneseDoubleByteCodePageAgainstUtf8AndWestern) {
    // "日本" and half-width katakana.
    EXPECT_EQ(convert("\x93\xFA\x96\x7B \xB1", 932, 65001),
              Converted("\xE6\x97\xA5\xE6\x9C\xAC \xEF\xBD\xB1"));
    EXPECT_EQ(convert("\xE6\x97\xA5\xE6\x9C\xAC \xEF\xBD\xB1", 65001, 932),
              Converted("\x93\xFA\x96\x7B \xB1"));
    // 932 has no "é"; the system's look-alike "e" must not stand in for it.
    EXPECT_EQ(convert("Ren\xE9", 1252, 932), std::nullopt);
    // A lead byte without its second byte is no text.
    EXPECT_EQ(convert("ab\x93", 932, 65001), std::nullopt);
}

TEST(CodePages, PlainTextAndTheSameCodePageNeedNoConversion) {
    EXPECT_EQ(convert("c:\\pgp\\pgp.exe -kv \"*\"", 1252, 437), Converted("c:\\pgp\\pgp.exe -kv \"*\""));
    EXPECT_EQ(convert("", 65001, 1252), Converted(""));
    // Console and programs in one code page: the console reads exactly the bytes we write.
    EXPECT_EQ(convert("\x93\xFA", 932, 932), Converted("\x93\xFA"));
}

TEST(CodePages, CharacterThatACodePageWithoutFlagsLosesSilentlyIsFoundByTheRoundTrip) {
    // 50220 takes no flags at all and writes "?" for "é" without saying so.
    EXPECT_EQ(convert("plain", 1252, 50220), Converted("plain"));
    EXPECT_EQ(convert("Ren\xE9", 1252, 50220), std::nullopt);
    EXPECT_EQ(convert("why?", 1252, 50220), Converted("why?"));
}

TEST(CodePages, TypedPassPhraseIsTakenIntoTheProgramsCodePageOnlyWhenEveryCharacterHasItsForm) {
    mwtest::FakePlatform fake;
    auto encoded = [&](std::u16string_view typed, unsigned to) -> std::optional<std::string> {
        auto out = encodeSecret(fake, typed, to);
        if (!out) return std::nullopt;
        return std::string(*out);
    };
    EXPECT_EQ(encoded(u"caf\u00E9 50%", 1252), std::optional<std::string>("caf\xE9 50%"));
    EXPECT_EQ(encoded(u"", 1252), std::optional<std::string>(""));
    // A Cyrillic phrase on a Western system would have become "??????": another pass phrase.
    EXPECT_EQ(encoded(u"\u0436\u0435\u043D\u044F", 1252), std::nullopt);
    EXPECT_EQ(encoded(u"\u0436\u0435\u043D\u044F", 1251), std::optional<std::string>("\xE6\xE5\xED\xFF"));
    EXPECT_EQ(encoded(u"\u0436\u20AC", 65001), std::optional<std::string>("\xD0\xB6\xE2\x82\xAC"));
    // Without flags only the way back shows that "é" became "?".
    EXPECT_EQ(encoded(u"Ren\u00E9", 50220), std::nullopt);
}
