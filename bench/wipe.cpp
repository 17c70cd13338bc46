// Wipe throughput of scorch.com (/two and one pass) against a plain copy of the same file on the
// same disk, the copy flushed to the device as the wipe is. Run by bench/wipe.sh; a measurement,
// not a test.
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool writeSource(const std::wstring& path, unsigned long long size) {
    HANDLE f =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    std::vector<unsigned char> chunk(1 << 20);
    unsigned long long x = 88172645463325252ull;
    for (unsigned long long done = 0; done < size; done += chunk.size()) {
        for (auto& b : chunk) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            b = static_cast<unsigned char>(x);
        }
        DWORD written = 0;
        WriteFile(f, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
    }
    FlushFileBuffers(f);
    CloseHandle(f);
    return true;
}

void flush(const std::wstring& path) {
    HANDLE f =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    FlushFileBuffers(f);
    CloseHandle(f);
}

double copySeconds(const std::wstring& from, const std::wstring& to) {
    auto start = Clock::now();
    CopyFileW(from.c_str(), to.c_str(), FALSE);
    flush(to);
    double s = secondsSince(start);
    DeleteFileW(to.c_str());
    return s;
}

// With an empty file name: the tool started with /? alone, its start-up cost.
double wipeSeconds(const std::wstring& tool, const std::wstring& file, const wchar_t* options) {
    std::wstring line =
        file.empty() ? std::wstring(L"scorch.com /?") : L"scorch.com [" + file + L"]" + options;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    auto start = Clock::now();
    if (!CreateProcessW(tool.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    double s = secondsSince(start);
    DWORD status = 1;
    GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (status != 0 || (!file.empty() && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES))
        return -1;
    return s;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

// wipe_bench.exe <scorch.com> <work directory with trailing backslash> <megabytes> <runs>
int wmain(int argc, wchar_t** argv) {
    if (argc < 5) return 2;
    const std::wstring tool = argv[1], dir = argv[2];
    const unsigned long long mb = std::wcstoull(argv[3], nullptr, 10);
    const int runs = std::max(1, _wtoi(argv[4]));
    const std::wstring source = dir + L"source.bin", target = dir + L"target file.bin";
    if (!writeSource(source, mb << 20)) return 1;
    std::vector<double> copies, two, one, start;
    for (int i = 0; i < runs; ++i) {
        start.push_back(wipeSeconds(tool, L"", L""));
        copies.push_back(copySeconds(source, target));
        CopyFileW(source.c_str(), target.c_str(), FALSE);
        flush(target);
        two.push_back(wipeSeconds(tool, target, L" /two /silent"));
        CopyFileW(source.c_str(), target.c_str(), FALSE);
        flush(target);
        one.push_back(wipeSeconds(tool, target, L" /silent"));
    }
    DeleteFileW(source.c_str());
    if (*std::min_element(two.begin(), two.end()) < 0 || *std::min_element(one.begin(), one.end()) < 0) {
        std::printf("a wipe failed\n");
        return 1;
    }
    const double c = median(copies), t = median(two), o = median(one);
    std::printf("file: %llu MB, median of %d runs\n", mb, runs);
    std::printf("copy (read + write + flush): %.2f s, %.0f MB/s\n", c, mb / c);
    std::printf("wipe /two (2 writes + 2 flushes): %.2f s, %.0f MB/s\n", t, mb / t);
    std::printf("wipe one pass (1 write + 1 flush): %.2f s, %.0f MB/s\n", o, mb / o);
    std::printf("of which starting the tool (/? alone): %.2f s\n", median(start));
    std::printf("ratio wipe /two : copy = %.2f; one pass : copy = %.2f\n", t / c, o / c);
    return 0;
}
