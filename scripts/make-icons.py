#!/usr/bin/env python3
"""Draws the two programs' icons and writes each as a .ico file (16, 32 and 48 pixels, 32-bit with
alpha) beside the resource script that makes it the program's first icon:
    scripts/make-icons.py [--preview PNG]
The editor shows a written page under a padlock, the file module a folder under the same padlock.
Shapes are drawn in a unit square and sampled 4 x 4 times per pixel, so every size is drawn for
itself rather than shrunk from another."""
import importlib.util
import struct
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
_loader = importlib.util.spec_from_file_location("glyphs", HERE / "make-glyphs.py")
glyphs = importlib.util.module_from_spec(_loader)
_loader.loader.exec_module(glyphs)

SIZES = (16, 32, 48)
SAMPLES = 4

OUTLINE = (40, 40, 48)
PAPER = (255, 255, 255)
FOLD = (200, 200, 210)
INK = (90, 100, 120)
FOLDER_BACK = (200, 140, 30)
FOLDER_FRONT = (250, 200, 80)
FOLDER_EDGE = (120, 75, 10)
LOCK_BODY = (0, 128, 128)
LOCK_LIGHT = (90, 200, 190)
STEEL = (170, 175, 185)
KEYHOLE = (10, 30, 35)


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def ring(cx, cy, outer, inner, below):
    """The upper half of a ring (a shackle), continued straight down to `below`."""
    def inside(x, y):
        if y <= cy:
            d = (x - cx) ** 2 + (y - cy) ** 2
            return inner * inner <= d <= outer * outer
        return y < below and inner <= abs(x - cx) <= outer
    return inside


def page_without_corner(x0, y0, x1, y1, corner):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1 and (x - (x1 - corner)) <= (y - y0)


def padlock(px, left, top, right, bottom):
    """Layers of a padlock whose body fills the given box; its shackle rises above it."""
    cx = (left + right) / 2
    half = (right - left) / 2
    shackle_outer, shackle_inner = half * 0.72, half * 0.72 - max(px * 1.6, half * 0.22)
    shackle_cy = top - half * 0.05
    return [
        (ring(cx, shackle_cy, shackle_outer + px, shackle_inner - px, top + px), OUTLINE),
        (ring(cx, shackle_cy, shackle_outer, shackle_inner, top + px), STEEL),
        (rounded(left, top, right, bottom, px * 1.5), OUTLINE),
        (rounded(left + px, top + px, right - px, bottom - px, px), LOCK_BODY),
        (rect(left + px, top + px, right - px, top + px + max(px, (bottom - top) * 0.12)), LOCK_LIGHT),
        (lambda x, y: (x - cx) ** 2 + (y - (top + bottom) / 2 + px * 0.5) ** 2 <= (half * 0.2) ** 2, KEYHOLE),
        (rect(cx - max(px * 0.5, half * 0.07), (top + bottom) / 2, cx + max(px * 0.5, half * 0.07),
              (top + bottom) / 2 + (bottom - top) * 0.25), KEYHOLE),
    ]


def editor_layers(size):
    px = 1 / size
    layers = [
        (page_without_corner(0.10, 0.04, 0.72, 0.92, 0.20), OUTLINE),
        (page_without_corner(0.10 + px, 0.04 + px, 0.72 - px, 0.92 - px, 0.20), PAPER),
        (lambda x, y: 0.52 <= x < 0.72 and 0.04 <= y < 0.24 and (x - 0.52) >= (y - 0.04) - 0.001, FOLD),
    ]
    lines = 3 if size < 32 else 5
    for i in range(lines):
        y = 0.30 + i * (0.50 / lines)
        right = 0.56 if i % 2 else 0.62
        layers.append((rect(0.20, y, right, y + max(px, 0.05)), INK))
    return layers + padlock(px, 0.46, 0.56, 0.96, 0.96)


def file_module_layers(size):
    px = 1 / size
    return [
        (rounded(0.02, 0.12, 0.40, 0.30, px * 2), FOLDER_EDGE),
        (rounded(0.02 + px, 0.12 + px, 0.40 - px, 0.30, px), FOLDER_BACK),
        (rect(0.02, 0.22, 0.90, 0.86), FOLDER_EDGE),
        (rect(0.02 + px, 0.22 + px, 0.90 - px, 0.86 - px), FOLDER_BACK),
        (rect(0.02, 0.36, 0.90, 0.86), FOLDER_EDGE),
        (rect(0.02 + px, 0.36 + px, 0.90 - px, 0.86 - px), FOLDER_FRONT),
    ] + padlock(px, 0.48, 0.58, 0.98, 0.98)


def render(layers, size):
    """Rows of (r, g, b, a), top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    colour = None
                    for inside, c in layers:
                        if inside(x, y):
                            colour = c
                    if colour:
                        covered += 1
                        for i in range(3):
                            acc[i] += colour[i]
            if covered:
                row.append(tuple(round(v / covered) for v in acc) + (round(255 * covered / SAMPLES ** 2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def ico(images):
    """An .ico file of 32-bit images (rows of RGBA, top first), each with its AND mask."""
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for rows in images:
        size = len(rows)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
        mask_stride = ((size + 31) // 32) * 4
        mask = b""
        for row in reversed(rows):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(bits)
        blob = header + colour + mask
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + entries + blobs


def annulus(cx, cy, outer, inner):
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        return inner * inner <= d <= outer * outer
    return inside


def key_manager_layers(size):
    px = 1 / size
    # A key: a ring for the bow, a shaft and two teeth.
    layers = [
        (annulus(0.28, 0.35, 0.25, 0.10), OUTLINE),
        (annulus(0.28, 0.35, 0.25 - px, 0.10 + px), FOLDER_BACK),
        (rect(0.50, 0.29, 0.96, 0.41), OUTLINE),
        (rect(0.50, 0.29 + px, 0.96 - px, 0.41 - px), FOLDER_BACK),
        (rect(0.80, 0.41, 0.88, 0.56), OUTLINE),
        (rect(0.66, 0.41, 0.74, 0.52), OUTLINE),
    ]
    return layers + padlock(px, 0.48, 0.58, 0.98, 0.98)


PROGRAMS = (
    ("editor", "murkwell.ico", "The editor's icon", editor_layers),
    ("filemodule", "bramlet.ico", "The file module's icon", file_module_layers),
    ("keymanager", "wendal.ico", "The key manager's icon", key_manager_layers),
)


def main():
    args = sys.argv[1:]
    preview = args[args.index("--preview") + 1] if "--preview" in args else None
    sheet = []
    for folder, name, what, layers in PROGRAMS:
        out = ROOT / folder / "icon"
        out.mkdir(parents=True, exist_ok=True)
        images = [render(layers(size), size) for size in SIZES]
        (out / name).write_bytes(ico(images))
        (out / "Icon.rc").write_text(f"// {what}, written by scripts/make-icons.py. The first icon of the\n"
                                     "// program: the file's icon and the window class's.\n"
                                     f'MAINICON ICON "{name}"\n')
        # Preview: each size over a light and a dark ground, side by side.
        for ground in ((236, 236, 236), (40, 60, 70)):
            band = [[ground] * (sum(SIZES) + 4 * len(SIZES)) for _ in range(max(SIZES))]
            x0 = 0
            for rows in images:
                for y, row in enumerate(rows):
                    for x, (r, g, b, a) in enumerate(row):
                        band[y][x0 + x] = tuple(round(c * a / 255 + k * (255 - a) / 255)
                                                for c, k in zip((r, g, b), ground))
                x0 += len(rows) + 4
            sheet += band
    if preview:
        Path(preview).write_bytes(glyphs.png(sheet, 4))


if __name__ == "__main__":
    main()
