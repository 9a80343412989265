#!/usr/bin/env python3
"""Every byte printed through the redirected POSIX console arrives as the UTF-8
of its glyph: the upper half as Python's cp437 codec decodes it, the low bytes
and 127 as the pictures below, the controls the console acts on unchanged.
Wide text (UTF-16) arrives as UTF-8 with the same low pictures, a surrogate pair
as one character and a lone surrogate as U+FFFD.

    tests/console/cp437_test.py path/to/console_child
"""
import subprocess
import sys

CONTROLS = {7, 8, 9, 10, 13}
# Bytes 1 to 31 as the classic screen shows them.
PICTURES = "☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼"


def glyph(unit):
    """The character shown for a byte (or a UTF-16 unit below 128)."""
    if unit in CONTROLS:
        return chr(unit)
    if unit == 0:
        return " "
    if unit < 32:
        return PICTURES[unit - 1]
    if unit == 127:
        return "⌂"
    return chr(unit)


def main(child):
    upper = bytes(range(128, 256)).decode("cp437")
    as_bytes = "".join(glyph(b) if b < 128 else upper[b - 128] for b in range(256))
    as_wide = "".join(glyph(u) for u in range(256)) + "\U0001F600" + "\uFFFD"
    expected = (as_bytes + as_wide).encode("utf-8")
    output = subprocess.run([child, "table"], capture_output=True, check=True).stdout
    if output == expected:
        print("cp437: 256 bytes and 258 UTF-16 characters as expected")
        return 0
    got = output.decode("utf-8", errors="backslashreplace")
    want = expected.decode("utf-8")
    at = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
    print(f"cp437: first difference at character {at}: "
          f"got {got[at:at + 8]!r}, expected {want[at:at + 8]!r}")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
