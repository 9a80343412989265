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

void gfxPset(const void* target, float x, float y, uint32_t colour, uint32_t flags, int32_t preset);
int32_t gfxPoint(const void* target, float x, float y);

void gfxCircle(const void* target, float x, float y, float radius, uint32_t colour, float aspect,
               float start, float end, int32_t fill, uint32_t flags);
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
void gfxLine(const void* target, float x1, float y1, float x2, float y2, uint32_t colour,
             int32_t boxMode, uint32_t style, uint32_t flags);

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
void gfxDraw(const void* target, const char* commands, int32_t length);
