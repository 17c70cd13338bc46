// What every program starts alike: its help, from where and how shown, and the offer of a first
// key pair when a key ring is empty.
#include "core/Launches.h"
#include "core/ProgramProfile.h"
#include "support/FakePlatform.h"
#include "support/ScriptedInteraction.h"
#include <gtest/gtest.h>
#include <tuple>

using namespace mw;
using namespace mwtest;

TEST(Launches, HelpOpensTheHelpFileElseTheHtmlHelpElseSaysWhy) {
    const std::string hlp = "c:\\murkwell\\Murkwell.hlp", html = "c:\\murkwell\\Murkwell.html";
    struct Case {
        bool hlpThere;
        std::vector<std::string> unlaunchable;
        std::vector<std::string> launched;
        bool box;
    };
    const Case cases[] = {
        {true, {}, {hlp}, false},
        {false, {}, {html}, false},
        {true, {hlp}, {hlp, html}, false}, // no program opens WinHelp files
        {false, {html}, {html}, true},
    };
    // The editor opens it from its own directory, shown normally; the file module from none, shown.
    const std::tuple<const ProgramProfile*, std::string, ShowMode> programs[] = {
        {&editorProfile(), "c:\\murkwell\\", ShowMode::Normal},
        {&fileModuleProfile(), "", ShowMode::Show},
    };
    for (const auto& [profile, directory, mode] : programs) {
        for (const auto& c : cases) {
            SCOPED_TRACE(profile->title + " " + std::to_string(c.launched.size()));
            FakePlatform platform;
            ScriptedInteraction interaction;
            if (c.hlpThere) platform.put(hlp, {});
            for (const auto& file : c.unlaunchable)
                platform.unlaunchable.insert(FakePlatform::key(file));
            openHelp(platform, interaction, *profile);
            std::vector<std::string> launched;
            for (const auto& l : platform.launches) {
                launched.push_back(FakePlatform::key(l.file));
                EXPECT_EQ(l.directory, directory);
                EXPECT_EQ(l.mode, mode);
            }
            std::vector<std::string> expected;
            for (const auto& file : c.launched)
                expected.push_back(FakePlatform::key(file));
            EXPECT_EQ(launched, expected);
            ASSERT_EQ(interaction.shown.size(), c.box ? 1u : 0u);
            if (c.box) {
                EXPECT_EQ(interaction.shown[0].text.rfind("The help could not be opened: " + html + ": ", 0),
                          0u);
            }
        }
    }
}

TEST(Launches, AnEmptyKeyRingOffersAFirstKeyWithTheKeyManagerOrPgp) {
    struct Case {
        bool secretRing, withManager, yes, launchFails;
        const char* launched; // file and parameters, or "" for none
    };
    const Case cases[] = {
        {false, false, true, false, "c:\\pgp\\pgp.exe -kg"},
        {true, true, true, false, "c:\\murkwell\\wendal.exe "},
        {false, true, false, false, ""},
        {true, false, true, true, "c:\\pgp\\pgp.exe -kg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.launched);
        FakePlatform platform;
        ScriptedInteraction interaction;
        if (c.withManager) platform.put("c:\\murkwell\\wendal.exe", {});
        platform.launchFails = c.launchFails;
        interaction.answers = {c.yes};
        offerFirstKey(platform, interaction, editorProfile(), "d:\\pgp26\\", c.secretRing,
                      "c:\\pgp\\pgp.exe");
        ASSERT_FALSE(interaction.shown.empty());
        EXPECT_EQ(interaction.shown[0].caption, "No Keys");
        EXPECT_EQ(interaction.shown[0].text.rfind(c.secretRing ? "Your secret key ring holds no keys yet"
                                                               : "Your public key ring holds no keys yet",
                                                  0),
                  0u);
        if (!*c.launched) {
            EXPECT_TRUE(platform.launches.empty());
            continue;
        }
        ASSERT_EQ(platform.launches.size(), 1u);
        EXPECT_EQ(platform.launches[0].file + " " + platform.launches[0].parameters, c.launched);
        EXPECT_EQ(platform.launches[0].directory, "d:\\pgp26\\");
        EXPECT_EQ(platform.launches[0].mode, ShowMode::Normal);
        // A console that would not start is said, with the system's reason.
        EXPECT_EQ(interaction.shown.size(), c.launchFails ? 2u : 1u);
        if (c.launchFails) {
            EXPECT_EQ(interaction.shown[1].text.rfind("c:\\pgp\\pgp.exe could not be started: ", 0), 0u);
        }
    }
}
