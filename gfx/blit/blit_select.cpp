// Blitter selection: rebuilds the 16-bit expansion tables for the requested
// order and picks the member of the family the open mode allows.
#include "gfx/blit/blit_internal.h"
#include "gfx/core/mode.h"

void gfxBlitBuildTables(uint32_t* tables, int32_t swapped) {
    uint32_t* low = tables;
    uint32_t* high = tables + 256;
    for (uint32_t i = 0; i < 256; ++i) {
        if (swapped) {
            low[i] = ((i & 0xE0) << 5) | ((i & 0x1F) << 19);
            high[i] = ((i & 7) << 13) | (i & 0xF8);
        } else {
            low[i] = ((i & 0xE0) << 5) | ((i << 3) & 0xFF);
            high[i] = ((i & 0xF8) << 16) | ((i & 7) << 13);
        }
    }
}

static int32_t sourceGroup(int32_t depth) {
    switch (depth) {
    case 1:
    case 2:
    case 4:
    case 8:
        return BLIT_SRC8;
    case 16:
        return BLIT_SRC16;
    case 32:
        return BLIT_SRC32;
    default:
        return -1;
    }
}

static int32_t displayColumn(int32_t displayDepth) {
    switch (displayDepth) {
    case 15:
        return BLIT_TO15;
    case 16:
        return BLIT_TO16;
    case 24:
        return BLIT_TO24;
    case 32:
        return BLIT_TO32;
    default:
        return -1;
    }
}

Blitter gfxSelectBlitter(int32_t displayDepth, int32_t swapped) {
    const int32_t order = swapped ? 1 : 0;
    // The tables exist only while a mode is open; without them the 5-6-5 to
    // 24/32-bit pair has nothing to expand through and is refused below.
    if (gfxBlitTables) gfxBlitBuildTables(gfxBlitTables, order);

    const GfxMode* mode = gfxMode;
    if (!mode) return nullptr;
    const int32_t group = sourceGroup(mode->depth);
    if (group < 0) return nullptr;
    const bool vector =
        (mode->flags & MODE_MMX) && mode->lineMultiplier == 1 && mode->width % 4 == 0;
    const BlitFamily& family = vector ? gfxBlitVectorFamily() : gfxBlitPortable;
    if (displayDepth == 8) return group == BLIT_SRC8 ? family.copy : nullptr;
    const int32_t column = displayColumn(displayDepth);
    if (column < 0) return nullptr;
    if (group == BLIT_SRC16 && column >= BLIT_TO24 && !gfxBlitTables) return nullptr;
    return family.slots[order][group * 4 + column];
}
