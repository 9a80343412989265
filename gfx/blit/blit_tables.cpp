// The 16-bit expansion tables' storage: the blitters' screen layer allocates
// it with each screen's buffers and frees it with the screen.
#include <cstdlib>

#include "gfx/blit/blit.h"
#include "gfx/core/screen_layers.h"
#include "runtime/runtime.h"

uint32_t* gfxBlitTables = nullptr;

namespace {

int32_t openTables(GfxMode*, const ModeInfo*) {
    gfxBlitTables = static_cast<uint32_t*>(std::calloc(GFX_BLIT_TABLES_SIZE, 1));
    return gfxBlitTables ? 0 : RT_ERR_ILLEGAL_CALL;
}

void closeTables(GfxMode*) {
    std::free(gfxBlitTables);
    gfxBlitTables = nullptr;
}

} // namespace

const GfxScreenLayer GFX_BLIT_LAYER = {GFX_LAYER_WITH_BUFFERS, openTables, closeTables};
