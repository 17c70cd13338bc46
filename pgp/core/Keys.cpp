// The engine's colon listing, PGP 2.6's -kv layout and user-ID matching.
#include "pgp/core/Keys.h"
#include <algorithm>
#include <array>
#include <cstdio>

namespace pgp {

namespace {

// The fields of one record, on the stack: a listing of 100,000 keys has half a million records,
// and a vector for each cost a tenth of its parsing. Fields past the last one read are not kept.
struct Fields {
    static constexpr std::size_t kKept = 20;
    std::array<std::string_view, kKept> at{};
    std::string_view operator[](std::size_t index) const {
        return index < kKept ? at[index] : std::string_view();
    }
};

Fields fields(std::string_view line) {
    Fields out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < Fields::kKept; ++i) {
        auto colon = line.find(':', start);
        out.at[i] =
            line.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    return out;
}

// The engine escapes ":", "\\" and control characters in user IDs: \xNN, and \n \r \f \v \b \0
// and \\ for those it names.
std::string unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[i + 1];
        if (next == 'x' && i + 3 < text.size() && hexValue(text[i + 2]) >= 0 && hexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
            i += 3;
            continue;
        }
        const std::string_view named("n\nr\rf\fv\vb\b0\0\\\\", 14);
        std::size_t at = named.find(next);
        if (at != std::string_view::npos && at % 2 == 0) {
            out += named[at + 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::u32string decodeUtf8(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
        const bool truncated = extra > 0 && i + static_cast<std::size_t>(extra) >= text.size();
        if (extra < 0 || truncated) {
            out += static_cast<char32_t>(b); // a stray byte stands for itself
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        bool good = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80) good = false;
            cp = (cp << 6) | (cont & 0x3F);
        }
        if (!good) {
            out += static_cast<char32_t>(b);
            ++i;
            continue;
        }
        out += cp;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

char32_t fold(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        // Latin Extended-A pairs: upper case even below U+0138, odd from U+0139 to U+0148 and above U+0178.
        bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddUpper ? (c % 2 == 1) : (c % 2 == 0 && c < 0x178)) return c + 1;
        return c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

std::string groupedFingerprint(std::string_view fpr) {
    std::string out;
    for (std::size_t i = 0; i < fpr.size(); i += 4) {
        if (i) out += i == fpr.size() / 2 ? "  " : " ";
        out += fpr.substr(i, 4);
    }
    return out;
}

bool isHex(std::string_view text) {
    for (char c : text)
        if (hexValue(c) < 0) return false;
    return !text.empty();
}

bool fitFor(const Key& key, KeyUse use) {
    switch (use) {
    case KeyUse::Any:
        return true;
    case KeyUse::Encrypt:
        return key.canEncrypt();
    case KeyUse::Sign:
        return key.secret && key.canSign();
    case KeyUse::Secret:
        return key.secret;
    }
    return false;
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

} // namespace

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::int64_t number(std::string_view text) {
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The fields a primary key's record ("pub", "sec") and a subkey's ("sub", "ssb") share.
template <class K> void takeKeyFields(const Fields& f, K& k) {
    k.validity = f[1].empty() ? '-' : f[1][0];
    k.bits = static_cast<unsigned>(number(f[2]));
    k.algorithm = static_cast<int>(number(f[3]));
    k.keyId = upper(f[4]);
    k.created = number(f[5]);
    k.expires = number(f[6]);
    k.capabilities = std::string(f[11]);
    k.curve = std::string(f[16]);
}

bool Key::signedBy(std::string_view signerKeyId) const {
    bool found = false;
    // A revocation by the same signer that follows its certification withdraws it.
    for (const UserId& id : userIds)
        for (const Signature& sig : id.signatures)
            if (sig.keyId == signerKeyId) found = !sig.revocation;
    return found;
}

Key::Unusable Key::unusable() const {
    if (validity == 'r') return Unusable::Revoked;
    if (validity == 'e') return Unusable::Expired;
    if (capabilities.find('D') != std::string::npos || validity == 'd') return Unusable::Disabled;
    if (validity == 'i' || validity == 'n') return Unusable::Invalid;
    return Unusable::No;
}

std::vector<Key> parseColonListing(std::string_view listing) {
    std::vector<Key> keys;
    bool inSubkey = false;
    int identities = 0; // user IDs and photo IDs of the current key
    std::size_t start = 0;
    while (start < listing.size()) {
        auto end = listing.find('\n', start);
        std::string_view line =
            listing.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? listing.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        auto f = fields(line);
        std::string_view type = f[0];
        if (type == "pub" || type == "sec") {
            Key key;
            key.secret = type == "sec";
            takeKeyFields(f, key);
            key.ownerTrust = f[8].empty() ? '-' : f[8][0];
            keys.push_back(std::move(key));
            inSubkey = false;
            identities = 0;
        } else if (keys.empty()) {
            continue;
        } else if (type == "sub" || type == "ssb") {
            inSubkey = true;
            Subkey sub;
            takeKeyFields(f, sub);
            keys.back().subkeys.push_back(std::move(sub));
        } else if (type == "fpr" && !inSubkey && keys.back().fingerprint.empty()) {
            keys.back().fingerprint = upper(f[9]);
        } else if (type == "fpr" && inSubkey && keys.back().subkeys.back().fingerprint.empty()) {
            keys.back().subkeys.back().fingerprint = upper(f[9]);
        } else if (type == "grp") {
            std::string& grip = inSubkey ? keys.back().subkeys.back().keygrip : keys.back().keygrip;
            if (grip.empty()) grip = upper(f[9]);
        } else if (type == "uid") {
            UserId id;
            id.text = unescape(f[9]);
            // A revoked key lists every user ID as revoked too; only an ID revoked on its own is
            // no name for the key (a revoked key is still named to extract, remove or list it).
            id.revoked = f[1] == "r" && keys.back().validity != 'r';
            id.position = ++identities;
            keys.back().userIds.push_back(std::move(id));
            inSubkey = false;
        } else if (type == "uat") {
            ++identities;
            inSubkey = false;
        } else if ((type == "sig" || type == "rev") && !inSubkey && !keys.back().userIds.empty()) {
            // A subkey's binding signatures follow "sub" and are skipped above.
            Signature sig;
            sig.keyId = upper(f[4]);
            sig.signerId = unescape(f[9]);
            sig.check = f[1].empty() ? ' ' : f[1][0];
            sig.revocation = type == "rev";
            keys.back().userIds.back().signatures.push_back(std::move(sig));
        }
    }
    return keys;
}

std::vector<Key> keysWithSecrets(std::vector<Key> keys, const std::vector<std::string>& secretKeygrips) {
    std::vector<std::string> grips;
    for (const std::string& g : secretKeygrips)
        grips.push_back(upper(g));
    const auto held = [&](const std::string& grip) {
        return !grip.empty() && std::find(grips.begin(), grips.end(), grip) != grips.end();
    };
    std::vector<Key> out;
    for (Key& key : keys) {
        key.secret = held(key.keygrip);
        for (const Subkey& sub : key.subkeys)
            key.secret = key.secret || held(sub.keygrip);
        if (key.secret) out.push_back(std::move(key));
    }
    return out;
}

std::vector<const UserId*> removableUserIds(const Key& key) {
    std::vector<const UserId*> ids;
    for (const UserId& id : key.userIds)
        if (!id.revoked) ids.push_back(&id);
    if (ids.size() < 2) ids.clear();
    return ids;
}

std::string pgpDate(std::int64_t seconds) {
    // Days to a civil date (Howard Hinnant's algorithm).
    std::int64_t z = seconds / 86400 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04lld/%02lld/%02lld", static_cast<long long>(y),
                  static_cast<long long>(m), static_cast<long long>(d));
    return buf;
}

namespace {

std::string shortKeyId(const Key& key) {
    return key.keyId.size() >= 8 ? key.keyId.substr(key.keyId.size() - 8) : key.keyId;
}

} // namespace

std::string escapedText(std::string_view utf8) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        const std::u32string decoded =
            length > 1 && i + length <= utf8.size() ? decodeUtf8(utf8.substr(i, length)) : std::u32string();
        const bool whole = length == 1 || decoded.size() == 1;
        const char32_t c = length == 1 ? b : whole ? decoded[0] : 0;
        if (!whole || c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += digits[b >> 4];
            out += digits[b & 15];
            ++i;
            continue;
        }
        if ((c >= 0x80 && c <= 0x9F) || c == 0x61C || c == 0x200E || c == 0x200F ||
            (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        } else {
            out.append(utf8.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string shownUserId(std::string_view keyId, const std::string& utf8, const ShownForm& shown) {
    const std::string escaped = escapedText(utf8);
    const std::string form = shown ? shown(escaped) : escaped;
    if (form == utf8) return utf8;
    return "[0x" + std::string(keyId.size() > 8 ? keyId.substr(keyId.size() - 8) : keyId) + "] " + form;
}

std::string shownUserId(const Key& key, const std::string& utf8, const ShownForm& shown) {
    return shownUserId(shortKeyId(key), utf8, shown);
}

namespace {

std::string signatureLine(const Signature& sig, const ShownForm& shown) {
    std::string line = sig.revocation ? "rev" : "sig";
    line += sig.check;
    line.resize(10, ' ');
    line += sig.keyId.size() >= 8 ? sig.keyId.substr(sig.keyId.size() - 8) : sig.keyId;
    line.resize(30, ' ');
    if (sig.check == '-') return line + "(BAD SIGNATURE)";
    if (sig.signerId.empty()) return line + "(Unknown signator, can't be checked)";
    return line + shownUserId(sig.keyId, sig.signerId, shown);
}

} // namespace

std::vector<std::string> formatKeyListing(const std::vector<Key>& keys, std::string_view pattern,
                                          std::string_view ringName, bool fingerprints,
                                          const ShownForm& shown, bool signatures) {
    std::vector<std::string> lines;
    lines.push_back("pgp.exe (PGP 2.6 command line; keys kept by the GnuPG engine)");
    lines.push_back("Key ring: '" + std::string(ringName) + "'");
    lines.push_back("Type  bits/keyID    Date       User ID");
    const bool all = pattern.empty() || pattern == "*";
    int count = 0;
    for (const Key& key : keys) {
        if (!all) {
            bool hit = false;
            for (const UserId& id : key.userIds)
                hit = hit || containsIgnoringCase(id.text, pattern);
            if (!hit) continue;
        }
        ++count;
        char prefix[64];
        std::snprintf(prefix, sizeof prefix, "%s %5u/%s %s ", key.secret ? "sec" : "pub", key.bits,
                      key.keyId.size() >= 8 ? key.keyId.substr(key.keyId.size() - 8).c_str()
                                            : key.keyId.c_str(),
                      pgpDate(key.created).c_str());
        std::string head(prefix);
        head.resize(30, ' ');
        const char* marker = nullptr;
        switch (key.unusable()) {
        case Key::Unusable::Revoked:
            marker = "*** KEY REVOKED ***";
            break;
        case Key::Unusable::Expired:
            marker = "*** KEY EXPIRED ***";
            break;
        case Key::Unusable::Disabled:
            marker = "*** KEY DISABLED ***";
            break;
        case Key::Unusable::Invalid:
            marker = "*** KEY INVALID ***";
            break;
        case Key::Unusable::No:
            break;
        }
        bool first = true;
        if (marker) {
            lines.push_back(head + marker);
        } else {
            for (const UserId& id : key.userIds) {
                if (id.revoked) continue;
                lines.push_back((first ? head : std::string(30, ' ')) + shownUserId(key, id.text, shown));
                first = false;
                if (signatures)
                    for (const Signature& sig : id.signatures)
                        lines.push_back(signatureLine(sig, shown));
            }
            if (first) lines.push_back(head + "*** NO USER ID ***");
        }
        if (fingerprints && !key.fingerprint.empty())
            lines.push_back("          Key fingerprint = " + groupedFingerprint(key.fingerprint));
    }
    lines.push_back(std::to_string(count) + (count == 1 ? " matching key found." : " matching keys found."));
    return lines;
}

std::vector<std::string> keyDetails(const Key& key, const ShownForm& shown) {
    std::vector<std::string> lines{
        "Key for user ID: " +
        (key.userIds.empty() ? key.keyId : shownUserId(key, key.userIds[0].text, shown))};
    lines.push_back(std::to_string(key.bits) + "-bit key, key ID " + shortKeyId(key) + ", created " +
                    pgpDate(key.created));
    if (!key.fingerprint.empty())
        lines.push_back("          Key fingerprint = " + groupedFingerprint(key.fingerprint));
    return lines;
}

std::string ownerTrustName(char ownerTrust) {
    switch (ownerTrust) {
    case '-':
    case 'q':
        return "undefined";
    case 'n':
        return "untrusted";
    case 'm':
        return "marginal";
    case 'f':
        return "complete";
    case 'u':
        return "ultimate";
    default:
        return "unknown";
    }
}

std::u32string foldCase(std::string_view utf8) {
    std::u32string text = decodeUtf8(utf8);
    for (char32_t& c : text)
        c = fold(c);
    return text;
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
    return foldCase(haystack).find(foldCase(needle)) != std::u32string::npos;
}

namespace {

// "[0x", 8 hex digits, "] " and a shown form, as shownUserId marks an ID.
bool isMarked(std::string_view pattern) {
    return pattern.size() >= 13 && pattern.substr(0, 3) == "[0x" && pattern.substr(11, 2) == "] " &&
           isHex(pattern.substr(3, 8));
}

} // namespace

KeyMatch findKey(const std::vector<Key>& keys, std::string_view pattern, KeyUse use, const ShownForm& shown) {
    if (isMarked(pattern)) {
        // Only a key listed so (its key ID is part of the mark), by the whole ID shown so: never
        // a substring of anything.
        KeyMatch m;
        for (const Key& key : keys) {
            if (!fitFor(key, use)) continue;
            for (const UserId& id : key.userIds)
                if (!id.revoked && shownUserId(key, id.text, shown) == pattern) {
                    m.keys.push_back(&key);
                    break;
                }
        }
        return m;
    }
    KeyMatch exact, partial;
    const bool byKeyId = pattern.size() > 2 &&
                         (pattern.substr(0, 2) == "0x" || pattern.substr(0, 2) == "0X") &&
                         isHex(pattern.substr(2)) && (pattern.size() == 10 || pattern.size() == 18);
    const std::string wantedId = byKeyId ? upper(pattern.substr(2)) : std::string();
    const std::u32string folded = foldCase(pattern);
    for (const Key& key : keys) {
        if (!fitFor(key, use)) continue;
        if (byKeyId) {
            if (key.keyId.size() >= wantedId.size() &&
                key.keyId.compare(key.keyId.size() - wantedId.size(), wantedId.size(), wantedId) == 0)
                exact.keys.push_back(&key);
            continue;
        }
        bool isExact = false, isPartial = false;
        for (const UserId& id : key.userIds) {
            if (id.revoked) continue;
            isExact = isExact || id.text == pattern;
            isPartial = isPartial || foldCase(id.text).find(folded) != std::u32string::npos;
        }
        if (isExact) exact.keys.push_back(&key);
        if (isPartial) partial.keys.push_back(&key);
    }
    return exact.keys.empty() ? partial : exact;
}

std::string describeKey(const Key& key, const ShownForm& shown) {
    std::string id = shortKeyId(key);
    for (const UserId& uid : key.userIds)
        if (!uid.revoked) return "  0x" + id + "  " + shownUserId(key, uid.text, shown);
    return "  0x" + id;
}

} // namespace pgp
