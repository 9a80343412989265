// The vector family on x86 processors: AVX2, else SSE2, else the portable one.
#include "gfx/blit/blit_internal.h"
#include "runtime/platform.h"

bool gfxBlitHasSse2() {
    return rtCpuVectors() >= CPU_VECTORS_128;
}

bool gfxBlitHasAvx2() {
    return rtCpuVectors() >= CPU_VECTORS_256;
}

const BlitFamily& gfxBlitVectorFamily() {
    if (gfxBlitHasAvx2()) return gfxBlitAvx2;
    if (gfxBlitHasSse2()) return gfxBlitSse2;
    return gfxBlitPortable;
}
