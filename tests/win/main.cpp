// Entry of the Wine test program: common controls first, as in the programs.
#include "win/Application.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <windows.h>

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // As the programs' manifests declare: the screen's own DPI, each window following its monitor.
    using SetAwareness = BOOL(WINAPI*)(HANDLE);
    if (auto set = reinterpret_cast<SetAwareness>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext"))))
        set(reinterpret_cast<HANDLE>(-4)); // per monitor, version 2
    mw::Application::instance().readScreenDpi();
    ::testing::InitGoogleTest(&argc, argv);
    // Run for another code page, the locale must have taken: never a silent run under 1252.
    if (const char* wanted = std::getenv("MW_ANSI_CODE_PAGE"); wanted && GetACP() != std::stoul(wanted)) {
        std::fprintf(stderr, "The ANSI code page is %u, not %s: the locale did not take.\n", GetACP(),
                     wanted);
        return 1;
    }
    return RUN_ALL_TESTS();
}
