// The engine's colon listing, the -kv layout the key dialogs read, and user-ID matching.
#include "pgp/core/Keys.h"
#include "core/KeyListing.h"
#include <gtest/gtest.h>

using namespace pgp;

namespace {

// As Debian's gpg 2.2.40 lists a key with two user IDs (the first holds an escaped colon).
const char* const kAlice = "tru::1:1796688441:0:3:1:5\n"
                           "pub:u:255:22:936668D3F5581E52:1796688441:::u:::scESC:::::ed25519:::0:\n"
                           "fpr:::::::::123218B6F89DA618D1FCD2C3936668D3F5581E52:\n"
                           "uid:u::::1796688442::DE4A::Second\\x3a id::::::::::0:\n"
                           "uid:u::::1796688441::D7CA::Alice \xc3\x89mile <alice@example.org>::::::::::0:\n"
                           "sub:u:255:18:57099E26CFF903B6:1796688441::::::e:::::cv25519::\n"
                           "fpr:::::::::D5CA0B36D833568018D004FD57099E26CFF903B6:\n";

std::string key(const char* validity, const char* bits, const char* id, const char* caps, const char* uid,
                const char* type = "pub") {
    return std::string(type) + ":" + validity + ":" + bits + ":1:" + id + ":820454400:::-:::" + caps +
           ":\nfpr:::::::::00000000000000000000000000000000" + id + ":\nuid:" + validity +
           "::::1::H::" + uid + ":\n";
}

} // namespace

TEST(PgpKeys, ParsesTheEnginesColonListing) {
    auto keys = parseColonListing(kAlice);
    ASSERT_EQ(keys.size(), 1u);
    const Key& k = keys[0];
    EXPECT_FALSE(k.secret);
    EXPECT_EQ(k.bits, 255u);
    EXPECT_EQ(k.keyId, "936668D3F5581E52");
    EXPECT_EQ(k.fingerprint, "123218B6F89DA618D1FCD2C3936668D3F5581E52"); // the primary's, not the subkey's
    EXPECT_EQ(k.created, 1796688441);
    ASSERT_EQ(k.userIds.size(), 2u);
    EXPECT_EQ(k.userIds[0].text, "Second: id");
    EXPECT_EQ(k.userIds[1].text, "Alice \xc3\x89mile <alice@example.org>");
    EXPECT_TRUE(k.canEncrypt());
    EXPECT_TRUE(k.certified());
}

// Key editing numbers photo IDs with the user IDs; a key keeps one user ID that is not revoked.
TEST(PgpKeys, UserIdPositionsAndWhichMayBeRemoved) {
    const std::string withPhoto = std::string(kAlice).insert(std::string(kAlice).find("uid:u::::1796688441"),
                                                             "uat:u::::1796688441::AB12::1 2960:\n");
    Key k = parseColonListing(withPhoto)[0];
    ASSERT_EQ(k.userIds.size(), 2u);
    EXPECT_EQ(k.userIds[0].position, 1);
    EXPECT_EQ(k.userIds[1].position, 3);
    EXPECT_EQ(k.subkeys.at(0).fingerprint, "D5CA0B36D833568018D004FD57099E26CFF903B6");
    EXPECT_EQ(removableUserIds(k), (std::vector<const UserId*>{&k.userIds[0], &k.userIds[1]}));
    k.userIds[0].revoked = true;
    EXPECT_TRUE(removableUserIds(k).empty());
}

TEST(PgpKeys, ListingHasPgpsColumnsAndTheDialogsParserReadsIt) {
    std::string ring = std::string(kAlice) + key("r", "2048", "00000000DEADBEEF", "esc", "Revoked Rita") +
                       key("e", "3072", "00000000CAFEF00D", "esc", "Expired Ed") +
                       key("-", "4096", "0000000012345678", "escESCD", "Disabled Dan") +
                       key("-", "4096", "00000000ABCDEF01", "escESC", "Valid Val");
    auto lines = formatKeyListing(parseColonListing(ring), "*", "C:\\pgp\\pubring.pgp", false);
    ASSERT_EQ(lines.size(), 3u + 2 + 3 + 1 + 1);
    EXPECT_EQ(lines[1], "Key ring: 'C:\\pgp\\pubring.pgp'");
    EXPECT_EQ(lines[3], "pub   255/F5581E52 2026/12/08 Second: id");
    EXPECT_EQ(lines[4], std::string(30, ' ') + "Alice \xc3\x89mile <alice@example.org>");
    EXPECT_EQ(lines[5], "pub  2048/DEADBEEF 1996/01/01 *** KEY REVOKED ***");
    EXPECT_EQ(lines[6], "pub  3072/CAFEF00D 1996/01/01 *** KEY EXPIRED ***");
    EXPECT_EQ(lines[7], "pub  4096/12345678 1996/01/01 *** KEY DISABLED ***");
    EXPECT_EQ(lines[8], "pub  4096/ABCDEF01 1996/01/01 Valid Val");
    EXPECT_EQ(lines[9], "5 matching keys found.");
    EXPECT_LT(lines[9].size(), 32u);
    std::vector<std::string> ids = mw::parseKeyListing(lines);
    EXPECT_EQ(
        ids, (std::vector<std::string>{"Second: id", "Alice \xc3\x89mile <alice@example.org>", "Valid Val"}));
}

TEST(PgpKeys, ListingFiltersByUserIdAndShowsFingerprints) {
    std::string ring = std::string(kAlice) + key("-", "4096", "00000000ABCDEF01", "escESC", "Valid Val");
    auto lines = formatKeyListing(parseColonListing(ring), "\xc3\xa9MILE", "r", true);
    ASSERT_EQ(lines.size(), 3u + 2 + 1 + 1);
    EXPECT_EQ(lines[5], "          Key fingerprint = 1232 18B6 F89D A618 D1FC  D2C3 9366 68D3 F558 1E52");
    EXPECT_EQ(lines[6], "1 matching key found.");
    EXPECT_EQ(formatKeyListing({}, "*", "r", false).back(), "0 matching keys found.");
}

TEST(PgpKeys, MatchingPrefersExactThenSubstringAndReportsAmbiguity) {
    std::string ring =
        key("f", "4096", "1111111111111111", "escESC", "Anna <anna@x.org>") +
        key("f", "4096", "2222222222222222", "escESC", "Anna") +
        key("f", "4096", "3333333333333333", "escESC", "Joanna <jo@x.org>") +
        key("f", "4096", "4444444444444444", "scSC", "Signonly Sam") +
        key("r", "4096", "5555555555555555", "esc", "Revoked Rob") +
        key("f", "4096", "6666666666666666", "escESC", "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd <ivan@x.ru>") +
        key("f", "4096", "7777777777777777", "escESC", "Twin") +
        key("f", "4096", "8888888888888888", "escESC", "Twin");
    auto keys = parseColonListing(ring);
    struct Case {
        const char* pattern;
        KeyUse use;
        std::vector<std::string> ids;
    };
    const Case cases[] = {
        {"Anna", KeyUse::Encrypt, {"2222222222222222"}}, // exact wins
        {"anna", KeyUse::Encrypt, {"1111111111111111", "2222222222222222", "3333333333333333"}},
        {"JO@X", KeyUse::Encrypt, {"3333333333333333"}},
        {"Signonly", KeyUse::Encrypt, {}}, // cannot encrypt
        {"Signonly", KeyUse::Any, {"4444444444444444"}},
        {"Revoked", KeyUse::Encrypt, {}},
        {"Revoked", KeyUse::Any, {"5555555555555555"}}, // still named to extract, remove or revoke
        {"\xd0\xb8\xd0\x92\xd0\x90\xd0\x9d", KeyUse::Encrypt, {"6666666666666666"}}, // Cyrillic, other case
        {"Twin", KeyUse::Encrypt, {"7777777777777777", "8888888888888888"}},         // exact but twice
        {"0x33333333", KeyUse::Encrypt, {"3333333333333333"}},
        {"0X3333333333333333", KeyUse::Encrypt, {"3333333333333333"}},
        {"nobody", KeyUse::Encrypt, {}},
        {"Anna", KeyUse::Sign, {}}, // no secret part
    };
    for (const auto& c : cases) {
        KeyMatch m = findKey(keys, c.pattern, c.use);
        std::vector<std::string> got;
        for (const Key* k : m.keys)
            got.push_back(k->keyId);
        EXPECT_EQ(got, c.ids) << c.pattern;
    }
    EXPECT_EQ(describeKey(keys[2]), "  0x33333333  Joanna <jo@x.org>");
}

TEST(PgpKeys, DatesAreUtcDays) {
    EXPECT_EQ(pgpDate(0), "1970/01/01");
    EXPECT_EQ(pgpDate(951782400), "2000/02/29");
    EXPECT_EQ(pgpDate(1796688441), "2026/12/08");
}

TEST(PgpKeys, IdsTheConsoleCannotShowAreMarkedAndNameOnlyTheirKey) {
    // A console whose code page lacks "é".
    const ShownForm shown = [](std::string_view utf8) {
        std::string out(utf8);
        for (std::size_t at; (at = out.find("\xc3\xa9")) != std::string::npos;)
            out.replace(at, 2, "?");
        return out;
    };
    const std::string rene = "Ren\xc3\xa9 Dupont <r@x>";
    std::string ring = key("f", "255", "AAAAAAAA11111111", "escESC", rene.c_str()) +
                       key("f", "255", "BBBBBBBB22222222", "escESC", "Ren? Dupont <r@x>") + // a look-alike
                       key("f", "255", "CCCCCCCC33333333", "escESC", rene.c_str()) +        // a twin
                       key("f", "255", "DDDDDDDD11111111", "escESC", rene.c_str());         // same short ID
    auto keys = parseColonListing(ring);
    auto lines = formatKeyListing(keys, "*", "r", false, shown);
    ASSERT_EQ(lines.size(), 3u + 4 + 1);
    EXPECT_EQ(lines[3], "pub   255/11111111 1996/01/01 [0x11111111] Ren? Dupont <r@x>");
    EXPECT_EQ(lines[4], "pub   255/22222222 1996/01/01 Ren? Dupont <r@x>");
    EXPECT_EQ(describeKey(keys[2], shown), "  0x33333333  [0x33333333] Ren? Dupont <r@x>");
    EXPECT_EQ(formatKeyListing(keys, "*", "r", false)[3], "pub   255/11111111 1996/01/01 " + rene);
    const struct {
        const char* pattern;
        std::vector<std::string> ids;
    } cases[] = {
        {"[0x33333333] Ren? Dupont <r@x>", {"CCCCCCCC33333333"}},
        {"[0x11111111] Ren? Dupont <r@x>", {"AAAAAAAA11111111", "DDDDDDDD11111111"}}, // refused
        {"[0x22222222] Ren? Dupont <r@x>", {}}, // that key's ID is shown as it is, unmarked
        {"[0x33333333] Ren? Dupont", {}},       // the whole shown form, never a part
        {"[0x33333333] ren? dupont <r@x>", {}},
        {"[0x44444444] Ren? Dupont <r@x>", {}},
        {"Ren? Dupont <r@x>", {"BBBBBBBB22222222"}},
        {"Dupont", {"AAAAAAAA11111111", "BBBBBBBB22222222", "CCCCCCCC33333333", "DDDDDDDD11111111"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (const Key* k : findKey(keys, c.pattern, KeyUse::Encrypt, shown).keys)
            got.push_back(k->keyId);
        EXPECT_EQ(got, c.ids) << c.pattern;
    }
}

TEST(PgpKeys, ControlsAndBidirectionalMarksAreWrittenOut) {
    struct Case {
        const char* id;
        const char* shown;
    };
    for (auto [id, shown] : {
             Case{"Plain <p@x> 100%", "Plain <p@x> 100%"},
             Case{"Ren\xc3\xa9 \xe4\xb8\xad", "Ren\xc3\xa9 \xe4\xb8\xad"},
             Case{"A\rB\x1b[2JC\x07\x7f", "A\\x0DB\\x1B[2JC\\x07\\x7F"},
             Case{"x\xc2\x9by", "x\\u009By"},                           // C1 control (CSI)
             Case{"report\xe2\x80\xaetxt.exe", "report\\u202Etxt.exe"}, // right-to-left override
             Case{"\xe2\x81\xa6"
                  "a\xe2\x80\x8f",
                  "\\u2066a\\u200F"},
             Case{"bad\xff\xc3(", "bad\\xFF\\xC3("}, // no UTF-8
         })
        EXPECT_EQ(escapedText(id), shown) << id;
    // The listing's own escapes are undone first, so the ID is judged by its real characters.
    EXPECT_EQ(
        parseColonListing(key("f", "255", "AAAAAAAA12345678", "escESC", "A\\rB\\\\x41"))[0].userIds[0].text,
        "A\rB\\x41");
    // An escaped ID is marked with its key, as one the console cannot show.
    Key k;
    k.keyId = "AAAAAAAA12345678";
    EXPECT_EQ(shownUserId(k, "A\rB", {}), "[0x12345678] A\\x0DB");
    EXPECT_EQ(shownUserId(k, "AB", {}), "AB");
}

// -kvv and -kc: certifications under each user ID in PGP 2.6's columns, binding signatures of
// subkeys left out; the key lines stay those of -kv, so the key dialogs' reader sees the same IDs
// and a signer's ID never passes for a key's.
TEST(PgpKeys, SignatureListingsKeepTheKeyLinesOfTheListing) {
    const std::string ring = "pub:f:255:22:936668D3F5581E52:1796688441:::q:::scESC:::::ed25519:::0:\n"
                             "fpr:::::::::123218B6F89DA618D1FCD2C3936668D3F5581E52:\n"
                             "uid:f::::1796688441::D7CA::Bob <bob@x>::::::::::0:\n"
                             "sig:!::22:936668D3F5581E52:1796688441::::Bob <bob@x>:13x::1232:::8:\n"
                             "sig:-::22:AAAAAAAA11111111:1796688441::::Mallory\\x0d <m@x>:10x::AAAA:::8:\n"
                             "sig:?::22:BBBBBBBB22222222:1796688441::::::10x::BBBB:::8:\n"
                             "rev:!::22:CCCCCCCC33333333:1796688442::::Carol <c@x>:30x::CCCC:::8:\n"
                             "sub:f:255:18:57099E26CFF903B6:1796688441::::::e:::::cv25519::\n"
                             "sig:!::22:936668D3F5581E52:1796688441::::Bob <bob@x>:18x::1232:::8:\n";
    const auto keys = parseColonListing(ring);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].ownerTrust, 'q');
    ASSERT_EQ(keys[0].userIds[0].signatures.size(), 4u)
        << "the subkey's binding signature is no certification";
    EXPECT_TRUE(keys[0].signedBy("936668D3F5581E52"));
    EXPECT_FALSE(keys[0].signedBy("CCCCCCCC33333333")) << "a revoked certification certifies nothing";
    EXPECT_FALSE(keys[0].signedBy("DDDDDDDD44444444"));

    const auto plain = formatKeyListing(keys, "*", "r", false);
    const auto withSigs = formatKeyListing(keys, "*", "r", false, {}, true);
    ASSERT_EQ(withSigs.size(), plain.size() + 4);
    EXPECT_EQ(withSigs[3], plain[3]);
    EXPECT_EQ(withSigs[4], "sig!      F5581E52            Bob <bob@x>");
    EXPECT_EQ(withSigs[5], "sig-      11111111            (BAD SIGNATURE)");
    EXPECT_EQ(withSigs[6], "sig?      22222222            (Unknown signator, can't be checked)");
    EXPECT_EQ(withSigs[7], "rev!      33333333            Carol <c@x>");
    EXPECT_EQ(withSigs.back(), plain.back());
    // With fingerprints, the key line and the closing count are those of -kv.
    const auto withPrints = formatKeyListing(keys, "*", "r", true);
    EXPECT_EQ(mw::parseKeyListing(withPrints).front(), mw::parseKeyListing(plain).front());
    EXPECT_EQ(withPrints[3], plain[3]);
    EXPECT_EQ(keyDetails(keys[0]),
              (std::vector<std::string>{
                  "Key for user ID: Bob <bob@x>",
                  "255-bit key, key ID F5581E52, created 2026/12/08",
                  "          Key fingerprint = 1232 18B6 F89D A618 D1FC  D2C3 9366 68D3 F558 1E52",
              }));
}

// The signer's candidates come from a public listing with keygrips; the agent's keygrips say which
// have a secret part, of the key itself or only of a subkey. The others are no candidates at all.
TEST(PgpKeys, KeysWithSecretsAreThoseWhoseKeygripTheAgentHolds) {
    const auto withGrips = [](const char* id, char primaryGrip, char subkeyGrip) {
        return key("u", "255", id, "scESC", id) + "grp:::::::::" + std::string(40, primaryGrip) +
               ":\nsub:u:255:18:" + id + "::::::e:::::cv25519::\nfpr:::::::::" + std::string(24, '0') + id +
               ":\ngrp:::::::::" + std::string(40, subkeyGrip) + ":\n";
    };
    const std::string listing = withGrips("AAAAAAAAAAAAAAAA", 'A', 'B') +
                                withGrips("CCCCCCCCCCCCCCCC", 'C', 'D') +
                                withGrips("EEEEEEEEEEEEEEEE", 'E', 'F');
    auto keys = parseColonListing(listing);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].keygrip, std::string(40, 'C'));
    ASSERT_EQ(keys[1].subkeys.size(), 1u);
    EXPECT_EQ(keys[1].subkeys[0].keygrip, std::string(40, 'D'));
    // The agent names keygrips in either case: A's own (as "a…"), C's subkey's only.
    auto secrets = keysWithSecrets(keys, {std::string(40, 'a'), std::string(40, 'D'), std::string(40, '9')});
    ASSERT_EQ(secrets.size(), 2u);
    EXPECT_EQ(secrets[0].keyId, "AAAAAAAAAAAAAAAA");
    EXPECT_EQ(secrets[1].keyId, "CCCCCCCCCCCCCCCC");
    EXPECT_TRUE(secrets[0].secret && secrets[1].secret);
    EXPECT_TRUE(keysWithSecrets(keys, {}).empty());
}
