// The editor's companion programs and help files: what each command opens, from where, how it
// is shown, and when it opens nothing.
#include "core/Companions.h"
#include "core/ProgramProfile.h"
#include "support/FakePlatform.h"
#include "support/ScriptedInteraction.h"
#include <gtest/gtest.h>

using namespace mw;
using namespace mwtest;

namespace {

class CompanionsTest : public ::testing::Test {
protected:
    FakePlatform fake;
    ScriptedInteraction boxes;
    Companions companions{fake, boxes, editorProfile(), "d:\\pgp26\\"};

    void expectOneLaunch(const std::string& file, const std::string& directory, ShowMode mode) {
        ASSERT_EQ(fake.launches.size(), 1u);
        EXPECT_EQ(fake.launches[0].file, file);
        EXPECT_EQ(fake.launches[0].parameters, "");
        EXPECT_EQ(fake.launches[0].directory, directory);
        EXPECT_EQ(fake.launches[0].mode, mode);
        EXPECT_TRUE(boxes.shown.empty());
    }
};

} // namespace

TEST(OwnDirectory, EndsAtTheLastBackslashOrColon) {
    // The companions are looked for in the directory of the running executable.
    auto ownDirectoryOf = [](const std::string& executable) {
        FakePlatform fake;
        ScriptedInteraction boxes;
        fake.exePath = executable;
        Companions(fake, boxes, editorProfile(), "d:\\pgp26\\").keyManagement();
        const std::string launched = fake.launches.at(0).file;
        return launched.substr(0, launched.size() - std::string("wendal.exe").size());
    };
    EXPECT_EQ(ownDirectoryOf("c:\\program files\\murkwell\\Murkwell.exe"), "c:\\program files\\murkwell\\");
    EXPECT_EQ(ownDirectoryOf("c:Murkwell.exe"), "c:");
    EXPECT_EQ(ownDirectoryOf("c:\\a:b\\x.exe"), "c:\\a:b\\");
    EXPECT_EQ(ownDirectoryOf("Murkwell.exe"), "");
}

TEST_F(CompanionsTest, KeyManagementStartsTheKeyManagerInPgpsDirectory) {
    companions.keyManagement();
    expectOneLaunch("c:\\murkwell\\wendal.exe", "d:\\pgp26\\", ShowMode::Normal);
}

TEST_F(CompanionsTest, EncryptDecryptFilesStartsTheFileModuleInPgpsDirectory) {
    companions.encryptDecryptFiles();
    expectOneLaunch("c:\\murkwell\\bramlet.exe", "d:\\pgp26\\", ShowMode::Normal);
}

TEST_F(CompanionsTest, HelpOpensTheHelpFileElseTheHtmlHelpElseSaysWhy) {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.launched.size());
        FakePlatform platform;
        ScriptedInteraction interaction;
        if (c.hlpThere) platform.put(hlp, {});
        for (const auto& file : c.unlaunchable)
            platform.unlaunchable.insert(FakePlatform::key(file));
        Companions(platform, interaction, editorProfile(), "d:\\pgp26\\").murkwellDocs();
        std::vector<std::string> launched;
        for (const auto& l : platform.launches) {
            launched.push_back(l.file);
            EXPECT_EQ(l.directory, "c:\\murkwell\\");
        }
        EXPECT_EQ(launched, c.launched);
        ASSERT_EQ(interaction.shown.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(interaction.shown[0].text.rfind("The help could not be opened: " + html + ": ", 0), 0u);
        }
    }
}

TEST_F(CompanionsTest, LaunchedProgramsAreNotTrackedAndAFailedLaunchSaysWhy) {
    companions.keyManagement();
    EXPECT_EQ(fake.closedProcesses, std::vector<std::uintptr_t>{1});
    EXPECT_TRUE(boxes.shown.empty());
    fake.launchFails = true;
    companions.encryptDecryptFiles();
    companions.keyManagement();
    EXPECT_EQ(fake.launches.size(), 3u);
    EXPECT_EQ(fake.closedProcesses.size(), 1u) << "no handle to release after a failed launch";
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Error);
    EXPECT_EQ(boxes.shown[0].text.rfind("c:\\murkwell\\bramlet.exe could not be started: ", 0), 0u)
        << boxes.shown[0].text;
    EXPECT_EQ(boxes.shown[0].text.find("pgp -kg"), std::string::npos);
    EXPECT_EQ(boxes.shown[1].text.rfind("c:\\murkwell\\wendal.exe could not be started: ", 0), 0u);
    EXPECT_NE(boxes.shown[1].text.find("pgp -kg makes your key pair"), std::string::npos)
        << boxes.shown[1].text;
}

TEST_F(CompanionsTest, OverlayerMissingExplainsAndStartsNothing) {
    companions.overlayer();
    EXPECT_TRUE(fake.launches.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Information");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Information);
    EXPECT_FALSE(boxes.shown[0].isQuestion);
    EXPECT_EQ(boxes.shown[0].text,
              "The Murkwell Overlayer is not included with the Message Editor unless you purchase Murkwell "
              "Pro.  If purchased or installed separately the two programs will iter-operate as long as "
              "they are installed in the same directory.");
}

TEST_F(CompanionsTest, OverlayerPresentStartsShownInPgpsDirectory) {
    fake.put("C:\\Murkwell\\TARNOW.EXE", {});
    companions.overlayer();
    expectOneLaunch("c:\\murkwell\\tarnow.exe", "d:\\pgp26\\", ShowMode::Show);
}

TEST_F(CompanionsTest, PgpDocsPrefersTheHelpFileBesideTheEditor) {
    fake.put("c:\\murkwell\\PGPw.hlp", {});
    fake.put("d:\\pgp26\\PGPw.hlp", {});
    fake.put("d:\\pgp26\\pgpdoc1.txt", {});
    companions.pgpDocs();
    expectOneLaunch("c:\\murkwell\\PGPw.hlp", "c:\\murkwell\\", ShowMode::Normal);
}

TEST_F(CompanionsTest, PgpDocsTriesTheCandidatesInOrder) {
    fake.put("d:\\pgp26\\PGPw.hlp", {});
    companions.pgpDocs();
    expectOneLaunch("d:\\pgp26\\PGPw.hlp", "c:\\murkwell\\", ShowMode::Normal);

    fake.launches.clear();
    fake.files.clear();
    fake.put("d:\\pgp26\\doc\\pgpdoc1.txt", {});
    fake.put("d:\\pgp26\\pgpdoc1.txt", {});
    companions.pgpDocs();
    expectOneLaunch("d:\\pgp26\\doc\\pgpdoc1.txt", "c:\\murkwell\\", ShowMode::Normal);

    fake.launches.clear();
    fake.files.clear();
    fake.put("d:\\pgp26\\pgpdoc1.txt", {});
    fake.calls.clear();
    companions.pgpDocs();
    expectOneLaunch("d:\\pgp26\\pgpdoc1.txt", "c:\\murkwell\\", ShowMode::Normal);
    EXPECT_EQ(fake.calls,
              (std::vector<std::string>{"exists c:\\murkwell\\PGPw.hlp", "exists d:\\pgp26\\PGPw.hlp",
                                        "exists d:\\pgp26\\doc\\pgpdoc1.txt", "exists d:\\pgp26\\pgpdoc1.txt",
                                        "launch d:\\pgp26\\pgpdoc1.txt"}));
}

TEST_F(CompanionsTest, PgpDocsWithNoDocumentDoesNothingAndShowsNothing) {
    fake.put("d:\\pgp26\\pgpdoc2.txt", {});
    fake.put("c:\\murkwell\\Murkwell.hlp", {});
    companions.pgpDocs();
    EXPECT_TRUE(fake.launches.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CompanionsTest, AnEmptyKeyRingOffersAFirstKeyWithTheKeyManagerOrPgp) {
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
        Companions(platform, interaction, editorProfile(), "d:\\pgp26\\")
            .offerFirstKey(c.secretRing, "c:\\pgp\\pgp.exe");
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
