// Linux-side helpers of the native tests that start Wine programs and Linux gpg as child processes.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hostproc {

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
// A file of /proc, which vanishes (or ends early) when its process ends: then what was read.
std::string readProcFile(const std::filesystem::path& path);
std::string envOr(const char* name, const std::string& fallback);
// Polls `condition` until it holds; false when `limit` passed first.
bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit);

struct Outcome {
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string out, err;
    std::string describe() const {
        return "exit " + std::to_string(status) + "\nstdout:\n" + out + "\nstderr:\n" + err;
    }
};

// How the child's standard input holds `input`: a pipe (for a pass phrase, which must reach the
// program through nothing else; at most 4096 bytes) or a file in the scratch folder.
enum class Input { Pipe, File };

// Runs a program to its end, in `cwd` when given. Its output goes to files in `scratch`, not pipes:
// gpg.exe starts gpg-agent.exe, which inherits the handles and outlives it, so end-of-file on a
// pipe would wait for the agent. A program still running after `limit` is killed and fails the test.
Outcome run(const std::vector<std::string>& argv, const std::string& input, Input how,
            const std::filesystem::path& scratch, std::chrono::seconds limit,
            const std::optional<std::filesystem::path>& cwd = std::nullopt);

} // namespace hostproc
