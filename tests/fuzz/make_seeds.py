#!/usr/bin/env python3
"""Writes the API fuzzer's seed scripts into api_corpus/ (one call per opcode
on a small screen, and the sequences behind past faults). The byte layout is
the one fuzz_api.cpp reads."""
import os, struct

def small(v):   # Reader::integer for -8..55
    return bytes([v + 8])
def edge(i):    # Reader::integer, EDGES[i]
    return bytes([128 + (i - 8) % 24])
def at(v):      # Reader::single, whole values -100..1175 in steps of 5
    return bytes([0, (v + 100) // 5])
def word(v):
    return struct.pack("<I", v & 0xFFFFFFFF)

screen13 = bytes([0, 14]) + small(0) + bytes([0, 0]) + small(0)
size320 = bytes([1, 6, 6, 3, 0, 0])   # 320 x 320, 8 bits, Null driver
image10 = bytes([17, 0, 0, 0, 10, 10, 0])
pset_img = lambda x, y: bytes([3, 2]) + at(x) + at(y) + word(15) + word(0x80000000) + bytes([0])
view_reset = bytes([2]) + edge(12) * 4 + word(0) * 3

seeds = {
    "view_reset_image": screen13 + image10 + pset_img(5, 5) + view_reset + pset_img(200, 5),
    "bad_header_box": screen13 + bytes([17, 0, 1, 1]) + bytes([5, 2]) + at(0) * 2 + at(1000) * 2
                      + word(15) + bytes([2]) + word(0xFFFF) + word(0),
    "arc_huge": screen13 + bytes([6, 0]) + bytes([200]) + bytes([0]) * 0 + at(0)
                + bytes([137]) + word(15) + bytes([133, 0, 0, 5]) + bytes([140]) + bytes([0]) + word(0),
    "locate_far": screen13 + bytes([10]) + edge(18) + small(1) + small(0) + bytes([13, 1, 0, 1]),
    "width_refused": screen13 + bytes([11]) + small(7) + small(25) + bytes([13, 1, 5]) + b"abcde" + bytes([2]),
    "line_input": size320 + bytes([21, 5]) + b"abcXY" + bytes([3]) + b"ok" + bytes([1, 1]),
    # A framed, filled view, a window onto it and a circle through both.
    "view_window_circle": size320 + bytes([2]) + small(5) + small(9) + small(40) + small(30)
                          + word(3) + word(4) + word(0x20) + bytes([28]) + at(-50) + at(0)
                          + at(50) + at(25) + word(0) + at(10) + bytes([1])
                          + bytes([6, 0]) + at(0) + at(10) + at(20) + word(5) + at(0) + at(0)
                          + bytes([137]) + bytes([0]) + word(0x80000004),
}
draw_seed = lambda text: bytes([26, len(text)]) + bytes(
    b"UDLREFGHMBNACTSPX=udlrtam;, +-,0123456789".index(c) for c in text) + bytes([0])
seeds["draw_long_moves"] = screen13 + draw_seed(b"BM160,100S255TA33U65535M+65535,-65535NR9C4")
for op in range(29):
    seeds["op%02d" % op] = size320 + bytes([op]) + bytes(range(7, 7 + 40, 3))

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "api_corpus")
os.makedirs(out, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
