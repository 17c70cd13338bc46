#!/usr/bin/env python3
"""Draws the button-bar glyphs from the pixel maps below and writes them as 24-bit BMP files plus the
resource script that links them into both programs:
    scripts/make-glyphs.py [OUT_DIR] [--preview PNG]
Each glyph holds two cells side by side: the coloured image shown under the pointer, then a greyed
copy shown at rest. The background of every cell is the glyph's transparent colour. Every glyph comes
in three sizes: as drawn (100%), NAME_150 and NAME_200, enlarged by rules that keep edges sharp and
diagonals smooth (Scale2x; Scale3x then every other pixel), never by blending."""
import struct
import sys
import zlib
from pathlib import Path

OLIVE = (128, 128, 0)
PURPLE = (128, 0, 128)

PALETTE = {
    "K": (0, 0, 0),
    "k": (64, 64, 64),
    "g": (128, 128, 128),
    "G": (192, 192, 192),
    "W": (255, 255, 255),
    "Y": (255, 208, 0),
    "y": (176, 128, 0),
    "R": (208, 0, 0),
    "r": (255, 128, 128),
    "B": (0, 64, 192),
    "b": (96, 160, 255),
    "N": (128, 64, 0),
    "n": (224, 176, 112),
    "E": (0, 144, 0),
    "e": (128, 224, 128),
}

# Sprites: "." leaves what is below.
LOCK = """
..kkkkk..
.kG...Gk.
.kG...Gk.
.kG...Gk.
KKKKKKKKK
KYWYYYYyK
KYYYkYYyK
KYYYkYYyK
KyyyyyyyK
KKKKKKKKK
"""

OPEN_LOCK = """
.kkkkk...
kG...Gk..
kG...Gk..
.....Gk..
KKKKKKKKK
KYWYYYYyK
KYYYkYYyK
KYYYkYYyK
KyyyyyyyK
KKKKKKKKK
"""

BIG_LOCK = """
................
.....kkkkkk.....
....kGGGGGGk....
...kGk....kGk...
...kGk....kGk...
...kGk....kGk...
...kGk....kGk...
..KKKKKKKKKKKK..
..KYYYYYYYYYYK..
..KYWYYYYYYYyK..
..KYYYYKKYYYyK..
..KYYYYKKYYYyK..
..KYYYYYKYYYyK..
..KYYYYYKYYYyK..
..KyyyyyyyyyyK..
..KKKKKKKKKKKK..
"""

BIG_OPEN_LOCK = """
....kkkkkk......
...kGGGGGGk.....
..kGk....kGk....
..kGk....kGk....
..kGk....kGk....
.........kGk....
.........kGk....
..KKKKKKKKKKKK..
..KYYYYYYYYYYK..
..KYWYYYYYYYyK..
..KYYYYKKYYYyK..
..KYYYYKKYYYyK..
..KYYYYYKYYYyK..
..KYYYYYKYYYyK..
..KyyyyyyyyyyK..
..KKKKKKKKKKKK..
"""

PEN = """
.........kK
........kbBK
.......kbBk.
......kbBk..
.....kbBk...
....kbBk....
...kbBk.....
..nYBk......
.nYyk.......
.Yyk........
K...........
"""

SQUIGGLE = """
..K.....KK.....
.K.K...K..K..K.
K...K.K....KK.K
.....K.........
"""

CLIPBOARD = """
.....kkkkkk.....
..NNkGGGGGGkNN..
..NnkkkkkkkknN..
..NnWWWWWWWWnN..
..NnWkkkkkkWnN..
..NnWWWWWWWWnN..
..NnWkkkkkWWnN..
..NnWWWWWWWWnN..
..NnWkkkkkkWnN..
..NnWWWWWWWWnN..
..NnWkkkkWWWnN..
..NnWWWWWWWWnN..
..NnnnnnnnnnnN..
..NNNNNNNNNNNN..
"""

PAGE = """
kkkkkk...
kWWWWkk..
kWWWWkWk.
kWWWWkkkk
kWkkkkkWk
kWWWWWWWk
kWkkkkkWk
kWWWWWWWk
kWkkkkWWk
kWWWWWWWk
kWWWWWWWk
kkkkkkkkk
"""

BLUE_PAGE = PAGE.replace("kWkkkkkWk", "kWBBBBBWk").replace("kWkkkkWWk", "kWBBBBWWk")

BIG_PAGE = """
..kkkkkkkkk.....
..kWWWWWWWkk....
..kWWWWWWWkWk...
..kWWWWWWWkkkk..
..kWWWWWWWWWWk..
..kWWWWWWWWWWk..
..kWWWWWWWWWWk..
..kWWWWWWWWWWk..
..kWWWWWWWWWWk..
..kWWWWWWWWWWk..
..kWWWWWWWWWWk..
..kWWWWWWWWWWk..
..kWWWWWWWWWWk..
..kWWWWWWWWWWk..
..kkkkkkkkkkkk..
"""

CROSS = """
RR....RR
.RR..RR.
..RRRR..
...RR...
..RRRR..
.RR..RR.
RR....RR
"""

QUOTED = """
E.kkkkk
.E.....
E.kkkk.
.......
E.kkkkk
.E.....
E.kkk..
"""

SCISSORS = """
...k........k...
...kG......Gk...
....kG....Gk....
....kG....Gk....
.....kG..Gk.....
.....kG..Gk.....
......kGGk......
.......kk.......
......kkkk......
.....kk..kk.....
....RRR..RRR....
...R...RR...R...
...R...RR...R...
...R...RR...R...
....RRR..RRR....
"""

KEY = """
.kkkk...........
kYYYYk..........
YYkkYYkkkkkkkkk.
Yk..kYYYYYYYYYYk
Yk..kYYYYYYYYYYk
YYkkYYkkkkkYkYk.
kYYYYk.....kYkk.
.kkkk......kk...
"""

DOOR = """
.kkkkkkkkkk.......
.kNNNNNNNNk.......
.kNnnnnnnNk.......
.kNnnnnnnNk.......
.kNnnnnnnNk..E....
.kNnnnnnnNk..EE...
.kNnnnnnnNk..EeE..
.kNnnnnnnNk..EeeE.
.kNnnnnEEEEEEEeeeE
.kNnnnnEEEEEEEeeeE
.kNnnnnnnNk..EeeE.
.kNnnnYnnNk..EeE..
.kNnnnnnnNk..EE...
.kNnnnnnnNk..E....
.kNnnnnnnNk.......
.kNNNNNNNNk.......
.kkkkkkkkkk.......
"""

CHECK = """
..............E.
.............EE.
............EeE.
...........EeE..
..........EeE...
.E.......EeE....
.EE.....EeE.....
.EeE...EeE......
..EeE.EeE.......
...EeEeE........
....EeE.........
.....E..........
"""


def rows(sprite):
    return [r for r in sprite.strip("\n").split("\n")]


def compose(size, *layers):
    """Pastes sprites (text, x, y) onto a blank size x size map, later ones on top."""
    grid = [["."] * size for _ in range(size)]
    for sprite, ox, oy in layers:
        for y, row in enumerate(rows(sprite)):
            for x, ch in enumerate(row):
                if ch != "." and 0 <= oy + y < size and 0 <= ox + x < size:
                    grid[oy + y][ox + x] = ch
    return ["".join(r) for r in grid]


# Resource name, transparent colour, cell size, pixel map of the hot image.
GLYPHS = [
    ("GLYPH_ENCRYPT", OLIVE, 16, compose(16, (BIG_LOCK, 0, 0))),
    ("GLYPH_DECRYPT", OLIVE, 16, compose(16, (BIG_OPEN_LOCK, 0, 0))),
    ("GLYPH_SIGN", PURPLE, 16, compose(16, (PEN, 4, 0), (SQUIGGLE, 0, 12))),
    ("GLYPH_SIGN_ENCRYPT", OLIVE, 16, compose(16, (LOCK, 0, 6), (PEN, 5, 0))),
    ("GLYPH_ENCRYPT_IDEA", OLIVE, 16, compose(16, (KEY, 0, 4))),
    ("GLYPH_PASTE_DECRYPT", OLIVE, 16, compose(16, (CLIPBOARD, -2, 0), (OPEN_LOCK, 7, 6))),
    ("GLYPH_PASTE_MESSAGE", OLIVE, 16, compose(16, (CLIPBOARD, 0, 1))),
    ("GLYPH_CUT_MESSAGE", OLIVE, 16, compose(16, (SCISSORS, 0, 0))),
    ("GLYPH_COPY_MESSAGE", OLIVE, 16, compose(16, (PAGE, 1, 0), (BLUE_PAGE, 6, 4))),
    ("GLYPH_CLEAR", PURPLE, 16, compose(16, (BIG_PAGE, 0, 0), (CROSS, 5, 5))),
    ("GLYPH_QUOTE", OLIVE, 16, compose(16, (BIG_PAGE, 0, 0), (QUOTED, 4, 4))),
    ("GLYPH_EXIT", OLIVE, 18, compose(18, (DOOR, 0, 0))),
    ("GLYPH_SIGN_DETACHED", PURPLE, 16, compose(16, (PEN, 0, 0), (PAGE, 7, 4))),
    ("GLYPH_OK", OLIVE, 16, compose(16, (CHECK, 0, 2))),
]


def scale2x(pixmap):
    """Each pixel becomes four; a corner takes a neighbour's colour where two neighbours agree."""
    h, w = len(pixmap), len(pixmap[0])
    at = lambda x, y: pixmap[min(max(y, 0), h - 1)][min(max(x, 0), w - 1)]
    out = [[""] * (w * 2) for _ in range(h * 2)]
    for y in range(h):
        for x in range(w):
            p, a, b, c, d = at(x, y), at(x, y - 1), at(x + 1, y), at(x - 1, y), at(x, y + 1)
            e0 = e1 = e2 = e3 = p
            if a != d and c != b:
                e0 = c if c == a else p
                e1 = b if a == b else p
                e2 = c if c == d else p
                e3 = b if d == b else p
            out[2 * y][2 * x], out[2 * y][2 * x + 1] = e0, e1
            out[2 * y + 1][2 * x], out[2 * y + 1][2 * x + 1] = e2, e3
    return ["".join(r) for r in out]


def scale3x(pixmap):
    """Each pixel becomes nine, by the same agreement of neighbours."""
    h, w = len(pixmap), len(pixmap[0])
    at = lambda x, y: pixmap[min(max(y, 0), h - 1)][min(max(x, 0), w - 1)]
    out = [[""] * (w * 3) for _ in range(h * 3)]
    for y in range(h):
        for x in range(w):
            A, B, C = at(x - 1, y - 1), at(x, y - 1), at(x + 1, y - 1)
            D, E, F = at(x - 1, y), at(x, y), at(x + 1, y)
            G, H, I = at(x - 1, y + 1), at(x, y + 1), at(x + 1, y + 1)
            cell = [E] * 9
            if B != H and D != F:
                cell[0] = D if D == B else E
                cell[1] = B if (D == B and E != C) or (B == F and E != A) else E
                cell[2] = F if B == F else E
                cell[3] = D if (D == B and E != G) or (D == H and E != A) else E
                cell[5] = F if (B == F and E != I) or (H == F and E != C) else E
                cell[6] = D if D == H else E
                cell[7] = H if (D == H and E != I) or (H == F and E != G) else E
                cell[8] = F if H == F else E
            for i, v in enumerate(cell):
                out[3 * y + i // 3][3 * x + i % 3] = v
    return ["".join(r) for r in out]


def one_and_a_half(pixmap):
    """Scale3x, then every other pixel: 16 becomes 24."""
    big = scale3x(pixmap)
    return ["".join(row[x] for x in range(0, len(row), 2)) for row in big[0::2]]


def greyed(rgb):
    # A light grey of the same brightness, so that the resting bar looks quiet.
    r, g, b = rgb
    lum = (r * 30 + g * 59 + b * 11) // 100
    v = (lum * 5 + 192 * 3) // 8
    return (v, v, v)


def cells(transparent, size, pixmap):
    """Rows of RGB pixels: the hot image, then its greyed copy."""
    out = []
    for row in pixmap:
        assert len(row) == size, row
        hot = [transparent if ch == "." else PALETTE[ch] for ch in row]
        rest = [transparent if ch == "." else greyed(PALETTE[ch]) for ch in row]
        out.append(hot + rest)
    assert len(out) == size
    for row in out:
        for p in row:
            assert p == transparent or p not in (OLIVE, PURPLE)
    return out


def bmp(pixels):
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):  # bottom row first
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        body += line + b"\0" * (stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(body), 0, 0, 14 + len(header)) + header + body


def png(pixels, scale):
    height, width = len(pixels) * scale, len(pixels[0]) * scale
    raw = bytearray()
    for row in pixels:
        line = b"\0" + b"".join(bytes(p) * scale for p in row)
        raw += line * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


def output_arguments(default_dir):
    """[OUT_DIR] [--preview PNG] from the command line: the output directory (made if missing)
    and the preview's path or None."""
    args = sys.argv[1:]
    preview = None
    if "--preview" in args:
        i = args.index("--preview")
        preview = args[i + 1]
        del args[i:i + 2]
    out = Path(args[0]) if args else default_dir
    out.mkdir(parents=True, exist_ok=True)
    return out, preview


def main():
    out, preview = output_arguments(Path(__file__).resolve().parent.parent / "common" / "glyphs")
    rc = ["// Button glyphs of both programs, written by scripts/make-glyphs.py.\n"]
    sheet = []
    for base, transparent, base_size, base_pixmap in GLYPHS:
        for suffix, factor, enlarge in (("", 2, None), ("_150", 3, one_and_a_half), ("_200", 4, scale2x)):
            name = base + suffix
            pixmap = enlarge(base_pixmap) if enlarge else base_pixmap
            size = base_size * factor // 2
            pixels = cells(transparent, size, pixmap)
            file = name[len("GLYPH_"):].lower() + ".bmp"
            (out / file).write_bytes(bmp(pixels))
            rc.append(f'{name} BITMAP "{file}"\n')
            if not suffix or suffix == "_200":
                sheet += [row + [(255, 255, 255)] * (72 - len(row)) for row in pixels] + [[(255, 255, 255)] * 72]
    (out / "Glyphs.rc").write_text("".join(rc))
    if preview:
        Path(preview).write_bytes(png(sheet, 6))


if __name__ == "__main__":
    main()
