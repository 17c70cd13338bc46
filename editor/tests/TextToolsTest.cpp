// Quote's reply frame and line-break conversion.
#include "editor/core/LineBreaks.h"
#include "editor/core/Quote.h"
#include <gtest/gtest.h>

using namespace mw;

TEST(Quote, OneLineWithOrWithoutFinalBreakGivesTheSameFrame) {
    const std::string expected = "\r\n\r\n\r\n"
                                 "-------- REPLY, Original message follows --------\r\n"
                                 "abc\r\n"
                                 "\r\n"
                                 "-------- REPLY, End of original message --------\r\n";
    EXPECT_EQ(quoteReply("abc").text, expected);
    EXPECT_EQ(quoteReply("abc\r\n").text, expected);
    EXPECT_EQ(quoteReply("abc").caret, 2u);
}

TEST(Quote, EmptyTextAndQuotedLinesLeftUnchanged) {
    EXPECT_EQ(quoteReply("").text, "\r\n\r\n\r\n"
                                   "-------- REPLY, Original message follows --------\r\n"
                                   "\r\n"
                                   "-------- REPLY, End of original message --------\r\n");
    EXPECT_EQ(quoteReply("").caret, 2u);
    // No prefix on quoted lines; a text ending in an empty line keeps it.
    EXPECT_EQ(quoteReply("> a\r\n\tb\r\n\r\n").text, "\r\n\r\n\r\n"
                                                     "-------- REPLY, Original message follows --------\r\n"
                                                     "> a\r\n\tb\r\n\r\n"
                                                     "\r\n"
                                                     "-------- REPLY, End of original message --------\r\n");
    // A lone CR at the end is not a line break of the edit control.
    EXPECT_EQ(quoteReply("x\r").text, "\r\n\r\n\r\n-------- REPLY, Original message follows --------\r\n"
                                      "x\r\r\n\r\n-------- REPLY, End of original message --------\r\n");
}

TEST(LineBreaks, EveryKindBecomesCrLf) {
    EXPECT_EQ(toCrLf("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(toCrLf("a\rb\r"), "a\r\nb\r\n");
    EXPECT_EQ(toCrLf("a\r\nb"), "a\r\nb");
    EXPECT_EQ(toCrLf("1\r\n2\n3\r4\n\r5\r\r\n6"), "1\r\n2\r\n3\r\n4\r\n\r\n5\r\n\r\n6");
    EXPECT_EQ(toCrLf(""), "");
    EXPECT_EQ(toCrLf("\n\n"), "\r\n\r\n");
    EXPECT_EQ(toCrLf("\r"), "\r\n");
    EXPECT_EQ(toCrLf(std::string("x\0y\n", 4)), std::string("x\0y\r\n", 5));
}

TEST(LineBreaks, AppendedLinesEachBecomeALineOfTheirOwn) {
    EXPECT_EQ(appendLines("-----END PGP MESSAGE-----\r\n", {"-- ", "Me"}),
              "-----END PGP MESSAGE-----\r\n-- \r\nMe\r\n");
    EXPECT_EQ(appendLines("last line", {"-- ", "Me"}), "last line\r\n-- \r\nMe");
    EXPECT_EQ(appendLines("", {"sig"}), "sig\r\n");
    EXPECT_EQ(appendLines("text\r\n", {}), "text\r\n");
    EXPECT_EQ(appendLines("a\r\n", {""}), "a\r\n\r\n");
}
