// What the file module's browser shows, as rules over plain strings: which directory entries the
// file pane lists, the icon of each, the status line, and the levels of the directory pane.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mw {

// File attribute bits as the file system reports them.
namespace fileattr {
constexpr std::uint32_t ReadOnly = 0x01;
constexpr std::uint32_t Hidden = 0x02;
constexpr std::uint32_t System = 0x04;
constexpr std::uint32_t Directory = 0x10;
constexpr std::uint32_t Archive = 0x20;
constexpr std::uint32_t Normal = 0x80;
} // namespace fileattr

// Plain files only: normal, archive and read-only ones; never hidden, system or directories.
bool listedInFilePane(std::uint32_t attributes);

enum class FileIcon { Document = 0, Program = 1 };

// Program for ".exe", ".com", ".bat" and ".pif" in any case; Document for everything else.
FileIcon fileIconFor(const std::string& name);

// The directory and a name joined by exactly one backslash ("C:\" + "a" is "C:\a").
std::string joinPath(const std::string& directory, const std::string& name);

// A file the engine keeps in its home (PGP's directory) for itself: its options, key box, trust
// database, random seed, agent sockets and the locks of each. Not the user's: the file pane of PGP's
// directory leaves them out. PGP 2.6's names (pubring.pgp, secring.pgp, config.txt) stay listed.
bool isEngineInternalFile(const std::string& name);

// A file as seen before and after a job: its name and last write time.
struct FileStamp {
    std::string name;
    std::uint64_t written = 0;
};

// What a job wrote into the directory: of the files new or written since `before`, the one written
// last (the first of equals); empty when there is none.
std::string jobOutput(const std::vector<FileStamp>& before, const std::vector<FileStamp>& after);

// "%s, %d bytes" of the path and size, with A-Z lowered and every other byte kept.
std::string fileStatusLine(const std::string& fullPath, std::int64_t size);

// Why a file or folder whose name the ANSI code page cannot hold, on a volume that keeps no short
// (8.3) names, cannot be handed to PGP, the wipe tool or a program.
std::string unreachableNameMessage(const std::string& path);

// The directories from the root down to `directory` itself: "C:\Data\Sub" gives "C:\",
// "C:\Data", "C:\Data\Sub". A trailing backslash is ignored except at the root.
std::vector<std::string> directoryLevels(const std::string& directory);

} // namespace mw
