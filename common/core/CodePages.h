// Converting text between two code pages through the platform's conversion calls.
#pragma once
#include "core/Platform.h"
#include "core/SecretText.h"
#include <optional>
#include <string>
#include <string_view>

namespace mw {

// The flags a code page lets the conversion calls take. The system refuses a call outright when a
// code page is given one it does not allow.
struct CodePageFlags {
    bool strictDecode = true;  // MB_ERR_INVALID_CHARS: bytes that are no valid text fail the call
    bool noBestFit = true;     // WC_NO_BEST_FIT_CHARS: no look-alike stands in for a character
    bool reportDefault = true; // lpUsedDefaultChar: the call tells when a character had no form
};
CodePageFlags codePageFlags(unsigned codePage);

// `text` from code page `from` in code page `to`; nullopt when a character has no exact form in
// `to` or `text` is no valid text in `from`.
std::optional<std::string> recode(Platform& platform, std::string_view text, unsigned from, unsigned to);
// The same for secret text: every buffer on the way is overwritten before it is freed.
std::optional<SecretString> recodeSecret(Platform& platform, std::string_view text, unsigned from,
                                         unsigned to);
// UTF-16 secret text (what an edit field holds) in code page `to`, every buffer on the way
// overwritten; nullopt when a character has no exact form there, so that no look-alike or "?"
// silently takes its place.
std::optional<SecretString> encodeSecret(Platform& platform, std::u16string_view wide, unsigned to);

} // namespace mw
