// The editor's companion programs and PGP's documents: what each command opens, from where, how
// it is shown, and when it opens nothing.
#include "editor/core/Companions.h"
#include "core/ProgramProfile.h"
#include "support/FakePlatform.h"
#include "support/ScriptedInteraction.h"
#include <gtest/gtest.h>

using namespace editor;
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
