// What the key dialogs hand back: the chosen user IDs as PGP command-line text, and which user
// IDs may be chosen at all.
#pragma once
#include "core/KeyListing.h"
#include <optional>
#include <string>
#include <vector>

namespace mw {

// "Keys To Use" holds at most this many recipients.
constexpr std::size_t kMaxKeysToUse = 3;

// A user ID is someone else's text. Inside double quotes on PGP's command line a double quote
// would end the quoting and a control character could end or split the batch line; PGP takes
// one beginning with "-" for options and one beginning with "+" for a configuration setting
// ("+pubring=..."); a very long one would make a line cmd.exe cannot read. Such
// IDs are shown but never handed on. "%" is fine: the batch writer doubles it.
bool canPassUserId(const std::string& userId);
// Longer user IDs are refused: three of them and the signer must fit one batch line.
constexpr std::size_t kMaxUserIdLength = 1500;

// Text of the box shown when a user ID is refused.
extern const char* const kUnsafeUserIdMessage;

std::string quotedUserId(const std::string& userId);

enum class AddOutcome { Added, Full, Refused };

// Appends the quoted user ID to "Keys To Use" unless it is full (silently) or the ID cannot be
// passed on (the caller tells the user).
AddOutcome addKeyToUse(std::vector<std::string>& keysToUse, const std::string& userId);

// The recipient string: every entry of "Keys To Use", in order, each followed by one blank.
std::string recipientString(const std::vector<std::string>& keysToUse);

// The signer string: quoted in the editor; the file module's operations add the quotes themselves.
std::string signerString(KeyProgram program, const std::string& userId);

// The secret-key dialog's choice: the signer string, or nothing when the ID cannot be passed on
// (the caller tells the user and keeps the dialog open for another choice).
std::optional<std::string> chooseSigner(KeyProgram program, const std::string& userId);

} // namespace mw
