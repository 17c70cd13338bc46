// Path helpers shared by the settings file, the setup dialog and the job runner.
#include "core/PathUtil.h"
#include "core/TextConvert.h"

namespace mw {

std::string directoryOf(const std::string& path) {
    auto pos = path.find_last_of("\\/:");
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string wipeToolPath(const std::string& executablePath) {
    return directoryOf(executablePath) + "scorch.com";
}

std::string fileNameOf(const std::string& path) {
    auto pos = path.find_last_of("\\/:");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string changeExtension(const std::string& path, const std::string& newExtension) {
    auto sep = path.find_last_of("\\/:");
    auto dot = path.find_last_of('.');
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep))
        return path.substr(0, dot) + newExtension;
    return path + newExtension;
}

bool sameFileName(const std::string& a, const std::string& b) {
    return toLowerAscii(a) == toLowerAscii(b);
}

} // namespace mw
