// Output naming and the -p name a hostile message cannot steer.
#include "pgp/core/Names.h"
#include <gtest/gtest.h>

using namespace pgp;

TEST(PgpNames, OutputsTakeTheInputsBareNameInTheWorkingDirectory) {
    EXPECT_EQ(protectedOutputName(L"murkwell.tmp", true, false), L"murkwell.asc");
    EXPECT_EQ(protectedOutputName(L"C:\\MYDOCU~1\\QUARTE~1.DOC", true, false), L"QUARTE~1.asc");
    EXPECT_EQ(protectedOutputName(L"C:\\x\\report", false, false), L"report.pgp");
    EXPECT_EQ(protectedOutputName(L"a.b.txt", false, true), L"a.b.sig");
    EXPECT_EQ(protectedOutputName(L"C:\\dir.v2\\noext", true, false), L"noext.asc");
    EXPECT_EQ(plainOutputName(L"murkwell.tmp"), L"murkwell");
    EXPECT_EQ(plainOutputName(L"C:\\x\\QUARTE~1.ASC"), L"QUARTE~1");
    EXPECT_EQ(plainOutputName(L"C:\\dir.v2\\noext"), L"");
    EXPECT_EQ(plainOutputName(L".profile"), L"");
}

TEST(PgpNames, StoredNamesAreReducedToASafeBareName) {
    struct Case {
        const wchar_t* stored;
        const wchar_t* kept;
    };
    for (auto [stored, kept] : {
             Case{L"report.doc", L"report.doc"},
             Case{L"C:\\Windows\\System32\\evil.dll", L"evil.dll"},
             Case{L"../../etc/passwd", L"passwd"},
             Case{L"\\\\server\\share\\x.txt", L"x.txt"},
             Case{L"D:autoexec.bat", L"autoexec.bat"},
             Case{L"r\u00e9sum\u00e9.txt", L"r\u00e9sum\u00e9.txt"},
             Case{L"trailing. . ", L"trailing"},
             Case{L"", L""},
             Case{L"..", L""},
             Case{L"dir\\", L""},
             Case{L"CON", L""},
             Case{L"nul.txt", L""},
             Case{L"Com1", L""},
             Case{L"lpt9.log", L""},
             Case{L"COM\u00b9", L""},
             Case{L"aux .txt", L""},
             Case{L"CONOUT$", L""},
             Case{L"console.txt", L"console.txt"},
             Case{L"com10", L"com10"},
             Case{L"a?b", L""},
             Case{L"a\nb", L""},
             Case{L"x\"y", L""},
             Case{L"report\u202Etxt.exe", L""},
             Case{L"a\u200Fb.txt", L""},
             Case{L"a\u2067b.txt", L""},
         })
        EXPECT_EQ(safeStoredName(stored), kept) << "stored name index";
}

TEST(PgpNames, TheEnginesOwnFilesAreKnownInAnyDisguise) {
    for (const wchar_t* name :
         {L"gpg.conf", L"Config.TXT", L"GPG.CONF", L"gpg.conf.", L"gpg.conf :x", L"gpg.conf-2.2",
          L"gpg-agent.conf", L"common.conf", L"pubring.kbx", L"pubring.kbx~", L"trustdb.gpg", L"pubring.pgp",
          L"secring.pgp", L"sshcontrol", L"random_seed", L"S.gpg-agent", L"S.gpg-agent.extra",
          L"private-keys-v1.d", L"openpgp-revocs.d"})
        EXPECT_TRUE(isEngineFileName(name)) << name;
    for (const wchar_t* name :
         {L"gpg.conf.txt", L"mygpg.conf", L"evil.gpg", L"pubring.asc", L"notes.txt", L"S.txt"})
        EXPECT_FALSE(isEngineFileName(name)) << name;
}

TEST(PgpNames, ADetachedSignatureFindsTheFileNamedLikeIt) {
    using Names = std::vector<std::wstring>;
    const struct {
        const wchar_t* signature;
        Names folder;
        const wchar_t* signedFile;
    } cases[] = {
        {L"note.asc", {L"note.asc", L"note"}, L"note"},
        {L"C:\\pgp\\NOTE.SIG", {L"note.sig", L"Note.txt"}, L"Note.txt"},
        {L"note.asc", {L"note.asc", L"note.txt", L"note.sig"}, L"note.txt"},
        {L"note.sig", {L"note.sig", L"note.txt", L"note"}, L"note"},
        {L"data.asc", {L"data.asc", L"data.pgp"}, L"data.pgp"},
        {L"note.asc", {L"note.asc", L"note.txt", L"note.doc"}, L""},
        {L"note.asc", {L"note.asc", L"notes.txt", L"note"}, L"note"},
        {L"note.asc", {L"note.asc", L"notes.txt"}, L""},
        {L"note.asc", {L"note.asc"}, L""},
        {L"noextension", {L"noextension", L"noextension.txt"}, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(signedFileFor(c.signature, c.folder), c.signedFile)
            << c.signature << L" " << c.folder.size();
}
