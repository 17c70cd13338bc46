// The keys as the engine lists them (its colon format), PGP 2.6's -kv layout made from them, and
// PGP 2.6's way of choosing a key by user ID.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pgp {

// The value of a hexadecimal digit, or -1.
int hexValue(char c);
// The decimal number at the start of `text` (0 when there is none).
std::int64_t number(std::string_view text);

// A certification on a user ID, as the engine lists it (with --check-signatures, checked).
struct Signature {
    std::string keyId;    // the signer's, 16 hex digits
    std::string signerId; // the signer's user ID, UTF-8; empty when the engine lacks the signer's key
    char check = ' ';     // ' ' not checked; '!' good, '-' bad, '?' no key to check it, '%' error
    bool revocation = false;
};

struct UserId {
    std::string text; // UTF-8, unescaped
    bool revoked = false;
    int position = 0;                  // 1 for the first; the engine's key editing counts photo IDs too
    std::vector<Signature> signatures; // only when the listing asked for them
};

// A subkey, as the engine lists it.
struct Subkey {
    unsigned bits = 0;
    int algorithm = 0; // the OpenPGP number: 1 RSA, 16 Elgamal, 17 DSA, 18 ECDH, 19 ECDSA, 22 EdDSA
    std::string curve; // for the elliptic-curve algorithms
    std::string keyId;
    std::string fingerprint;
    std::int64_t created = 0, expires = 0; // seconds since 1970; expires 0: never
    char validity = '-';
    std::string capabilities; // lower-case e, s, a, c
    std::string keygrip;      // 40 hex digits, when the listing asked for them
};

struct Key {
    bool secret = false; // listed as "sec": the secret part is present
    unsigned bits = 0;
    int algorithm = 0;
    std::string curve;
    std::string keyId;        // 16 hex digits
    std::string fingerprint;  // 40 hex digits (or 64)
    std::int64_t created = 0; // seconds since 1970
    std::int64_t expires = 0; // 0: never
    std::vector<Subkey> subkeys;
    char validity = '-';      // the engine's: f/u valid, r revoked, e expired, ...
    std::string capabilities; // the key as a whole: upper-case E, S, C, and D when disabled
    char ownerTrust = '-';    // trust in its owner as an introducer: - o q n m f u
    std::string keygrip;      // 40 hex digits, when the listing asked for them
    std::vector<UserId> userIds;

    enum class Unusable { No, Revoked, Expired, Disabled, Invalid };
    Unusable unusable() const;
    bool canEncrypt() const {
        return unusable() == Unusable::No && capabilities.find('E') != std::string::npos;
    }
    bool canSign() const { return unusable() == Unusable::No && capabilities.find('S') != std::string::npos; }
    // Certified by a signature the engine trusts (or the user's own key).
    bool certified() const { return validity == 'f' || validity == 'u'; }
    bool disabled() const { return capabilities.find('D') != std::string::npos; }
    // Certified by the key with this (16-digit) ID, and that certification not revoked.
    bool signedBy(std::string_view signerKeyId) const;
};

// The user IDs of a key that may be taken off it: none unless at least two are not revoked, as a
// key keeps one.
std::vector<const UserId*> removableUserIds(const Key& key);

// Parses `--with-colons --fixed-list-mode` output of --list-keys or --list-secret-keys.
std::vector<Key> parseColonListing(std::string_view listing);

// The keys of a public listing with keygrips whose secret part (of the key or of any subkey) is
// among `secretKeygrips`, the agent's; marked secret, as the engine's secret listing would list
// them.
std::vector<Key> keysWithSecrets(std::vector<Key> keys, const std::vector<std::string>& secretKeygrips);

// PGP 2.6's date form, YYYY/MM/DD, in UTC.
std::string pgpDate(std::int64_t secondsSince1970);

// A user ID as it comes out where it is shown: UTF-8 with each character the console's code page
// lacks turned into "?". Empty: everything can be shown.
using ShownForm = std::function<std::string(std::string_view utf8)>;

// A user ID's text with every character that could act on a terminal or reorder what follows
// written out: control characters (C0, DEL, C1) and bytes that are no UTF-8 as "\xNN",
// bidirectional controls as "\uNNNN". Everything else stays as it is.
std::string escapedText(std::string_view utf8);

// What is shown for a user ID: the ID itself, or, when it cannot be shown as it is (a control
// character, a letter the console lacks), its escaped and shown form after the key ID:
// "[0x89ABCDEF] Ren? Dupont". So a person sees that the ID is not what it looks like, and that
// form, written back by a key dialog, names this key and no other.
std::string shownUserId(const Key& key, const std::string& utf8, const ShownForm& shown);
// The same for a key known only by its ID (16 or 8 hex digits), as a signature names it.
std::string shownUserId(std::string_view keyId, const std::string& utf8, const ShownForm& shown);

// The -kv listing, one line per entry, UTF-8, without line ends: three header lines, a line per
// key with type, size/key ID and date in columns 1 to 30 and the first user ID from column 31,
// further user IDs indented to column 31, and a closing count under 32 characters. A key that
// cannot be used is listed without user IDs (its column 32 holds "*", which readers skip).
// `pattern` "*" or empty lists every key; otherwise the keys with a user ID containing it.
// With `signatures`, each user ID is followed by a line per certification on it: "sig" (with
// the check's mark in column 4 when checked), the signer's key ID in the key ID's columns and its
// user ID from column 31, as PGP 2.6's -kvv and -kc listed them.
std::vector<std::string> formatKeyListing(const std::vector<Key>& keys, std::string_view pattern,
                                          std::string_view ringName, bool fingerprints,
                                          const ShownForm& shown = {}, bool signatures = false);

// What PGP 2.6 showed of a key before a question about it: its user ID, size, ID, date and
// fingerprint.
std::vector<std::string> keyDetails(const Key& key, const ShownForm& shown = {});

// PGP 2.6's word for the trust in a key's owner ("undefined", "complete", ...).
std::string ownerTrustName(char ownerTrust);

// Case-insensitive comparison for user IDs: ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic.
std::u32string foldCase(std::string_view utf8);
bool containsIgnoringCase(std::string_view haystack, std::string_view needle);

enum class KeyUse { Any, Encrypt, Sign, Secret };

struct KeyMatch {
    std::vector<const Key*> keys; // exactly one when found
    bool ambiguous() const { return keys.size() > 1; }
    bool found() const { return keys.size() == 1; }
};

// PGP 2.6's user-ID match (case-insensitive substring) among the keys fit for `use`, except that
// a user ID equal to `pattern` wins over the substring matches; "0x" with 8 or 16 hex digits
// names a key ID. A marked form from shownUserId matches only the key with that key ID, and only
// when one of its user IDs is shown so. Several keys matching is not resolved here: the caller
// refuses and lists them.
KeyMatch findKey(const std::vector<Key>& keys, std::string_view pattern, KeyUse use,
                 const ShownForm& shown = {});

// One line per candidate, for a refusal: key ID and first user ID.
std::string describeKey(const Key& key, const ShownForm& shown = {});

} // namespace pgp
