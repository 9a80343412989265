#!/usr/bin/env python3
"""Builds the runtime's built-in fonts and palettes and their compressed form.

The expanded area is 10742 bytes:
    0     2048  8x8 font, 256 glyphs x 8 rows
    2048  3584  8x14 font, 256 glyphs x 14 rows
    5632  4096  8x16 font, 256 glyphs x 16 rows
    9728     6  2-colour palette (red, green, blue triples)
    9734    48  16-colour palette
    9782   192  64-colour palette
    9974   768  256-colour palette
Glyph rows are one byte each, top row first, bit 0 the leftmost pixel.

Source of the glyphs: the PSF console fonts of Debian's console-data package
(/usr/share/consolefonts), which carry the PC's code page 437 character shapes.
PSF rows have bit 7 leftmost, so every row byte is bit-reversed here.
  8x16  default8x16.psf.gz: 256 glyphs in code page 437 order; its Unicode
        table is checked against code page 437 for every code 1..255.
  8x14  cp865-8x14.psf.gz: code page 865 order, which differs from 437 only at
        0x9B, 0x9D and 0xAF; the 437 glyphs there (cent sign, yen sign, right
        guillemet) are drawn below, after the 8x16 ones and the neighbouring
        8x14 glyphs.
  8x8   cp865-8x8.psf.gz draws ASCII in a later style (its A is 38 6C C6 FE ...),
        not the classic PC shapes (A = 30 78 CC CC FC CC CC 00). Those come from
        alt-8x8.psf.gz, whose code page (866) keeps the 437 layout for 0..127
        (symbols, ASCII) and 176..223 (box drawing, shades, blocks); the rest
        (accented letters, Greek and mathematical signs) comes from
        cp865-8x8.psf.gz, with 0x9B, 0x9D and 0xAF drawn below.

Palettes: 2 colours black and white; the 16 PC text colours; 64 colours with
blue = 170*bit0 + 85*bit3, green = 170*bit1 + 85*bit4, red = 170*bit2 +
85*bit5 of the index; 256 colours: the 16, sixteen greys, nine hue wheels of 24
entries and eight blacks.

Compression: 12-bit LZW codes, two codes in three bytes (b0 | (b1 & 15) << 8,
then b1 >> 4 | b2 << 4), dictionary codes 256..4094 never reset, 0xFFF ends.

Usage:
  gen_builtin_data.py [--fonts DIR] [--raw FILE] [--source FILE]
    --raw FILE     write the 10742 expanded bytes
    --source FILE  write the compressed block as C++ (gfx/core/builtin_blob.cpp)
"""

import argparse
import gzip
import os
import struct
import sys

EXPANDED_SIZE = 10742
LZW_END = 0xFFF
LZW_LAST_ENTRY = 0xFFE

# Code page 437 shapes of the control codes and of 127.
CP437_LOW = ("\u0000\u263a\u263b\u2665\u2666\u2663\u2660\u2022\u25d8\u25cb\u25d9\u2642\u2640"
             "\u266a\u266b\u263c\u25ba\u25c4\u2195\u203c\u00b6\u00a7\u25ac\u21a8\u2191\u2193"
             "\u2192\u2190\u221f\u2194\u25b2\u25bc")


def cp437_char(code):
    if code < 32:
        return CP437_LOW[code]
    if code == 127:
        return "\u2302"
    return bytes([code]).decode("cp437")


def load_psf(path):
    """Returns (height, [glyph rows as bytes], unicode table or None) of a PSF1 file."""
    with gzip.open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"\x36\x04":
        sys.exit(f"{path}: not a PSF1 font")
    mode, height = data[2], data[3]
    count = 512 if mode & 1 else 256
    glyphs = [data[4 + g * height:4 + (g + 1) * height] for g in range(count)]
    table = None
    if mode & 2:
        table, entry = [], []
        rest = data[4 + count * height:]
        for i in range(0, len(rest) - 1, 2):
            value = struct.unpack_from("<H", rest, i)[0]
            if value == 0xFFFF:
                table.append(entry)
                entry = []
            else:
                entry.append(value)
    return height, glyphs, table


def rows(pattern):
    """Glyph rows drawn as text, '#' set, in PSF order (leftmost pixel = bit 7)."""
    out = []
    for line in pattern.split():
        assert len(line) == 8, line
        out.append(int(line.replace(".", "0").replace("#", "1"), 2))
    return bytes(out)


# Code page 437 glyphs missing from the code page 865 fonts, in PSF order.
HAND_8X8 = {
    0x9B: rows("""...##... ...##... .######. ##...... ##...... .######. ...##... ...##..."""),
    0x9D: rows("""##..##.. ##..##.. .####... ######.. ..##.... ######.. ..##.... ..##...."""),
    0xAF: rows("""........ ##..##.. .##..##. ..##..## .##..##. ##..##.. ........ ........"""),
}
HAND_8X14 = {
    0x9B: rows("""........ ........ ...##... ...##... .######. ##....## ##...... ##......
                  ##....## .######. ...##... ...##... ........ ........"""),
    0x9D: rows("""........ ........ ........ ##....## .##..##. ..####.. ...##... ########
                  ...##... ######## ...##... ...##... ........ ........"""),
    0xAF: rows("""........ ........ ........ ........ ........ ##.##... .##.##.. ..##.##.
                  .##.##.. ##.##... ........ ........ ........ ........"""),
}


def reverse_bits(b):
    return int(f"{b:08b}"[::-1], 2)


def to_layout(glyph_list):
    return b"".join(bytes(reverse_bits(b) for b in g) for g in glyph_list)


def build_fonts(font_dir):
    path = lambda name: os.path.join(font_dir, name + ".psf.gz")

    height, vga16, table = load_psf(path("default8x16"))
    assert height == 16 and table is not None
    for code in range(1, 256):
        assert ord(cp437_char(code)) in table[code], f"default8x16: {code} is not code page 437"
    font16 = vga16[:256]

    height, cp865_14, _ = load_psf(path("cp865-8x14"))
    assert height == 14
    font14 = list(cp865_14[:256])
    for code, glyph in HAND_8X14.items():
        assert len(glyph) == 14
        font14[code] = glyph

    height, cp865_8, _ = load_psf(path("cp865-8x8"))
    assert height == 8
    height, pc_8, _ = load_psf(path("alt-8x8"))
    assert height == 8
    font8 = list(cp865_8[:256])
    for code in list(range(0, 128)) + list(range(176, 224)):
        font8[code] = pc_8[code]
    for code, glyph in HAND_8X8.items():
        assert len(glyph) == 8
        font8[code] = glyph

    # Landmarks of the classic shapes.
    assert font8[ord("A")] == bytes([0x30, 0x78, 0xCC, 0xCC, 0xFC, 0xCC, 0xCC, 0x00])
    assert font16[ord("F")][2] == 0xFE
    for font in (font8, font14, font16):
        assert all(b == 0xFF for b in font[219])

    return to_layout(font8) + to_layout(font14) + to_layout(font16)


PALETTE_16 = [(0, 0, 0), (0, 0, 170), (0, 170, 0), (0, 170, 170), (170, 0, 0), (170, 0, 170),
              (170, 85, 0), (170, 170, 170), (85, 85, 85), (85, 85, 255), (85, 255, 85),
              (85, 255, 255), (255, 85, 85), (255, 85, 255), (255, 255, 85), (255, 255, 255)]
GREYS = [0, 20, 32, 44, 56, 68, 80, 97, 113, 129, 145, 161, 182, 202, 226, 255]
# One hue wheel: (red, green, blue) as indices into the five levels p..t.
WHEEL = ["ppt", "qpt", "rpt", "spt", "tpt", "tps", "tpr", "tpq", "tpp", "tqp", "trp", "tsp",
         "ttp", "stp", "rtp", "qtp", "ptp", "ptq", "ptr", "pts", "ptt", "pst", "prt", "pqt"]
WHEEL_LEVELS = [(0, 64, 125, 190, 255), (125, 157, 190, 222, 255), (182, 198, 218, 234, 255),
                (0, 28, 56, 85, 113), (56, 68, 85, 97, 113), (80, 89, 97, 105, 113),
                (0, 16, 32, 48, 64), (32, 40, 48, 56, 64), (44, 48, 52, 60, 64)]


def build_palettes():
    pal2 = [(0, 0, 0), (255, 255, 255)]
    pal64 = []
    for i in range(64):
        bit = lambda n: (i >> n) & 1
        pal64.append((170 * bit(2) + 85 * bit(5), 170 * bit(1) + 85 * bit(4),
                      170 * bit(0) + 85 * bit(3)))
    pal256 = list(PALETTE_16) + [(g, g, g) for g in GREYS]
    for levels in WHEEL_LEVELS:
        pick = dict(zip("pqrst", levels))
        pal256 += [tuple(pick[c] for c in entry) for entry in WHEEL]
    pal256 += [(0, 0, 0)] * 8
    assert len(pal256) == 256
    out = b""
    for pal in (pal2, PALETTE_16, pal64, pal256):
        out += bytes(c for rgb in pal for c in rgb)
    return out


def lzw_encode(data):
    """Greedy LZW; the dictionary fills up to 4094 and then stays as it is."""
    table = {bytes([b]): b for b in range(256)}
    next_code = 256
    codes = []
    word = data[:1]
    for b in data[1:]:
        longer = word + bytes([b])
        if longer in table:
            word = longer
            continue
        codes.append(table[word])
        if next_code <= LZW_LAST_ENTRY:
            table[longer] = next_code
            next_code += 1
        word = bytes([b])
    codes.append(table[word])
    codes.append(LZW_END)
    out = bytearray()
    for i in range(0, len(codes), 2):
        a = codes[i]
        if i + 1 < len(codes):
            b = codes[i + 1]
            out += bytes([a & 0xFF, (a >> 8) | (b & 0x0F) << 4, b >> 4])
        else:
            out += bytes([a & 0xFF, a >> 8])
    return bytes(out)


def lzw_decode(stream):
    """Reference decoder, the runtime's algorithm, to check the encoder."""
    def code_at(k):
        base = k // 2 * 3
        if k % 2 == 0:
            return stream[base] | (stream[base + 1] & 0x0F) << 8
        return stream[base + 1] >> 4 | stream[base + 2] << 4

    prefix, last = {}, {}

    def string(code):
        out = []
        while code >= 256:
            out.append(last[code])
            code = prefix[code]
        out.append(code)
        return bytes(reversed(out))

    prev = code_at(0)
    out = bytearray([prev])
    next_code, k = 256, 1
    while True:
        code = code_at(k)
        if code == LZW_END:
            return bytes(out)
        s = string(code) if code < next_code else string(prev) + string(prev)[:1]
        out += s
        if next_code <= LZW_LAST_ENTRY:
            prefix[next_code], last[next_code] = prev, s[0]
            next_code += 1
        prev = code
        k += 1


def cpp_source(blob):
    lines = [
        "// Built-in fonts and palettes, LZW-compressed. Generated by",
        "// tools/gen_builtin_data.py, which documents the sources; do not edit.",
        '#include "gfx/core/builtin_data.h"',
        "",
        "// clang-format off",
        "const uint8_t BUILTIN_DATA[] = {",
    ]
    for i in range(0, len(blob), 16):
        lines.append("    " + " ".join(f"0x{b:02X}," for b in blob[i:i + 16]))
    lines += [
        "};",
        "// clang-format on",
        "",
        "const int32_t BUILTIN_DATA_LENGTH = int32_t(sizeof(BUILTIN_DATA));",
        "",
    ]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fonts", default="/usr/share/consolefonts")
    parser.add_argument("--raw")
    parser.add_argument("--source")
    args = parser.parse_args()

    area = build_fonts(args.fonts) + build_palettes()
    assert len(area) == EXPANDED_SIZE, len(area)
    blob = lzw_encode(area)
    assert lzw_decode(blob) == area
    for path in (args.raw, args.source):
        if path and os.path.dirname(path):
            os.makedirs(os.path.dirname(path), exist_ok=True)
    if args.raw:
        with open(args.raw, "wb") as f:
            f.write(area)
    if args.source:
        with open(args.source, "w", newline="\n") as f:
            f.write(cpp_source(blob))
    print(f"expanded {len(area)} bytes, compressed {len(blob)} bytes")


if __name__ == "__main__":
    main()
