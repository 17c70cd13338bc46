// Measures the key dialogs' side of a big key ring under Wine: reading, parsing, converting and
// sorting a generated listing of 100,000 user IDs, then filling and first painting the public-key
// dialog's list.
// PGP's own time is not part of it. Usage: keylist_bench.exe WORKDIR [COUNT]
#include "win/Application.h"
#include "core/KeyListing.h"
#include "win/TPubKey.h"
#include "win/Win32Platform.h"
#include <commctrl.h>
#include <cstdio>
#include <random>
#include <string>

namespace {

double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// PGP 2.6's layout, keys in random order and case, one in five with a second user ID.
std::string generateListing(int count) {
    static const char* first[] = {"alice", "Bob",  "carol", "DAVE", "Eve",
                                  "frank", "Gwen", "heidi", "Ivan", "judy"};
    static const char* last[] = {"Adams", "baker", "Clark", "davis", "Evans", "FOSTER", "green", "Hill"};
    std::mt19937 rng(4);
    std::string text = "Key ring: 'c:\\pgp\\pubring.pgp'\r\nType bits/keyID    Date       User ID\r\n\r\n";
    char line[160];
    for (int i = 0; i < count; ++i) {
        const char* f = first[rng() % 10];
        const char* l = last[rng() % 8];
        unsigned id = static_cast<unsigned>(rng());
        if (i % 5 == 4) {
            std::snprintf(line, sizeof line, "%30s%s %s (work) <%s%u@work.example>\r\n", "", f, l, l,
                          id % 100000);
        } else {
            std::snprintf(line, sizeof line, "pub  1024/%08X 1996/01/01 %s %s <%s.%s%u@example.org>\r\n", id,
                          f, l, f, l, id % 100000);
        }
        text += line;
    }
    text += "100000 matching keys found.\r\n";
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: keylist_bench WORKDIR [COUNT]\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "\\";
    const int count = argc > 2 ? std::atoi(argv[2]) : 100000;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    auto& app = mw::Application::instance();
    app.readScreenDpi();
    mw::Win32Platform platform(app);
    app.setPlatform(&platform);

    const std::string listing = generateListing(count);
    HANDLE f =
        CreateFileA((dir + "murkwell.usr").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, listing.data(), static_cast<DWORD>(listing.size()), &written, nullptr);
    CloseHandle(f);

    mw::KeyListingSources sources;
    sources.pgpDir = dir;
    const auto plan = mw::planKeyListing(mw::KeyProgram::Editor, mw::KeyRing::Public, sources);
    const mw::Context context(mw::editorProfile(), app);
    mw::TPubKey dialog(context, mw::KeyDialogLink{});

    for (int run = 1; run <= 3; ++run) {
        double t0 = nowMs();
        auto ids = mw::readKeyListing(platform, plan); // one read, parse, code page, collation
        double t1 = nowMs();
        const std::size_t shown = ids.size();
        dialog.availableKeys().assign(std::move(ids));
        double t2 = nowMs();
        ShowWindow(dialog.handle(), SW_SHOWNOACTIVATE);
        UpdateWindow(dialog.handle());
        double t3 = nowMs();
        // The rest of the list is added while the message loop runs.
        HWND list = dialog.listBox1();
        MSG msg;
        while (static_cast<std::size_t>(SendMessageA(list, LB_GETCOUNT, 0, 0)) < shown) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        double t4 = nowMs();
        std::printf("run %d: %zu user IDs, %zu bytes; listing read, parsed, converted and sorted %.0f ms; "
                    "first page filled %.0f ms, first paint %.0f ms; shown after %.0f ms; "
                    "the whole list filled after %.0f ms\n",
                    run, shown, listing.size(), t1 - t0, t2 - t1, t3 - t2, t3 - t0, t4 - t0);
        ShowWindow(dialog.handle(), SW_HIDE);
        dialog.availableKeys().assign({});
    }

    // Two shares of the listing's time, measured apart from the runs above.
    double t0 = nowMs();
    std::size_t blocks = 0;
    platform.readInBlocks(plan.listingFile, [&](std::string_view) { ++blocks; });
    double t1 = nowMs();
    auto ids = mw::readKeyListing(platform, plan);
    double t2 = nowMs();
    mw::sortUserIds(ids, platform);
    double t3 = nowMs();
    std::printf("apart: reading the file's %zu blocks %.0f ms; the collation sort of the IDs %.0f ms "
                "(the whole listing %.0f ms)\n",
                blocks, t1 - t0, t3 - t2, t2 - t1);
    return 0;
}
