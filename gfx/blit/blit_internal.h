// Blitter internals shared by the families: the row walk over the visible
// page, the per-row converter signature and the tables of family members.
// A member is a row converter plus, for palette sources, a routine that
// turns the palette into the display format once per frame.
#pragma once

#include <cstdint>

#include "gfx/blit/blit.h"

// What a row converter may read besides the source row.
struct BlitAux {
    const uint32_t* palette; // the mode's palette, 0x00BBGGRR
    const uint32_t* tables;  // the 16-bit expansion tables (low, then high)
    const uint32_t* lut;     // the palette in display format, built per frame
};

// Converts `width` pixels of one source row into one destination row.
using BlitRow = void (*)(uint8_t* destination, const uint8_t* source, int32_t width,
                         const BlitAux& aux);
// Fills the 256 entries of `lut` from the palette.
using BlitLut = void (*)(uint32_t* lut, const uint32_t* palette);

enum : uint32_t {
    BLIT_NEEDS_PALETTE = 1, // 8-bit source
    BLIT_NEEDS_TABLES = 2,  // reads the expansion tables
};

// The row walk of every member: rows of dirty source rows only, each source
// row shown lineMultiplier times. Does nothing while no screen is open or
// when a needed buffer is missing.
void gfxBlitRows(uint8_t* destination, int32_t destinationPitch, BlitRow row, BlitLut lut,
                 uint32_t needs);

// The portable plain row copy (8 to 8, 5-6-5 to 16, 32 to 32 normal): the
// mode's memory copy, width x bytes per pixel per dirty row.
void gfxBlitPlainCopy(uint8_t* destination, int32_t destinationPitch);

// Slot index within an order's row of twelve: source group * 4 + display column.
enum : int32_t {
    BLIT_SRC8 = 0,
    BLIT_SRC16 = 1,
    BLIT_SRC32 = 2,
    BLIT_TO15 = 0,
    BLIT_TO16 = 1,
    BLIT_TO24 = 2,
    BLIT_TO32 = 3,
    BLIT_SLOTS = 12,
};

// One family: slots[0] the normal order, slots[1] the swapped order, and the
// family's plain row copy (also in the slots that copy).
struct BlitFamily {
    Blitter slots[2][BLIT_SLOTS];
    Blitter copy;
};

extern const BlitFamily gfxBlitPortable;
extern const BlitFamily gfxBlitSse2; // 128-bit members
extern const BlitFamily gfxBlitAvx2; // 256-bit members where they pay, else the 128-bit ones

// Processor checks, made once (x86 builds).
bool gfxBlitHasSse2();
bool gfxBlitHasAvx2();
// The vector family for this processor (blit_cpu_*.cpp); the portable members
// stand in where it lacks the instructions (they write the same bytes).
const BlitFamily& gfxBlitVectorFamily();

// Fills the expansion tables (512 entries) for the given order.
void gfxBlitBuildTables(uint32_t* tables, int32_t swapped);
