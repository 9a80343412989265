// The vector family of the WebAssembly build: the 128-bit members, built for
// WebAssembly's vector instructions (the compiler translates their SSE2 steps).
#include "gfx/blit/blit_internal.h"

const BlitFamily& gfxBlitVectorFamily() {
    return gfxBlitSse2;
}
