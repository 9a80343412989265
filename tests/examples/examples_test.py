#!/usr/bin/env python3
"""The examples, run headless on one target and checked against hand-worked
expectations: each graphics example draws its fixed frames on the Null driver
(`--frame FILE`), and chosen pixels of its picture must have the colours
worked out by hand from what the example draws (the ball where frame 100 puts
it, palette entries after 10 turns, the scripted stroke's path, ...); the text
console example answers a name typed on a real terminal (a tmux pane; Node.js:
piped standard input) with the expected rows, in the expected colours. With
--same-as, every picture must also equal, byte for byte, the one the native
build draws: the same picture on every target.

  examples_test.py --build DIR --run native|wine|node [--same-as NATIVE_DIR]
                   [--pictures DOCS_DIR]

--window runs `first` (the README's first program) for real instead, in its
window on the X display (SDL natively, Wine's window elsewhere): its picture
from a screenshot against the hand-worked table, then a key ends it with 0.

--pictures keeps each picture as DOCS_DIR/NAME.png (ImageMagick's convert),
for the README.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def widen(v):
    """A 6-bit DAC component as PALETTE widens it."""
    return v * 255 // 63


def rgb(value):
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255)


# The default 16 colours (6-bit components 0, 21, 42, 63 widened).
EGA = {0: (0, 0, 0), 1: (0, 0, 170), 2: (0, 170, 0), 3: (0, 170, 170), 4: (170, 0, 0),
       8: (85, 85, 85), 9: (85, 85, 255), 12: (255, 85, 85), 14: (255, 255, 85),
       15: (255, 255, 255)}


def fold(start, speed, frames, low, high):
    """A coordinate bouncing between low and high: a triangle wave."""
    period = 2 * (high - low)
    u = (start - low + speed * frames) % period
    return low + (u if u <= high - low else period - u)


def animation_table():
    # Frame 100: x from 40 by 5 within 12..307, y from 30 by 3 within 12..167.
    x, y = fold(40, 5, 100, 12, 307), fold(30, 3, 100, 12, 167)
    assert (x, y) == (74, 20)  # worked by hand: 540 folds to 74, 330 to 20
    old = (fold(40, 5, 90, 12, 307), fold(30, 3, 90, 12, 167))  # frame 90: (124, 34)
    return [((x, y), EGA[14], "the ball's centre at frame 100"),
            ((x - 5, y + 5), EGA[14], "inside the ball"),
            ((x + 12, y), EGA[12], "its rim, radius 12 to the right"),
            ((x, y - 12), EGA[12], "its rim above"),
            ((x + 16, y), EGA[1], "sky just beside it"),
            (old, EGA[1], "where frame 90 had it: redrawn, no trail"),
            ((200, 100), EGA[1], "sky"),
            ((160, 185), EGA[2], "the floor")]


def mouse_table():
    paper, left, right = EGA[1], EGA[15], EGA[12]
    return [((100, 100), left, "pressed: the stroke's first dot"),
            ((150, 100), left, "held: along the top"),
            ((300, 100), left, "the corner"),
            ((300, 200), left, "down the side"),
            ((300, 300), left, "where the button was released"),
            ((99, 100), paper, "nothing before the press"),
            ((301, 200), paper, "one pixel wide"),
            ((350, 300), paper, "moved with no button: no line"),
            ((400, 300), right, "right button pressed: the second stroke"),
            ((450, 350), right, "the diagonal's middle"),
            ((500, 400), right, "its end"),
            ((200, 200), paper, "untouched paper")]


def palette_table():
    # Band k (x 5k..5k+4, colour 32 + k) shows ramp entry (k + 10) % 64 after
    # ten turns; ramp j = (j, 63 - j, j < 32 ? j : 63 - j).
    def ramp(j):
        return (widen(j), widen(63 - j), widen(j if j < 32 else 63 - j))
    rows = []
    for k in (0, 1, 21, 22, 53, 54, 63):
        j = (k + 10) % 64
        rows.append(((5 * k + 2, 100), ramp(j), f"band {k} after 10 turns: ramp {j}"))
    rows += [((0, 199), ramp(10), "band 0's first column, last row"),
             ((269, 16), (255, 0, 0), "band 53: pure red (ramp 63)"),
             ((270, 16), (0, 255, 0), "band 54: pure green (ramp 0)"),
             ((319, 12), (0, 0, 0), "the title's row is black")]
    return rows


def statements_table():
    # The left view: (20, 40)-(309, 329), world x -4..4 and y -1.5..1.5 upwards.
    def world(wx, wy):
        return (20 + round((wx + 4) / 8 * 289), 40 + round((1.5 - wy) / 3 * 289))
    return [(world(-3, 1.2), EGA[1], "the view's blue fill"),
            (world(1.57, 0.5), EGA[3], "the arch painted cyan"),
            (world(1.0, 0.2), EGA[3], "low in the arch"),
            (world(-1.0, 0.2), EGA[1], "outside the arch (sine negative)"),
            ((10, 200), EGA[0], "outside both views"),
            ((600, 320), EGA[8], "the right view's dark grey"),
            ((520, 120), EGA[14], "the star's upward ray (TA0, 40 pixels from 520,140)"),
            ((396, 276), EGA[4], "the roof painted red"),
            ((396, 292), EGA[9], "the walls painted light blue")]


def sprites_table():
    ball, ground = 0xFFD020, 0x202830
    # Column i's sprite is at x = 80 i + 8, y = 112; its point (32, 18) is in
    # the ball, clear of the face. GET copies rows 104..193 to 304..393 with
    # the halves swapped.
    def at(i, dy=0):
        return ((80 * i + 8 + 32 + 320 * (dy != 0)) % 640, 130 + dy)
    return [(at(0), rgb(ball), "PSET: the ball"),
            (at(1), rgb(~ball & 0xFFFFFF), "PRESET: the ball inverted"),
            (at(2), rgb(ball & ground), "AND with the dark band"),
            (at(3), rgb(ball | ground), "OR"),
            (at(4), rgb(ball ^ ground), "XOR"),
            (at(5), rgb(ball), "TRANS: the ball"),
            ((80 * 5 + 9, 113), rgb(ground), "TRANS: the ground skipped"),
            (at(0, 200), rgb(ball), "GET/PUT: PSET's ball, now in the right half"),
            (at(4, 200), rgb(ball ^ ground), "GET/PUT: XOR's ball, now in the left half"),
            ((12, 0), rgb(0x305070), "a dark stripe"),
            ((24, 0), rgb(0x80B0C0), "a light stripe"),
            ((6, 0), (0, 0, 0), "between the stripes")]


# name, screen size, its table
GRAPHICS = [("animation", (320, 200), animation_table),
            ("mouse_draw", (640, 480), mouse_table),
            ("palette_cycle", (320, 200), palette_table),
            ("statements", (640, 480), statements_table),
            ("sprites", (640, 480), sprites_table)]

TEXT_INPUT = b"Ada\n"
TEXT_OUTPUT = ("What is your name? Ada\n"
               "Hello, Ada!\n"
               "     n   n^2   n^3\n"
               "     1     1     1\n"
               "     2     4     8\n"
               "     3     9    27\n"
               "     4    16    64\n"
               "     5    25   125\n")


# The terminal's rows: the text, and each row's foreground colours in order
# (SGR codes; grey is 37 or the terminal's default, 39).
GREY = {37, 39}
TEXT_COLOURS = [[{93}, {97}], [{96}], [{93}], [{97}], [GREY], [{97}], [GREY], [{97}]]


def run_terminal(argv, work):
    """Runs argv in an 80 x 25 tmux pane, types the name when asked; returns
    (exit status, the pane's rows with their escape sequences)."""
    socket, status = os.path.join(work, "tmux.sock"), os.path.join(work, "status")
    shell = " ".join("'" + a + "'" for a in argv)
    tmux = ["tmux", "-u", "-S", socket]
    subprocess.run(tmux + ["new-session", "-d", "-x", "80", "-y", "25",
                           f"env LANG=C.UTF-8 WINEDEBUG=-all {shell}; echo $? > '{status}'; sleep 60"],
                   check=True)
    try:
        def pane(*flags):
            return subprocess.run(tmux + ["capture-pane", "-p", *flags], capture_output=True,
                                  text=True).stdout
        for _ in range(600):
            if "What is your name?" in pane():
                break
            time.sleep(0.1)
        subprocess.run(tmux + ["send-keys", "-t", "0", TEXT_INPUT.decode().strip(), "Enter"])
        for _ in range(600):
            if os.path.exists(status) and os.path.getsize(status):
                break
            time.sleep(0.1)
        rows = pane("-e").split("\n")
        code = open(status).read().strip() if os.path.exists(status) else "none"
        return code, rows
    finally:
        subprocess.run(tmux + ["kill-server"], capture_output=True)


def check_terminal(code, rows, failures):
    plain = [re.sub(r"\x1b\[[0-9;]*m", "", r).rstrip() for r in rows]
    want = TEXT_OUTPUT.rstrip("\n").split("\n")
    if code != "0" or plain[:len(want)] != want:
        failures.append(f"text_console: exit {code}, rows {plain[:len(want)]!r}")
        return
    for i, colours in enumerate(TEXT_COLOURS):
        codes = [int(c) for seq in re.findall(r"\x1b\[([0-9;]*)m", rows[i])
                 for c in seq.split(";") if c and (30 <= int(c) <= 39 or 90 <= int(c) <= 97)]
        if len(codes) != len(colours) or any(c not in w for c, w in zip(codes, colours)):
            failures.append(f"text_console: row {i + 1} in colours {codes}, expected {colours}")


def command(build, run, name, *args):
    folder = os.path.join(build, "examples")
    if run == "wine":
        return [os.path.join(ROOT, "tools", "wine-exec.sh"), os.path.join(folder, name + ".exe"),
                *args]
    if run == "node":
        return ["node", os.path.join(folder, name + ".js"), *args]
    return [os.path.join(folder, name), *args]


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:  # P6, width, height, maximum; comments skipped
        m = re.compile(rb"\s*(#[^\n]*\n\s*)*(\S+)").match(data, at)
        fields.append(m.group(2))
        at = m.end()
    return int(fields[1]), int(fields[2]), data[at + 1:]


def check_pixels(name, width, pixels, table, failures, say=True):
    bad = 0
    for (x, y), want, what in table:
        o = 3 * (y * width + x)
        got = tuple(pixels[o:o + 3])
        if got != tuple(want):
            bad += 1
            failures.append(f"{name}: ({x}, {y}) {what}: {got}, expected {tuple(want)}")
    if say:
        print(f"{name}: {len(table) - bad} of {len(table)} expected pixels")


# first.c on SCREEN 12: a blue box (20, 20)-(619, 459), a yellow disc of
# radius 150 at (320, 240), a red line across it at y 240, and text from
# row 2, column 4 (8 x 16 cells: y 16..31, x from 24) in opaque cells.
FIRST_TABLE = [((320, 240), EGA[4], "the red line"), ((320, 200), EGA[14], "the disc"),
               ((320, 100), EGA[14], "the disc near its top"), ((171, 240), EGA[4], "the line's start"),
               ((100, 240), EGA[1], "the box beside the disc"), ((600, 440), EGA[1], "the box's corner"),
               ((10, 10), EGA[0], "the margin"), ((630, 240), EGA[0], "the right margin"),
               ((67, 25), EGA[0], "the text's space between two words"),
               ((290, 25), EGA[1], "the box after the text")]


def check_first_window(build, run, work, failures):
    program = subprocess.Popen(command(build, run, "first"), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        window, shot, missing = None, os.path.join(work, "first.ppm"), ["no window"]
        for _ in range(600):
            if program.poll() is not None:
                break
            if not window:
                found = subprocess.run(["xdotool", "search", "--name", "^first"],
                                       capture_output=True, text=True).stdout.split()
                window = found[0] if found else None
            if window and subprocess.run(f"xwd -silent -id {window} | convert xwd:- '{shot}'",
                                         shell=True, capture_output=True).returncode == 0:
                width, _, pixels = read_ppm(shot)
                missing = []
                check_pixels("first", width, pixels, FIRST_TABLE, missing, say=False)
                if not missing:
                    print(f"first: its window shows the {len(FIRST_TABLE)} expected pixels")
                    break
            time.sleep(0.1)
        failures += missing
        if window:
            subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "x"])
        code = program.wait(timeout=30)
        if code != 0:
            failures.append(f"first: exit {code} after a key: {program.stderr.read()[-400:]!r}")
    finally:
        if program.poll() is None:
            program.kill()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--run", choices=["native", "wine", "node"], default="native")
    parser.add_argument("--same-as")
    parser.add_argument("--pictures")
    parser.add_argument("--window", action="store_true")
    a = parser.parse_args()
    a.build = os.path.abspath(a.build)
    if a.same_as:
        a.same_as = os.path.abspath(a.same_as)
    failures = []
    env = dict(os.environ, ZQGFX="null")
    with tempfile.TemporaryDirectory() as work:
        if a.window:
            check_first_window(a.build, a.run, work, failures)
            for f in failures:
                print("FAIL " + f)
            return 1 if failures else 0
        for name, size, table in GRAPHICS:
            frame = name + ".ppm"  # relative: the web build writes in its working folder
            done = subprocess.run(command(a.build, a.run, name, "--frame", frame), cwd=work,
                                  env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                  timeout=240)
            path = os.path.join(work, frame)
            if done.returncode != 0 or not os.path.exists(path):
                failures.append(f"{name}: exit {done.returncode} {done.stderr[-400:]!r}")
                continue
            width, height, pixels = read_ppm(path)
            if (width, height) != size or len(pixels) != width * height * 3:
                failures.append(f"{name}: {width} x {height}, expected {size}")
                continue
            check_pixels(name, width, pixels, table(), failures)
            if a.same_as:
                native = os.path.join(work, "native-" + frame)
                if not os.path.exists(command(a.same_as, "native", name)[0]):
                    failures.append(f"{name}: no native build in {a.same_as} to compare with")
                    continue
                subprocess.run(command(a.same_as, "native", name, "--frame", native), cwd=work,
                               env=env, stdin=subprocess.DEVNULL, capture_output=True,
                               timeout=240)
                with open(path, "rb") as f, open(native, "rb") as g:
                    same = f.read() == g.read()
                print(f"{name}: {'the same' if same else 'NOT the same'} picture as native")
                if not same:
                    failures.append(f"{name}: the picture differs from the native build's")
            if a.pictures:
                # Few colours keep the PNG small; the pictures have few anyway.
                subprocess.run(["convert", path, "-colors", "64", "-strip",
                                os.path.join(a.pictures, name + ".png")], check=True)
        count = len(failures)
        if a.run == "node":
            # Node's console on pipes: plain text, LOCATE and COLOR unsent.
            done = subprocess.run(command(a.build, a.run, "text_console"), cwd=work, env=env,
                                  input=TEXT_INPUT, capture_output=True, timeout=120)
            text = done.stdout.decode("utf-8", "replace").replace("\r", "")
            if done.returncode != 0 or text != TEXT_OUTPUT:
                failures.append(f"text_console: exit {done.returncode}, printed {text!r}")
        else:
            check_terminal(*run_terminal(command(a.build, a.run, "text_console"), work), failures)
        if len(failures) == count:
            print("text_console: the expected greeting and table")
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
