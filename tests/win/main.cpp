// Entry of the Wine test program: common controls first, as in the programs.
#include "win/Application.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    mw::Application::instance().readScreenDpi();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
