// The settings files: line layout, defaults, exact comparisons and conversion failures.
#include "core/Errors.h"
#include "support/FakePlatform.h"
#include "core/SettingsFile.h"
#include <gtest/gtest.h>

using namespace mw;

namespace {

struct RecordingSink : EditorWindowSink {
    std::vector<std::string> applied;
    EditorWindowValues v;
    void setTop(std::int32_t x) override {
        v.top = x;
        applied.push_back("top");
    }
    void setLeft(std::int32_t x) override {
        v.left = x;
        applied.push_back("left");
    }
    void setWidth(std::int32_t x) override {
        v.width = x;
        applied.push_back("width");
    }
    void setHeight(std::int32_t x) override {
        v.height = x;
        applied.push_back("height");
    }
    void setBarLeft(bool l) override {
        barLeft = l;
        applied.push_back("bar");
    }
    void setFontName(const std::string& n) override {
        v.fontName = n;
        applied.push_back("font");
    }
    void setFontSize(std::int32_t x) override {
        v.fontSize = x;
        applied.push_back("size");
    }
    void setFontColor(std::int32_t x) override {
        v.fontColor = x;
        applied.push_back("color");
    }
    void setBackgroundColor(std::int32_t x) override {
        v.backgroundColor = x;
        applied.push_back("background");
    }
    bool barLeft = false;
};

} // namespace

TEST(SettingsFile, PathIsTheExecutablesOwnWithIni) {
    EXPECT_EQ(settingsPathFor("c:\\murkwell\\Murkwell.exe"), "c:\\murkwell\\Murkwell.ini");
    EXPECT_EQ(settingsPathFor("c:\\murkwell\\bramlet.exe"), "c:\\murkwell\\bramlet.ini");
    EXPECT_EQ(settingsPathFor("d:\\tools\\My Editor.exe"), "d:\\tools\\My Editor.ini");
}

TEST(SettingsFile, DefaultsWriteTheFourteenLinesOfAFirstRun) {
    const std::vector<std::string> expected = {"c:\\pgp\\pgp.exe",
                                               "c:\\pgp\\",
                                               "c:\\pgp\\pubring.pgp",
                                               "c:\\pgp\\secring.pgp",
                                               "0",
                                               "0",
                                               "640",
                                               "450",
                                               "right",
                                               "nostore",
                                               "Courier New",
                                               "8",
                                               "0",
                                               "-2147483643"};
    EXPECT_EQ(editorSettingsLines(SetupValues{}, EditorWindowValues{}), expected);
    EXPECT_EQ(fileModuleSettingsLines(SetupValues{}),
              std::vector<std::string>(expected.begin(), expected.begin() + 4));
}

TEST(SettingsFile, WritesValuesExactlyAsHeld) {
    SetupValues s;
    s.pgpExe = "d:\\crypto\\pgp.exe";
    s.barLeft = true;
    s.storePassPhrase = true;
    EditorWindowValues w;
    w.top = -20;
    w.left = -300;
    w.width = 1000;
    w.height = 700;
    w.fontName = " Lucida  Console ";
    w.fontSize = 12;
    w.fontColor = 0x00FF0000; // blue
    w.backgroundColor = 0x0000FFFF;
    auto lines = editorSettingsLines(s, w);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "d:\\crypto\\pgp.exe");
    EXPECT_EQ(lines[4], "-20"); // top before left
    EXPECT_EQ(lines[5], "-300");
    EXPECT_EQ(lines[8], "left");
    EXPECT_EQ(lines[9], "store");
    EXPECT_EQ(lines[10], " Lucida  Console ");
    EXPECT_EQ(lines[12], "16711680");
    EXPECT_EQ(lines[13], "65535");
}

TEST(SettingsFile, ReadRoundTripsGeometryIncludingNegativeTopAndLeft) {
    EditorWindowValues w;
    w.top = -8;
    w.left = -1200;
    w.width = 800;
    w.height = 600;
    w.fontName = "Liberation Mono";
    w.fontSize = 10;
    w.fontColor = 128;
    w.backgroundColor = -2147483633;
    SettingsLines lines(editorSettingsLines(SetupValues{}, w));
    RecordingSink sink;
    applyEditorWindowLines(lines, sink);
    EXPECT_EQ(sink.v.top, -8);
    EXPECT_EQ(sink.v.left, -1200);
    EXPECT_EQ(sink.v.width, 800);
    EXPECT_EQ(sink.v.height, 600);
    EXPECT_EQ(sink.v.fontName, "Liberation Mono");
    EXPECT_EQ(sink.v.fontSize, 10);
    EXPECT_EQ(sink.v.fontColor, 128);
    EXPECT_EQ(sink.v.backgroundColor, -2147483633);
}

TEST(SettingsFile, SideAndPassPhraseComparisonsAreExactAndCaseSensitive) {
    auto linesWith = [](const std::string& nine, const std::string& ten) {
        auto l = editorSettingsLines(SetupValues{}, EditorWindowValues{});
        l[8] = nine;
        l[9] = ten;
        return SettingsLines(l);
    };
    EXPECT_TRUE(setupValuesFrom(linesWith("left", "store"), true).barLeft);
    EXPECT_TRUE(setupValuesFrom(linesWith("left", "store"), true).storePassPhrase);
    for (const char* other : {"Left", "LEFT", "left ", ""})
        EXPECT_FALSE(setupValuesFrom(linesWith(other, ""), true).barLeft);
    for (const char* other : {"Store", "STORE", "store ", "nostore"})
        EXPECT_FALSE(setupValuesFrom(linesWith("", other), true).storePassPhrase);
    RecordingSink sink;
    applyEditorWindowLines(linesWith("Left", "store"), sink);
    EXPECT_FALSE(sink.barLeft);
}

TEST(SettingsFile, ShortFileReadsMissingLinesAsEmpty) {
    SettingsLines four({"c:\\a\\pgp.exe", "c:\\a\\", "c:\\a\\pub.pgp", "c:\\a\\sec.pgp"});
    EXPECT_EQ(four.line(5), "");
    EXPECT_EQ(four.line(1000), "");
    auto v = setupValuesFrom(SettingsLines({"c:\\a\\pgp.exe"}), true);
    EXPECT_EQ(v.pgpExe, "c:\\a\\pgp.exe");
    EXPECT_EQ(v.pgpDir, "");
    EXPECT_EQ(v.secretRing, "");
    EXPECT_FALSE(v.barLeft);
    EXPECT_FALSE(v.storePassPhrase);
}

TEST(SettingsFile, FileModuleReaderIgnoresTheEditorsExtraLines) {
    auto l = editorSettingsLines(SetupValues{}, EditorWindowValues{});
    l[8] = "left";
    l[9] = "store";
    auto v = setupValuesFrom(SettingsLines(l), false);
    EXPECT_EQ(v.pgpExe, "c:\\pgp\\pgp.exe");
    EXPECT_FALSE(v.barLeft);
    EXPECT_FALSE(v.storePassPhrase);
}

TEST(SettingsFile, ConversionErrorStopsLoadingWithEarlierValuesApplied) {
    // A four-line file module file copied over the editor's: line 5 is empty.
    SettingsLines four({"c:\\a\\pgp.exe", "c:\\a\\", "c:\\a\\pub.pgp", "c:\\a\\sec.pgp"});
    RecordingSink sink;
    EXPECT_THROW(
        {
            try {
                applyEditorWindowLines(four, sink);
            } catch (const ConversionError& e) {
                EXPECT_STREQ(e.what(), "'' is not a valid integer value");
                throw;
            }
        },
        ConversionError);
    EXPECT_TRUE(sink.applied.empty());

    auto l = editorSettingsLines(SetupValues{}, EditorWindowValues{});
    l[4] = "12";
    l[5] = "34";
    l[6] = "wide";
    RecordingSink partial;
    EXPECT_THROW(applyEditorWindowLines(SettingsLines(l), partial), ConversionError);
    EXPECT_EQ(partial.applied, (std::vector<std::string>{"top", "left"}));
    EXPECT_EQ(partial.v.top, 12);
    EXPECT_EQ(partial.v.left, 34);
    EXPECT_EQ(partial.v.width, 640); // untouched

    l[6] = "99999999999";
    EXPECT_THROW(applyEditorWindowLines(SettingsLines(l), partial), ConversionError);
}

TEST(SettingsFile, BarSideOfLineNineIsAppliedBeforeALaterLineFailsToConvert) {
    auto l = editorSettingsLines(SetupValues{}, EditorWindowValues{});
    l[8] = "left";
    l[11] = "twelve"; // the font size, line 12
    RecordingSink sink;
    EXPECT_THROW(applyEditorWindowLines(SettingsLines(l), sink), ConversionError);
    EXPECT_EQ(sink.applied, (std::vector<std::string>{"top", "left", "width", "height", "bar", "font"}));
    EXPECT_TRUE(sink.barLeft);
}

TEST(SettingsFile, FontNameIsCutTo255CharactersAndLongLinesAreFine) {
    auto l = editorSettingsLines(SetupValues{}, EditorWindowValues{});
    l[10] = std::string(1 << 20, 'F');
    RecordingSink sink;
    applyEditorWindowLines(SettingsLines(l), sink);
    EXPECT_EQ(sink.v.fontName, std::string(255, 'F'));
}

TEST(SettingsFile, ColoursResolveExplicitAndSystemValues) {
    auto sys = [](int index) { return 0x00100000u + static_cast<std::uint32_t>(index); };
    EXPECT_EQ(resolveColor(0, sys), 0u);
    EXPECT_EQ(resolveColor(0x000000FF, sys), 0x000000FFu);  // red lives in the lowest byte
    EXPECT_EQ(resolveColor(-2147483643, sys), 0x00100005u); // the window colour, index 5
    EXPECT_TRUE(isSystemColor(-2147483643));
    EXPECT_FALSE(isSystemColor(0x00FFFFFF));
}

TEST(SettingsFile, ReadThroughPlatformFailsWithTheFileNamed) {
    mwtest::FakePlatform p;
    p.put("c:\\m\\Murkwell.ini", {"x"});
    p.unreadable.insert("c:\\m\\murkwell.ini");
    try {
        readSettings(p, "c:\\m\\Murkwell.ini");
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find("c:\\m\\Murkwell.ini"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("Access is denied."), std::string::npos);
    }
}
