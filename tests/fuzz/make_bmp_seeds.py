#!/usr/bin/env python3
"""Writes the bitmap fuzzer's hand-made seeds into bmp_corpus/: the header
forms and stream tricks ImageMagick's corpus (tests/gfx/image/corpus) does
not hold, each small enough to mutate quickly."""
import os, struct

def bmp(header_size, width, height, bpp, compression, palette=b"", extra=b"", data=b"",
        colours=0):
    """A file: the info header (or a longer one, zero-padded), `extra` (masks)
    after it, the palette, then the pixel data."""
    header = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bpp, compression,
                         len(data), 2835, 2835, colours, 0)
    header = header.ljust(header_size, b"\0")
    offset = 14 + len(header) + len(extra) + len(palette)
    return (b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + header + extra
            + palette + data)

grey = lambda n: b"".join(struct.pack("<I", i * 0x010101) for i in range(n))
here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bmp_corpus")
os.makedirs(here, exist_ok=True)

def with_masks(header_size, width, height, bpp, masks, data):
    """Bit fields with the masks inside a longer header (at its byte 40)."""
    f = bytearray(bmp(header_size, width, height, bpp, 3, data=data))
    f[14 + 40:14 + 40 + 4 * len(masks)] = struct.pack("<" + "I" * len(masks), *masks)
    return bytes(f)

seeds = {
    # 16 bits, 5-6-5 masks after a 40-byte header; 3 x 2 with row padding.
    "bitfields16_info": bmp(40, 3, 2, 16, 3, extra=struct.pack("<III", 0xF800, 0x7E0, 0x1F),
                            data=bytes(range(8)) + bytes(range(8, 16))),
    # The 52- and 56-byte headers: masks inside, alpha in the second only.
    "bitfields32_h52": with_masks(52, 2, 2, 32, [0xFF0000, 0xFF00, 0xFF], bytes(range(16))),
    "bitfields32_h56": with_masks(56, 2, 2, 32, [0xFF, 0xFF00, 0xFF0000, 0xFF000000],
                                  bytes(range(16))),
    # Odd masks: a 10-bit channel, a 1-bit one, no blue.
    "bitfields32_wide": with_masks(56, 2, 1, 32, [0xFFC00000, 0x200000, 0, 0x1F],
                                   b"\xff\x00\xf0\x0f\x12\x34\x56\x78"),
    # Plain 16 bits (5-5-5), top-down.
    "rgb16_topdown": bmp(40, 3, -2, 16, 0, data=bytes(range(16))),
    # Plain 32 bits with alpha bytes set.
    "rgb32_alpha": bmp(40, 2, 1, 32, 0, data=b"\x01\x02\x03\x80\x04\x05\x06\x00"),
    # 1 bit with no count and room for one palette entry only.
    "p1_short_palette": bmp(40, 9, 1, 1, 0, palette=grey(1), data=b"\xaa\x80\0\0"),
    # 8 bits, two colours, indices far beyond them.
    "p8_beyond": bmp(40, 3, 1, 8, 0, palette=grey(2), data=b"\x00\x01\xc8\x00", colours=2),
    # RLE8: a run into the padding, a move, a literal, an early end.
    "rle8_tricks": bmp(40, 5, 4, 8, 1, palette=grey(16), colours=16,
                       data=bytes([7, 1, 0, 0, 0, 2, 2, 1, 0, 3, 4, 5, 6, 0, 0, 0, 2, 9, 0, 1])),
    # RLE4: an odd literal (padded), alternating runs, a move, a literal into the padding.
    "rle4_tricks": bmp(40, 7, 3, 4, 2, palette=grey(16), colours=16,
                       data=bytes([0, 5, 0x12, 0x34, 0x50, 0, 3, 0xAB, 0, 0, 2, 0x67,
                                   0, 2, 3, 1, 0, 3, 0xCD, 0xE0, 0, 1])),
    # The core header at 1 and 24 bits.
    "core1": b"BM" + struct.pack("<IHHI", 32 + 4, 0, 0, 32)
             + struct.pack("<IHHHH", 12, 3, 1, 1, 1) + b"\0\0\0\xff\xff\xff" + b"\xa0\0\0\0",
    "core24": b"BM" + struct.pack("<IHHI", 26 + 8, 0, 0, 26)
              + struct.pack("<IHHHH", 12, 2, 1, 1, 24) + bytes(range(1, 9)),
}
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
