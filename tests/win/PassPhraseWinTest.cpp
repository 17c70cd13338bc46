// The pass phrase through the Win32 side of a Decrypt: the system's conversion calls and the batch
// file's write buffer. Every heap block this program frees is searched for the pass phrase, in its
// byte form and in the UTF-16 form the conversion holds.
#include "core/JobRunner.h"
#include "support/FreedMemoryWatch.h"
#include "WinTestSupport.h"
#include <string_view>

using namespace mw;
using namespace mwtest;

namespace {

const std::string kNeedle = "horse battery staple";
const std::string kWideNeedle = utf16Bytes(kNeedle);

// Whether the batch file holds `expected`, looked into as cmd.exe would read it, without a copy on
// the heap.
bool batchHolds(const std::string& file, const std::string& expected) {
    char bytes[512] = {};
    UniqueHandle batch(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD got = 0;
    if (batch) ReadFile(batch.get(), bytes, sizeof bytes - 1, &got, nullptr);
    const bool held = std::string_view(bytes, got).find(expected) != std::string_view::npos;
    SecureZeroMemory(bytes, sizeof bytes);
    return held;
}

} // namespace

TEST(PassPhraseWin, DecryptThroughTheSystemsCallsLeavesNoCopyInFreedMemory) {
    TempDir dir;
    // The real files and conversions, with explicit code pages so that "\xE9" is converted whatever
    // the machine's are. Nothing starts: the job ends at once as the batch file's last line would.
    RecordingPlatform platform(mw::Application::instance(), dir / "Murkwell.exe");
    platform.ansiCp = 1252;
    platform.consoleCp = 437;
    platform.starts = Starts::Nothing;
    platform.reportsSuccess = true;
    platform.keepsBatchText = false;
    writeFileBytes(dir / "pgp.exe", "");
    // The end of the PGP line as the batch file must hold it.
    const std::string expected =
        " -z \"correct horse battery staple 100%% \x82t\x82\" murkwell.tmp -o murkwell.txt\r\n";
    bool batchHeldIt = false;
    platform.atLaunch = [&](const RecordingPlatform::Launch& l) {
        batchHeldIt = batchHolds(l.file, expected);
    };
    ScriptedInteraction interaction;
    EditorJob job;
    job.operation = EditorOperation::Decrypt;
    job.pgpExe = dir / "pgp.exe";
    job.pgpDir = dir.path();
    job.values = [] {
        EditorJobValues v;
        v.passPhraseOn = true;
        v.passPhrase = "correct horse battery staple 100% \xE9t\xE9";
        return v;
    };
    job.saveInput = [&](const std::string& input) { writeFileBytes(input, "message"); };
    JobRunner runner(platform, interaction);

    watchFreedMemory({kNeedle, kWideNeedle});
    JobEnd end = runner.runEditorOperation(job);
    stopWatchingFreedMemory();
    EXPECT_EQ(freedBlocksHoldingNeedle(), 0)
        << "freed holding the pass phrase: " << firstFreedBlockHoldingNeedle();
    EXPECT_EQ(end, JobEnd::Finished);
    EXPECT_TRUE(batchHeldIt) << expected;
    EXPECT_TRUE(interaction.shown.empty());
    EXPECT_FALSE(exists(dir / "Murkwell.bat"));
}
