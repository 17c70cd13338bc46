// Test double of the wipe tool scorch.com: overwrites and removes the file named in square
// brackets and logs its arguments and working directory beside itself ("scorch-args.log").
// A file "scorch-control.txt" beside it holding "fail" makes it leave the file alone; so does a
// read-only file.
#include "DoubleSupport.h"
#include <windows.h>
#include <fstream>
#include <string>
#include <vector>

namespace {

void overwrite(const std::string& path) {
    HANDLE f =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size{};
    GetFileSizeEx(f, &size);
    std::vector<char> zeros(4096, 0);
    for (LONGLONG left = size.QuadPart; left > 0; left -= static_cast<LONGLONG>(zeros.size())) {
        DWORD chunk = static_cast<DWORD>(left < 4096 ? left : 4096), written = 0;
        WriteFile(f, zeros.data(), chunk, &written, nullptr);
    }
    CloseHandle(f);
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = doubles::ownDirectory();
    doubles::logCall(dir + "scorch-args.log", argc, argv);
    std::ifstream control(dir + "scorch-control.txt");
    std::string directive;
    if (control >> directive && directive == "fail") return 1;

    // The file is everything between the first "[" and the last "]" of the arguments.
    std::string all;
    for (int i = 1; i < argc; ++i)
        all += (i > 1 ? " " : "") + std::string(argv[i]);
    auto open = all.find('['), close = all.rfind(']');
    if (open == std::string::npos || close == std::string::npos || close < open) return 2;
    std::string file = all.substr(open + 1, close - open - 1);
    // A read-only file is left alone, as a careful wipe tool leaves it: the tests of a tool that
    // could not remove the file use one.
    DWORD attributes = GetFileAttributesA(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return 1;
    overwrite(file);
    return DeleteFileA(file.c_str()) ? 0 : 1;
}
