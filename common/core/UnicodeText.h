// The editor's text is UTF-8 inside the programs; these decide how bytes from files and from PGP
// become that text, and convert it to and from the UTF-16 of the system's wide calls.
#pragma once
#include "core/Platform.h"
#include <cstddef>
#include <string>
#include <string_view>

namespace mw {

// Whether `bytes` are well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF,
// no truncated sequence.
bool isValidUtf8(std::string_view bytes);

// UTF-16 to UTF-8; an unpaired surrogate (which is no character) becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; each byte that starts no well-formed sequence becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);

// How the bytes of a text file are read.
enum class TextFileEncoding { Utf8WithBom, Utf16LeWithBom, Utf16BeWithBom, Utf8, Ansi };
// A byte-order mark decides; without one, bytes that are well-formed UTF-8 are UTF-8 (ASCII is
// both), anything else is the ANSI code page of older programs and older PGP.
TextFileEncoding detectTextFileEncoding(std::string_view bytes);

// The bytes of a file, or of PGP's output, as UTF-8 text, read as detectTextFileEncoding says.
// A byte-order mark is not part of the text. Malformed sequences after a UTF-8 or UTF-16 mark
// become U+FFFD; in the ANSI code page every byte is some character.
std::string textFromBytes(Platform& platform, std::string_view bytes);

// Where in `utf8` the first `utf16Units` UTF-16 units of its wide form end, in bytes. A count
// that ends inside a surrogate pair stops before that character.
std::size_t utf8PrefixOfUtf16Units(std::string_view utf8, std::size_t utf16Units);
// The length in bytes of the character that `utf8` starts with (1 for a malformed byte, 0 when
// empty): the least a line may be broken after.
std::size_t firstCharacterLength(std::string_view utf8);
// `count` bytes of `utf8`, or fewer, so that no character is cut in two.
std::size_t characterBoundaryAtOrBefore(std::string_view utf8, std::size_t count);

} // namespace mw
