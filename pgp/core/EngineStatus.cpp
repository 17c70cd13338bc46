// The engine's status channel in PGP 2.6's words.
#include "pgp/core/EngineStatus.h"
#include "pgp/core/Keys.h"
#include <algorithm>
#include <cstdio>

namespace pgp {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::int64_t number(std::string_view text) {
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return value;
        value = value * 10 + (c - '0');
    }
    return value;
}

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
        if (text[i] == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
            hexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

void EngineReport::absorb(const StatusLine& line) {
    const auto& k = line.keyword;
    auto arg = [&line](std::size_t i) -> std::string {
        return i < line.args.size() ? line.args[i] : std::string();
    };
    if (k == "NEWSIG") {
        signatureSeen = true;
    } else if (k == "GOODSIG" || k == "EXPKEYSIG" || k == "REVKEYSIG") {
        signatureSeen = true;
        goodSignature = k == "GOODSIG";
        expiredKeySignature = k == "EXPKEYSIG";
        revokedKeySignature = k == "REVKEYSIG";
        signatureKeyId = arg(0);
        signer = percentDecoded(arg(1));
    } else if (k == "BADSIG") {
        signatureSeen = true;
        badSignature = true;
        signatureKeyId = arg(0);
        signer = percentDecoded(arg(1));
    } else if (k == "VALIDSIG") {
        signatureTime = number(arg(2));
        signaturePrimaryKey = arg(9);
    } else if (k == "ERRSIG") {
        signatureSeen = true;
        signatureKeyId = arg(0);
        signatureTime = number(arg(4));
        signatureKeyMissing = arg(5) == "9";
        if (!signatureKeyMissing) badSignature = true;
    } else if (k == "DECRYPTION_INFO") {
        // mdc-method cipher-algorithm [aead-algorithm]
        encryptedDataSeen = true;
        integrityProtected = integrityProtected || number(arg(0)) != 0 || number(arg(2)) != 0;
        cipherAlgorithm = static_cast<int>(number(arg(1)));
    } else if (k == "BADMDC") {
        badIntegrity = true;
    } else if (k == "DECRYPTION_OKAY") {
        decryptionOkay = true;
    } else if (k == "DECRYPTION_FAILED") {
        decryptionFailed = true;
    } else if (k == "BAD_PASSPHRASE") {
        badPassPhrase = true;
    } else if (k == "MISSING_PASSPHRASE" || k == "CANCELED_BY_USER") {
        missingPassPhrase = true;
    } else if (k == "NEED_PASSPHRASE") {
        neededPassPhrase = true;
    } else if (k == "ERROR" || k == "FAILURE") {
        // The engine's error code: the low 16 bits name the error. 11 is a bad pass phrase; 177
        // (none given) and 99 (cancelled) mean the pass phrase was missing.
        const std::string code = arg(1);
        const std::int64_t error = number(code) % 65536;
        if (error == 11 || code.find("BAD_PASSPHRASE") != std::string::npos) badPassPhrase = true;
        if (error == 177 || error == 99) missingPassPhrase = true;
        if (k == "FAILURE" && arg(0) == "sign") signingFailed = true;
    } else if (k == "NO_SECKEY") {
        noSecretKey = true;
    } else if (k == "NODATA" || k == "UNEXPECTED") {
        noData = true;
    } else if (k == "NEED_PASSPHRASE_SYM") {
        symmetric = true;
        neededPassPhrase = true;
    } else if (k == "ENC_TO") {
        encryptedTo.push_back(arg(0));
    } else if (k == "USERID_HINT") {
        passPhraseHintKeyId = arg(0);
        passPhraseHint = percentDecoded(arg(1));
    } else if (k == "PLAINTEXT") {
        plaintextSeen = true;
        storedName = percentDecoded(arg(2));
    } else if (k == "INV_RECP") {
        invalidRecipients.push_back(arg(1));
    } else if (k == "INV_SGNR") {
        signingFailed = true;
    } else if (k == "KEY_CREATED") {
        keyCreated = true;
        createdFingerprint = arg(1);
    } else if (k == "IMPORT_OK") {
        // Counted by IMPORT_RES; the keys are offered for certifying.
        if (!arg(1).empty() && std::find(importedFingerprints.begin(), importedFingerprints.end(), arg(1)) ==
                                   importedFingerprints.end())
            importedFingerprints.push_back(arg(1));
    } else if (k == "SUCCESS") {
        if (arg(0) == "keyedit.passwd") passPhraseChanged = true;
    } else if (k == "IMPORT_PROBLEM") {
        importProblems.push_back("Key " + (arg(1).empty() ? std::string("?") : shortId(arg(1))) +
                                 " skipped: " + importReason(arg(0)) + ".");
    } else if (k == "IMPORT_RES") {
        importedKeys = static_cast<int>(number(arg(2)));
        unchangedKeys = static_cast<int>(number(arg(4)));
        secretKeysRead = static_cast<int>(number(arg(9)));
        notImported = static_cast<int>(number(arg(13)));
        skippedVersion3 = static_cast<int>(number(arg(14)));
    }
}

std::string EngineReport::signerKeyId() const {
    return signaturePrimaryKey.size() >= 16 ? signaturePrimaryKey : signatureKeyId;
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
