// Path texts as the programs build them: a directory ending in a backslash plus a bare name.
#pragma once
#include <string>

namespace mw {

// Everything up to and including the last backslash, slash or drive colon; empty when there is
// none. The running program's own directory is this of its path.
std::string directoryOf(const std::string& path);

// The wipe tool: "scorch.com" in the running program's own directory.
std::string wipeToolPath(const std::string& executablePath);

// The path with the extension of its last component replaced (or added): "x\a.exe" -> "x\a.ini".
std::string changeExtension(const std::string& path, const std::string& newExtension);

// Name without its directory.
std::string fileNameOf(const std::string& path);

// Case-insensitive comparison of ASCII letters, as Windows compares file names.
bool sameFileName(const std::string& a, const std::string& b);

} // namespace mw
