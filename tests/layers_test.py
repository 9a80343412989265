#!/usr/bin/env python3
"""Layers point down only: every row of the README's Architecture table, read
from the sources (each folder includes from itself and the layers below it)
and from the built libraries (each library's undefined symbols are defined by
itself, a layer below it, or nothing of the project). Prints every include and
every symbol that points elsewhere and fails when there is one.

    tests/layers_test.py SOURCE_DIR [--nm NM LIBRARY=FILE ...]
"""
import os
import re
import subprocess
import sys

# library, its folders (or files), and the layers below it that it may use,
# as libraries. Extra headers a row may include from a layer it does not
# link as a whole go in the fourth column.
ROWS = [
    ("zq_runtime", ["runtime/"], [], []),
    ("zq_console", ["console/"], ["zq_runtime"], []),
    ("zq_gfx_core", ["gfx/core/"], ["zq_runtime"], []),
    ("zq_gfx_draw", ["gfx/draw/"], ["zq_gfx_core", "zq_runtime"], []),
    ("zq_gfx_blit", ["gfx/blit/"], ["zq_gfx_core", "zq_runtime"], []),
    ("zq_gfx_image", ["gfx/image/"], ["zq_gfx_draw", "zq_gfx_core", "zq_runtime"], []),
    ("zq_gfx_display", ["gfx/display/"],
     ["zq_gfx_blit", "zq_gfx_core", "zq_console", "zq_runtime"], []),
    ("zq_gfx_console", ["gfx/console/"],
     ["zq_gfx_display", "zq_gfx_core", "zq_console", "zq_runtime"], []),
    ("zq_win32", ["gfx/win32/"],
     ["zq_gfx_display", "zq_gfx_blit", "zq_gfx_core", "zq_console", "zq_runtime"], []),
]
DRIVER_BELOW = ["zq_gfx_display", "zq_gfx_blit", "zq_gfx_core", "zq_console", "zq_runtime"]
ROWS += [
    ("zq_gdi", ["gfx/gdi/"], ["zq_win32"] + DRIVER_BELOW, []),
    ("zq_directx", ["gfx/directx/"], ["zq_win32"] + DRIVER_BELOW, []),
    ("zq_opengl", ["gfx/opengl/"], ["zq_win32"] + DRIVER_BELOW, []),
    ("zq_sdl", ["gfx/sdl/"], DRIVER_BELOW, []),
    ("zq_canvas", ["gfx/canvas/"], DRIVER_BELOW, []),
]
# The composition unit and the program may use everything.
TOP = ["zq_compose", "zq_app"]
# The public header (include/, the top) declares entries of every layer but
# stands alone: it includes no header of the project.
PUBLIC = "include/"

FOLDER_OF = {
    "zq_runtime": "runtime/", "zq_console": "console/", "zq_gfx_core": "gfx/core/",
    "zq_gfx_draw": "gfx/draw/", "zq_gfx_blit": "gfx/blit/", "zq_gfx_image": "gfx/image/",
    "zq_gfx_display": "gfx/display/",
    "zq_gfx_console": "gfx/console/", "zq_win32": "gfx/win32/", "zq_gdi": "gfx/gdi/",
    "zq_directx": "gfx/directx/", "zq_opengl": "gfx/opengl/", "zq_sdl": "gfx/sdl/",
    "zq_canvas": "gfx/canvas/",
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def check_includes(source):
    bad = []
    for lib, folders, below, extra in ROWS:
        allowed = [FOLDER_OF[lib]] + [FOLDER_OF[b] for b in below] + extra
        for folder in folders:
            root = os.path.join(source, folder)
            for dirpath, _, files in os.walk(root):
                for name in sorted(files):
                    if not name.endswith((".cpp", ".h")):
                        continue
                    path = os.path.join(dirpath, name)
                    with open(path, encoding="utf-8", errors="replace") as f:
                        text = f.read()
                    for m in INCLUDE.finditer(text):
                        target = m.group(1)
                        if not any(target.startswith(a) for a in allowed):
                            line = text.count("\n", 0, m.start()) + 1
                            bad.append(f"{os.path.relpath(path, source)}:{line}: "
                                       f"includes {target} ({lib} may use {', '.join(below) or 'nothing'})")
    for dirpath, _, files in os.walk(os.path.join(source, PUBLIC)):
        for name in sorted(files):
            path = os.path.join(dirpath, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for m in INCLUDE.finditer(text):
                line = text.count("\n", 0, m.start()) + 1
                bad.append(f"{os.path.relpath(path, source)}:{line}: includes {m.group(1)} "
                           f"(the public header stands alone)")
    return bad


def symbols(nm, path):
    out = subprocess.run([nm, "-g", path], capture_output=True, text=True, check=True).stdout
    defined, undefined = set(), set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 2 and parts[0] == "U":
            undefined.add(parts[1])
        elif len(parts) == 3 and parts[1] in "TDBRCGS":
            defined.add(parts[2])
    return defined, undefined


def check_links(nm, libraries):
    rows = {lib: below for lib, _, below, _ in ROWS}
    table = {lib: symbols(nm, path) for lib, path in libraries.items()}
    owners = {}
    for lib, (defined, _) in table.items():
        for s in defined:
            owners.setdefault(s, set()).add(lib)
    bad = []
    for lib, (defined, undefined) in sorted(table.items()):
        if lib in TOP:
            continue
        if lib not in rows:
            bad.append(f"{lib}: a library with no row in the layer table")
            continue
        allowed = set(rows[lib]) | {lib}
        for s in sorted(undefined - defined):
            found = owners.get(s, set())
            if found and not found & allowed:
                bad.append(f"{lib} uses {s}, defined by {', '.join(sorted(found))} "
                           f"({lib} may use {', '.join(rows[lib]) or 'nothing'})")
    return bad


def main(argv):
    source = argv[1]
    nm, libraries, rest = None, {}, argv[2:]
    while rest:
        if rest[0] == "--nm":
            nm, rest = rest[1], rest[2:]
        else:
            lib, _, path = rest[0].partition("=")
            libraries[lib] = path
            rest = rest[1:]
    bad = check_includes(source)
    if nm and libraries:
        bad += check_links(nm, libraries)
    for line in bad:
        print(line)
    print(f"layers: {len(ROWS)} rows, {len(libraries)} libraries read: "
          f"{'OK' if not bad else str(len(bad)) + ' arrows point up or across'}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
