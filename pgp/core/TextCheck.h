// Whether -t may treat data as text. The engine's text mode rewrites line ends, which corrupts a
// binary file, so data holding a byte that no text holds is treated as binary whatever -t says.
#pragma once
#include <string_view>

namespace pgp {

// True when every byte may stand in text: printable and 8-bit bytes (a code page's or UTF-8's
// letters), and of the control bytes only BEL, BS, HT, LF, VT, FF, CR, SUB (a DOS end-of-file
// mark) and ESC (a printer's or a terminal's sequences). Anything else, NUL above all, is what
// binary files are made of. Data read in parts is text when every part is.
bool isTextData(std::string_view bytes);

} // namespace pgp
