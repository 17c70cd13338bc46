// Every copy of the pass phrase that a Decrypt makes (its values, the built line, the converted
// buffers, the batch file's lines) is overwritten before its memory is freed: each heap block
// this program frees is searched for the pass phrase, in its byte form and in the UTF-16 form
// the conversion holds.
#include "core/JobRunner.h"
#include "support/FreedMemoryWatch.h"
#include "support/FakePlatform.h"
#include "support/ScriptedInteraction.h"
#include <gtest/gtest.h>
#include <memory>

using namespace mw;
using mwtest::FakePlatform;

namespace {

const std::string kDir = "c:\\pgp\\";
// Part of every pass phrase below that no escaping or conversion changes, long enough that no
// copy of it fits inside a string object.
const std::string kNeedle = "horse battery staple";
const std::string kWideNeedle = mwtest::utf16Bytes(kNeedle);

// The fake keeps the batch file's lines in wiping storage: its own files are ordinary strings,
// which would be freed holding the pass phrase.
class SecretKeepingFake : public FakePlatform {
public:
    BatchLines batch;
    void writeBatchFile(const std::string& path, const BatchLines& lines) override {
        calls.push_back("write " + path);
        batch = lines;
        put(path, {"(batch file)"});
    }
};

class PassPhraseCopies : public ::testing::Test {
protected:
    SecretKeepingFake fake;
    mwtest::ScriptedInteraction boxes;
    JobRunner runner{fake, boxes};

    void SetUp() override {
        fake.put(kDir + "pgp.exe", {});
        fake.consoleCp = 437;
        // The batch file's last line removes the lock.
        fake.onWait = [this] {
            fake.files.erase(FakePlatform::key(kDir + "Murkwell.lck"));
            fake.put(kDir + "murkwell.out", {"status 0", "end"}); // what pgp.exe reports
        };
    }
    void TearDown() override { mwtest::stopWatchingFreedMemory(); }

    EditorJob decrypt(std::string_view passPhrase) {
        EditorJob job;
        job.operation = EditorOperation::Decrypt;
        job.pgpExe = kDir + "pgp.exe";
        job.pgpDir = kDir;
        job.values = [phrase = SecretString(passPhrase)] {
            EditorJobValues v;
            v.passPhraseOn = true;
            v.passPhrase = phrase;
            return v;
        };
        job.saveInput = [this](const std::string& input) {
            fake.put(input, {"-----BEGIN PGP MESSAGE-----"});
        };
        return job;
    }

    // Runs the job while every freed block is searched; nothing found, or the first such block.
    JobEnd runWatched(const EditorJob& job) {
        mwtest::watchFreedMemory({kNeedle, kWideNeedle});
        JobEnd end = runner.runEditorOperation(job);
        mwtest::stopWatchingFreedMemory();
        EXPECT_EQ(mwtest::freedBlocksHoldingNeedle(), 0)
            << "freed holding the pass phrase: " << mwtest::firstFreedBlockHoldingNeedle();
        return end;
    }
};

} // namespace

TEST(FreedMemoryWatch, FindsTheNeedleInAnOrdinaryStringAndNotInASecretOne) {
    // The search itself: an ordinary string that grows frees its old buffer as it was.
    mwtest::watchFreedMemory({kNeedle});
    auto plain = std::make_unique<std::string>("pass phrase " + kNeedle);
    plain->append(200, '!');
    plain.reset();
    mwtest::stopWatchingFreedMemory();
    EXPECT_EQ(mwtest::freedBlocksHoldingNeedle(), 2);

    mwtest::watchFreedMemory({kNeedle});
    auto secret = std::make_unique<SecretString>("pass phrase ");
    *secret += kNeedle;
    secret->append(200, '!');
    std::vector<SecretString> lines{*secret, *secret};
    lines.emplace_back(*secret); // the vector moves its elements on growing
    secret.reset();
    lines.clear();
    mwtest::stopWatchingFreedMemory();
    EXPECT_EQ(mwtest::freedBlocksHoldingNeedle(), 0) << mwtest::firstFreedBlockHoldingNeedle();
}

TEST_F(PassPhraseCopies, DecryptConvertingThePassPhraseLeavesNoCopyInFreedMemory) {
    // "%" is doubled and "é" converted for the 437 console: every buffer of the conversion holds it.
    auto job = decrypt("correct " + kNeedle + " 100% \xE9t\xE9");
    EXPECT_EQ(runWatched(job), JobEnd::Finished);
    ASSERT_EQ(fake.batch.size(), 2u);
    EXPECT_EQ(
        std::string_view(fake.batch[0]),
        "@c:\\pgp\\pgp.exe -z \"correct horse battery staple 100%% \x82t\x82\" murkwell.tmp -o murkwell.txt");
    EXPECT_TRUE(boxes.shown.empty());
    // Without the wipe tool the batch file was overwritten before it went.
    EXPECT_FALSE(fake.has(kDir + "Murkwell.bat"));
}

TEST_F(PassPhraseCopies, DecryptWithTheWipeToolAndAPlainPassPhraseLeavesNoCopy) {
    fake.put("c:\\murkwell\\scorch.com", {});
    auto job = decrypt("plain " + kNeedle + " & more");
    EXPECT_EQ(runWatched(job), JobEnd::Finished);
    ASSERT_EQ(fake.batch.size(), 2u);
    EXPECT_EQ(std::string_view(fake.batch[0]),
              "@c:\\pgp\\pgp.exe -z \"plain horse battery staple & more\" murkwell.tmp -o murkwell.txt");
    EXPECT_EQ(fake.launches.back().file, "c:\\murkwell\\scorch.com");
}

TEST_F(PassPhraseCopies, RefusedPassPhrasesLeaveNoCopyEither) {
    // A character the console lacks: the refusal converts the pass phrase again to name it.
    fake.ansiCp = 1251;
    fake.consoleCp = 850;
    EXPECT_EQ(runWatched(decrypt("correct " + kNeedle + " \xE6")), JobEnd::Refused);
    // A double quote, which no quoting can carry.
    EXPECT_EQ(runWatched(decrypt("correct " + kNeedle + " \"")), JobEnd::Refused);
    // Too long for cmd.exe.
    EXPECT_EQ(runWatched(decrypt(kNeedle + std::string(8000, 'p'))), JobEnd::Refused);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].text,
              "The pass phrase cannot be passed to PGP: it contains a character that the "
              "console's code page cannot represent.");
    EXPECT_EQ(boxes.shown[1].text,
              "The pass phrase cannot be passed to PGP: it contains a double quote (\").");
    EXPECT_EQ(boxes.shown[2].text.rfind("The pass phrase is too long: ", 0), 0u) << boxes.shown[2].text;
    EXPECT_TRUE(fake.batch.empty());
    EXPECT_FALSE(fake.has(kDir + "Murkwell.lck"));
}
