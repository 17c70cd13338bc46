// The key manager's list: what a listing becomes, the words of its cells and details, its order
// and its filter.
#include "keymanager/core/KeyTable.h"
#include <gtest/gtest.h>

using namespace keymanager;

namespace {

std::string fpr(char digit) {
    return std::string(40, digit);
}

// A public key as the engine lists it: created at `created` (days after 2020-01-01), a subkey.
std::string pub(char digit, const std::string& uid, int createdDays, const std::string& extra = "u") {
    const std::string created = std::to_string(1577836800 + createdDays * 86400);
    return "pub:" + extra + ":255:22:" + fpr(digit).substr(24) + ":" + created +
           ":::u:::scSC:::::ed25519:::0:\n" + "fpr:::::::::" + fpr(digit) + ":\n" + "uid:" + extra +
           "::::" + created + "::HASH::" + uid + "::::::::::0:\n" +
           "sub:u:255:18:" + fpr(digit).substr(24, 8) + "00000000:" + created +
           ":1893456000:::::e:::::cv25519:\n" + "fpr:::::::::" + std::string(40, 'F') + ":\n";
}

std::string sec(char digit) {
    return "sec:u::::::::::::::\r\nfpr:::::::::" + fpr(digit) + ":\r\n";
}

} // namespace

TEST(KeyTable, AListingBecomesKeysWithTheirSecretMarkAndWords) {
    const auto keys = mergeListing(pub('A', "Alice <alice@example.org>", 0) +
                                   pub('B', "Bob <bob@example.org>", 1) + sec('B') + sec('C'));
    ASSERT_EQ(keys.size(), 2u); // "sec" records are marks, and one without its public key is none
    EXPECT_FALSE(keys[0].secret);
    EXPECT_TRUE(keys[1].secret);
    ASSERT_EQ(keys[1].subkeys.size(), 1u);
    EXPECT_EQ(keys[1].subkeys[0].expires, 1893456000);

    KeyTable table;
    table.load(keys);
    const std::pair<Column, const char*> cells[] = {
        {Column::UserId, "Bob <bob@example.org>"},
        {Column::KeyId, "0xBBBBBBBB"},
        {Column::Algorithm, "EdDSA ed25519"},
        {Column::Created, "2020-01-02"},
        {Column::Expires, "never"},
        {Column::Validity, "ultimate"},
        {Column::Secret, "yes"},
    };
    for (const auto& [column, text] : cells)
        EXPECT_EQ(table.cell(1, column), text) << columnTitle(column);

    const std::string details = detailsText(table.key(1));
    for (const char* part : {"User ID: Bob <bob@example.org>\r\n",
                             "Fingerprint: BBBB BBBB BBBB BBBB BBBB  BBBB", "You hold the secret key.",
                             "Subkey 0xBBBBBBBB00000000: ECDH cv25519, encrypt, created "
                             "2020-01-02, expires 2030-01-01"})
        EXPECT_NE(details.find(part), std::string::npos) << part << "\n" << details;
}

TEST(KeyTable, AUserIdThatWouldActOnTheScreenIsShownWrittenOut) {
    KeyTable table;
    table.load(mergeListing(pub('A', "Mallory\\x0d\\x1b[2J <m@example.org>", 0)));
    EXPECT_EQ(table.cell(0, Column::UserId), "Mallory\\x0D\\x1B[2J <m@example.org>");
}

TEST(KeyTable, SortsByAnyColumnBothWaysAndTheFilterNarrowsAsItIsTyped) {
    KeyTable table;
    table.load(mergeListing(pub('A', "Carol", 5) + pub('B', "alice", 9) + pub('C', "Bob", 1)));
    auto order = [&] {
        std::string ids;
        for (std::size_t row = 0; row < table.shown(); ++row)
            ids += table.key(row).fingerprint[0];
        return ids;
    };
    EXPECT_EQ(order(), "BCA"); // user IDs, case ignored
    table.sortBy(Column::Created, false);
    EXPECT_EQ(order(), "BAC");
    table.sortBy(Column::Created, true);
    EXPECT_EQ(order(), "CAB");

    table.filter("O");
    EXPECT_EQ(order(), "CA"); // bOb, carOl; alice has no "o"
    table.filter("ob");
    EXPECT_EQ(order(), "C");
    table.filter("o");
    EXPECT_EQ(order(), "CA"); // a shorter text widens again
    table.filter("0xaaaa");   // no such text
    EXPECT_EQ(table.shown(), 0u);
    table.filter("aaaaaaaa"); // a key ID, in any case
    EXPECT_EQ(order(), "A");
    EXPECT_EQ(table.rowOf(fpr('A')), 0u);
    EXPECT_FALSE(table.rowOf(fpr('B')));
    table.filter("");
    EXPECT_EQ(table.shown(), 3u);
    EXPECT_EQ(table.total(), 3u);
}
