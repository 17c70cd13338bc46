// What each action of the key manager asks of pgp.exe: its batch lines and the answers to the
// questions pgp.exe asks, in the order it asks them. The answers go through a pipe; a question
// left unanswered reads the end of the pipe, which pgp.exe takes as "no".
#pragma once
#include "core/SecretText.h"
#include "pgp/core/Keys.h"
#include <string>
#include <vector>

namespace keymanager {

// The paths every job needs: pgp.exe, PGP's directory (ends with a backslash) and the lock file
// the batch's last line deletes.
struct JobPlaces {
    std::string pgpExe, pgpDir, lockFile;
};

// A job's lines (the lock's deletion last) and its answers, the pass phrase among them.
struct KeyAction {
    std::vector<std::string> lines;
    mw::SecretString answers;
};

// When a key expires, as the boxes offer it.
struct ExpiryChoice {
    const char* text;
    int days; // 0: never
};
inline constexpr ExpiryChoice kExpiryChoices[] = {
    {"Never", 0}, {"In 1 year", 365}, {"In 2 years", 730}, {"In 5 years", 1826}};

// The key kinds of the new-key dialog, as pgp.exe -kg numbers them.
enum class NewKeyKind { Modern = 1, Rsa3072 = 2, Rsa4096 = 3 };

// Answers and user IDs are in the console's code page, as pgp.exe reads them from its input.
// Every key is named by "0x" and its 16-digit key ID. The functions throw mw::UnsafeValue for a
// path that cannot go into a batch line.

// Every key with its secret-key mark into `listing` (-kv +colons); with `keyId`, that key alone
// with the certifications on its user IDs (-kvv).
KeyAction listingAction(const JobPlaces& p, const std::string& listing, const std::string& keyId = {});
KeyAction generateAction(const JobPlaces& p, NewKeyKind kind, const std::string& userId, int expireDays,
                         const mw::SecretString& passPhrase);
// Adds the keys of one file; pgp.exe's offer to certify them is declined here (the key manager
// makes its own).
KeyAction addAction(const JobPlaces& p, const std::string& file);
// Public keys in one job, armoured, each into its own file (`files` in the order of `keyIds`,
// replaced); the secret key, into `file`, with its pass phrase.
KeyAction exportKeysAction(const JobPlaces& p, const std::vector<std::string>& keyIds,
                           const std::vector<std::string>& files);
KeyAction exportSecretAction(const JobPlaces& p, const std::string& keyId, const std::string& file,
                             const mw::SecretString& passPhrase);
KeyAction certifyAction(const JobPlaces& p, const std::string& keyId, const std::string& signerKeyId,
                        const mw::SecretString& passPhrase);
// Trust in the owner: 1 don't know, 2 no, 3 usually, 4 always.
KeyAction trustAction(const JobPlaces& p, const std::string& keyId, int trust);
// Disables another's key, or enables it again.
KeyAction disableAction(const JobPlaces& p, const std::string& keyId);
KeyAction revokeAction(const JobPlaces& p, const std::string& keyId, const mw::SecretString& passPhrase);
KeyAction changePassPhraseAction(const JobPlaces& p, const std::string& keyId, const mw::SecretString& old,
                                 const mw::SecretString& fresh);
KeyAction addUserIdAction(const JobPlaces& p, const std::string& keyId, const std::string& userId,
                          const mw::SecretString& passPhrase);
// Removes a key; with `secret`, its secret key too (pgp.exe asks that separately). pgp.exe first
// asks whether the whole key goes when it has several user IDs that can be removed.
KeyAction removeAction(const JobPlaces& p, const pgp::Key& key);
// Takes off the user ID `index` of pgp::removableUserIds(key), in the order pgp.exe offers them:
// revoked on your own key (with its pass phrase), deleted from the ring on another's.
KeyAction removeUserIdAction(const JobPlaces& p, const pgp::Key& key, std::size_t index,
                             const mw::SecretString& passPhrase);
// Your key and its subkeys expire `days` after today (0: never).
KeyAction expiryAction(const JobPlaces& p, const std::string& keyId, int days,
                       const mw::SecretString& passPhrase);

} // namespace keymanager
