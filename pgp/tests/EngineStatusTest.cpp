// The engine's status lines as Debian's gpg 2.2.40 writes them, and what pgp.exe says about them.
#include "pgp/core/EngineStatus.h"
#include <gtest/gtest.h>
#include <sstream>

using namespace pgp;

namespace {

EngineReport report(const char* lines) {
    EngineReport r;
    std::istringstream in(lines);
    std::string line;
    while (std::getline(in, line))
        if (auto s = parseStatusLine(line)) r.absorb(*s);
    return r;
}

} // namespace

TEST(PgpEngineStatus, ParsesKeywordsAndKeepsBlanksInUserIds) {
    auto s = parseStatusLine("[GNUPG:] GOODSIG 936668D3F5581E52 Alice Smith <a@x> 100%25\r");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->keyword, "GOODSIG");
    EXPECT_EQ(s->args, (std::vector<std::string>{"936668D3F5581E52", "Alice Smith <a@x> 100%25"}));
    EXPECT_FALSE(parseStatusLine("gpg: Good signature from \"x\""));
    EXPECT_EQ(percentDecoded("x%20y%zz%4"), "x y%zz%4");
}

// An encryption's result is kept only when the engine's lookups chose exactly the keys PGP's
// matching chose: flag bit 0 is "looked at, not chosen"; bit 1 alone (its subkeys expired, the
// primary key used) is still a choice.
TEST(PgpEngineStatus, KeysTheEnginesLookupsChose) {
    const EngineReport r = report("[GNUPG:] KEY_CONSIDERED AAAA 0\n"
                                  "[GNUPG:] KEY_CONSIDERED BBBB 1\n"
                                  "[GNUPG:] KEY_CONSIDERED CCCC 2\n"
                                  "[GNUPG:] KEY_CONSIDERED DDDD 3\n"
                                  "[GNUPG:] KEY_CONSIDERED EEEE\n"
                                  "[GNUPG:] KEY_CONSIDERED AAAA 0\n");
    EXPECT_TRUE(r.selectedExactly({"CCCC", "AAAA"}));
    for (const std::vector<std::string>& other :
         {std::vector<std::string>{"AAAA"}, {"AAAA", "CCCC", "BBBB"}, {"AAAA", "CCCC", "EEEE"}, {}})
        EXPECT_FALSE(r.selectedExactly(other)) << testing::PrintToString(other);
    EXPECT_FALSE(report("").selectedExactly({}));
}

TEST(PgpEngineStatus, DecryptionOutcomesInPgpsWords) {
    struct Case {
        const char* status;
        bool failed;
        ExitStatus exit;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"[GNUPG:] NEWSIG\n[GNUPG:] GOODSIG 936668D3F5581E52 Second: id\n"
         "[GNUPG:] VALIDSIG 1232 2026-12-08 1796688442 0 4 0 22 8 01 1232\n",
         false,
         ExitStatus::Ok,
         {"Good signature from user \"Second: id\" [0xF5581E52].", "Signature made 2026/12/08 00:07 GMT"}},
        // A user ID that writes a second, forged line: escaped, marked, and the key's ID after it.
        {"[GNUPG:] GOODSIG 936668D3F5581E52 Attacker <a@x>%0DGood signature from user \"Victim <v@x>\n"
         "[GNUPG:] VALIDSIG 1232 2026-12-08 1796688442 0 4 0 22 8 01 "
         "11112222AAAABBBB3333444455556666CCCCDDDD\n",
         false,
         ExitStatus::Ok,
         {"Good signature from user \"[0xCCCCDDDD] Attacker <a@x>\\x0DGood signature from user \"Victim "
          "<v@x>\" "
          "[0xCCCCDDDD].",
          "Signature made 2026/12/08 00:07 GMT"}},
        {"[GNUPG:] BADSIG 936668D3F5581E52 Mallory\n",
         true,
         ExitStatus::BadSignature,
         {"WARNING: Bad signature, doesn't match file contents!",
          "Bad signature from user \"Mallory\" [0xF5581E52]."}},
        {"[GNUPG:] ERRSIG 936668D3F5581E52 22 8 01 1796688442 9 1232\n[GNUPG:] NO_PUBKEY 936668D3F5581E52\n",
         true,
         ExitStatus::BadSignature,
         {"Key matching expected Key ID F5581E52 not found in key ring.",
          "Can't check signature integrity."}},
        {"[GNUPG:] ENC_TO 57099E26CFF903B6 18 0\n[GNUPG:] NO_SECKEY 57099E26CFF903B6\n"
         "[GNUPG:] BEGIN_DECRYPTION\n[GNUPG:] DECRYPTION_FAILED\n",
         true,
         ExitStatus::DecryptionFailed,
         {"This message can only be read by:", "  key ID CFF903B6",
          "You do not have the secret key needed to decrypt this file."}},
        {"[GNUPG:] NEED_PASSPHRASE 8622ED4CB17D3017 C1DF9362DA457D31 18 0\n"
         "[GNUPG:] ERROR pkdecrypt_failed 67108875\n[GNUPG:] DECRYPTION_FAILED\n",
         true,
         ExitStatus::DecryptionFailed,
         {"Error:  Bad pass phrase."}},
        {"[GNUPG:] NEED_PASSPHRASE_SYM 9 3 2\n[GNUPG:] ERROR symkey_decrypt.maybe_error 11_BAD_PASSPHRASE\n"
         "[GNUPG:] DECRYPTION_FAILED\n",
         true,
         ExitStatus::DecryptionFailed,
         {"Error:  Bad pass phrase."}},
        {"[GNUPG:] ENC_TO E8EBF129A4F66651 18 0\n[GNUPG:] ERROR pkdecrypt_failed 67109041\n"
         "[GNUPG:] DECRYPTION_FAILED\n",
         true,
         ExitStatus::DecryptionFailed,
         {"Error: no pass phrase given."}},
        // Encrypted without any integrity check: a modern cipher is refused, an old one read with a warning.
        {"[GNUPG:] DECRYPTION_INFO 0 9 0\n[GNUPG:] DECRYPTION_FAILED\n",
         true,
         ExitStatus::DecryptionFailed,
         {"Error: this message is not integrity protected and its cipher is a modern one;",
          "no program writes that but to hide a change made to it.  Not decrypted."}},
        {"[GNUPG:] DECRYPTION_INFO 0 3 0\n[GNUPG:] PLAINTEXT 62 0 x\n[GNUPG:] DECRYPTION_OKAY\n",
         false,
         ExitStatus::Ok,
         {"WARNING: This message is not integrity protected (an old program made it): a change made to it "
          "cannot be detected."}},
        {"[GNUPG:] DECRYPTION_INFO 2 9 0\n[GNUPG:] BADMDC\n[GNUPG:] DECRYPTION_FAILED\n",
         true,
         ExitStatus::DecryptionFailed,
         {"Error: decryption failed; the message is damaged or was altered."}},
        {"[GNUPG:] NODATA 1\n", true, ExitStatus::InvalidFile, {"Error: 'in.txt' is not a PGP message."}},
        {"[GNUPG:] PLAINTEXT 62 1796688442 x%20y.txt\n[GNUPG:] DECRYPTION_OKAY\n", false, ExitStatus::Ok, {}},
    };
    for (const auto& c : cases) {
        Verdict v = judgeDecryption(report(c.status), c.failed, "in.txt");
        EXPECT_EQ(v.status, c.exit) << c.status;
        EXPECT_EQ(v.lines, c.lines) << c.status;
    }
    EXPECT_EQ(report("[GNUPG:] PLAINTEXT 62 1796688442 x%20y.txt\n").storedName, "x y.txt");
    EXPECT_TRUE(report("[GNUPG:] NEED_PASSPHRASE_SYM 9 3 2\n").neededPassPhrase);
    EXPECT_TRUE(report("[GNUPG:] DECRYPTION_INFO 0 3 0\n[GNUPG:] DECRYPTION_FAILED\n").legacyCipher());
    EXPECT_FALSE(report("[GNUPG:] DECRYPTION_INFO 0 7 0\n[GNUPG:] DECRYPTION_FAILED\n").legacyCipher());
    // A look-alike letter the console lacks (Cyrillic "с") is marked as -kv marks it.
    const ShownForm shown = [](std::string_view utf8) {
        std::string out(utf8);
        for (std::size_t at; (at = out.find("\xd1\x81")) != std::string::npos;)
            out.replace(at, 2, "?");
        return out;
    };
    EXPECT_EQ(
        judgeDecryption(report("[GNUPG:] GOODSIG 936668D3F5581E52 Vi\xd1\x81tim <v@x>\n"), false, "in", shown)
            .lines,
        std::vector<std::string>{"Good signature from user \"[0xF5581E52] Vi?tim <v@x>\" [0xF5581E52]."});
}

TEST(PgpEngineStatus, ProtectionFailuresInPgpsWords) {
    EXPECT_EQ(judgeProtection(report(""), false, true, true, false).status, ExitStatus::Ok);
    Verdict bad = judgeProtection(report("[GNUPG:] ERROR sign 11\n"), true, true, false, false);
    EXPECT_EQ(bad.status, ExitStatus::SigningFailed);
    EXPECT_EQ(bad.lines, std::vector<std::string>{"Error:  Bad pass phrase."});
    Verdict recipient =
        judgeProtection(report("[GNUPG:] INV_RECP 0 ABCDEF0123456789\n"), true, false, true, false);
    EXPECT_EQ(recipient.status, ExitStatus::EncryptionFailed);
    EXPECT_EQ(recipient.lines,
              std::vector<std::string>{"Cannot encrypt to key 23456789: it is not usable for encryption."});
    EXPECT_EQ(judgeProtection(report(""), true, false, false, true).status, ExitStatus::ConventionalFailed);
}

TEST(PgpEngineStatus, AFailedSignatureKeepsOnlyAWholePlaintext) {
    struct Case {
        const char* status;
        ExitStatus exit;
        bool keep;
        const char* lastLine;
    };
    const char* unverified =
        "WARNING: the signature could not be checked; the plaintext is written unverified.";
    const Case cases[] = {
        // Clear-signed by a key not in the ring: the text came out whole.
        {"[GNUPG:] PLAINTEXT 74 0 \n[GNUPG:] NEWSIG\n"
         "[GNUPG:] ERRSIG 936668D3F5581E52 22 8 01 1796688442 9 1232\n[GNUPG:] NO_PUBKEY 936668D3F5581E52\n",
         ExitStatus::BadSignature, true, unverified},
        // Encrypted and signed by an unknown key, the encryption's own check passed.
        {"[GNUPG:] DECRYPTION_INFO 2 9 0\n[GNUPG:] PLAINTEXT 62 0 x\n[GNUPG:] NEWSIG\n"
         "[GNUPG:] ERRSIG 936668D3F5581E52 22 8 01 1796688442 9 1232\n[GNUPG:] DECRYPTION_OKAY\n",
         ExitStatus::BadSignature, true, unverified},
        {"[GNUPG:] PLAINTEXT 74 0 \n[GNUPG:] NEWSIG\n[GNUPG:] BADSIG 936668D3F5581E52 Mallory\n",
         ExitStatus::BadSignature, true,
         "The plaintext is written all the same: it is not what the signer signed."},
        {"[GNUPG:] PLAINTEXT 74 0 \n[GNUPG:] NEWSIG\n[GNUPG:] REVKEYSIG 936668D3F5581E52 Old\n",
         ExitStatus::BadSignature, true,
         "The plaintext is written all the same: its signature is not trusted."},
        // Encrypted, and its end never checked: nothing of it is kept.
        {"[GNUPG:] DECRYPTION_INFO 2 9 0\n[GNUPG:] PLAINTEXT 62 0 x\n[GNUPG:] NEWSIG\n"
         "[GNUPG:] BADSIG 936668D3F5581E52 Mallory\n",
         ExitStatus::BadSignature, false, "Bad signature from user \"Mallory\" [0xF5581E52]."},
        // A detached signature checked against nothing: no plaintext at all.
        {"[GNUPG:] NEWSIG t@x\n[GNUPG:] BADSIG 936668D3F5581E52 T <t@x>\n[GNUPG:] FAILURE gpg-exit "
         "33554433\n",
         ExitStatus::BadSignature, false, "Bad signature from user \"T <t@x>\" [0xF5581E52]."},
        {"[GNUPG:] NEWSIG\n[GNUPG:] ERRSIG 936668D3F5581E52 22 8 01 1796688442 9 1232\n",
         ExitStatus::BadSignature, false, "Can't check signature integrity."},
        {"[GNUPG:] PLAINTEXT 74 0 \n[GNUPG:] NEWSIG\n[GNUPG:] GOODSIG 936668D3F5581E52 Alice\n",
         ExitStatus::Ok, false, "Good signature from user \"Alice\" [0xF5581E52]."},
    };
    for (const auto& c : cases) {
        Verdict v = judgeDecryption(report(c.status), c.exit != ExitStatus::Ok, "in.asc");
        EXPECT_EQ(v.status, c.exit) << c.status;
        EXPECT_EQ(v.keepPlaintext, c.keep) << c.status;
        ASSERT_FALSE(v.lines.empty()) << c.status;
        EXPECT_EQ(v.lines.back(), c.lastLine) << c.status;
        for (const auto& line : v.lines)
            EXPECT_EQ(line.find("Good signature"), c.exit == ExitStatus::Ok ? 0u : std::string::npos) << line;
    }
}

TEST(PgpEngineStatus, ADetachedSignatureIsASignatureWithoutData) {
    const struct {
        const char* status;
        bool detached;
    } cases[] = {
        {"[GNUPG:] NEWSIG t@x\n[GNUPG:] BADSIG C8ADD47FBAE7948B T <t@x>\n", true},
        {"[GNUPG:] NEWSIG\n[GNUPG:] ERRSIG 936668D3F5581E52 22 8 01 1796688442 9 1232\n", true},
        {"[GNUPG:] PLAINTEXT 74 0 \n[GNUPG:] NEWSIG\n[GNUPG:] GOODSIG C8ADD47FBAE7948B T <t@x>\n", false},
        {"[GNUPG:] DECRYPTION_INFO 2 9 0\n[GNUPG:] NEWSIG\n[GNUPG:] BADSIG C8ADD47FBAE7948B T\n", false},
        {"[GNUPG:] NODATA 1\n", false},
        {"[GNUPG:] PLAINTEXT 62 0 x\n[GNUPG:] DECRYPTION_OKAY\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(report(c.status).detachedSignature(), c.detached) << c.status;
}
