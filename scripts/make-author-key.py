#!/usr/bin/env python3
"""Writes editor/AuthorKey.h: the public key block that the author's key dialog shows.
    scripts/make-author-key.py [OUT_FILE]
The key is an RSA key of 1024 bits made from a fixed seed, so every run writes the same bytes. Its
packets are laid out as PGP 2.6 writes them: a version 3 public-key packet (old-style header with a
two-byte length) and a user ID packet, armoured in base64 lines of 64 characters with the CRC-24
checksum line."""
import base64
import random
import sys
from pathlib import Path

SEED = 0x4D75726B  # fixed: the key never changes between runs
CREATED = 0x32A1E880  # 1996-12-01 00:00:00 UTC
USER_ID = b"Murkwell Author <author@murkwell.example>"


def probably_prime(n, rng):
    if n < 4:
        return n in (2, 3)
    for p in (2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37):
        if n % p == 0:
            return n == p
    d, s = n - 1, 0
    while d % 2 == 0:
        d, s = d // 2, s + 1
    for _ in range(40):
        x = pow(rng.randrange(2, n - 2), d, n)
        if x in (1, n - 1):
            continue
        for _ in range(s - 1):
            x = pow(x, 2, n)
            if x == n - 1:
                break
        else:
            return False
    return True


def prime(bits, e, rng):
    while True:
        # Top two bits set, so that the product has exactly twice the bits.
        p = rng.getrandbits(bits) | (3 << (bits - 2)) | 1
        if (p - 1) % e and probably_prime(p, rng):
            return p


def mpi(n):
    bits = n.bit_length()
    return bits.to_bytes(2, "big") + n.to_bytes((bits + 7) // 8, "big")


def packet(tag, body, length_bytes):
    # Old-style packet header: 10 tttt ll, where ll = 0 means one length byte and 1 two. PGP 2.6
    # gives key packets two length bytes whatever their size (0x99) and user IDs one (0xB4).
    return bytes((0x80 | tag << 2 | (length_bytes - 1),)) + len(body).to_bytes(length_bytes, "big") + body


def crc24(data):
    crc = 0xB704CE
    for byte in data:
        crc ^= byte << 16
        for _ in range(8):
            crc <<= 1
            if crc & 0x1000000:
                crc ^= 0x1864CFB
    return crc & 0xFFFFFF


def key_block():
    rng = random.Random(SEED)
    e = 17
    n = prime(512, e, rng) * prime(512, e, rng)
    assert n.bit_length() == 1024
    body = bytes((3,)) + CREATED.to_bytes(4, "big") + (0).to_bytes(2, "big") + bytes((1,)) + mpi(n) + mpi(e)
    data = packet(6, body, 2) + packet(13, USER_ID, 1)
    text = base64.b64encode(data).decode()
    lines = ["-----BEGIN PGP PUBLIC KEY BLOCK-----", "Version: 2.6.2", ""]
    lines += [text[i:i + 64] for i in range(0, len(text), 64)]
    lines.append("=" + base64.b64encode(crc24(data).to_bytes(3, "big")).decode())
    lines.append("-----END PGP PUBLIC KEY BLOCK-----")
    return lines


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "editor" / "AuthorKey.h"
    body = "".join(f'    "{line}\\r\\n"\n' for line in key_block())
    out.write_text("// The public key block of the author's key dialog, written by scripts/make-author-key.py.\n"
                   "#pragma once\n\nnamespace editor {\n\n"
                   "// Lines end in CR LF, as a multi-line edit control shows them.\n"
                   "inline constexpr const char* kAuthorKeyBlock =\n" + body.rstrip("\n") + ";\n\n"
                   "} // namespace editor\n")


if __name__ == "__main__":
    main()
