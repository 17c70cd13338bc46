// Image button rules without a window: setters, the cell table, glyph and caption placement.
#include "core/ImageButtonModel.h"
#include <gtest/gtest.h>

using namespace mw;

TEST(ImageButtonModel, NewButtonHasItsInitialProperties) {
    ImageButtonModel b;
    EXPECT_EQ(b.borderWidth(), 1);
    EXPECT_EQ(b.margin(), 3);
    EXPECT_EQ(b.numGlyphs(), 2);
    EXPECT_EQ(b.buttonLayout(), blCaptionCenter);
    EXPECT_EQ(b.caption(), "");
    EXPECT_EQ(b.transparentColor(), colors::clBlack);
    EXPECT_EQ(b.glyphWidth(), 0);
    EXPECT_TRUE(b.enabled());
    EXPECT_FALSE(b.hot());
}

TEST(ImageButtonModel, BorderWidthAcceptsOneToNineAndDragsTheMarginAlong) {
    ImageButtonModel b;
    EXPECT_TRUE(b.setBorderWidth(4));
    EXPECT_EQ(b.borderWidth(), 4);
    EXPECT_EQ(b.margin(), 6);
    for (int ignored : {0, 10, -1, 255, 4}) {
        EXPECT_FALSE(b.setBorderWidth(ignored)) << ignored;
        EXPECT_EQ(b.borderWidth(), 4) << ignored;
        EXPECT_EQ(b.margin(), 6) << ignored;
    }
    EXPECT_TRUE(b.setBorderWidth(9));
    EXPECT_EQ(b.margin(), 11);
    // Going back down lowers the margin too, since border + 2 always clears border + 1.
    EXPECT_TRUE(b.setBorderWidth(1));
    EXPECT_EQ(b.margin(), 3);
}

TEST(ImageButtonModel, MarginMustExceedBorderWidthPlusOne) {
    ImageButtonModel b;
    b.setBorderWidth(4);
    EXPECT_FALSE(b.setMargin(5));
    EXPECT_EQ(b.margin(), 6);
    EXPECT_TRUE(b.setMargin(7));
    EXPECT_EQ(b.margin(), 7);
    EXPECT_FALSE(b.setMargin(7)) << "an unchanged value does not repaint";
    EXPECT_FALSE(b.setMargin(26)) << "beyond the margin's range";
    EXPECT_TRUE(b.setMargin(25));
    // A border width that needs more room than the margin has still resets it to border + 2.
    EXPECT_TRUE(b.setBorderWidth(2));
    EXPECT_EQ(b.margin(), 4);
}

TEST(ImageButtonModel, NumGlyphsLayoutAndTransparentColourIgnoreInvalidOrUnchangedValues) {
    ImageButtonModel b;
    EXPECT_FALSE(b.setNumGlyphs(0));
    EXPECT_FALSE(b.setNumGlyphs(4));
    EXPECT_FALSE(b.setNumGlyphs(2));
    EXPECT_EQ(b.numGlyphs(), 2);
    EXPECT_TRUE(b.setNumGlyphs(3));
    EXPECT_EQ(b.numGlyphs(), 3);

    EXPECT_FALSE(b.setButtonLayout(blCaptionCenter));
    EXPECT_TRUE(b.setButtonLayout(blCaptionBottom));
    EXPECT_FALSE(b.setButtonLayout(static_cast<TButtonLayout>(5)));
    EXPECT_EQ(b.buttonLayout(), blCaptionBottom);

    EXPECT_FALSE(b.setTransparentColor(colors::clBlack));
    EXPECT_TRUE(b.setTransparentColor(colors::clOlive));
    EXPECT_EQ(b.transparentColor(), colors::clOlive);
}

TEST(ImageButtonModel, CaptionRepaintsEvenWhenUnchanged) {
    ImageButtonModel b;
    EXPECT_TRUE(b.setCaption("Sign & Encrypt"));
    EXPECT_TRUE(b.setCaption("Sign & Encrypt"));
    EXPECT_EQ(b.caption(), "Sign & Encrypt");
}

TEST(ImageButtonModel, CellTableForOneTwoAndThreeGlyphs) {
    struct Row {
        int numGlyphs;
        int hot, normal, disabled;
    };
    for (Row row : {Row{1, 1, 1, 1}, Row{2, 1, 2, 2}, Row{3, 1, 3, 2}}) {
        ImageButtonModel b;
        b.setNumGlyphs(row.numGlyphs);
        b.setGlyphSize(16 * row.numGlyphs, 16);
        b.pointerEnter();
        EXPECT_EQ(b.cellIndex(), row.hot) << row.numGlyphs;
        b.pointerLeave();
        EXPECT_EQ(b.cellIndex(), row.normal) << row.numGlyphs;
        b.setEnabled(false);
        EXPECT_EQ(b.cellIndex(), row.disabled) << row.numGlyphs;
        b.pointerEnter();
        EXPECT_EQ(b.cellIndex(), row.disabled) << "hot does not matter while disabled";
    }
}

TEST(ImageButtonModel, SourceRectanglesOfATwoCellGlyph) {
    ImageButtonModel b;
    b.setGlyphSize(32, 16);
    EXPECT_EQ(b.cellWidth(), 16);
    EXPECT_EQ(b.sourceRect(), (IntRect{16, 0, 32, 16})) << "resting: the right image";
    b.pointerEnter();
    EXPECT_EQ(b.sourceRect(), (IntRect{0, 0, 16, 16})) << "hot: the left image";
    b.setEnabled(false);
    EXPECT_EQ(b.sourceRect(), (IntRect{16, 0, 32, 16})) << "disabled: the right image";
}

TEST(ImageButtonModel, RestingCellOfAnOddWidthGlyphIsCutFromTheRightEnd) {
    ImageButtonModel b;
    b.setGlyphSize(33, 16); // cells of 16, one spare column
    EXPECT_EQ(b.sourceRect(), (IntRect{17, 0, 32, 16}));
    b.setEnabled(false);
    EXPECT_EQ(b.sourceRect(), (IntRect{16, 0, 32, 16}));
}

TEST(ImageButtonModel, GlyphAndCaptionPlacementOnTheTwoBarShapes) {
    ImageButtonModel editor;
    editor.setButtonLayout(blCaptionRight);
    editor.setMargin(6);
    editor.setGlyphSize(32, 16);
    EXPECT_EQ(editor.glyphRect(115, 25), (IntRect{6, 4, 22, 20}));
    EXPECT_EQ(editor.captionOrigin(115, 25, 70, 13), (IntPoint{30, 6}));
    editor.setMargin(20); // the caption column does not follow the margin or the glyph
    editor.setGlyphSize(36, 18);
    EXPECT_EQ(editor.glyphRect(115, 25), (IntRect{20, 3, 38, 21}));
    EXPECT_EQ(editor.captionOrigin(115, 25, 70, 13).x, 30);
    editor.setDpi(144); // the column is in 96-DPI units
    EXPECT_EQ(editor.captionOrigin(173, 38, 70, 13).x, 45);

    ImageButtonModel files;
    files.setButtonLayout(blCaptionBottom);
    files.setMargin(5);
    files.setGlyphSize(32, 16);
    EXPECT_EQ(files.glyphRect(80, 40), (IntRect{32, 5, 48, 21}));
    EXPECT_EQ(files.captionOrigin(80, 40, 41, 13), (IntPoint{19, 40 - 13 - 5}));
}

TEST(ImageButtonModel, PlacementOfTheOtherLayoutsAndOfOversizedContent) {
    ImageButtonModel b;
    b.setGlyphSize(32, 16);
    EXPECT_EQ(b.glyphRect(25, 25), (IntRect{4, 4, 20, 20}));
    EXPECT_EQ(b.captionOrigin(25, 25, 10, 13), (IntPoint{7, 6})) << "centre: over the glyph";
    b.setButtonLayout(blCaptionLeft);
    EXPECT_EQ(b.glyphRect(100, 30), (IntRect{81, 7, 97, 23}));
    EXPECT_EQ(b.captionOrigin(100, 30, 40, 13), (IntPoint{3, 8}));
    b.setButtonLayout(blCaptionTop);
    EXPECT_EQ(b.glyphRect(80, 40), (IntRect{32, 21, 48, 37}));
    EXPECT_EQ(b.captionOrigin(80, 40, 40, 13), (IntPoint{20, 3}));
    // Content wider than the button: the division truncates toward zero, not downward.
    b.setButtonLayout(blCaptionCenter);
    EXPECT_EQ(b.captionOrigin(25, 25, 30, 14), (IntPoint{-2, 5}));
    EXPECT_EQ(b.glyphRect(13, 13).left, -1);
}

TEST(ImageButtonModel, PointerAndPressFramesFollowTheStateDiagram) {
    ImageButtonModel b;
    EXPECT_EQ(b.paintFrame(), ButtonFrame::Flat);
    EXPECT_EQ(b.pointerEnter(), (PointerReaction{true, ButtonFrame::Raised}));
    EXPECT_EQ(b.frameOnButtonDown(), ButtonFrame::Sunken);
    EXPECT_EQ(b.frameOnButtonUp(), ButtonFrame::Raised) << "released over the button";
    EXPECT_EQ(b.pointerLeave(), (PointerReaction{true, ButtonFrame::Flat}));
    EXPECT_EQ(b.frameOnButtonUp(), ButtonFrame::Flat) << "released outside";

    // Disabled: the pointer still moves the hot flag but nothing is drawn or repainted.
    EXPECT_TRUE(b.setEnabled(false));
    EXPECT_EQ(b.pointerEnter(), PointerReaction{});
    EXPECT_TRUE(b.hot());
    EXPECT_EQ(b.frameOnButtonDown(), ButtonFrame::None);
    EXPECT_EQ(b.paintFrame(), ButtonFrame::None);
    EXPECT_TRUE(b.setEnabled(true));
    EXPECT_EQ(b.paintFrame(), ButtonFrame::Raised) << "enabled again under the pointer";
    EXPECT_FALSE(b.setEnabled(true));
}

TEST(ImageButtonModel, FrameRingsAreNestedOnePixelRectanglesFromTheEdge) {
    ImageButtonModel b;
    b.setBorderWidth(3);
    EXPECT_EQ(b.frameRings(115, 25),
              (std::vector<IntRect>{{0, 0, 115, 25}, {1, 1, 114, 24}, {2, 2, 113, 23}}));
    // A button too small for all the rings gets only those that fit.
    EXPECT_EQ(b.frameRings(4, 30).size(), 2u);
}
