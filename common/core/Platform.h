// Everything outside the process that the programs touch, behind one interface: the Win32
// implementation for the programs, an in-memory fake for the native tests.
#pragma once
#include "core/SecretText.h"
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// The lines of a batch file. One may carry the pass phrase, so they live in wiping storage.
using BatchLines = std::vector<SecretString>;

// Show modes of the shell launch, with the numbers the shell uses.
enum class ShowMode : int { Hidden = 0, Normal = 1, Show = 5 };

// What a launch gave back. `process` is an opaque handle owned by the platform (0 when the shell
// gave none); release it with Platform::closeProcess.
struct LaunchResult {
    bool started = false;
    std::string error; // the system's reason when not started
    std::uintptr_t process = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Files. Names compare without regard to case, as on Windows.
    virtual bool fileExists(const std::string& path) = 0;
    virtual bool deleteFile(const std::string& path) = 0; // false when it failed; callers mostly ignore it
    // All lines of a text file; CR LF or LF ends a line; a line may be of any length.
    // Throws IoError when the file cannot be opened or read.
    virtual std::vector<std::string> readLines(const std::string& path) = 0;
    // Creates the file anew (truncating) and writes each line followed by CR LF.
    // Throws IoError when the file cannot be created or written.
    virtual void writeLines(const std::string& path, const std::vector<std::string>& lines) = 0;
    // The whole file in one read, bytes unchanged; nullopt when it holds more than `maxBytes`
    // (then nothing is read). Throws IoError when the file cannot be opened or read.
    virtual std::optional<std::string> readWholeFile(const std::string& path, std::uint64_t maxBytes) = 0;
    // A batch file, written as writeLines writes: the buffer it is written from is overwritten
    // before it is freed. Throws IoError.
    virtual void writeBatchFile(const std::string& path, const BatchLines& lines) = 0;
    // Creates the file anew (truncating) holding exactly `bytes`, in one write. Throws IoError.
    virtual void writeWholeFile(const std::string& path, const std::string& bytes) = 0;
    // The file's bytes from start to end, handed to `take` a block at a time (of the platform's
    // size), so that a big file is never held whole. Throws IoError as readWholeFile does.
    virtual void readInBlocks(const std::string& path, const std::function<void(std::string_view)>& take) {
        take(readWholeFile(path, UINT64_MAX).value());
    }
    // Short (8.3) form of an existing path; empty when the system cannot give one.
    virtual std::string shortPath(const std::string& path) = 0;
    // Full path of the running executable.
    virtual std::string executablePath() = 0;

    // The shell's default action on `file`; owner is the main window.
    virtual LaunchResult launch(const std::string& file, const std::string& parameters,
                                const std::string& directory, ShowMode mode) = 0;
    virtual void closeProcess(std::uintptr_t process) = 0;
    // Launches a batch file without a window, `input` on its standard input through a pipe (the
    // answers pgp.exe reads), its output discarded. One that cannot never starts the job.
    virtual LaunchResult launchWithInput(const std::string& /*batchFile*/, const std::string& /*directory*/,
                                         const SecretString& /*input*/) {
        return {.started = false, .error = "this system cannot hand a job its answers."};
    }

    // One pass of handling every pending window message.
    virtual void processMessages() = 0;

    // What the job runner needs beyond the above. Each has a plain default so that other
    // Platforms keep working; the Win32 one does them properly.

    // Creates the file with the lines as writeLines does, but only if no file of that name exists
    // (false then). Throws IoError for any other failure.
    virtual bool createNewFile(const std::string& path, const std::vector<std::string>& lines) {
        if (fileExists(path)) return false;
        writeLines(path, lines);
        return true;
    }
    // Code pages: the programs' texts are in the ANSI one (the "A" calls), batch files and what
    // console programs write in the console's.
    virtual unsigned ansiCodePage() { return 1252; }
    virtual unsigned consoleCodePage() { return 1252; }
    // The system's two conversion calls, with its rules: the number of units written, or without
    // an output buffer the number needed; 0 when the call fails, as it does for a flag the code
    // page does not take (codePageFlags), for bytes that are no valid text when `strict`, and for
    // a code page the system lacks. `usedDefault`, when given, tells whether a character had no
    // form and became the default character.
    virtual int toUtf16(unsigned /*codePage*/, bool /*strict*/, std::string_view /*bytes*/, char16_t* /*out*/,
                        int /*outLength*/) {
        return 0;
    }
    virtual int fromUtf16(unsigned /*codePage*/, bool /*noBestFit*/, std::u16string_view /*wide*/,
                          char* /*out*/, int /*outLength*/, bool* /*usedDefault*/) {
        return 0;
    }
    // The text in the code page of the console that runs batch files, in wiping storage (a batch
    // line may hold the pass phrase); nullopt when a character has no exact form there.
    std::optional<SecretString> toConsoleCodePage(std::string_view text);
    // The reverse, for what console programs write (PGP's key listing); nullopt when a character
    // has no exact form in our code page.
    std::optional<std::string> fromConsoleCodePage(std::string_view text);
    // Appends to `keys` the sort key of `text` (in the ANSI code page) in the system's collation,
    // without regard to case: texts order as their keys do, compared byte by byte as unsigned.
    // The default folds ASCII letters only.
    virtual void appendSortKey(const std::string& text, std::string& keys) {
        for (char c : text)
            keys += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    // Whether appendSortKey may be called from two threads at once.
    virtual bool sortKeysFromAnyThread() const { return false; }
    // Starts watching `directory` for files that appear or go; 0 when that is not possible.
    virtual std::uintptr_t watchDirectory(const std::string& /*directory*/) { return 0; }
    virtual void closeWatch(std::uintptr_t /*watch*/) {}
    // Blocks until a window message is waiting, `process` has ended, `watch` has seen a change or
    // `timeoutMs` has passed (0 handles mean nothing to wait for).
    virtual void waitForEvent(std::uintptr_t /*process*/, std::uintptr_t /*watch*/, unsigned /*timeoutMs*/) {}
    // Whether a process from launch() has ended.
    virtual bool processEnded(std::uintptr_t /*process*/) { return false; }
    // The exit status of a process from launch() that has ended; nullopt when there is none.
    virtual std::optional<int> processExitCode(std::uintptr_t /*process*/) { return std::nullopt; }
    // A steady clock in milliseconds, for the waits that have a limit.
    virtual std::uint64_t milliseconds() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    // The system's reason for the last call of this thread that failed (deleteFile's false).
    virtual std::string lastErrorText() { return "the system gave no reason."; }

    // What the file module's housekeeping needs beyond the above, with plain defaults too.

    virtual bool directoryExists(const std::string& /*path*/) { return false; }
    virtual bool isReadOnly(const std::string& /*path*/) { return false; }
    // Size in bytes of an existing file; nullopt when there is none.
    virtual std::optional<std::uint64_t> fileSize(const std::string& /*path*/) { return std::nullopt; }
    // Moves (renames) a file; an existing target is replaced only when asked. False when refused.
    virtual bool moveFile(const std::string& /*from*/, const std::string& /*to*/, bool /*replaceExisting*/) {
        return false;
    }
    // Copies a file's bytes in blocks; an existing target is replaced only when asked. After
    // Failed the target may hold part of the bytes: removing it is the caller's choice.
    enum class CopyResult { Copied, CannotOpen, CannotCreate, Failed };
    virtual CopyResult copyFile(const std::string& /*from*/, const std::string& /*to*/,
                                bool /*replaceExisting*/) {
        return CopyResult::CannotOpen;
    }
    // A variable of the process's environment; nullopt when it is not set.
    virtual std::optional<std::string> environmentVariable(const std::string& /*name*/) {
        return std::nullopt;
    }
    // Sets (nullopt: removes) a variable of the process's environment, which the programs it
    // starts inherit.
    virtual void setEnvironmentVariable(const std::string& /*name*/,
                                        const std::optional<std::string>& /*value*/) {}
};

// Deletes the file if it is there: test first, so a missing file costs no failed call.
inline void deleteIfExists(Platform& platform, const std::string& path) {
    if (platform.fileExists(path)) platform.deleteFile(path);
}

} // namespace mw
