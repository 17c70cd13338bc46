// The print layout over a fake printer: tab stops, line and page breaks, fit counts.
#include "core/PrintLayout.h"
#include <gtest/gtest.h>

using namespace mw;

namespace {

// Characters 10 units wide except 'W' (25), 'j' (79) and '#' (500, wider than any page here);
// text 12 high, the font 20 high, so a drawn line is 14 high and an empty one 20.
class FakeSurface : public PrintSurface {
public:
    int width = 300, height = 100;
    std::vector<std::string> events;
    int pages = 1;
    int measured = 0;

    int pageWidth() override { return width; }
    int pageHeight() override { return height; }
    int averageCharWidth() override { return 10; }
    int fontHeight() override { return 20; }
    int textWidth(std::string_view t) override {
        ++measured;
        int w = 0;
        for (char c : t)
            w += c == 'W' ? 25 : c == 'j' ? 79 : c == '#' ? 500 : 10;
        return w;
    }
    int textHeight(std::string_view) override { return 12; }
    void drawText(int x, int y, std::string_view t) override {
        events.push_back("p" + std::to_string(pages) + " " + std::to_string(x) + "," + std::to_string(y) +
                         " " + std::string(t));
    }
    void newPage() override {
        ++pages;
        events.push_back("page");
    }
};

std::vector<std::string> layOut(const std::vector<std::string>& lines, FakeSurface& s) {
    layOutLines(lines, s);
    return s.events;
}

} // namespace

TEST(PrintLayout, OneCharacterLineAtFirstTabStopAndEmptyLineAdvancesByFontHeight) {
    FakeSurface s;
    EXPECT_EQ(layOut({"a", "", "bc", "d"}, s),
              (std::vector<std::string>{"p1 80,0 a", "p1 80,34 bc", "p1 80,48 d"}));
}

TEST(PrintLayout, TabStopsFollowTheRoundingRule) {
    FakeSurface s;
    // After "j" x is 159: the next stop is 240, not 160.
    EXPECT_EQ(layOut({"j\tb", "a\tb"}, s),
              (std::vector<std::string>{"p1 80,0 j", "p1 240,0 b", "p1 80,14 a", "p1 160,14 b"}));
}

TEST(PrintLayout, TooWideRunContinuesAtTheLeftEdgeBrokenBetweenCharacters) {
    FakeSurface s;
    // 22 characters fill the 220 units right of the first tab stop; 8 go on.
    EXPECT_EQ(layOut({std::string(30, 'a'), "z"}, s),
              (std::vector<std::string>{"p1 80,0 " + std::string(22, 'a'), "p1 0,14 " + std::string(8, 'a'),
                                        "p1 80,28 z"}));
    FakeSurface exact;
    EXPECT_EQ(layOut({std::string(22, 'a') + "WW"}, exact),
              (std::vector<std::string>{"p1 80,0 " + std::string(22, 'a'), "p1 0,14 WW"}));
}

TEST(PrintLayout, UnicodeTextBreaksBetweenWholeCharacters) {
    // UTF-8: each byte measures 10 here, so 22 bytes would fit, but the 22nd is half an "é".
    std::string e10;
    for (int i = 0; i < 10; ++i)
        e10 += "\xC3\xA9";
    FakeSurface s;
    EXPECT_EQ(layOut({"a" + e10 + "\xC3\xA9"}, s),
              (std::vector<std::string>{"p1 80,0 a" + e10, "p1 0,14 \xC3\xA9"}));
    FakeSurface search;
    EXPECT_EQ(21u, search.PrintSurface::fitCount("a" + e10 + "\xC3\xA9", 220));
}

TEST(PrintLayout, TabBeyondThePageWidthEndsTheLine) {
    FakeSurface s;
    EXPECT_EQ(layOut({std::string(20, 'a') + "\tb"}, s),
              (std::vector<std::string>{"p1 80,0 " + std::string(20, 'a'), "p1 0,14 b"}));
}

TEST(PrintLayout, PageEndsWhenYPassesHeightMinusTwiceTheLineHeight) {
    FakeSurface s;
    // Drawn lines: after the sixth, y = 84 > 100 - 2 x 14.
    auto events = layOut({"1", "2", "3", "4", "5", "6", "7"}, s);
    EXPECT_EQ(events, (std::vector<std::string>{"p1 80,0 1", "p1 80,14 2", "p1 80,28 3", "p1 80,42 4",
                                                "p1 80,56 5", "p1 80,70 6", "page", "p2 80,0 7"}));
    // Empty lines (h = 0): the page ends only once y passes the full height.
    FakeSurface e;
    EXPECT_EQ(layOut({"", "", "", "", "", "x"}, e), (std::vector<std::string>{"p1 80,100 x"}));
    FakeSurface f;
    EXPECT_EQ(layOut({"", "", "", "", "", "", "x"}, f), (std::vector<std::string>{"page", "p2 80,0 x"}));
}

TEST(PrintLayout, FormFeedStartsAPageAndCarriageReturnIsIgnored) {
    FakeSurface s;
    EXPECT_EQ(layOut({"ab\fcd", "e\rf"}, s),
              (std::vector<std::string>{"p1 80,0 ab", "page", "p2 0,0 cd", "p2 80,14 e", "p2 90,14 f"}));
    // Two form feeds leave the page between them blank; one at the end adds no page.
    FakeSurface t;
    EXPECT_EQ(layOut({"a\f\fb", "c\f"}, t),
              (std::vector<std::string>{"p1 80,0 a", "page", "page", "p3 0,0 b", "p3 80,14 c"}));
}

TEST(PrintLayout, NoTrailingBlankPageWhenTheLastLineFillsThePage) {
    FakeSurface s;
    layOut({"1", "2", "3", "4", "5", "6"}, s);
    EXPECT_EQ(s.pages, 1);
}

TEST(PrintLayout, CharacterWiderThanThePageIsDrawnAloneAndTheLayoutEnds) {
    FakeSurface s;
    EXPECT_EQ(layOut({"x#y", "#", "##"}, s),
              (std::vector<std::string>{"p1 80,0 x", "p1 0,14 #", "p1 0,28 y", "p1 0,62 #", "page",
                                        "p2 0,20 #", "p2 0,34 #"}));
}

TEST(PrintLayout, DefaultFitCountFindsTheLongestLeadingPartThatFits) {
    FakeSurface s;
    EXPECT_EQ(s.fitCount("aaaWaa", 65), 5u);
    EXPECT_EQ(s.fitCount("aaaWaa", 64), 4u);
    EXPECT_EQ(s.fitCount("aaaWaa", 54), 3u);
    EXPECT_EQ(s.fitCount("aaaWaa", 9), 0u);
    EXPECT_EQ(s.fitCount("", 100), 0u);
    s.measured = 0;
    s.fitCount(std::string(100000, 'a'), 5000);
    EXPECT_LT(s.measured, 40) << "a binary search, not one measurement per character";
}
