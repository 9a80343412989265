#!/usr/bin/env python3
"""Writes the program icon: a 32 x 32, 16-colour picture of the demonstration
(white specks with small rings on black), as a Windows .ico file.

    make_icon.py OUTPUT.ico
"""
import random
import struct
import sys

SIZE = 32
# Colour table (blue, green, red, 0): black, dark blue, dark green, white.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (255, 255, 255)] + [(0, 0, 0)] * 12


def picture():
    rng = random.Random(21)  # fixed: the same icon every time
    pixels = [[0] * SIZE for _ in range(SIZE)]
    for _ in range(90):
        pixels[rng.randrange(SIZE)][rng.randrange(SIZE)] = rng.choice((1, 2))
    for _ in range(9):
        cx, cy = rng.randrange(2, SIZE - 2), rng.randrange(2, SIZE - 2)
        for dx, dy in ((0, 0), (1, 0), (-1, 0), (0, 1), (0, -1)):
            pixels[cy + dy][cx + dx] = 3
    return pixels


def icon_bytes():
    pixels = picture()
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for b, g, r in PALETTE)
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up
        row = pixels[y]
        rows.append(bytes((row[x] << 4) | row[x + 1] for x in range(0, SIZE, 2)))
    xor_bits = b"".join(rows)
    and_mask = bytes(SIZE * SIZE // 8)  # every pixel opaque
    image = header + colours + xor_bits + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_icon.py OUTPUT.ico\n")
        return 2
    with open(sys.argv[1], "wb") as f:
        f.write(icon_bytes())
    return 0


if __name__ == "__main__":
    sys.exit(main())
