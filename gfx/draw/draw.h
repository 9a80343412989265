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
