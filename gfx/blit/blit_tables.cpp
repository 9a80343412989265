// The 16-bit expansion tables' storage, owned by the open mode.
#include "gfx/blit/blit.h"

uint32_t* gfxBlitTables = nullptr;
