// The choices the key commands make before the engine runs: the name a key is extracted to, the
// rings PGP 2.6 named, what a file of keys looks like, which added keys to offer for certifying,
// and the trust values PGP 2.6's questions offer.
#pragma once
#include "pgp/core/Keys.h"
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgp {

// -kx: a name without an extension gets ".asc" (armoured) or ".pgp", as PGP 2.6 gave it.
std::wstring keyFileName(std::wstring_view name, bool armor);

// PGP 2.6's secret key ring names (secring.pgp, or secring.skr of later versions): naming one
// after a user ID asks for the secret key.
bool isSecretRingName(std::wstring_view bareName);

// The first bytes of a file are a key or a key block, armoured or binary, rather than a message.
bool looksLikeKeyFile(std::string_view head);

// Of the keys just added (their fingerprints), those no trusted signature certifies yet: -ka offers
// to certify them, so that they can be used without a question.
std::vector<const Key*> keysToCertify(const std::vector<Key>& keys, const std::vector<std::string>& added);

// PGP 2.6's answer to "Would you trust ... to act as an introducer" (1 I don't know, 2 No,
// 3 Usually, 4 Yes, always) as the engine's owner-trust value; nothing for any other answer.
std::optional<int> ownerTrustForAnswer(std::wstring_view answer);

} // namespace pgp
