// What the tests with the real engine share: pgp.exe and the engine laid out beside each other
// in a test directory, Windows programs run to their end, and scripts run by Linux gpg as the peer.
#pragma once
#include "WinTestSupport.h"
#include <string>

namespace mwtest {

// The engine folder of the build, as a Windows path with a trailing backslash.
std::string engineDirectory();
// The Unix name Wine gives a Windows path; empty when it has none.
std::string unixPath(const std::string& windowsPath);
// Runs a Windows program to its end with `input` on its standard input and its standard output
// into `outputPath` (NUL when empty); its exit code, or -1.
int runWithInput(std::string commandLine, const std::string& input, const std::string& outputPath = {});
// Runs `script` with /bin/sh in `dir` (a trailing backslash) and waits until it has ended; false
// (with a test failure) when it did not.
bool runLinuxScript(const std::string& dir, const std::string& script);

// pgp.exe in `bin`, the engine in `bin`gnupg\ and the wipe tool in `dir`, the engine's home in
// `home` (no trailing backslash), with an agent that caches nothing.
struct EngineInstall {
    std::string bin, home;
    bool present = false; // false: no engine was built; the caller skips
    // The engine called with its home, in batch mode, the pass phrase read from standard input.
    std::string call(const std::string& rest) const;
    void endAgent() const;
};
EngineInstall installEngine(const std::string& dir, const std::string& home);

} // namespace mwtest
