// The engine's status channel in PGP 2.6's words.
#include "pgp/core/EngineStatus.h"
#include "pgp/core/Keys.h"
#include <algorithm>
#include <cstdio>

namespace pgp {

namespace {

std::string shortId(std::string_view id) {
    return std::string(id.size() > 8 ? id.substr(id.size() - 8) : id);
}

// Keywords whose last argument is a user ID that may hold blanks.
bool lastArgumentIsText(std::string_view keyword) {
    return keyword == "GOODSIG" || keyword == "BADSIG" || keyword == "EXPKEYSIG" || keyword == "REVKEYSIG" ||
           keyword == "USERID_HINT";
}

std::string importReason(std::string_view code) {
    // The engine's IMPORT_PROBLEM codes.
    if (code == "1") return "invalid certificate";
    if (code == "2") return "issuer certificate missing";
    if (code == "3") return "certificate chain too long";
    if (code == "4") return "error storing certificate";
    return "not a key the engine accepts";
}

} // namespace

std::optional<StatusLine> parseStatusLine(std::string_view line) {
    constexpr std::string_view prefix = "[GNUPG:] ";
    if (line.substr(0, prefix.size()) != prefix) return std::nullopt;
    line.remove_prefix(prefix.size());
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    StatusLine out;
    auto blank = line.find(' ');
    out.keyword = std::string(line.substr(0, blank));
    if (blank == std::string_view::npos) return out;
    std::string_view rest = line.substr(blank + 1);
    const bool text = lastArgumentIsText(out.keyword);
    while (!rest.empty()) {
        auto next = rest.find(' ');
        if (next == std::string_view::npos || (text && out.args.size() == 1)) {
            out.args.emplace_back(rest);
            break;
        }
        out.args.emplace_back(rest.substr(0, next));
        rest.remove_prefix(next + 1);
    }
    return out;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {

// A status line's arguments by the names the engine's documentation gives them, in order.
class Fields {
public:
    Fields(std::string_view names, const StatusLine& line) : names_(names), line_(line) {}
    const std::string& keyword() const { return line_.keyword; }
    // The argument of that name; empty when the line stops short of it.
    std::string operator[](std::string_view name) const {
        std::size_t index = 0, from = 0;
        for (;;) {
            const std::size_t blank = names_.find(' ', from);
            if (names_.substr(from, blank - from) == name)
                return index < line_.args.size() ? line_.args[index] : std::string();
            if (blank == std::string_view::npos) return {};
            from = blank + 1;
            ++index;
        }
    }
    std::int64_t number(std::string_view name) const { return pgp::number((*this)[name]); }

private:
    std::string_view names_;
    const StatusLine& line_;
};

struct StatusKeyword {
    std::string_view keyword;
    std::string_view fields;
    void (*absorb)(EngineReport&, const Fields&);
};

void signatureBy(EngineReport& r, const Fields& f) {
    r.signatureSeen = true;
    r.signatureKeyId = f["keyid"];
    r.signer = percentDecoded(f["username"]);
}

// A good signature, or one by an expired or a revoked key: the last one seen says which.
void keySignature(EngineReport& r, const Fields& f) {
    signatureBy(r, f);
    r.goodSignature = f.keyword() == "GOODSIG";
    r.expiredKeySignature = f.keyword() == "EXPKEYSIG";
    r.revokedKeySignature = f.keyword() == "REVKEYSIG";
}

// The engine's error code: the low 16 bits name the error. 11 is a bad pass phrase; 177 (none
// given) and 99 (cancelled) mean the pass phrase was missing.
void engineError(EngineReport& r, const Fields& f) {
    const std::int64_t error = f.number("code") % 65536;
    if (error == 11 || f["code"].find("BAD_PASSPHRASE") != std::string::npos) r.badPassPhrase = true;
    if (error == 177 || error == 99) r.missingPassPhrase = true;
    if (f.keyword() == "FAILURE" && f["location"] == "sign") r.signingFailed = true;
}

// The keywords that matter to us; the engine's others pass unread.
constexpr StatusKeyword kKeywords[] = {
    {"NEWSIG", "", [](EngineReport& r, const Fields&) { r.signatureSeen = true; }},
    {"GOODSIG", "keyid username", keySignature},
    {"EXPKEYSIG", "keyid username", keySignature},
    {"REVKEYSIG", "keyid username", keySignature},
    {"BADSIG", "keyid username",
     [](EngineReport& r, const Fields& f) {
         signatureBy(r, f);
         r.badSignature = true;
     }},
    {"VALIDSIG",
     "fpr sig_creation_date sig_timestamp expire_timestamp sig_version reserved pubkey_algo hash_algo "
     "sig_class "
     "primary_key_fpr",
     [](EngineReport& r, const Fields& f) {
         r.signatureTime = f.number("sig_timestamp");
         r.signaturePrimaryKey = f["primary_key_fpr"];
     }},
    {"ERRSIG", "keyid pkalgo hashalgo sig_class time rc",
     [](EngineReport& r, const Fields& f) {
         r.signatureSeen = true;
         r.signatureKeyId = f["keyid"];
         r.signatureTime = f.number("time");
         r.signatureKeyMissing = f["rc"] == "9";
         if (!r.signatureKeyMissing) r.badSignature = true;
     }},
    {"DECRYPTION_INFO", "mdc_method sym_algo aead_algo",
     [](EngineReport& r, const Fields& f) {
         r.encryptedDataSeen = true;
         r.integrityProtected =
             r.integrityProtected || f.number("mdc_method") != 0 || f.number("aead_algo") != 0;
         r.cipherAlgorithm = static_cast<int>(f.number("sym_algo"));
     }},
    {"BADMDC", "", [](EngineReport& r, const Fields&) { r.badIntegrity = true; }},
    {"DECRYPTION_OKAY", "", [](EngineReport& r, const Fields&) { r.decryptionOkay = true; }},
    {"DECRYPTION_FAILED", "", [](EngineReport& r, const Fields&) { r.decryptionFailed = true; }},
    {"BAD_PASSPHRASE", "", [](EngineReport& r, const Fields&) { r.badPassPhrase = true; }},
    {"MISSING_PASSPHRASE", "", [](EngineReport& r, const Fields&) { r.missingPassPhrase = true; }},
    {"CANCELED_BY_USER", "", [](EngineReport& r, const Fields&) { r.missingPassPhrase = true; }},
    {"NEED_PASSPHRASE", "", [](EngineReport& r, const Fields&) { r.neededPassPhrase = true; }},
    {"NEED_PASSPHRASE_SYM", "",
     [](EngineReport& r, const Fields&) {
         r.symmetric = true;
         r.neededPassPhrase = true;
     }},
    {"ERROR", "location code", engineError},
    {"FAILURE", "location code", engineError},
    {"NO_SECKEY", "keyid", [](EngineReport& r, const Fields&) { r.noSecretKey = true; }},
    {"NODATA", "what", [](EngineReport& r, const Fields&) { r.noData = true; }},
    {"UNEXPECTED", "what", [](EngineReport& r, const Fields&) { r.noData = true; }},
    {"ENC_TO", "keyid keytype keylength",
     [](EngineReport& r, const Fields& f) { r.encryptedTo.push_back(f["keyid"]); }},
    {"USERID_HINT", "keyid username",
     [](EngineReport& r, const Fields& f) {
         r.passPhraseHintKeyId = f["keyid"];
         r.passPhraseHint = percentDecoded(f["username"]);
     }},
    {"PLAINTEXT", "format timestamp filename",
     [](EngineReport& r, const Fields& f) {
         r.plaintextSeen = true;
         r.storedName = percentDecoded(f["filename"]);
     }},
    {"INV_RECP", "reason recipient",
     [](EngineReport& r, const Fields& f) { r.invalidRecipients.push_back(f["recipient"]); }},
    // Flag bit 0: looked at and not chosen.
    {"KEY_CONSIDERED", "fpr flags",
     [](EngineReport& r, const Fields& f) {
         if (!f["flags"].empty() && f.number("flags") % 2 == 0) r.selectedKeys.push_back(f["fpr"]);
     }},
    {"INV_SGNR", "reason signer", [](EngineReport& r, const Fields&) { r.signingFailed = true; }},
    {"KEY_CREATED", "type fingerprint",
     [](EngineReport& r, const Fields& f) {
         r.keyCreated = true;
         r.createdFingerprint = f["fingerprint"];
     }},
    // Counted by IMPORT_RES; the keys are offered for certifying.
    {"IMPORT_OK", "reason fingerprint",
     [](EngineReport& r, const Fields& f) {
         const std::string fingerprint = f["fingerprint"];
         if (!fingerprint.empty() && std::find(r.importedFingerprints.begin(), r.importedFingerprints.end(),
                                               fingerprint) == r.importedFingerprints.end())
             r.importedFingerprints.push_back(fingerprint);
     }},
    {"SUCCESS", "location",
     [](EngineReport& r, const Fields& f) {
         if (f["location"] == "keyedit.passwd") r.passPhraseChanged = true;
     }},
    {"IMPORT_PROBLEM", "reason fingerprint",
     [](EngineReport& r, const Fields& f) {
         const std::string key = f["fingerprint"];
         r.importProblems.push_back("Key " + (key.empty() ? std::string("?") : shortId(key)) +
                                    " skipped: " + importReason(f["reason"]) + ".");
     }},
    {"IMPORT_RES",
     "count no_user_id imported imported_rsa unchanged n_uids n_subk n_sigs n_revoc sec_read sec_imported "
     "sec_dups skipped_new_keys not_imported skipped_v3_keys",
     [](EngineReport& r, const Fields& f) {
         r.importedKeys = static_cast<int>(f.number("imported"));
         r.unchangedKeys = static_cast<int>(f.number("unchanged"));
         r.secretKeysRead = static_cast<int>(f.number("sec_read"));
         r.notImported = static_cast<int>(f.number("not_imported"));
         r.skippedVersion3 = static_cast<int>(f.number("skipped_v3_keys"));
     }},
};

} // namespace

void EngineReport::absorb(const StatusLine& line) {
    for (const StatusKeyword& k : kKeywords)
        if (k.keyword == line.keyword) return k.absorb(*this, Fields(k.fields, line));
}

std::string EngineReport::signerKeyId() const {
    return signaturePrimaryKey.size() >= 16 ? signaturePrimaryKey : signatureKeyId;
}

bool EngineReport::selectedExactly(const std::vector<std::string>& fingerprints) const {
    auto distinct = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        v.erase(std::unique(v.begin(), v.end()), v.end());
        return v;
    };
    return !fingerprints.empty() && distinct(selectedKeys) == distinct(fingerprints);
}

std::string pgpDateTime(std::int64_t seconds) {
    const std::int64_t inDay = ((seconds % 86400) + 86400) % 86400;
    char buf[32];
    std::snprintf(buf, sizeof buf, " %02d:%02d GMT", static_cast<int>(inDay / 3600),
                  static_cast<int>(inDay / 60 % 60));
    return pgpDate(seconds) + buf;
}

Verdict judgeDecryption(const EngineReport& r, bool engineFailed, std::string_view inputName,
                        const ShownForm& shown) {
    Verdict v;
    auto when = [&r]() {
        return r.signatureTime ? "Signature made " + pgpDateTime(r.signatureTime) : std::string();
    };
    // The signer as -kv shows it, and always its key's ID: no text in a user ID can stand in for
    // another key's result.
    const std::string keyId = shortId(r.signerKeyId());
    const std::string signer = "user \"" + shownUserId(keyId, r.signer, shown) + "\" [0x" + keyId + "]";
    if (r.noData && !r.decryptionOkay && !r.goodSignature && !r.badSignature) {
        v.status = ExitStatus::InvalidFile;
        v.lines.push_back("Error: '" + std::string(inputName) + "' is not a PGP message.");
        return v;
    }
    if (r.badPassPhrase || (r.missingPassPhrase && !r.decryptionOkay)) {
        v.status = ExitStatus::DecryptionFailed;
        v.lines.push_back(r.missingPassPhrase && !r.badPassPhrase ? "Error: no pass phrase given."
                                                                  : "Error:  Bad pass phrase.");
        return v;
    }
    if (r.refusedForNoIntegrity() && !r.decryptionOkay) {
        v.status = ExitStatus::DecryptionFailed;
        v.lines.push_back("Error: this message is not integrity protected and its cipher is a modern one;");
        v.lines.push_back("no program writes that but to hide a change made to it.  Not decrypted.");
        return v;
    }
    if ((r.noSecretKey || r.decryptionFailed) && !r.decryptionOkay) {
        v.status = ExitStatus::DecryptionFailed;
        if (r.noSecretKey && !r.symmetric) {
            v.lines.push_back("This message can only be read by:");
            for (const auto& id : r.encryptedTo)
                v.lines.push_back("  key ID " + shortId(id));
            v.lines.push_back("You do not have the secret key needed to decrypt this file.");
        } else {
            v.lines.push_back("Error: decryption failed; the message is damaged or was altered.");
        }
        return v;
    }
    if (r.decryptionOkay && r.encryptedDataSeen && !r.integrityProtected)
        v.lines.push_back("WARNING: This message is not integrity protected (an old program made it): a "
                          "change made to it cannot be detected.");
    // A signature that fails leaves the plaintext whole when all of it came out: all of an
    // encrypted message passed its own check; a signed one reached its signature.
    const bool wholePlaintext = r.plaintextSeen && (!r.encryptedDataSeen || r.decryptionOkay);
    auto failedSignature = [&](const char* plaintextNote) {
        v.status = ExitStatus::BadSignature;
        v.keepPlaintext = wholePlaintext;
        if (wholePlaintext) v.lines.push_back(plaintextNote);
        return v;
    };
    if (r.badSignature) {
        v.lines.push_back("WARNING: Bad signature, doesn't match file contents!");
        if (!r.signer.empty())
            v.lines.push_back("Bad signature from " + signer + ".");
        else
            v.lines.push_back("Bad signature from key ID " + keyId + ".");
        if (r.signatureTime) v.lines.push_back(when());
        return failedSignature("The plaintext is written all the same: it is not what the signer signed.");
    }
    if (r.signatureKeyMissing) {
        v.lines.push_back("Key matching expected Key ID " + keyId + " not found in key ring.");
        v.lines.push_back("Can't check signature integrity.");
        return failedSignature("WARNING: the signature could not be checked; the plaintext is written "
                               "unverified.");
    }
    if (r.revokedKeySignature) {
        v.lines.push_back("WARNING: the key of " + signer + " has been revoked.");
        v.lines.push_back("Signature made with a revoked key; it is not trusted.");
        if (r.signatureTime) v.lines.push_back(when());
        return failedSignature("The plaintext is written all the same: its signature is not trusted.");
    }
    if (r.goodSignature || r.expiredKeySignature) {
        v.lines.push_back("Good signature from " + signer + ".");
        if (r.signatureTime) v.lines.push_back(when());
        if (r.expiredKeySignature) v.lines.push_back("WARNING: the signing key has expired since.");
    }
    if (engineFailed && !r.goodSignature && !r.expiredKeySignature) {
        v.status = r.decryptionOkay ? ExitStatus::InvalidFile : ExitStatus::DecryptionFailed;
        v.lines.push_back("Error: the message could not be read.");
        return v;
    }
    v.summary = r.decryptionOkay ? "Decrypted" : "Read";
    if (r.goodSignature || r.expiredKeySignature) {
        v.summary += "; good signature from " + signer;
        if (r.signatureTime) v.summary += ", made " + pgpDateTime(r.signatureTime);
        if (r.expiredKeySignature) v.summary += " (the key has expired since)";
    } else if (r.decryptionOkay && r.encryptedDataSeen && !r.integrityProtected) {
        v.summary += " (not integrity protected)";
    }
    v.summary += ".";
    return v;
}

Verdict judgeProtection(const EngineReport& r, bool engineFailed, bool sign, bool encrypt,
                        bool conventional) {
    Verdict v;
    if (!engineFailed) return v;
    if (r.badPassPhrase || r.missingPassPhrase) {
        v.lines.push_back(r.badPassPhrase ? "Error:  Bad pass phrase." : "Error: no pass phrase given.");
        v.status = sign ? ExitStatus::SigningFailed : ExitStatus::ConventionalFailed;
        return v;
    }
    if (!r.invalidRecipients.empty()) {
        for (const auto& who : r.invalidRecipients)
            v.lines.push_back("Cannot encrypt to key " + shortId(who) + ": it is not usable for encryption.");
        v.status = ExitStatus::EncryptionFailed;
        return v;
    }
    // Failures PGP's words cannot explain: the engine's own lines follow.
    v.showEngineLines = true;
    if (sign && (r.signingFailed || !encrypt)) {
        v.lines.push_back("Error: signing failed.");
        v.status = ExitStatus::SigningFailed;
        return v;
    }
    v.lines.push_back("Error: encryption failed.");
    v.status = conventional ? ExitStatus::ConventionalFailed : ExitStatus::EncryptionFailed;
    return v;
}

} // namespace pgp
