// The key manager's list: the keys of PGP's directory as rows, sorted by any column and narrowed by
// a filter as it is typed, and the words each cell and the details show. Built for rings of a
// hundred thousand keys: every row's searchable text is folded once, when the keys are loaded.
#pragma once
#include "pgp/core/Keys.h"
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keymanager {

enum class Column { UserId, KeyId, Algorithm, Created, Expires, Validity, Secret };
inline constexpr int kColumnCount = 7;

// A column's heading.
const char* columnTitle(Column column);

// The listing of `pgp.exe -kv +colons`: the public keys, each marked `secret` when a "sec" record
// of the same fingerprint follows; the "sec" records themselves are not keys of their own.
std::vector<pgp::Key> mergeListing(std::string_view listing);

// "EdDSA ed25519", "RSA 3072", "ECDH cv25519", ...
std::string algorithmText(int algorithm, unsigned bits, const std::string& curve);
// YYYY-MM-DD in UTC; "never" for 0.
std::string dateText(std::int64_t secondsSince1970);
// The engine's validity letter in words: "ultimate", "full", "revoked", ...
std::string validityText(const pgp::Key& key);
// 40 hex digits in ten groups of four, a double blank in the middle.
std::string fingerprintGroups(const std::string& fingerprint);
// A user ID as it is safe to show: control and direction characters written out.
std::string shownText(const std::string& utf8);
// The details pane: user IDs, fingerprint, dates, subkeys, owner trust and (when the key was
// listed with them) the certifications on each user ID. CR LF line ends.
std::string detailsText(const pgp::Key& key);

class KeyTable {
public:
    // Replaces the rows; the sort and the filter are kept and applied again.
    void load(std::vector<pgp::Key> keys);
    void sortBy(Column column, bool ascending);
    Column sortColumn() const { return sortColumn_; }
    bool ascending() const { return ascending_; }
    // Narrows the shown rows to the keys with a user ID, key ID or fingerprint holding `text`
    // (case ignored); empty shows every key. A text that extends the last one searches only the
    // rows it left.
    void filter(std::string_view text);

    std::size_t shown() const { return visible_.size(); }
    std::size_t total() const { return keys_.size(); }
    const std::vector<pgp::Key>& keys() const { return keys_; } // every key, in the listing's order
    const pgp::Key& key(std::size_t row) const { return keys_[visible_[row]]; }
    std::string cell(std::size_t row, Column column) const;
    // The shown row of the key with this fingerprint.
    std::optional<std::size_t> rowOf(const std::string& fingerprint) const;

private:
    void order();
    void narrow(bool withinShown);

    std::vector<pgp::Key> keys_;
    std::vector<std::u32string> folded_; // per key: its user IDs, key ID and fingerprint, folded
    std::vector<std::size_t> sorted_;    // every key, in the sort order
    std::vector<std::size_t> visible_;   // the keys the filter lets through, in the sort order
    std::u32string needle_;
    Column sortColumn_ = Column::UserId;
    bool ascending_ = true;
};

} // namespace keymanager
