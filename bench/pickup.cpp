// Pick-up of PGP's output into the editor: from the end of the job's wait to the text shown, for
// an output of about 5 MB, against a bare WM_SETTEXT of the same text into the same control.
// Runs a real Encrypt IDEA through cmd.exe and the pgp double. Run by bench/pickup.sh; a
// measurement, not a test.
#include "editor/EditorApp.h"
#include "editor/TForm1.h"
#include "editor/TForm2.h"
#include "support/ScriptedInteraction.h"
#include "win/Application.h"
#include "win/Win32Platform.h"
#include "win/Win32Util.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

LARGE_INTEGER g_waitEnd{}, g_setStart{}, g_shown{};
HWND g_memo = nullptr;

// The wait ends at the test of the lock file that finds it gone.
class TimingPlatform : public mw::Win32Platform {
public:
    using Win32Platform::Win32Platform;
    std::string lockFile;
    bool fileExists(const std::string& path) override {
        bool there = Win32Platform::fileExists(path);
        if (!there && lstrcmpiA(path.c_str(), lockFile.c_str()) == 0) QueryPerformanceCounter(&g_waitEnd);
        return there;
    }
};

// The text is shown once the control has taken it and painted it.
LRESULT CALLBACK afterCall(int code, WPARAM wParam, LPARAM lParam) {
    auto* m = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && m->hwnd == g_memo && m->message == WM_SETTEXT) {
        UpdateWindow(g_memo);
        QueryPerformanceCounter(&g_shown);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// When the control starts taking the text: what comes before is the pick-up's own work.
LRESULT CALLBACK beforeCall(int code, WPARAM wParam, LPARAM lParam) {
    auto* m = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->hwnd == g_memo && m->message == WM_SETTEXT)
        QueryPerformanceCounter(&g_setStart);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: pickup WORKDIR [runs]\n");
        return 2;
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    std::string work = argv[1];
    if (work.back() != '\\') work += '\\';
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::string pgpDir = work + "pgp\\";
    {
        std::ofstream ini(work + "Murkwell.ini", std::ios::binary | std::ios::trunc);
        ini << pgpDir << "pgp.exe\r\n"
            << pgpDir << "\r\n"
            << pgpDir << "pubring.pgp\r\n"
            << pgpDir
            << "secring.pgp\r\n0\r\n0\r\n900\r\n700\r\nright\r\nnostore\r\nCourier New\r\n8\r\n0\r\n"
            << "-2147483643\r\n";
    }
    TimingPlatform platform(mw::Application::instance(), work + "Murkwell.exe");
    platform.lockFile = pgpDir + "Murkwell.lck";
    mwtest::ScriptedInteraction interaction;
    auto& app = mw::Application::instance();
    app.readScreenDpi();
    app.setPlatform(&platform);
    app.setInteraction(&interaction);
    app.terminate = [] {};
    editor::EditorApp editorApp(app);
    auto& form = editorApp.form1();
    form.showMain();
    editorApp.signature().setLines({"-- ", "A signature of three lines", "sig@example.org"});
    g_memo = form.memo();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, afterCall, nullptr, GetCurrentThreadId());
    HHOOK before = SetWindowsHookExA(WH_CALLWNDPROC, beforeCall, nullptr, GetCurrentThreadId());

    // About 5 MB of message: lines of 64 characters.
    std::string message;
    const std::string line = "The quick brown fox jumps over the lazy dog, again and again 0123";
    while (message.size() < 5u * 1024 * 1024)
        message += line + "\r\n";
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    auto ms = [&](LARGE_INTEGER a, LARGE_INTEGER b) {
        return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    };

    // The text the job shows, for the bare setting that may come first.
    std::string shown;
    auto bareSet = [&] {
        mw::setWindowText(form.memo(), message);
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        SendMessageA(form.memo(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        return ms(start, g_shown); // g_shown: set by the hook once painted
    };
    std::vector<double> pickups, bares, ratios, own;
    for (int i = 0; i < runs; ++i) {
        // Alternate the order so that a machine that slows down or speeds up favours neither.
        double bare = !shown.empty() && i % 2 ? bareSet() : 0;
        mw::setWindowText(form.memo(), message);
        g_waitEnd = {};
        g_shown = {};
        form.BitBtn5Click(); // Encrypt IDEA: no dialogs
        shown = mw::windowText(form.memo());
        if (g_waitEnd.QuadPart == 0 || g_shown.QuadPart < g_waitEnd.QuadPart ||
            shown.size() <= message.size()) {
            std::printf("run %d: the job did not pick up its output (%lld %lld, %zu bytes)\n", i + 1,
                        static_cast<long long>(g_waitEnd.QuadPart), static_cast<long long>(g_shown.QuadPart),
                        shown.size());
            for (const auto& box : interaction.shown)
                std::printf("message: %s\n", box.text.c_str());
            return 1;
        }
        const double pickup = ms(g_waitEnd, g_shown);
        const double before = ms(g_waitEnd, g_setStart);
        if (bare == 0) bare = bareSet();
        std::printf(
            "run %d: output %.2f MB, wait end -> text shown %.0f ms (of which reading and preparing %.0f "
            "ms), bare WM_SETTEXT %.0f ms, ratio %.3f\n",
            i + 1, static_cast<double>(shown.size()) / (1024.0 * 1024.0), pickup, before, bare,
            pickup / bare);
        pickups.push_back(pickup);
        own.push_back(before);
        bares.push_back(bare);
        ratios.push_back(pickup / bare);
    }
    UnhookWindowsHookEx(hook);
    UnhookWindowsHookEx(before);
    std::printf(
        "median: wait end -> text shown %.0f ms (reading and preparing %.0f ms), bare WM_SETTEXT %.0f ms, "
        "ratio %.3f (target <= 1.2)\n",
        median(pickups), median(own), median(bares), median(ratios));
    return 0;
}
