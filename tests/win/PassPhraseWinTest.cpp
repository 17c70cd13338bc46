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

// The real files and conversions, with explicit code pages so that "é" is converted whatever the
// machine's are. The launch runs nothing: it looks into the batch file as cmd.exe would read it,
// without copying it to the heap, and removes the lock as the batch file's last line would.
class NoLaunchPlatform : public Win32Platform {
public:
    using Win32Platform::Win32Platform;
    std::string expected; // the end of the PGP line as the batch file must hold it
    bool batchHeldIt = false;

    unsigned ansiCodePage() override { return 1252; }
    unsigned consoleCodePage() override { return 437; }
    LaunchResult launch(const std::string& file, const std::string&, const std::string& directory,
                        ShowMode) override {
        char bytes[512] = {};
        UniqueHandle batch(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD got = 0;
        if (batch) ReadFile(batch.get(), bytes, sizeof bytes - 1, &got, nullptr);
        batchHeldIt = std::string_view(bytes, got).find(expected) != std::string_view::npos;
        SecureZeroMemory(bytes, sizeof bytes);
        DeleteFileA((directory + "Murkwell.lck").c_str());
        reportAsPgpDoes();
        return {true, "", 0};
    }
};

} // namespace

TEST(PassPhraseWin, DecryptThroughTheSystemsCallsLeavesNoCopyInFreedMemory) {
    TempDir dir;
    NoLaunchPlatform platform(mw::Application::instance(), dir / "Murkwell.exe");
    writeFileBytes(dir / "pgp.exe", "");
    platform.expected =
        " -z \"correct horse battery staple 100%% \x82t\x82\" murkwell.tmp -o murkwell.txt\r\n";
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
    EXPECT_TRUE(platform.batchHeldIt) << platform.expected;
    EXPECT_TRUE(interaction.shown.empty());
    EXPECT_FALSE(exists(dir / "Murkwell.bat"));
}
