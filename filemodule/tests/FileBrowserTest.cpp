// The file module's listing rules, icons, status line and directory levels.
#include "filemodule/core/FileBrowser.h"
#include <gtest/gtest.h>

using namespace mw;

TEST(FileBrowser, ListsPlainFilesOnly) {
    EXPECT_TRUE(listedInFilePane(0x80));        // normal
    EXPECT_TRUE(listedInFilePane(0x20));        // archive
    EXPECT_TRUE(listedInFilePane(0x01 | 0x20)); // read-only archive
    EXPECT_FALSE(listedInFilePane(0x02 | 0x20));
    EXPECT_FALSE(listedInFilePane(0x04));
    EXPECT_FALSE(listedInFilePane(0x01 | 0x02 | 0x04));
    EXPECT_FALSE(listedInFilePane(0x10));
    EXPECT_FALSE(listedInFilePane(0x10 | 0x01));
}

TEST(FileBrowser, ProgramIconForTheFourExtensionsInAnyCase) {
    for (const char* name : {"a.exe", "B.COM", "run.Bat", "x.y.PIF", ".exe"})
        EXPECT_EQ(fileIconFor(name), FileIcon::Program) << name;
    for (const char* name : {"a.exe.txt", "exe", "a.exec", "a.ex", "README", "setup.msi", "a.bat "})
        EXPECT_EQ(fileIconFor(name), FileIcon::Document) << name;
}

TEST(FileBrowser, StatusLineLowersOnlyAsciiLettersAndKeepsLargeSizes) {
    EXPECT_EQ(fileStatusLine("C:\\Data\\Report.TXT", 0), "c:\\data\\report.txt, 0 bytes");
    EXPECT_EQ(fileStatusLine("C:\\Data\\gone.txt", -1), "c:\\data\\gone.txt, -1 bytes");
    // 3 GiB and more than 4 GiB: no wrap to negative numbers, no separators.
    EXPECT_EQ(fileStatusLine("D:\\Big.ISO", 3221225472LL), "d:\\big.iso, 3221225472 bytes");
    EXPECT_EQ(fileStatusLine("D:\\X", 5000000000LL), "d:\\x, 5000000000 bytes");
    // Accented letters (ANSI bytes) stay as they are.
    EXPECT_EQ(fileStatusLine("C:\\\xC9t\xC9.DOC", 12), "c:\\\xC9t\xC9.doc, 12 bytes");
}

TEST(FileBrowser, JoinUsesExactlyOneBackslash) {
    EXPECT_EQ(joinPath("C:\\Data", "a.txt"), "C:\\Data\\a.txt");
    EXPECT_EQ(joinPath("C:\\", "a.txt"), "C:\\a.txt");
}

TEST(FileBrowser, DirectoryLevelsFromTheRootDown) {
    using V = std::vector<std::string>;
    EXPECT_EQ(directoryLevels("C:\\"), V{"C:\\"});
    EXPECT_EQ(directoryLevels("C:\\Data"), (V{"C:\\", "C:\\Data"}));
    EXPECT_EQ(directoryLevels("c:\\My Documents\\Sub\\"),
              (V{"c:\\", "c:\\My Documents", "c:\\My Documents\\Sub"}));
    EXPECT_EQ(directoryLevels("\\\\srv\\share\\dir"), (V{"\\\\srv\\share", "\\\\srv\\share\\dir"}));
}

TEST(FileBrowser, EngineFilesAreHiddenAndPgpsOwnNamesAreNot) {
    for (const char* name :
         {"pubring.kbx", "PUBRING.KBX~", "pubring.kbx.lock", "trustdb.gpg", "trustdb.gpg.lock", "random_seed",
          "gpg.conf", "gpg-agent.conf", "S.gpg-agent.extra", ".#lk0x1.host.42"})
        EXPECT_TRUE(isEngineInternalFile(name)) << name;
    for (const char* name :
         {"pubring.pgp", "secring.pgp", "config.txt", "murkwell.asc", "my.lock", "letter.gpg"})
        EXPECT_FALSE(isEngineInternalFile(name)) << name;
}

TEST(FileBrowser, TheJobsOutputIsTheFileWrittenLast) {
    const std::vector<FileStamp> before = {{"letter.txt", 100}, {"old.asc", 50}};
    struct Case {
        std::vector<FileStamp> after;
        const char* output;
    };
    const Case cases[] = {
        {{{"letter.txt", 100}, {"old.asc", 50}, {"letter.asc", 200}}, "letter.asc"},
        {{{"letter.txt", 100}, {"OLD.ASC", 300}}, "OLD.ASC"}, // replaced, in another case
        {{{"letter.txt", 100}, {"a.sig", 210}, {"a.out", 220}}, "a.out"},
        {{{"letter.txt", 100}, {"old.asc", 50}}, ""}, // nothing written
        {{{"old.asc", 50}}, ""},                      // only a file gone (wiped)
    };
    for (const auto& c : cases)
        EXPECT_EQ(jobOutput(before, c.after), c.output);
}
