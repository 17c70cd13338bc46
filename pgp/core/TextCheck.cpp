// Text or binary, decided by the bytes alone.
#include "pgp/core/TextCheck.h"

namespace pgp {

bool isTextData(std::string_view bytes) {
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20) continue;
        // The share of 8-bit bytes decides nothing: Cyrillic or Greek text in its code page is
        // mostly 8-bit, and a binary file without a single such control byte is not met in practice.
        const bool allowed = (b >= 0x07 && b <= 0x0D) || b == 0x1A || b == 0x1B;
        if (!allowed) return false;
    }
    return true;
}

} // namespace pgp
