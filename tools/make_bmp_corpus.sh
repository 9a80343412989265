#!/usr/bin/env bash
# Makes the bitmap corpus the picture-file tests read (tests/gfx/image/corpus):
# from one small picture (gradients, a translucent ramp and a few exact
# colours; 37 x 23 so that rows need padding), ImageMagick writes files at
# every bit count it can (1, 4, 8, 16, 24, 32; RLE8; core, info, V5 headers);
# the forms it does not write (RLE4, top-down rows, a plain 32-bit file with
# no alpha, a run-length move) are made from its files by the few lines of
# Python below. Next to each X.bmp, ImageMagick's own decoding of it:
# X.rgba, width x height RGBA bytes, top row first.
#   tools/make_bmp_corpus.sh [OUTPUT_DIR]   (default tests/gfx/image/corpus)
# Needs ImageMagick (Debian's imagemagick; tools/setup.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-tests/gfx/image/corpus}
convert=${CONVERT:-convert}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The picture: red to blue across, plus green to black down; white and
# 0x123456 corners, a 0xFEDCBA block; alpha from 255 at the top to 32.
"$convert" -size 37x23 -define gradient:direction=east gradient:'#ff0000-#0000ff' \
    \( -size 37x23 gradient:'#00ff00-#000000' \) -compose plus -composite \
    -fill '#ffffff' -draw 'point 0,0' -fill '#123456' -draw 'point 36,22' \
    -fill '#fedcba' -draw 'rectangle 10,5 14,8' "$work/opaque.png"
"$convert" "$work/opaque.png" \( -size 37x23 gradient:'#ffffff-#202020' \) -alpha off \
    -compose copy_opacity -composite "$work/alpha.png"

write() { # NAME SOURCE FORMAT OPTIONS...
    local name=$1 source=$2 format=$3
    shift 3
    "$convert" "$work/$source.png" "$@" "$format:$out/$name.bmp"
}
palette=(+dither -type Palette -compress None)
write p1 opaque BMP3 -colors 2 "${palette[@]}"
write p4 opaque BMP3 -colors 16 "${palette[@]}"
write p4few opaque BMP3 -colors 5 "${palette[@]}"
write p8 opaque BMP3 -colors 200 "${palette[@]}"
write rle8 opaque BMP3 +dither -colors 200 -type Palette -compress RLE
write rle8few opaque BMP3 +dither -colors 5 -type Palette -compress RLE
write core1 opaque BMP2 -colors 2 "${palette[@]}"
write core4 opaque BMP2 -colors 16 "${palette[@]}"
write core8 opaque BMP2 -colors 200 "${palette[@]}"
write core24 opaque BMP2 -type TrueColor
write v5p8 opaque BMP -colors 200 "${palette[@]}"
write rgb24 opaque BMP3 -type TrueColor
write v5rgb24 opaque BMP -type TrueColor
write rgb555 opaque BMP -define bmp:subtype=RGB555
write rgb565 opaque BMP -define bmp:subtype=RGB565
write argb1555 alpha BMP -define bmp:subtype=ARGB1555
write argb4444 alpha BMP -define bmp:subtype=ARGB4444
write argb32 alpha BMP3 -define bmp3:alpha=true
write v5argb32 alpha BMP

# The hand-made forms, each from one of the files above.
python3 - "$out" <<'PY'
import struct, sys

out = sys.argv[1]

def load(name):
    return bytearray(open(f"{out}/{name}.bmp", "rb").read())

def save(name, data):
    open(f"{out}/{name}.bmp", "wb").write(bytes(data))

def layout(d):
    offset, = struct.unpack_from("<I", d, 10)
    width, height, _, bpp = struct.unpack_from("<iiHH", d, 18)
    stride = (width * bpp + 31) // 32 * 4
    return offset, width, height, bpp, stride

def top_down(name, source):
    d = load(source)
    offset, width, height, _, stride = layout(d)
    rows = [d[offset + y * stride:offset + (y + 1) * stride] for y in range(height)]
    d[offset:offset + height * stride] = b"".join(reversed(rows))
    struct.pack_into("<i", d, 22, -height)
    save(name, d)

def indices(d):
    """Rows of palette indices, bottom row first, of a 4- or 8-bit file."""
    offset, width, height, bpp, stride = layout(d)
    rows = []
    for y in range(height):
        row = d[offset + y * stride:offset + (y + 1) * stride]
        if bpp == 8:
            rows.append(list(row[:width]))
        else:
            rows.append([(row[x // 2] >> (4 if x % 2 == 0 else 0)) & 15 for x in range(width)])
    return rows

def encode_row(row, bpp):
    """Runs of 3 or more as counted pairs, the rest as literal stretches."""
    data, x = bytearray(), 0
    while x < len(row):
        run = 1
        while x + run < len(row) and row[x + run] == row[x] and run < 255:
            run += 1
        if run >= 3 or len(row) - x < 3:
            data += bytes([run, row[x] * 17 if bpp == 4 else row[x]])
            x += run
            continue
        end = x
        while end < len(row) and end - x < 255:
            if end + 2 < len(row) and row[end] == row[end + 1] == row[end + 2]:
                break
            end += 1
        if end - x < 3:
            for v in row[x:end]:
                data += bytes([1, v << 4 if bpp == 4 else v])
        else:
            pixels = row[x:end]
            if bpp == 4:
                pixels = pixels + [0] * (len(pixels) % 2)
                packed = bytes(pixels[i] << 4 | pixels[i + 1] for i in range(0, len(pixels), 2))
            else:
                packed = bytes(pixels)
            data += bytes([0, end - x]) + packed + b"\0" * (len(packed) % 2)
        x = end
    return data

def run_length(name, source, bpp, move=None):
    """The source's pixels run-length encoded; `move` = (row, column, rows,
    columns): at that row and column the stream moves on over the given
    rows and columns, leaving those pixels unwritten."""
    d = load(source)
    offset, width, height, _, _ = layout(d)
    rows = indices(d)
    stream, y = bytearray(), 0
    while y < height:
        row = rows[y]
        if move and y == move[0]:
            at, dy, dx = move[1], move[2], move[3]
            stream += encode_row(row[:at], bpp) + bytes([0, 2, dx, dy])
            y += dy
            stream += encode_row(rows[y][at + dx:], bpp) + b"\0\0"
        else:
            stream += encode_row(row, bpp) + b"\0\0"
        y += 1
    stream += b"\0\1"
    header = d[:offset]
    struct.pack_into("<I", header, 30, 2 if bpp == 4 else 1)
    struct.pack_into("<I", header, 34, len(stream))
    struct.pack_into("<I", header, 2, offset + len(stream))
    save(name, header + stream)

top_down("p1_topdown", "p1")
top_down("p4_topdown", "p4")
top_down("p8_topdown", "p8")
top_down("rgb24_topdown", "rgb24")
top_down("v5argb32_topdown", "v5argb32")
run_length("rle4", "p4", 4)
run_length("rle4_move", "p4", 4, move=(3, 5, 2, 7))
run_length("rle8_move", "p8", 8, move=(20, 30, 1, 6))

# A plain 32-bit file whose fourth bytes are zero: no alpha, opaque.
d = load("argb32")
offset = layout(d)[0]
for i in range(offset + 3, len(d), 4):
    d[i] = 0
save("rgb32", d)
PY

for f in "$out"/*.bmp; do
    "$convert" "$f" -depth 8 "rgba:${f%.bmp}.rgba"
done
