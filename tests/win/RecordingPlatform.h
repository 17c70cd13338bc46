// The real platform with what the programs ask of it recorded, and its launches configurable:
// started for real, or only recorded with a batch file standing for a job that ends at once.
#pragma once
#include "win/Win32Platform.h"
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mwtest {

// Which launches really start; the others are only recorded.
enum class Starts {
    Everything,
    // Batch files start; any other program fails to start, as a missing one would.
    BatchFilesOnly,
    // Nothing starts. A batch file stands for a job that ends at once: the lock beside it goes as
    // its last line would remove it. Any other program counts as started.
    Nothing,
};

class RecordingPlatform : public mw::Win32Platform {
public:
    using Win32Platform::Win32Platform;

    struct Launch {
        std::string file, parameters, directory;
        mw::ShowMode mode = mw::ShowMode::Normal;
        std::string batchBytes; // a batch file's bytes as launched (unless keepsBatchText is off)
        std::string lockBytes;  // the bytes of the lock beside a batch file as launched, or "<missing>"
        bool batch() const;
        // "file|parameters|directory|mode", for comparing whole launches at once.
        std::string noted() const;
    };
    // One file operation: "create", "write" (with the lines, each followed by "|"), "delete" or
    // "launch", and the path as the program gave it.
    struct Step {
        std::string kind, path, lines;
        std::string text(bool nameOnly = false) const;
    };

    // How the launches go.
    Starts starts = Starts::Everything;
    // A batch file that does not start leaves PGP's success record, as pgp.exe would.
    bool reportsSuccess = false;
    // A batch file's "pause" takes its key from nul: nobody is at the console to press one.
    bool answerPause = false;
    // Off: nothing of a batch file's text is copied, where a line holds a secret that must never
    // reach the heap.
    bool keepsBatchText = true;
    // Stand in for the system's code pages when set.
    unsigned ansiCp = 0;
    unsigned consoleCp = 0;
    // Runs at each launch once it is recorded, before it starts or is stood in for.
    std::function<void(const Launch&)> atLaunch;

    std::vector<Launch> launches;
    std::vector<Step> steps;
    std::uintptr_t lastProcess = 0; // of the last launch that started

    // The position of the step whose text is `text`; steps.size() when there is none.
    std::size_t step(const std::string& text) const;
    // Every step's text with the file's name only.
    std::vector<std::string> stepsByName() const;
    // The launches of batch files (shown in that mode only, when given), and of other programs.
    std::vector<Launch> batchLaunches(std::optional<mw::ShowMode> mode = std::nullopt) const;
    std::vector<Launch> programLaunches() const;
    // The bytes of the last batch file launched.
    std::string lastBatch() const;
    // The parameters of each start of the wipe tool.
    std::vector<std::string> wiped() const;

    mw::LaunchResult launch(const std::string& file, const std::string& parameters,
                            const std::string& directory, mw::ShowMode mode) override;
    bool deleteFile(const std::string& path) override {
        steps.push_back({"delete", path, {}});
        return Win32Platform::deleteFile(path);
    }
    bool createNewFile(const std::string& path, const std::vector<std::string>& lines) override {
        steps.push_back({"create", path, {}});
        return Win32Platform::createNewFile(path, lines);
    }
    void writeLines(const std::string& path, const std::vector<std::string>& lines) override;
    void writeBatchFile(const std::string& path, const mw::BatchLines& lines) override;
    unsigned ansiCodePage() override { return ansiCp ? ansiCp : Win32Platform::ansiCodePage(); }
    unsigned consoleCodePage() override { return consoleCp ? consoleCp : Win32Platform::consoleCodePage(); }
};

// The launches noted one a line, as Launch::noted gives them.
std::vector<std::string> noted(const std::vector<RecordingPlatform::Launch>& launches);

} // namespace mwtest
