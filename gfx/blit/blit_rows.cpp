// The row walk shared by every blitter and the plain row copy.
#include <cstddef>
#include <cstring>

#include "gfx/blit/blit_internal.h"
#include "gfx/core/mode.h"
#include "gfx/core/pixel.h"

void gfxBlitRows(uint8_t* destination, int32_t destinationPitch, BlitRow row, BlitLut lut,
                 uint32_t needs) {
    const GfxMode* mode = gfxMode;
    if (!mode || !mode->framebuffer || !mode->dirtyLines || !destination) return;
    if ((needs & BLIT_NEEDS_PALETTE) && !mode->palette) return;
    if ((needs & BLIT_NEEDS_TABLES) && !gfxBlitTables) return;
    if (mode->width <= 0 || mode->height <= 0) return;

    // A hand-made record with multiplier 0 still shows each row once.
    const int32_t multiplier = mode->lineMultiplier > 1 ? mode->lineMultiplier : 1;
    alignas(64) uint32_t converted[256];
    BlitAux aux{mode->palette, gfxBlitTables, nullptr};
    uint8_t* out = destination;
    for (int32_t source = 0; source < mode->height; ++source) {
        if (!mode->dirtyLines[source]) {
            out += static_cast<ptrdiff_t>(destinationPitch) * multiplier;
            continue;
        }
        // The palette is converted once per frame, and only when a row needs it.
        if (lut && !aux.lut) {
            lut(converted, mode->palette);
            aux.lut = converted;
        }
        const uint8_t* in = mode->framebuffer + static_cast<ptrdiff_t>(mode->pitch) * source;
        for (int32_t repeat = 0; repeat < multiplier; ++repeat) {
            row(out, in, mode->width, aux);
            out += destinationPitch;
        }
    }
}

// The mode's memory copy; the library's until the pixel routines are chosen.
static void copyRow(uint8_t* destination, const uint8_t* source, int32_t width, const BlitAux&) {
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(gfxMode->bytesPerPixel);
    if (gfxMemCopy)
        gfxMemCopy(destination, source, bytes);
    else
        std::memcpy(destination, source, bytes);
}

void gfxBlitPlainCopy(uint8_t* destination, int32_t destinationPitch) {
    gfxBlitRows(destination, destinationPitch, copyRow, nullptr, 0);
}
