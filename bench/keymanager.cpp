// The key manager's window under Wine: from start to the listed, painted window, and the time from
// a key press in the filter box to the painted list, a character at a time. With a PGP directory,
// the keys come from pgp.exe and the engine; with --synthetic N, from a listing of N generated
// keys handed to the window directly (the engine's own time for such a ring is bench/pgp.sh's).
// A measurement, not a test.
#include "keymanager/KeyManagerApp.h"
#include "keymanager/TForm1.h"
#include "keymanager/core/KeyTable.h"
#include "win/Application.h"
#include "win/Win32Interaction.h"
#include "win/Win32Platform.h"
#include <algorithm>
#include <chrono>
#include <commctrl.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string syntheticListing(int count) {
    std::string text;
    char line[512];
    for (int i = 1; i <= count; ++i) {
        const unsigned long long id = 0x1000000000000000ull + static_cast<unsigned long long>(i) * 7919;
        std::snprintf(line, sizeof line,
                      "pub:-:255:22:%016llX:1600000000:::-:::scSC:::::ed25519:::0:\n"
                      "fpr:::::::::000000000000000000000000%016llX:\n"
                      "uid:-::::1600000000::HASH::Bench Key %06d <key%06d@example.org>::::::::::0:\n"
                      "sub:-:255:18:%016llX:1600000000::::::e:::::cv25519:\n",
                      id, id, i, i, id + 1);
        text += line;
    }
    return text;
}

void paint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: keymanager_bench DIR (PGPEXE PGPDIR | --synthetic N)\n");
        return 2;
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    const std::string dir = argv[1];
    const bool synthetic = std::string(argv[2]) == "--synthetic";
    if (!synthetic) {
        std::ofstream ini(dir + "wendal.ini", std::ios::binary);
        ini << argv[2] << "\r\n"
            << argv[3] << "\r\n"
            << argv[3] << "pubring.pgp\r\n"
            << argv[3] << "secring.pgp\r\n";
    }
    auto& app = mw::Application::instance();
    mw::Win32Platform platform(app, dir + "wendal.exe");
    mw::Win32Interaction interaction(app);
    app.setPlatform(&platform);
    app.setInteraction(&interaction);
    const auto start = std::chrono::steady_clock::now();
    keymanager::KeyManagerApp keys(app);
    keymanager::TForm1& form = keys.form1();
    form.showMain();
    std::string listing;
    if (synthetic) {
        listing = syntheticListing(std::atoi(argv[3]));
        form.showKeys(keymanager::mergeListing(listing));
    } else {
        form.refreshKeys();
    }
    paint(form.handle());
    const double listed = since(start);
    std::printf("keys listed          %zu\n", form.table().total());
    std::printf("start to listed      %.3f s\n", listed);
    std::vector<double> presses;
    for (const char* typed : {"key01234", "example.org", "zzz"}) {
        SetWindowTextW(form.filterBox(), L"");
        for (const char* c = typed; *c; ++c) {
            const auto press = std::chrono::steady_clock::now();
            SendMessageW(form.filterBox(), WM_CHAR, static_cast<WPARAM>(*c), 0);
            paint(form.keyList());
            presses.push_back(since(press));
        }
    }
    std::sort(presses.begin(), presses.end());
    std::printf("filter, key press to painted list: median %.4f s, slowest %.4f s (%zu presses)\n",
                presses[presses.size() / 2], presses.back(), presses.size());
    return 0;
}
