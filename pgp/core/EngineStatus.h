// What the engine reports on its status channel ("[GNUPG:] KEYWORD args"), gathered and turned
// into PGP 2.6's words and exit statuses. The engine's own messages never reach the user.
#pragma once
#include "pgp/core/ExitStatus.h"
#include "pgp/core/Keys.h"
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgp {

struct StatusLine {
    std::string keyword;
    std::vector<std::string> args; // blank-separated; the last may hold blanks (a user ID)
};

// A line of the status channel, or nothing for any other line.
std::optional<StatusLine> parseStatusLine(std::string_view line);

// "%XX" escapes of the status channel undone.
std::string percentDecoded(std::string_view text);

// Everything one engine run said that matters to us.
struct EngineReport {
    bool goodSignature = false;
    bool badSignature = false;
    bool expiredKeySignature = false;
    bool revokedKeySignature = false;
    bool signatureKeyMissing = false;
    std::string signer; // user ID of the signature's key
    std::string signatureKeyId;
    std::string signaturePrimaryKey; // fingerprint of the signer's primary key, when the signature is valid
    std::int64_t signatureTime = 0;
    bool decryptionOkay = false;
    bool decryptionFailed = false;
    bool badPassPhrase = false;
    bool noSecretKey = false;
    bool noData = false;
    bool symmetric = false; // the message asked for a conventional pass phrase
    bool missingPassPhrase = false;
    bool neededPassPhrase = false; // the engine asked for one (NEED_PASSPHRASE or _SYM)
    // The encrypted data: seen at all, and whether any of it carried an integrity check (a
    // modification detection code or an AEAD mode); the cipher of the last part seen.
    bool encryptedDataSeen = false, integrityProtected = false, badIntegrity = false;
    int cipherAlgorithm = 0;
    std::vector<std::string> encryptedTo;  // long key IDs
    std::optional<std::string> storedName; // the literal data's file name, raw bytes
    bool plaintextSeen = false;            // literal data: the message's content was written out
    bool signatureSeen = false;            // a signature was checked, or could not be
    std::vector<std::string> invalidRecipients;
    // Primary-key fingerprints of the keys the engine's key lookups chose (KEY_CONSIDERED without
    // its "not selected" flag): for an encryption, the recipients' keys.
    std::vector<std::string> selectedKeys;
    bool signingFailed = false;
    bool keyCreated = false;
    std::string createdFingerprint;
    int importedKeys = 0, unchangedKeys = 0, secretKeysRead = 0, notImported = 0, skippedVersion3 = 0;
    std::vector<std::string> importProblems;       // PGP words, one line each
    std::vector<std::string> importedFingerprints; // every key of an import, new or already there
    bool passPhraseChanged = false;
    std::string passPhraseHint;      // the user ID of the key whose pass phrase is asked for
    std::string passPhraseHintKeyId; // and that key's ID

    // The key the signature is shown with: the signer's primary key when known, else the signing key.
    std::string signerKeyId() const;
    // Encrypted data without any integrity check that the engine refused for that reason alone.
    bool refusedForNoIntegrity() const {
        return decryptionFailed && encryptedDataSeen && !integrityProtected && !badIntegrity &&
               !noSecretKey && !badPassPhrase && !missingPassPhrase;
    }
    // A cipher of 64-bit blocks (IDEA, 3DES, CAST5, Blowfish): what PGP 2 to 6 wrote, before
    // integrity checks existed.
    bool legacyCipher() const { return cipherAlgorithm >= 1 && cipherAlgorithm <= 4; }
    // A signature and nothing it signs: a detached signature, which the engine, given no data,
    // checks against nothing and calls bad.
    bool detachedSignature() const { return signatureSeen && !plaintextSeen && !encryptedDataSeen; }

    // The engine's lookups chose exactly these keys (given by primary-key fingerprint), no other.
    bool selectedExactly(const std::vector<std::string>& fingerprints) const;

    void absorb(const StatusLine& line);
};

// PGP 2.6's date and time form, "YYYY/MM/DD HH:MM GMT".
std::string pgpDateTime(std::int64_t secondsSince1970);

struct Verdict {
    ExitStatus status = ExitStatus::Ok;
    std::vector<std::string> lines; // UTF-8, for the console
    // The whole plaintext came out, and only its signature is wanting (bad, unknown key, revoked
    // key): it is written, as PGP 2.6 wrote it, and the status still says the signature failed.
    bool keepPlaintext = false;
    // Of a success, one line for the program that started the job ("Decrypted; good signature
    // from user ... [0x...], made ...").
    std::string summary;
    // A failure our words cannot explain: the engine's own lines are shown after ours.
    bool showEngineLines = false;
};

// After decrypting or checking a message (`engineFailed`: the engine's exit status was not 0).
// User IDs are shown through `shown` (see shownUserId), each with its key's ID. A detached
// signature is judged from its own run with the signed data.
Verdict judgeDecryption(const EngineReport& report, bool engineFailed, std::string_view inputName,
                        const ShownForm& shown = {});

// After encrypting or signing.
Verdict judgeProtection(const EngineReport& report, bool engineFailed, bool sign, bool encrypt,
                        bool conventional);

} // namespace pgp
