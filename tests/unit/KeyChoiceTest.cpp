// Which user IDs can be chosen, "Keys To Use" and the recipient and signer strings.
#include "core/KeyChoice.h"
#include <gtest/gtest.h>

using namespace mw;

TEST(KeyChoice, OnlyIdsThatCannotEndTheQuotingPass) {
    EXPECT_TRUE(canPassUserId("Alice <alice@example.org>"));
    EXPECT_TRUE(canPassUserId("50% off <p@x>"));
    EXPECT_TRUE(canPassUserId("J\xf6rg M\xfcller & Co | <j@x> ^ !"));
    EXPECT_TRUE(canPassUserId(""));
    for (const std::string& bad :
         {std::string("Eve \" & del *.*"), std::string("tab\there"), std::string("a\rDEL x"),
          std::string("nul\0x", 5), std::string("esc\x1b"), std::string("del\x7f")})
        EXPECT_FALSE(canPassUserId(bad)) << bad;
}

TEST(KeyChoice, IdsThatPgpWouldTakeAsOptionsOrThatCannotFitALineAreRefused) {
    EXPECT_FALSE(canPassUserId("-w"));
    EXPECT_FALSE(canPassUserId("-o c:\\x"));
    EXPECT_TRUE(canPassUserId("Anne-Marie -w <a@x>"));
    EXPECT_FALSE(canPassUserId("+pubring=c:\\evil.pgp"));
    EXPECT_FALSE(canPassUserId("+batchmode"));
    EXPECT_TRUE(canPassUserId("C++ Club <c@x>"));
    EXPECT_TRUE(canPassUserId(std::string(1500, 'a')));
    EXPECT_FALSE(canPassUserId(std::string(1501, 'a')));
    std::vector<std::string> keys;
    EXPECT_EQ(addKeyToUse(keys, "-w"), AddOutcome::Refused);
    EXPECT_EQ(addKeyToUse(keys, "+batchmode"), AddOutcome::Refused);
    EXPECT_EQ(addKeyToUse(keys, std::string(5000, 'x')), AddOutcome::Refused);
    EXPECT_TRUE(keys.empty());
}

TEST(KeyChoice, SignersThatPgpWouldTakeAsOptionsOrSettingsAreRefusedInBothPrograms) {
    const struct {
        std::string id;
        bool taken;
    } ids[] = {
        {"-w", false},
        {"-o c:\\x", false},
        {"+batchmode", false},
        {"+pubring=c:\\evil.pgp", false},
        {"Eve \" & del", false},
        {std::string(1501, 'a'), false},
        {"Anne-Marie -w <a@x>", true},
        {"C++ Club <c@x>", true},
        {"Sam Signer", true},
    };
    for (KeyProgram program : {KeyProgram::Editor, KeyProgram::FileModule})
        for (const auto& c : ids) {
            SCOPED_TRACE(::testing::Message()
                         << (program == KeyProgram::Editor ? "editor: " : "file module: ")
                         << c.id.substr(0, 30));
            const std::optional<std::string> signer = chooseSigner(program, c.id);
            EXPECT_EQ(signer.has_value(), c.taken);
            // Quoted by the editor; the file module's lines add the quotes.
            if (c.taken) {
                EXPECT_EQ(*signer, program == KeyProgram::Editor ? "\"" + c.id + "\"" : c.id);
            }
        }
}

TEST(KeyChoice, KeysToUseTakesThreeQuotedIdsDuplicatesAllowed) {
    std::vector<std::string> keys;
    EXPECT_EQ(addKeyToUse(keys, "Bob"), AddOutcome::Added);
    EXPECT_EQ(addKeyToUse(keys, "Bob"), AddOutcome::Added);
    EXPECT_EQ(addKeyToUse(keys, "Eve \"x\""), AddOutcome::Refused);
    EXPECT_EQ(addKeyToUse(keys, "Carol"), AddOutcome::Added);
    EXPECT_EQ(addKeyToUse(keys, "Dave"), AddOutcome::Full);
    EXPECT_EQ(keys, (std::vector<std::string>{"\"Bob\"", "\"Bob\"", "\"Carol\""}));
    EXPECT_EQ(recipientString(keys), "\"Bob\" \"Bob\" \"Carol\" ");
}

TEST(KeyChoice, RecipientAndSignerStrings) {
    EXPECT_EQ(recipientString({}), "");
    EXPECT_EQ(recipientString({"\"A\"", "\"B\""}), "\"A\" \"B\" ");
    EXPECT_EQ(signerString(KeyProgram::Editor, "Alice <a@x>"), "\"Alice <a@x>\"");
    EXPECT_EQ(signerString(KeyProgram::FileModule, "Alice <a@x>"), "Alice <a@x>");
}
