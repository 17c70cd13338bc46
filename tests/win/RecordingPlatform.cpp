// The Wine tests' recording platform: what it notes of each call, and how it stands in for a launch.
#include "RecordingPlatform.h"
#include "core/PathUtil.h"
#include "core/TextConvert.h"
#include "WinTestSupport.h"
#include <algorithm>
#include <iterator>

namespace mwtest {

namespace {

bool isBatch(const std::string& file) {
    return mw::toLowerAscii(file).ends_with(".bat");
}

// Both programs name the lock after their batch file.
std::string lockBeside(const std::string& batch) {
    return batch.substr(0, batch.size() - 4) + ".lck";
}

} // namespace

bool RecordingPlatform::Launch::batch() const {
    return isBatch(file);
}

std::string RecordingPlatform::Launch::noted() const {
    return file + "|" + parameters + "|" + directory + "|" + std::to_string(static_cast<int>(mode));
}

std::string RecordingPlatform::Step::text(bool nameOnly) const {
    std::string t = kind + " " + (nameOnly ? mw::fileNameOf(path) : path);
    return kind == "write" ? t + " " + lines : t;
}

std::vector<std::string> noted(const std::vector<RecordingPlatform::Launch>& launches) {
    std::vector<std::string> out;
    for (const auto& l : launches)
        out.push_back(l.noted());
    return out;
}

std::size_t RecordingPlatform::step(const std::string& text) const {
    return static_cast<std::size_t>(
        std::find_if(steps.begin(), steps.end(), [&](const Step& s) { return s.text() == text; }) -
        steps.begin());
}

std::vector<std::string> RecordingPlatform::stepsByName() const {
    std::vector<std::string> out;
    for (const auto& s : steps)
        out.push_back(s.text(true));
    return out;
}

std::vector<RecordingPlatform::Launch>
RecordingPlatform::batchLaunches(std::optional<mw::ShowMode> mode) const {
    std::vector<Launch> out;
    std::copy_if(launches.begin(), launches.end(), std::back_inserter(out),
                 [&](const Launch& l) { return l.batch() && (!mode || l.mode == *mode); });
    return out;
}

std::vector<RecordingPlatform::Launch> RecordingPlatform::programLaunches() const {
    std::vector<Launch> out;
    std::copy_if(launches.begin(), launches.end(), std::back_inserter(out),
                 [](const Launch& l) { return !l.batch(); });
    return out;
}

std::string RecordingPlatform::lastBatch() const {
    for (auto l = launches.rbegin(); l != launches.rend(); ++l)
        if (l->batch()) return l->batchBytes;
    return {};
}

std::vector<std::string> RecordingPlatform::wiped() const {
    std::vector<std::string> out;
    for (const auto& l : launches)
        if (mw::fileNameOf(l.file) == "scorch.com") out.push_back(l.parameters);
    return out;
}

mw::LaunchResult RecordingPlatform::launch(const std::string& file, const std::string& parameters,
                                           const std::string& directory, mw::ShowMode mode) {
    Launch l{file, parameters, directory, mode, {}, {}};
    const bool batch = l.batch();
    if (batch) {
        if (keepsBatchText) l.batchBytes = readFileBytes(file);
        l.lockBytes = readFileBytes(lockBeside(file));
    }
    launches.push_back(l);
    steps.push_back({"launch", file, {}});
    if (batch && answerPause) {
        std::string bytes = l.batchBytes;
        const auto at = bytes.find("pause\r\n");
        if (at != std::string::npos) writeFileBytes(file, bytes.replace(at, 5, "pause < nul"));
    }
    if (atLaunch) atLaunch(l);

    if (starts == Starts::Everything || (starts == Starts::BatchFilesOnly && batch)) {
        mw::LaunchResult r = Win32Platform::launch(file, parameters, directory, mode);
        lastProcess = r.process;
        return r;
    }
    if (starts == Starts::BatchFilesOnly) return {};
    if (batch) {
        DeleteFileA(lockBeside(file).c_str());
        if (reportsSuccess) reportAsPgpDoes();
    }
    return {true, "", 0};
}

void RecordingPlatform::writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "|";
    steps.push_back({"write", path, text});
    Win32Platform::writeLines(path, lines);
}

void RecordingPlatform::writeBatchFile(const std::string& path, const mw::BatchLines& lines) {
    std::string text;
    if (keepsBatchText)
        for (const auto& l : lines)
            text += std::string(l) + "|";
    steps.push_back({"write", path, text});
    Win32Platform::writeBatchFile(path, lines);
}

} // namespace mwtest
