// What each action of the key manager writes into its batch file and hands pgp.exe as answers:
// the order of the answers is the order of pgp.exe's questions.
#include "core/CommandLines.h"
#include "keymanager/core/KeyJobs.h"
#include <gtest/gtest.h>

using namespace keymanager;

TEST(KeyJobs, EachActionsLineAndAnswers) {
    const JobPlaces p{"C:\\Program Files\\Murkwell\\pgp.exe", "C:\\PGP\\", "C:\\PGP\\wendal.lck"};
    const mw::SecretString pass("pass word");
    const std::string pgp = "\"C:\\Program Files\\Murkwell\\pgp.exe\" ";
    // One user ID, and three of which the first is revoked: two can be taken off.
    pgp::Key single{.keyId = "0123456789ABCDEF", .userIds = {{.text = "Ann"}}};
    pgp::Key own = single;
    own.secret = true;
    own.userIds = {{.text = "Old", .revoked = true}, {.text = "Ann"}, {.text = "Ann at work"}};
    struct Case {
        KeyAction action;
        std::string line;
        std::string answers;
    } cases[] = {
        {listingAction(p, "C:\\PGP\\wendal.lst"), "-kv +colons > C:\\PGP\\wendal.lst", ""},
        {listingAction(p, "C:\\PGP\\wendal.lst", "0123456789ABCDEF"),
         "-kvv +colons 0x0123456789ABCDEF > C:\\PGP\\wendal.lst", ""},
        {generateAction(p, NewKeyKind::Rsa4096, "Ann <ann@example.org>", 730, pass), "-kg +expire=730",
         "3\r\nAnn <ann@example.org>\r\npass word\r\npass word\r\n"},
        {addAction(p, "C:\\keys\\bob 1.asc"), "-ka \"C:\\keys\\bob 1.asc\"", ""},
        {exportSecretAction(p, "0123456789ABCDEF", "C:\\out.asc", pass),
         "-kxa +force 0x0123456789ABCDEF C:\\out.asc secring.skr", "pass word\r\n"},
        {certifyAction(p, "0123456789ABCDEF", "FEDCBA9876543210", pass),
         "-ks 0x0123456789ABCDEF -u 0xFEDCBA9876543210", "y\r\npass word\r\n"},
        {trustAction(p, "0123456789ABCDEF", 4), "-ke 0x0123456789ABCDEF", "4\r\n"},
        {disableAction(p, "0123456789ABCDEF"), "-kd 0x0123456789ABCDEF", "y\r\n"},
        {revokeAction(p, "0123456789ABCDEF", pass), "-kd 0x0123456789ABCDEF", "y\r\npass word\r\n"},
        {changePassPhraseAction(p, "0123456789ABCDEF", pass, mw::SecretString("new one")),
         "-ke 0x0123456789ABCDEF", "n\r\ny\r\npass word\r\nnew one\r\nnew one\r\n"},
        {addUserIdAction(p, "0123456789ABCDEF", "Ann <a@b.c>", pass), "-ke 0x0123456789ABCDEF",
         "y\r\nAnn <a@b.c>\r\npass word\r\nn\r\nn\r\n"},
        {removeAction(p, single), "-kr 0x0123456789ABCDEF", "y\r\n"},
        {removeAction(p, own), "-kr 0x0123456789ABCDEF", "y\r\ny\r\ny\r\n"},
        {removeUserIdAction(p, own, 1, pass), "-kr 0x0123456789ABCDEF", "n\r\nn\r\ny\r\npass word\r\n"},
        {removeUserIdAction(p, pgp::Key{.keyId = "0123456789ABCDEF"}, 0, pass), "-kr 0x0123456789ABCDEF",
         "n\r\ny\r\n"},
        {expiryAction(p, "0123456789ABCDEF", 365, pass), "-ke 0x0123456789ABCDEF +expire=365",
         "pass word\r\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.action.lines.size(), 2u) << c.line;
        EXPECT_EQ(c.action.lines[0], pgp + c.line);
        EXPECT_EQ(c.action.lines[1], mw::deleteLine(p.lockFile)) << c.line;
        EXPECT_EQ(std::string(c.action.answers), c.answers) << c.line;
    }
}

TEST(KeyJobs, SeveralKeysExportInOneJobEachToItsFile) {
    const JobPlaces p{"C:\\pgp.exe", "C:\\PGP\\", "C:\\PGP\\wendal.lck"};
    const KeyAction a = exportKeysAction(p, {"0123456789ABCDEF", "FEDCBA9876543210"},
                                         {"C:\\PGP\\wendal1.asc", "C:\\PGP\\wendal2.asc"});
    EXPECT_EQ(a.lines,
              (std::vector<std::string>{"C:\\pgp.exe -kxa +force 0x0123456789ABCDEF C:\\PGP\\wendal1.asc",
                                        "C:\\pgp.exe -kxa +force 0xFEDCBA9876543210 C:\\PGP\\wendal2.asc",
                                        mw::deleteLine(p.lockFile)}));
    EXPECT_TRUE(a.answers.empty());
}

TEST(KeyJobs, AKeyIdOrPathThatCouldBreakOutOfTheLineIsRefused) {
    const JobPlaces p{"C:\\pgp.exe", "C:\\PGP\\", "C:\\PGP\\wendal.lck"};
    EXPECT_THROW(removeAction(p, pgp::Key{.keyId = "01234567 & del *"}), mw::UnsafeValue);
    EXPECT_THROW(exportKeysAction(p, {"0123456789ABCDEF"}, {"C:\\a\" & x.asc"}), mw::UnsafeValue);
}
