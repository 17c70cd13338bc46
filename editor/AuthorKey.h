// The public key block of the author's key dialog, written by scripts/make-author-key.py.
#pragma once

namespace editor {

// Lines end in CR LF, as a multi-line edit control shows them.
inline constexpr const char* kAuthorKeyBlock =
    "-----BEGIN PGP PUBLIC KEY BLOCK-----\r\n"
    "Version: 2.6.2\r\n"
    "\r\n"
    "mQCNAzKh6IAAAAEEAKtIyPo9aud4mhyc6/bKAzWCCwLjP88yPNGz7kqm0Qc2quV6\r\n"
    "YinzHPDi07GbIXcY7q/vcVBV1QexFGy6x61K4rKG5+vDKxLLlQZy6x86nZebsDx8\r\n"
    "MkVH+px4DCPVFpGytVZVeS5UArIsTciZ26VhnGrESa+LprStQfI2WH2cPLWdAAUR\r\n"
    "tClNdXJrd2VsbCBBdXRob3IgPGF1dGhvckBtdXJrd2VsbC5leGFtcGxlPg==\r\n"
    "=kkT9\r\n"
    "-----END PGP PUBLIC KEY BLOCK-----\r\n";

} // namespace editor
