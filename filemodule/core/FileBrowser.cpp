// The file module's listing and status-line rules.
#include "filemodule/core/FileBrowser.h"
#include "core/TextConvert.h"
#include <unordered_map>

namespace mw {

bool listedInFilePane(std::uint32_t attributes) {
    return (attributes & (fileattr::Hidden | fileattr::System | fileattr::Directory)) == 0;
}

FileIcon fileIconFor(const std::string& name) {
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return FileIcon::Document;
    const std::string ext = toLowerAscii(name.substr(dot));
    for (const char* program : {".exe", ".com", ".bat", ".pif"})
        if (ext == program) return FileIcon::Program;
    return FileIcon::Document;
}

std::string joinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '\\') return directory + name;
    return directory + "\\" + name;
}

bool isEngineInternalFile(const std::string& name) {
    const std::string n = toLowerAscii(name);
    // Each with what the engine puts after it: "pubring.kbx~", "trustdb.gpg.lock", "gpg.conf-2.2".
    for (const char* own :
         {"pubring.kbx", "pubring.gpg", "secring.gpg", "trustdb.gpg", "random_seed", "tofu.db", "sshcontrol",
          "gpg.conf", "gpg-agent.conf", "common.conf", "dirmngr.conf", "gpgsm.conf", "scdaemon.conf",
          "gpgconf.conf", "s.gpg-agent", "s.dirmngr", "s.scdaemon", "s.keyboxd", ".#lk"})
        if (n.rfind(own, 0) == 0) return true;
    return false;
}

std::string jobOutput(const std::vector<FileStamp>& before, const std::vector<FileStamp>& after) {
    std::unordered_map<std::string, std::uint64_t> was;
    for (const auto& file : before)
        was.emplace(toLowerAscii(file.name), file.written);
    const FileStamp* newest = nullptr;
    for (const auto& file : after) {
        const auto it = was.find(toLowerAscii(file.name));
        if (it != was.end() && it->second >= file.written) continue;
        if (!newest || file.written > newest->written) newest = &file;
    }
    return newest ? newest->name : std::string();
}

std::string fileStatusLine(const std::string& fullPath, std::int64_t size) {
    return toLowerAscii(fullPath + ", " + std::to_string(size) + " bytes");
}

std::vector<std::string> directoryLevels(const std::string& directory) {
    std::string dir = directory;
    // "C:\" keeps its backslash; "C:\Data\" loses it.
    while (dir.size() > 3 && dir.back() == '\\')
        dir.pop_back();
    std::vector<std::string> levels;
    std::size_t rootEnd;
    if (dir.rfind("\\\\", 0) == 0) {
        // \\server\share is the root of a network path.
        auto server = dir.find('\\', 2);
        auto share = server == std::string::npos ? std::string::npos : dir.find('\\', server + 1);
        rootEnd = share == std::string::npos ? dir.size() : share;
        levels.push_back(dir.substr(0, rootEnd));
    } else {
        rootEnd = dir.find('\\');
        if (rootEnd == std::string::npos) return {dir};
        levels.push_back(dir.substr(0, rootEnd + 1));
    }
    for (std::size_t pos = rootEnd + 1; pos < dir.size();) {
        auto next = dir.find('\\', pos);
        if (next == std::string::npos) next = dir.size();
        if (next > pos) levels.push_back(dir.substr(0, next));
        pos = next + 1;
    }
    return levels;
}

std::string unreachableNameMessage(const std::string& path) {
    return "The name " + path +
           " holds characters that this system's code page cannot write, and its disk keeps no short "
           "(8.3) name for it, so PGP and the other tools cannot be given it. Nothing was started. "
           "Rename it with characters of your system's language, or move it to a disk that keeps short "
           "names.";
}

} // namespace mw
