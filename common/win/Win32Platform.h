// The real Platform: Win32 file, shell and message calls.
#pragma once
#include "core/Platform.h"
#include <windows.h>
#include <string>

namespace mw {

// Platform::appendSortKey for texts in one code page (the programs' own is CP_ACP). The buffers
// stay between calls: a key ring of many thousand IDs comes here once per ID. One per thread.
class SortKeys {
public:
    explicit SortKeys(unsigned codePage) : codePage_(codePage) {}
    void append(const std::string& text, std::string& keys);

private:
    unsigned codePage_;
    std::wstring wide_;
    std::string key_;
};

class Application;

class Win32Platform : public Platform {
public:
    // The application whose message pump and main window the waits and launches use.
    // `executableOverride` lets a test stand the program in a temporary directory.
    explicit Win32Platform(Application& application, std::string executableOverride = {})
        : app_(application), exeOverride_(std::move(executableOverride)) {}

    bool fileExists(const std::string& path) override;
    bool deleteFile(const std::string& path) override;
    std::vector<std::string> readLines(const std::string& path) override;
    void writeLines(const std::string& path, const std::vector<std::string>& lines) override;
    std::optional<std::string> readWholeFile(const std::string& path, std::uint64_t maxBytes) override;
    void writeWholeFile(const std::string& path, const std::string& bytes) override;
    void writeBatchFile(const std::string& path, const BatchLines& lines) override;
    void readInBlocks(const std::string& path, const std::function<void(std::string_view)>& take) override;
    std::string shortPath(const std::string& path) override;
    std::string executablePath() override;
    LaunchResult launch(const std::string& file, const std::string& parameters, const std::string& directory,
                        ShowMode mode) override;
    LaunchResult launchWithInput(const std::string& batchFile, const std::string& directory,
                                 const SecretString& input) override;
    void closeProcess(std::uintptr_t process) override;
    void processMessages() override;
    bool createNewFile(const std::string& path, const std::vector<std::string>& lines) override;
    unsigned ansiCodePage() override;
    unsigned consoleCodePage() override;
    int toUtf16(unsigned codePage, bool strict, std::string_view bytes, char16_t* out,
                int outLength) override;
    int fromUtf16(unsigned codePage, bool noBestFit, std::u16string_view wide, char* out, int outLength,
                  bool* usedDefault) override;
    std::uintptr_t watchDirectory(const std::string& directory) override;
    void closeWatch(std::uintptr_t watch) override;
    void waitForEvent(std::uintptr_t process, std::uintptr_t watch, unsigned timeoutMs) override;
    bool processEnded(std::uintptr_t process) override;
    std::optional<int> processExitCode(std::uintptr_t process) override;
    std::uint64_t milliseconds() override;
    std::string lastErrorText() override;
    bool directoryExists(const std::string& path) override;
    bool isReadOnly(const std::string& path) override;
    std::optional<std::uint64_t> fileSize(const std::string& path) override;
    bool moveFile(const std::string& from, const std::string& to, bool replaceExisting) override;
    CopyResult copyFile(const std::string& from, const std::string& to, bool replaceExisting) override;
    std::optional<std::string> environmentVariable(const std::string& name) override;
    void setEnvironmentVariable(const std::string& name, const std::optional<std::string>& value) override;
    void appendSortKey(const std::string& text, std::string& keys) override;
    bool sortKeysFromAnyThread() const override { return true; }

private:
    Application& app_;
    std::string exeOverride_;
};

// Splits file content into lines at CR LF or LF; a last line without an end still counts.
std::vector<std::string> splitLines(const std::string& content);

} // namespace mw
