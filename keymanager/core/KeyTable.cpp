// The key manager's rows, their order and filter, and their words.
#include "keymanager/core/KeyTable.h"
#include <algorithm>
#include <cstdint>
#include <tuple>
#include <unordered_map>

namespace keymanager {

const char* columnTitle(Column column) {
    switch (column) {
    case Column::UserId:
        return "User ID";
    case Column::KeyId:
        return "Key ID";
    case Column::Algorithm:
        return "Algorithm";
    case Column::Created:
        return "Created";
    case Column::Expires:
        return "Expires";
    case Column::Validity:
        return "Validity";
    case Column::Secret:
        return "Secret key";
    }
    return "";
}

std::vector<pgp::Key> mergeListing(std::string_view listing) {
    std::vector<pgp::Key> all = pgp::parseColonListing(listing);
    std::vector<pgp::Key> keys;
    std::vector<std::string> secrets;
    keys.reserve(all.size());
    for (pgp::Key& key : all) {
        if (key.secret)
            secrets.push_back(std::move(key.fingerprint));
        else
            keys.push_back(std::move(key));
    }
    std::unordered_map<std::string, std::size_t> byFingerprint;
    byFingerprint.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        byFingerprint.emplace(keys[i].fingerprint, i);
    for (const std::string& fingerprint : secrets)
        if (auto found = byFingerprint.find(fingerprint); found != byFingerprint.end())
            keys[found->second].secret = true;
    return keys;
}

std::string algorithmText(int algorithm, unsigned bits, const std::string& curve) {
    const char* name = algorithm == 1 || algorithm == 2 || algorithm == 3 ? "RSA"
                       : algorithm == 16 || algorithm == 20               ? "Elgamal"
                       : algorithm == 17                                  ? "DSA"
                       : algorithm == 18                                  ? "ECDH"
                       : algorithm == 19                                  ? "ECDSA"
                       : algorithm == 22                                  ? "EdDSA"
                                                                          : nullptr;
    std::string text = name ? name : "algorithm " + std::to_string(algorithm);
    if (!curve.empty()) return text + " " + curve;
    return bits ? text + " " + std::to_string(bits) : text;
}

std::string dateText(std::int64_t seconds) {
    if (seconds == 0) return "never";
    std::string date = pgp::pgpDate(seconds);
    std::replace(date.begin(), date.end(), '/', '-');
    return date;
}

std::string validityText(const pgp::Key& key) {
    if (key.disabled()) return "disabled";
    switch (key.validity) {
    case 'u':
        return "ultimate";
    case 'f':
        return "full";
    case 'm':
        return "marginal";
    case 'n':
        return "not valid";
    case 'r':
        return "revoked";
    case 'e':
        return "expired";
    case 'i':
        return "invalid";
    default:
        return "unknown";
    }
}

std::string fingerprintGroups(const std::string& fingerprint) {
    std::string out;
    for (std::size_t i = 0; i < fingerprint.size(); i += 4) {
        if (i) out += i == fingerprint.size() / 2 ? "  " : " ";
        out += fingerprint.substr(i, 4);
    }
    return out;
}

std::string shownText(const std::string& utf8) {
    return pgp::escapedText(utf8);
}

namespace {

std::string usageText(const std::string& capabilities) {
    std::string out;
    auto add = [&](char letter, const char* word) {
        if (capabilities.find(letter) == std::string::npos) return;
        if (!out.empty()) out += ", ";
        out += word;
    };
    add('e', "encrypt");
    add('s', "sign");
    add('c', "certify");
    add('a', "authenticate");
    return out.empty() ? "none" : out;
}

} // namespace

std::string detailsText(const pgp::Key& key) {
    std::string t;
    for (const pgp::UserId& id : key.userIds) {
        t += (id.revoked ? "User ID (revoked): " : "User ID: ") + shownText(id.text) + "\r\n";
        for (const pgp::Signature& sig : id.signatures) {
            if (sig.keyId == key.keyId) continue; // its own binding
            t += std::string("    ") + (sig.revocation ? "certification revoked by " : "certified by ") +
                 "0x" + sig.keyId +
                 (sig.signerId.empty() ? " (key not in the ring)" : " " + shownText(sig.signerId)) + "\r\n";
        }
    }
    t += "Fingerprint: " + fingerprintGroups(key.fingerprint) + "\r\n";
    t += "Key ID: 0x" + key.keyId + "    " + algorithmText(key.algorithm, key.bits, key.curve) + "\r\n";
    t += "Created: " + dateText(key.created) + "    Expires: " + dateText(key.expires) + "\r\n";
    t +=
        "Validity: " + validityText(key) + "    Owner trust: " + pgp::ownerTrustName(key.ownerTrust) + "\r\n";
    t += key.secret ? "You hold the secret key.\r\n" : "You do not hold the secret key.\r\n";
    for (const pgp::Subkey& sub : key.subkeys)
        t += "Subkey 0x" + sub.keyId + ": " + algorithmText(sub.algorithm, sub.bits, sub.curve) + ", " +
             usageText(sub.capabilities) + ", created " + dateText(sub.created) + ", expires " +
             dateText(sub.expires) +
             (sub.validity == 'r'   ? ", revoked"
              : sub.validity == 'e' ? ", expired"
                                    : "") +
             "\r\n";
    return t;
}

void KeyTable::load(std::vector<pgp::Key> keys) {
    keys_ = std::move(keys);
    folded_.clear();
    folded_.reserve(keys_.size());
    for (const pgp::Key& key : keys_) {
        std::string text = key.keyId + "\n" + key.fingerprint;
        for (const pgp::UserId& id : key.userIds)
            text += "\n" + id.text;
        folded_.push_back(pgp::foldCase(text));
    }
    order();
    narrow(false);
}

void KeyTable::sortBy(Column column, bool ascending) {
    sortColumn_ = column;
    ascending_ = ascending;
    order();
    narrow(false);
}

void KeyTable::filter(std::string_view text) {
    std::u32string needle = pgp::foldCase(text);
    const bool within = !needle_.empty() && needle.compare(0, needle_.size(), needle_) == 0;
    needle_ = std::move(needle);
    narrow(within);
}

void KeyTable::order() {
    sorted_.resize(keys_.size());
    for (std::size_t i = 0; i < sorted_.size(); ++i)
        sorted_[i] = i;
    auto less = [&](std::size_t a, std::size_t b) {
        const pgp::Key& x = keys_[a];
        const pgp::Key& y = keys_[b];
        switch (sortColumn_) {
        case Column::UserId: {
            // The folded text holds the key ID and the fingerprint (one character each digit)
            // before the first user ID.
            const std::u32string& fa = folded_[a];
            const std::u32string& fb = folded_[b];
            const std::size_t skip = x.keyId.size() + x.fingerprint.size() + 2;
            const std::size_t skipB = y.keyId.size() + y.fingerprint.size() + 2;
            return fa.compare(std::min(skip, fa.size()), std::u32string::npos, fb, std::min(skipB, fb.size()),
                              std::u32string::npos) < 0;
        }
        case Column::KeyId:
            return x.keyId < y.keyId;
        case Column::Algorithm:
            return std::tie(x.algorithm, x.bits) < std::tie(y.algorithm, y.bits);
        case Column::Created:
            return x.created < y.created;
        case Column::Expires:
            // Never expiring sorts after every date.
            return (x.expires ? x.expires : INT64_MAX) < (y.expires ? y.expires : INT64_MAX);
        case Column::Validity:
            return validityText(x) < validityText(y);
        case Column::Secret:
            return x.secret < y.secret;
        }
        return false;
    };
    if (ascending_)
        std::stable_sort(sorted_.begin(), sorted_.end(), less);
    else
        std::stable_sort(sorted_.begin(), sorted_.end(),
                         [&](std::size_t a, std::size_t b) { return less(b, a); });
}

void KeyTable::narrow(bool withinShown) {
    if (needle_.empty()) {
        visible_ = sorted_;
        return;
    }
    const std::vector<std::size_t>& from = withinShown ? visible_ : sorted_;
    std::vector<std::size_t> kept;
    kept.reserve(from.size());
    for (std::size_t i : from)
        if (folded_[i].find(needle_) != std::u32string::npos) kept.push_back(i);
    visible_ = std::move(kept);
}

std::string KeyTable::cell(std::size_t row, Column column) const {
    const pgp::Key& k = key(row);
    switch (column) {
    case Column::UserId:
        return k.userIds.empty() ? std::string("(no user ID)") : shownText(k.userIds.front().text);
    case Column::KeyId:
        return "0x" + (k.keyId.size() > 8 ? k.keyId.substr(k.keyId.size() - 8) : k.keyId);
    case Column::Algorithm:
        return algorithmText(k.algorithm, k.bits, k.curve);
    case Column::Created:
        return dateText(k.created);
    case Column::Expires:
        return dateText(k.expires);
    case Column::Validity:
        return validityText(k);
    case Column::Secret:
        return k.secret ? "yes" : "";
    }
    return {};
}

std::optional<std::size_t> KeyTable::rowOf(const std::string& fingerprint) const {
    for (std::size_t row = 0; row < visible_.size(); ++row)
        if (keys_[visible_[row]].fingerprint == fingerprint) return row;
    return std::nullopt;
}

} // namespace keymanager
