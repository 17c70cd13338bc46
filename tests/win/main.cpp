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
