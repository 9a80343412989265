// Drawing primitives: PSET/PRESET, POINT, CIRCLE and LINE. Each takes world
// coordinates as singles, works through the drawing context (target, STEP,
// mapping, clipping to the view) and writes under the framebuffer lock,
// marking the lines it touched when it draws on the visible page. With no
// screen open they draw nothing (POINT returns -1); they record no errors.
#pragma once

#include <cstdint>

struct GfxContext;

// POINT's one-argument form passes this as y (bit pattern 0xCAFFFFFE).
constexpr float POINT_INFO_MARK = -8388607.0f;
// CIRCLE's whole-ellipse end angle (bit pattern 0x40C90FDC).
constexpr float FULL_TURN = 6.2831859f;

extern "C" void gfxPset(const void* target, float x, float y, uint32_t colour, uint32_t flags,
                        int32_t preset);
extern "C" int32_t gfxPoint(const void* target, float x, float y);

extern "C" void gfxCircle(const void* target, float x, float y, float radius, uint32_t colour,
                          float aspect, float start, float end, int32_t fill, uint32_t flags);
// Whole ellipse around pixel (cx, cy), radii a (horizontal) and b (vertical).
void gfxEllipse(GfxContext* context, int32_t cx, int32_t cy, float a, float b, uint32_t colour,
                int32_t fill);
// One row of it; rowsDone has a byte per view row (filled rows are drawn once).
void gfxEllipseSpan(GfxContext* context, int32_t y, int32_t x1, int32_t x2, uint32_t colour,
                    int32_t fill, uint8_t* rowsDone);
// Integer offset of the ellipse point at `angle` (radians, counter-clockwise, y up).
void gfxArcPoint(float angle, float a, float b, int32_t* dx, int32_t* dy);

// boxMode 0 line, 1 rectangle outline, 2 filled rectangle; style's low 16 bits
// are the on/off pattern, bit 15 for the first pixel.
extern "C" void gfxLine(const void* target, float x1, float y1, float x2, float y2, uint32_t colour,
                        int32_t boxMode, uint32_t style, uint32_t flags);

// PAINT: fills the region around the point, every pixel 4-connected to it
// through pixels that are not the border colour, inside the view. Nothing is
// painted when the point lies outside the view or on the border colour; the
// point becomes the last point either way. What the region already holds
// (the fill colour, pixels equal to the tile) never stops the fill: only the
// border and the view bound it. The fill replaces pixels, it never blends.
//
// flags: COORD_ONE_ABS or COORD_ONE_STEP; FLAG_DEFAULT_COLOR (gfxPaint only)
// fills with the foreground colour; PAINT_DEFAULT_BORDER takes the border as
// not given: the fill colour for gfxPaint, the foreground for gfxPaintTile.
constexpr uint32_t PAINT_DEFAULT_BORDER = 0x40000000u;
extern "C" void gfxPaint(const void* target, float x, float y, uint32_t fill, uint32_t border,
                         uint32_t flags);

// Tiles are 8 pixels wide. A row is 8 pixels in the target's own pixel format,
// little-endian, left pixel first: 8 bytes of colour indices on 1-byte
// targets, 8 words of 5-6-5 (16 bytes) on 2-byte ones, 8 words of 0xAARRGGBB
// (32 bytes) on 4-byte ones: what an 8-pixel-wide block of the target holds.
// tileLength counts bytes; a short last row is completed with zeros; 1 to 64
// rows. Pixel (x, y) of the target gets row y mod rows, pixel x mod 8 (target
// coordinates, so neighbouring fills line up). No tile, or more than 64 rows:
// illegal function call, nothing drawn. `background` (one row, or null) is
// accepted for programs that pass it: the region never depends on what the
// tile holds, so a tile row equal to the background or to the border changes
// nothing.
constexpr int32_t PAINT_TILE_WIDTH = 8;
constexpr int32_t PAINT_TILE_MAX_ROWS = 64;
extern "C" void gfxPaintTile(const void* target, float x, float y, const void* tile,
                             int32_t tileLength, uint32_t border, const void* background,
                             uint32_t flags);
// Test seam: when positive, the work list's length instead of 4 entries a view row.
extern int32_t gfxPaintListOverride;

// DRAW --------------------------------------------------------------------
//
// A string of drawing commands, upper or lower case, separated or not by
// spaces and semicolons. The pen starts at the last point and is left there,
// so STEP goes on from where the string ended.
//   U D L R E F G H [n]  up, down, left, right and the diagonals up-right,
//                        down-right, down-left, up-left: n units (default 1)
//   M x,y                to the point (x, y); M +x,y or M -x,y: by (x, y) units
//   B, N                 prefixes of the next move: move without drawing;
//                        come back to the start afterwards
//   A n                  turn by n quarter turns (0..3); TA n: by n degrees
//                        (-360..360); both counter-clockwise, replacing the
//                        turn before
//   C n                  the colour of what follows (as LINE takes colours)
//   S n                  n quarter pixels a unit (0..255; 0 and 4: one pixel)
//   P fill,border        paint the region around the pen
// Numbers are decimal with an optional sign; counts and coordinates lie in
// -65535..65535. Turn, scale and colour stay from one string to the next
// until a screen is set; before any C the foreground colour is drawn.
//
// Rounding: a move of n units is n x scale / 4 pixels along its direction
// turned by the angle, added to the pen in double precision; the pen is never
// rounded, each end point is (half away from zero), and every move is a LINE
// between the rounded points. Absolute M points are neither scaled nor turned.
//
// Anything else (among it X and =, which would run strings and read
// variables) stops the string there with an illegal-call error; what it drew
// before stays, and the pen, turn, scale and colour are kept as they were at
// that point.
extern "C" void gfxDraw(const void* target, const char* commands, int32_t length);
