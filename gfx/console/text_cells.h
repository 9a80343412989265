// The TextCell shadow of the graphics text console: its buffers, one per page,
// the work page's buffer and clearing a block of its rows. Every routine keeps
// to the text grid and tolerates a screen whose buffers could not be allocated.
#pragma once

#include <cstdint>

struct GfxContext;
struct GfxMode;
struct TextCell;

// Frees the open screen's cell buffers; with allocate nonzero makes new ones
// for the screen's grid (work page filled with spaces in the context's
// colours, the other pages zero). Returns 0, or 1 when memory ran out (then
// no buffers are left).
int32_t gfxAllocTextCells(GfxContext* context, int32_t allocate);
// The work page's cells (row after row, textColumns per row), or null.
TextCell* gfxWorkCells(const GfxMode* mode, const GfxContext* context);
// Sets columns left..right of rows top..bottom to spaces in the context's
// colours; the block is first cut to the grid.
void gfxClearCells(const GfxMode* mode, const GfxContext* context, int32_t left, int32_t top,
                   int32_t right, int32_t bottom);
