// Blitters: convert the dirty rows of the visible page of the open screen into
// a display's pixel format. Chosen once per open by `gfxSelectBlitter`.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes lineMultiplier * height destination rows (only those of dirty source
// rows); never reads the destination and never clears the dirty marks.
using Blitter = void (*)(uint8_t* destination, int32_t destinationPitch);

// The 16-bit expansion tables (low-byte table, then high-byte table, 256
// entries each): allocated with the screen's buffers and freed with the
// screen by GFX_BLIT_LAYER, rebuilt at every selection.
constexpr size_t GFX_BLIT_TABLES_SIZE = 2048;
extern uint32_t* gfxBlitTables;

struct GfxScreenLayer;
// The blitters' record for the core's list of screen layers
// (gfx/core/screen_layers.h): opens with the buffers, before the driver that
// selects a blitter, allocating the tables (error 1 when memory ran out);
// closes by freeing them (nothing to free is fine).
extern const GfxScreenLayer GFX_BLIT_LAYER;

// displayDepth 8, 15, 16, 24 or 32; swapped when the display keeps red in its
// low bits. Null when the pair is not supported.
Blitter gfxSelectBlitter(int32_t displayDepth, int32_t swapped);
