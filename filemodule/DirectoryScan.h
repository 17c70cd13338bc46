// What the browser reads from the file system: the files and subdirectories of a directory, a
// file's size and the drives. Searched with FindFirstFile, because the list box's own directory
// listing shows hidden and system files under Wine.
#pragma once
#include "filemodule/core/FileBrowser.h"
#include <cstdint>
#include <string>
#include <vector>

namespace filemodule {

struct ListedFile {
    std::string name;
    mw::FileIcon icon;
    std::uint64_t written; // last write time, as the system counts it
};

// The files the file pane lists, in the order the file system gives them; without the engine's
// own files when `withoutEngineFiles` (the directory is PGP's). Names and paths are UTF-8.
std::vector<ListedFile> listFiles(const std::string& directory, bool withoutEngineFiles = false);

// Subdirectories that are neither hidden nor system, sorted without regard to case.
std::vector<std::string> listSubdirectories(const std::string& directory);

// Size of the file found for the expanded path, whatever its attributes; -1 when none is found.
std::int64_t fileSize(const std::string& path);

// Root of each drive present, "A:\" to "Z:\".
std::vector<std::string> logicalDrives();

} // namespace filemodule
