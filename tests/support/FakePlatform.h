// In-memory Platform for native tests: files keyed without regard to case, every call recorded.
#pragma once
#include "core/Errors.h"
#include "core/Platform.h"
#include "core/TextConvert.h"
#include "support/FakeCodePages.h"
#include <functional>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mwtest {

struct LaunchCall {
    std::string file, parameters, directory;
    mw::ShowMode mode;
    std::optional<std::string> input; // what launchWithInput put on its standard input
};

class FakePlatform : public mw::Platform {
public:
    std::string exePath = "c:\\murkwell\\Murkwell.exe";
    std::map<std::string, std::vector<std::string>> files; // key: lowered path
    std::set<std::string> unreadable;                      // lowered paths whose reading fails
    std::set<std::string> unwritable;                      // lowered paths whose writing fails
    std::map<std::string, std::string> shortNames;         // lowered long path -> short form
    std::vector<std::string> calls;                        // "exists x", "delete x", "write x", ...
    std::vector<LaunchCall> launches;
    std::function<void(const LaunchCall&)> onLaunch; // simulates what the launched program does
    std::function<void()> onProcessMessages;
    int messagePasses = 0;
    // The job wait: how often it blocked, what runs when it does, and the batch process's fate.
    int waits = 0;
    std::function<void()> onWait;
    bool launchFails = false;           // launch() reports the shell's refusal
    std::set<std::string> unlaunchable; // lowered files whose launch the shell refuses
    bool processHasEnded = false;       // processEnded() for launched processes
    std::function<void()> onProcessEndedTest;
    // The code pages of the programs' texts and of the console; equal, nothing is converted.
    unsigned ansiCp = 1252;
    unsigned consoleCp = 1252;

    static std::string key(const std::string& p) { return mw::toLowerAscii(p); }

    bool has(const std::string& path) const { return files.count(key(path)) != 0; }
    const std::vector<std::string>& content(const std::string& path) const { return files.at(key(path)); }
    void put(const std::string& path, std::vector<std::string> lines) { files[key(path)] = std::move(lines); }

    bool fileExists(const std::string& path) override {
        calls.push_back("exists " + path);
        return has(path);
    }
    std::set<std::string> undeletable; // lowered paths whose deletion the system refuses
    bool deleteFile(const std::string& path) override {
        calls.push_back("delete " + path);
        if (undeletable.count(key(path))) {
            lastError = "Access is denied.";
            return false;
        }
        return files.erase(key(path)) != 0;
    }
    std::vector<std::string> readLines(const std::string& path) override {
        calls.push_back("read " + path);
        if (unreadable.count(key(path)) || !has(path)) throw mw::IoError(path, "open", "Access is denied.");
        return content(path);
    }
    void writeLines(const std::string& path, const std::vector<std::string>& lines) override {
        calls.push_back("write " + path);
        if (unwritable.count(key(path))) throw mw::IoError(path, "create", "Access is denied.");
        files[key(path)] = lines;
    }
    // Batch files are kept as lines like any other; writeLines sees them.
    void writeBatchFile(const std::string& path, const mw::BatchLines& lines) override {
        writeLines(path, std::vector<std::string>(lines.begin(), lines.end()));
    }
    // Whole files are kept as lines: the bytes are split at CR LF or LF and joined with CR LF.
    std::optional<std::string> readWholeFile(const std::string& path, std::uint64_t maxBytes) override {
        std::string bytes;
        for (const auto& line : readLines(path))
            bytes += line + "\r\n";
        if (bytes.size() > maxBytes) return std::nullopt;
        return bytes;
    }
    // Blocks this small, so that lines and CR LF pairs are cut between blocks.
    std::size_t blockSize = 7;
    void readInBlocks(const std::string& path, const std::function<void(std::string_view)>& take) override {
        const std::string bytes = readWholeFile(path, UINT64_MAX).value();
        for (std::size_t at = 0; at < bytes.size(); at += blockSize)
            take(std::string_view(bytes).substr(at, blockSize));
    }
    void writeWholeFile(const std::string& path, const std::string& bytes) override {
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < bytes.size()) {
            std::size_t nl = bytes.find('\n', start);
            std::size_t end = nl == std::string::npos ? bytes.size() : nl;
            lines.push_back(bytes.substr(start, end - start - (end > start && bytes[end - 1] == '\r')));
            if (nl == std::string::npos) break;
            start = nl + 1;
        }
        writeLines(path, lines);
    }
    std::string shortPath(const std::string& path) override {
        auto it = shortNames.find(key(path));
        if (it != shortNames.end()) return it->second;
        return has(path) ? path : std::string();
    }
    std::string executablePath() override { return exePath; }
    mw::LaunchResult launch(const std::string& file, const std::string& parameters,
                            const std::string& directory, mw::ShowMode mode) override {
        LaunchCall c{file, parameters, directory, mode, std::exchange(pendingInput, std::nullopt)};
        calls.push_back("launch " + file);
        launches.push_back(c);
        if (onLaunch) onLaunch(c);
        mw::LaunchResult r;
        const bool fails = launchFails || unlaunchable.count(key(file));
        r.started = !fails;
        if (fails) r.error = "The system cannot find the file specified.";
        r.process = fails ? 0 : launches.size();
        // cmd.exe ends right after the last line of a batch, which deletes its lock.
        if (r.process && file.size() > 4 && key(file).substr(file.size() - 4) == ".bat" && has(file) &&
            !content(file).empty() && content(file).back().rfind("DEL ", 0) == 0)
            batchLocks[r.process] = content(file).back().substr(4);
        return r;
    }
    mw::LaunchResult launchWithInput(const std::string& batchFile, const std::string& directory,
                                     const mw::SecretString& input) override {
        pendingInput = std::string(input);
        return launch(batchFile, "", directory, mw::ShowMode::Hidden);
    }
    std::optional<std::string> pendingInput; // handed to the next launch's record
    bool createNewFile(const std::string& path, const std::vector<std::string>& lines) override {
        if (has(path)) {
            calls.push_back("create refused " + path);
            return false;
        }
        writeLines(path, lines);
        return true;
    }
    unsigned ansiCodePage() override { return ansiCp; }
    unsigned consoleCodePage() override { return consoleCp; }
    int toUtf16(unsigned cp, bool strict, std::string_view bytes, char16_t* out, int outLength) override {
        return FakeCodePages::toUtf16(cp, strict, bytes, out, outLength);
    }
    int fromUtf16(unsigned cp, bool noBestFit, std::u16string_view wide, char* out, int outLength,
                  bool* usedDefault) override {
        return FakeCodePages::fromUtf16(cp, noBestFit, wide, out, outLength, usedDefault);
    }
    // A small collation: blanks, signs and other bytes, then digits, Latin letters and, when the
    // ANSI code page is Windows-1251, Cyrillic letters (upper case 0xC0-0xDF, lower case
    // 0xE0-0xFF, Yo 0xA8/0xB8 after Ye); case ignored. Two bytes of key per byte of text.
    void appendSortKey(const std::string& text, std::string& keys) override {
        for (char ch : text) {
            const unsigned c = static_cast<unsigned char>(ch);
            unsigned weight = 0x100 + c;
            if (c >= '0' && c <= '9') weight = 0x200 + c;
            if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') weight = 0x300 + ((c | 0x20) - 'a') * 2;
            if (ansiCp == 1251 && c >= 0xC0) weight = 0x400 + (c & 0x1F) * 2;
            if (ansiCp == 1251 && (c == 0xA8 || c == 0xB8)) weight = 0x400 + 5 * 2 + 1;
            keys += static_cast<char>(weight >> 8);
            keys += static_cast<char>(weight & 0xFF);
        }
    }
    // Each wait's handles and limit; a wait runs `onWait` and then moves the clock by its limit.
    struct WaitCall {
        std::uintptr_t process, watch;
        unsigned timeoutMs;
    };
    std::vector<WaitCall> waitCalls;
    void waitForEvent(std::uintptr_t process, std::uintptr_t watch, unsigned timeoutMs) override {
        ++waits;
        waitCalls.push_back({process, watch, timeoutMs});
        if (onWait) onWait();
        clockMs += wakeAfterMs && wakeAfterMs < timeoutMs ? wakeAfterMs : timeoutMs;
    }
    unsigned wakeAfterMs = 0;                // when set, a wait with a longer limit is woken after this long
    std::set<std::uintptr_t> endedProcesses; // processes that have ended, whatever processHasEnded says
    std::map<std::uintptr_t, std::string> batchLocks; // a batch's process and the lock its last line deletes
    bool batchEndsAtItsDel = true; // false: its interpreter lingers after the lock has gone
    bool processEnded(std::uintptr_t process) override {
        if (onProcessEndedTest) onProcessEndedTest();
        auto lock = batchLocks.find(process);
        if (batchEndsAtItsDel && lock != batchLocks.end() && !has(lock->second)) return true;
        return processHasEnded || endedProcesses.count(process) != 0;
    }
    // The exit status of every launched process.
    int exitCode = 0;
    std::optional<int> processExitCode(std::uintptr_t) override { return exitCode; }
    // A clock that moves only in the waits.
    std::uint64_t clockMs = 0;
    std::uint64_t milliseconds() override { return clockMs; }
    std::string lastError = "the system gave no reason.";
    std::string lastErrorText() override { return lastError; }
    // Housekeeping: directories that exist, read-only files, moves the platform refuses (by
    // lowered source path; "*" refuses every move between different drives), how copies end,
    // and the environment.
    std::set<std::string> directories;
    std::set<std::string> readOnly;
    std::set<std::string> refusedMoves;
    std::set<std::string> keptSources; // lowered sources a move copies but cannot remove
    CopyResult copyEnds = CopyResult::Copied;
    bool copyDropsLastLine = false; // a copy that reports success yet came out short
    std::map<std::string, std::string> environment;

    bool directoryExists(const std::string& path) override {
        calls.push_back("dir? " + path);
        return directories.count(key(path)) != 0;
    }
    bool isReadOnly(const std::string& path) override { return readOnly.count(key(path)) != 0; }
    std::optional<std::uint64_t> fileSize(const std::string& path) override {
        if (!has(path)) return std::nullopt;
        std::uint64_t size = 0;
        for (const auto& line : content(path))
            size += line.size() + 2;
        return size;
    }
    bool moveFile(const std::string& from, const std::string& to, bool replaceExisting) override {
        calls.push_back(std::string(replaceExisting ? "move! " : "move ") + from + " -> " + to);
        bool otherDrive = key(from).substr(0, 2) != key(to).substr(0, 2);
        if (!has(from) || refusedMoves.count(key(from)) || (refusedMoves.count("*") && otherDrive) ||
            (has(to) && !replaceExisting && key(from) != key(to)))
            return false;
        auto lines = content(from);
        if (!keptSources.count(key(from))) files.erase(key(from));
        files[key(to)] = std::move(lines);
        return true;
    }
    CopyResult copyFile(const std::string& from, const std::string& to, bool replaceExisting) override {
        calls.push_back(std::string(replaceExisting ? "copy! " : "copy ") + from + " -> " + to);
        if (!has(from)) return CopyResult::CannotOpen;
        if (copyEnds == CopyResult::CannotOpen || copyEnds == CopyResult::CannotCreate) return copyEnds;
        if (has(to) && !replaceExisting) return CopyResult::CannotCreate;
        auto lines = content(from);
        if (copyEnds == CopyResult::Failed || copyDropsLastLine)
            lines.resize(lines.empty() ? 0 : lines.size() - 1);
        files[key(to)] = std::move(lines);
        return copyEnds;
    }
    std::optional<std::string> environmentVariable(const std::string& name) override {
        auto it = environment.find(name);
        if (it == environment.end()) return std::nullopt;
        return it->second;
    }

    std::vector<std::uintptr_t> closedProcesses;
    void closeProcess(std::uintptr_t process) override { closedProcesses.push_back(process); }
    void processMessages() override {
        ++messagePasses;
        if (onProcessMessages) onProcessMessages();
    }
};

} // namespace mwtest
