// One accented file name through Wine: created, listed and read back. Several tests use such
// names; when this one fails, theirs fail for the same cause, which this one names.
#include "WinTestSupport.h"
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {

const char* const cause = "Wine cannot map non-ASCII file names: no UTF-8 locale (LANG/LC_ALL)";

TEST(WineLocale, AnAccentedFileNameIsCreatedListedAndReadBack) {
    mwtest::TempDir dir;
    // The temporary directory's name is plain ASCII.
    const std::wstring base(dir.path().begin(), dir.path().end());
    const std::wstring name = L"r\u00e9sum\u00e9.txt";
    const std::string content = "accents survive";
    {
        mw::UniqueHandle f(CreateFileW((base + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(static_cast<bool>(f)) << cause << ": creating it failed with error " << GetLastError();
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(f.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    }
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((base + L"*.txt").c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << cause << ": the file is not listed";
    FindClose(find);
    EXPECT_EQ(std::wstring(fd.cFileName), name) << cause << ": it is listed under another name";

    mw::UniqueHandle f(CreateFileW((base + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(static_cast<bool>(f)) << cause << ": opening it again failed with error " << GetLastError();
    char buf[64] = {};
    DWORD got = 0;
    ReadFile(f.get(), buf, sizeof buf, &got, nullptr);
    EXPECT_EQ(std::string(buf, got), content);
}

} // namespace
