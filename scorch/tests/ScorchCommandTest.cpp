// The wipe tool's command line as both programs write it, and every malformed form of it.
#include "scorch/ScorchCommand.h"
#include <gtest/gtest.h>

using namespace scorch;

TEST(ScorchCommand, TheCallersLineGivesThePathTwoPassesAndSilence) {
    Command c = parseArguments(L"[C:\\PGP\\MURKWELL.TMP] /two /silent");
    EXPECT_EQ(c.usageError, L"");
    EXPECT_EQ(c.path, L"C:\\PGP\\MURKWELL.TMP");
    EXPECT_EQ(c.passes, 2);
    EXPECT_TRUE(c.silent);
    EXPECT_FALSE(c.help);
}

TEST(ScorchCommand, WithoutOptionsOnePassAndOutput) {
    Command c = parseArguments(L"[c:\\pgp\\murkwell.tmp]");
    EXPECT_EQ(c.usageError, L"");
    EXPECT_EQ(c.path, L"c:\\pgp\\murkwell.tmp");
    EXPECT_EQ(c.passes, 1);
    EXPECT_FALSE(c.silent);
}

TEST(ScorchCommand, TheBracketsDelimitAnyCharacterOfAName) {
    struct Case {
        const wchar_t* line;
        const wchar_t* path;
    };
    for (auto [line, path] : {
             Case{L"[C:\\my dir\\a & b.txt] /two /silent", L"C:\\my dir\\a & b.txt"},
             Case{L"[C:\\x\\50% off %PATH%.txt] /two /silent", L"C:\\x\\50% off %PATH%.txt"},
             Case{L"[C:\\x\\caret^^(1).txt] /two", L"C:\\x\\caret^^(1).txt"},
             Case{L"[C:\\x\\a]b].txt] /two /silent", L"C:\\x\\a]b].txt"},
             Case{L"[C:\\x\\[old] copy.txt] /silent", L"C:\\x\\[old] copy.txt"},
             Case{L"[C:\\x\\a] [b.txt] /two", L"C:\\x\\a] [b.txt"},
             Case{L"[ leading and trailing blank ] /two", L" leading and trailing blank "},
             Case{L"[C:\\x\\r\u00e9sum\u00e9 \u65e5\u672c.txt] /two",
                  L"C:\\x\\r\u00e9sum\u00e9 \u65e5\u672c.txt"},
             Case{L"[C:\\x\\\"quoted\".txt]", L"C:\\x\\\"quoted\".txt"},
         }) {
        Command c = parseArguments(line);
        EXPECT_EQ(c.usageError, L"") << line;
        EXPECT_EQ(c.path, path) << line;
    }
}

TEST(ScorchCommand, QuotesAroundTheBracketsAsABatchLineWritesThemAreNotPartOfTheName) {
    Command c = parseArguments(LR"("[C:\DATA\Q&A_~X1.DOC]" /two /silent)");
    EXPECT_EQ(c.path, LR"(C:\DATA\Q&A_~X1.DOC)");
    EXPECT_EQ(c.passes, 2);
    EXPECT_TRUE(c.silent);
    EXPECT_TRUE(c.usageError.empty());
    // A quote on one side only is still an unknown word.
    EXPECT_FALSE(parseArguments(LR"("[C:\A.DOC] /two)").usageError.empty());
}

TEST(ScorchCommand, OptionsInAnyCaseOrderAndSpacing) {
    Command c = parseArguments(L"  /SILENT\t[C:\\f.txt]\t/Two  ");
    EXPECT_EQ(c.usageError, L"");
    EXPECT_EQ(c.path, L"C:\\f.txt");
    EXPECT_EQ(c.passes, 2);
    EXPECT_TRUE(c.silent);
    c = parseArguments(L"[C:\\f.txt]/two");
    EXPECT_EQ(c.usageError, L"");
    EXPECT_EQ(c.passes, 2);
}

TEST(ScorchCommand, QuestionMarkAsksForTheUsageAndWipesNothing) {
    Command c = parseArguments(L"/?");
    EXPECT_TRUE(c.help);
    EXPECT_EQ(c.usageError, L"");
    c = parseArguments(L"[C:\\f.txt] /two /?");
    EXPECT_TRUE(c.help);
    EXPECT_EQ(c.usageError, L"");
}

TEST(ScorchCommand, MalformedLinesAreUsageErrorsNamingTheFault) {
    struct Case {
        const wchar_t* line;
        const wchar_t* error;
    };
    for (auto [line, error] : {
             Case{L"", L"no file given in square brackets"},
             Case{L"   ", L"no file given in square brackets"},
             Case{L"/two /silent", L"no file given in square brackets"},
             Case{L"C:\\f.txt /two", L"unknown option C:\\f.txt"},
             Case{L"[C:\\f.txt /two /silent", L"the file name's brackets are unbalanced"},
             Case{L"C:\\f.txt] /two /silent", L"the file name's brackets are unbalanced"},
             Case{L"]C:\\f.txt[ /two", L"the file name's brackets are unbalanced"},
             Case{L"[] /two /silent", L"the square brackets hold no file name"},
             Case{L"[C:\\f.txt] /three", L"unknown option /three"},
             Case{L"[C:\\f.txt] two /silent", L"unknown option two"},
             Case{L"[C:\\f.txt] -two", L"unknown option -two"},
             Case{L"extra [C:\\f.txt] /two", L"unknown option extra"},
             Case{L"/x", L"unknown option /x"},
         }) {
        Command c = parseArguments(line);
        EXPECT_EQ(c.usageError, error) << line;
        EXPECT_FALSE(c.help) << line;
    }
}

TEST(ScorchCommand, SilentHoldsEvenOnAMalformedLine) {
    EXPECT_TRUE(parseArguments(L"[C:\\f.txt /two /silent").silent);
    EXPECT_TRUE(parseArguments(L"[C:\\f.txt] /bogus /silent").silent);
    EXPECT_FALSE(parseArguments(L"[C:\\f.txt] /bogus").silent);
}

TEST(ScorchCommand, TheProgramsOwnNameIsSkippedQuotedOrNot) {
    EXPECT_EQ(argumentsOf(L"\"C:\\Program Files\\M w\\scorch.com\" [C:\\a b.txt] /two /silent"),
              L"[C:\\a b.txt] /two /silent");
    EXPECT_EQ(argumentsOf(L"C:\\PGP\\SCORCH.COM [C:\\X\\A&B_~PNJ.TXT] /two /silent"),
              L"[C:\\X\\A&B_~PNJ.TXT] /two /silent");
    EXPECT_EQ(argumentsOf(L"scorch.com\t \t[x]"), L"[x]");
    EXPECT_EQ(argumentsOf(L"\"C:\\x\\scorch.com\"[x]"), L"[x]");
    EXPECT_EQ(argumentsOf(L"scorch.com"), L"");
    EXPECT_EQ(argumentsOf(L"\"C:\\no closing quote [x]"), L"");
    EXPECT_EQ(argumentsOf(L""), L"");
}
