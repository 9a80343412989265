// The 16-bit expansion tables' storage: allocated with each screen's buffers
// and freed with the screen.
#include <cstdlib>

#include "gfx/blit/blit.h"
#include "gfx/core/screen_layers.h"

uint32_t* gfxBlitTables = nullptr;

bool gfxAllocBlitTables() {
    gfxBlitTables = static_cast<uint32_t*>(std::calloc(GFX_BLIT_TABLES_SIZE, 1));
    return gfxBlitTables != nullptr;
}

void gfxFreeBlitTables() {
    std::free(gfxBlitTables);
    gfxBlitTables = nullptr;
}
