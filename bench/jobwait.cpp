// Measures the job runner's wait against a naive loop (handle messages, test the lock, no pause)
// over the same 5-second job: CPU seconds of this process and latency from the batch's end to the
// end of the wait. Run by bench/jobwait.sh; a measurement, not a test.
#include "win/Application.h"
#include "support/ScriptedInteraction.h"
#include "core/JobRunner.h"
#include "core/KeyListing.h"
#include "win/Win32Platform.h"
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The same runner with the blocking parts taken out: what a plain polling loop does.
class NaivePlatform : public mw::Win32Platform {
public:
    NaivePlatform() : Win32Platform(mw::Application::instance()) {}
    std::uintptr_t watchDirectory(const std::string&) override { return 0; }
    void waitForEvent(std::uintptr_t, std::uintptr_t, unsigned) override {}
    bool processEnded(std::uintptr_t) override { return false; }
};

double cpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](FILETIME t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: jobwait PGPDIR runner|naive [runs]\n");
        return 2;
    }
    std::string pgpDir = argv[1];
    if (pgpDir.back() != '\\') pgpDir += '\\';
    bool naive = std::string(argv[2]) == "naive";
    int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    const std::string stamp = pgpDir + "end-stamp.txt";
    {
        std::ofstream control(pgpDir + "pgp-control.txt", std::ios::binary | std::ios::trunc);
        control << "wait 5000\r\nstamp " << stamp << "\r\n";
    }
    mw::Win32Platform real(mw::Application::instance());
    NaivePlatform plain;
    mw::Platform& platform = naive ? static_cast<mw::Platform&>(plain) : real;
    mwtest::ScriptedInteraction interaction;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    std::vector<double> cpu, latency, wall;
    for (int i = 0; i < runs; ++i) {
        DeleteFileA(stamp.c_str());
        mw::JobRunner runner(platform, interaction);
        // The editor's listing of the public ring, as its key dialog runs it.
        const mw::KeyListingJob job =
            mw::planKeyListing(
                mw::KeyProgram::Editor, mw::KeyRing::Public,
                {pgpDir + "pgp.exe", pgpDir, {}, {}, pgpDir + "pubring.pgp", pgpDir + "secring.pgp"})
                .job;
        double cpuBefore = cpuSeconds();
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        mw::JobEnd result = runner.runKeyListing(job);
        QueryPerformanceCounter(&end);
        double used = cpuSeconds() - cpuBefore;
        long long stamped = 0;
        std::ifstream(stamp) >> stamped;
        if (result != mw::JobEnd::Finished || stamped == 0) {
            std::printf("run %d: job did not finish normally\n", i + 1);
            for (const auto& box : interaction.shown)
                std::printf("message: %s\n", box.text.c_str());
            return 1;
        }
        double ms =
            1000.0 * static_cast<double>(end.QuadPart - stamped) / static_cast<double>(frequency.QuadPart);
        double seconds =
            static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        std::printf("%s run %d: wall %.2f s, cpu %.3f s, pgp end -> wait end %.1f ms\n", argv[2], i + 1,
                    seconds, used, ms);
        cpu.push_back(used);
        latency.push_back(ms);
        wall.push_back(seconds);
    }
    std::printf("%s: median cpu %.3f s over %.2f s (%.2f%% of one core), median latency %.1f ms\n", argv[2],
                median(cpu), median(wall), 100.0 * median(cpu) / median(wall), median(latency));
    return 0;
}
