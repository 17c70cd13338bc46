// What the file module's window looks like under Wine: its own icon on the file and the window,
// and a status line that keeps its height whatever its font.
#include "FileModuleFixture.h"
#include <shellapi.h>

using namespace mwtest;

namespace {
class FileModuleLook : public FileModule {};
} // namespace

TEST_F(FileModuleLook, ProgramFileAndWindowShowTheFileModulesOwnIcon) {
    auto& form = start(data());
    const std::string exe = buildTreeDirectory() + "filemodule\\bramlet.exe";
    ASSERT_GE(ExtractIconExA(exe.c_str(), -1, nullptr, nullptr, 0), 1u) << "no icon in " << exe;
    HICON fileLarge = firstIconOf(exe, 32), fileSmall = firstIconOf(exe, 16);
    ASSERT_TRUE(fileLarge && fileSmall);
    const auto classLarge = reinterpret_cast<HICON>(GetClassLongPtrA(form.handle(), GCLP_HICON));
    const auto classSmall = reinterpret_cast<HICON>(GetClassLongPtrA(form.handle(), GCLP_HICONSM));
    ASSERT_TRUE(classLarge && classSmall);
    EXPECT_EQ(iconPixels(classLarge, 32), iconPixels(fileLarge, 32)) << "the window's icon is the file's";
    EXPECT_EQ(iconPixels(classSmall, 16), iconPixels(fileSmall, 16)) << "so is its small icon";
    HICON stock = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    EXPECT_NE(iconPixels(fileLarge, 32), iconPixels(stock, 32)) << "not the system's default icon";
    DestroyIcon(fileLarge);
    DestroyIcon(fileSmall);
}

TEST_F(FileModuleLook, StatusLineKeepsItsHeightAtTheBottomWithALargerFont) {
    auto& form = start(data());
    HWND status = form.statusPanel();
    mw::UniqueFont big(CreateFontA(-40, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                   "Arial"));
    SendMessageA(status, WM_SETFONT, reinterpret_cast<WPARAM>(big.get()), TRUE);
    handlePendingMessages();
    RECT client, r;
    GetClientRect(form.handle(), &client);
    GetWindowRect(status, &r);
    MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.bottom - r.top, 28);
    EXPECT_EQ(r.bottom, client.bottom);
    SendMessageA(status, WM_SETFONT, 0, FALSE);
}
