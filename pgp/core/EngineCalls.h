// The engine's argument vectors for each PGP 2.6 operation. Data always travels through the
// engine's standard input and output, so no file name of the user's reaches its command line.
#pragma once
#include "core/SecretText.h"
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pgp {

// What every engine run starts with: the home directory; batch mode, so the engine never asks
// anything itself; pass phrases only through the pipe whose handle is given (0: none), never a
// window; the status channel on its handle; no network: no key server, no key retrieval; no agent
// started by the engine itself (pgp.exe starts and ends it); no option file read.
std::vector<std::wstring> baseArguments(const std::wstring& home, std::uint64_t statusHandle,
                                        std::uint64_t passPhraseHandle);

// How the engine is asked for the keys one of our user IDs may name: one marked as a listing marks
// it ("[0x12345678] Name") by that key ID, "0x..." as a key ID, other text as any part of a user
// ID, ASCII case ignored. Nothing for text beyond ASCII, whose case our matching folds further.
std::optional<std::wstring> engineQuery(const std::wstring& userId);

// Keys: the colon listing of public or secret keys.
std::vector<std::wstring> listArguments(bool secret, bool keygrips = false);

struct Protection {
    bool encrypt = false;
    bool sign = false;
    bool conventional = false;
    bool armor = false;
    bool text = false;
    bool detached = false;
    std::vector<std::string> recipients; // fingerprints
    std::string signer;                  // fingerprint; empty for the default key
    std::wstring storedName;             // recorded in the message for -p
};

// -e, -s, -c and their combinations. A signed text that is armoured and not encrypted is a
// clear signature, as PGP 2.6 makes it with -sta.
std::vector<std::wstring> protectArguments(const Protection& p);

// `withoutIntegrityCheck`: for a message a first run found to carry no integrity check at all
// and to use a cipher of PGP 2's time; the engine then reads it instead of refusing it.
std::vector<std::wstring> decryptArguments(bool withoutIntegrityCheck = false);
// A detached signature on standard input checked against the file open on `signedData` (a
// handle the engine inherits), named in the engine's own way for an open handle.
std::vector<std::wstring> verifyDetachedArguments(std::uint64_t signedData);
std::vector<std::wstring> importArguments();
std::vector<std::wstring> exportArguments(const std::string& fingerprint, bool armor);
std::vector<std::wstring> deleteArguments(const std::string& fingerprint, bool secret);
std::vector<std::wstring> generateArguments();
// The colon listing of the keys in a file on standard input, which are not added anywhere.
std::vector<std::wstring> showKeysArguments();
// The colon listing with the certifications on each user ID; `check` has each one verified.
std::vector<std::wstring> listSignatureArguments(bool check);
// The secret key, protected by its pass phrase, for -kx with the secret ring named.
std::vector<std::wstring> exportSecretArguments(const std::string& fingerprint, bool armor);
// Certifies `target` with the secret key `signer` (fingerprints), exportable as PGP 2.6's were.
std::vector<std::wstring> certifyArguments(const std::string& target, const std::string& signer);
// Owner trust read from standard input, one ownerTrustLine each.
std::vector<std::wstring> ownerTrustArguments();
mw::SecretString ownerTrustLine(const std::string& fingerprint, int value);
// A user ID added to one's own key, then made the one shown first. The engine takes these from its
// (ANSI) command line as UTF-8: only ASCII text is passed so.
std::vector<std::wstring> addUserIdArguments(const std::string& fingerprint, const std::wstring& userId);
std::vector<std::wstring> primaryUserIdArguments(const std::string& fingerprint, const std::wstring& userId);
// The pass phrase changed: the old and the new one come from standard input, see passPhraseChange.
std::vector<std::wstring> changePassPhraseArguments(const std::string& fingerprint);
mw::SecretString passPhraseChange(std::string_view oldPassPhrase, std::string_view newPassPhrase);
// One's own key expires `days` after today (0: never): the primary key, or with `subkeys` (their
// fingerprints) those subkeys. The pass phrase comes through its own pipe.
std::vector<std::wstring> setExpiryArguments(const std::string& fingerprint, int days,
                                             const std::vector<std::string>& subkeys = {});
// Takes off the user ID at `position` (UserId::position): one's own is revoked, so that those who
// have the key learn it at their next import; another's is deleted from the ring only. The engine's
// questions are answered from standard input by removeUserIdAnswers(own).
std::vector<std::wstring> removeUserIdArguments(const std::string& fingerprint, int position, bool own);
mw::SecretString removeUserIdAnswers(bool own);
std::vector<std::wstring> disableArguments(const std::string& fingerprint, bool disable);
// A revocation certificate for one's own key ("key compromised", no description) on standard
// output; the engine's questions are answered from standard input by revocationAnswers(), the
// pass phrase comes through its own pipe.
std::vector<std::wstring> revocationArguments(const std::string& fingerprint);
mw::SecretString revocationAnswers();

enum class KeyKind { Curve25519, Rsa3072, Rsa4096 };

// The unattended key generation's parameters, read by the engine from its standard input; the
// pass phrase is among them, so they are built in wiped storage. `userId` is UTF-8. The key
// expires `expireDays` after today (0: never).
mw::SecretString keyParameters(const std::string& userId, KeyKind kind, std::string_view passPhrase,
                               int expireDays = 0);

} // namespace pgp
