#!/usr/bin/env python3
"""Draws the product picture of the editor's about box, a padlock over a stone well in a murky
night, and writes it as a 24-bit BMP beside the resource script that links it into the editor:
    scripts/make-picture.py [OUT_DIR] [--preview PNG]"""
import importlib.util
import math
from pathlib import Path

HERE = Path(__file__).resolve().parent
_loader = importlib.util.spec_from_file_location("glyphs", HERE / "make-glyphs.py")
glyphs = importlib.util.module_from_spec(_loader)
_loader.loader.exec_module(glyphs)

WIDTH, HEIGHT = 113, 77


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def picture():
    px = [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    # Night sky fading into murky teal towards the ground.
    for y in range(HEIGHT):
        for x in range(WIDTH):
            px[y][x] = mix((0, 0, 40), (0, 70, 80), y / (HEIGHT - 1))
    # Mist: three soft bands of waves.
    for band, (base, amp, shade) in enumerate(((40, 3, 0.35), (52, 2, 0.45), (63, 2, 0.55))):
        for x in range(WIDTH):
            top = base + amp * math.sin(x / (7 + band * 2) + band)
            for y in range(int(top), min(HEIGHT, int(top) + 5)):
                px[y][x] = mix(px[y][x], (150, 200, 200), shade * (1 - (y - top) / 5))
    # The well: a stone ring seen from the side, with a dark opening.
    cx, top, bottom = 56, 50, 72
    for y in range(top, bottom):
        for x in range(cx - 26, cx + 27):
            brick = ((y - top) // 4 + (x + ((y - top) // 4) * 3) // 9) % 2
            px[y][x] = (120, 120, 130) if brick else (95, 95, 105)
            if (y - top) % 4 == 0 or (x + ((y - top) // 4) * 3) % 9 == 0:
                px[y][x] = (50, 50, 60)
    for y in range(top - 4, top + 4):
        for x in range(cx - 26, cx + 27):
            if ((x - cx) / 26) ** 2 + ((y - top) / 4) ** 2 <= 1:
                inner = ((x - cx) / 22) ** 2 + ((y - top) / 3) ** 2 <= 1
                px[y][x] = (5, 10, 15) if inner else (140, 140, 150)
    # The padlock hovering over the well: a gold body and a grey shackle.
    lx, ly = cx, 26
    for y in range(ly - 16, ly - 2):
        for x in range(lx - 10, lx + 11):
            d = math.hypot(x - lx, (y - (ly - 6)) * 1.0)
            if 7 <= d <= 10 and y <= ly - 4:
                px[y][x] = (200, 200, 210) if d < 9 else (90, 90, 100)
    for y in range(ly - 4, ly + 14):
        for x in range(lx - 13, lx + 14):
            edge = x in (lx - 13, lx + 13) or y in (ly - 4, ly + 13)
            px[y][x] = (120, 80, 0) if edge else mix((255, 220, 60), (200, 140, 0), (y - ly + 4) / 18)
    for y in range(ly + 1, ly + 9):
        for x in range(lx - 2, lx + 3):
            if y < ly + 5 or abs(x - lx) < 1:
                px[y][x] = (40, 25, 0)
    # A few stars.
    for x, y in ((8, 6), (22, 14), (95, 5), (104, 18), (80, 11), (36, 4), (14, 24), (100, 30)):
        px[y][x] = (255, 255, 220)
    return px


def main():
    out, preview = glyphs.output_arguments(HERE.parent / "editor" / "pictures")
    pixels = picture()
    (out / "product.bmp").write_bytes(glyphs.bmp(pixels))
    (out / "Pictures.rc").write_text("// The editor's pictures, written by scripts/make-picture.py.\n"
                                     'PRODUCT_PICTURE BITMAP "product.bmp"\n')
    if preview:
        Path(preview).write_bytes(glyphs.png(pixels, 4))


if __name__ == "__main__":
    main()
