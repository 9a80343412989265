// The vector family on x86 processors: AVX2, else SSE2, else the portable one.
#include "gfx/blit/blit_internal.h"

bool gfxBlitHasSse2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2") != 0;
    }();
    return has;
}

bool gfxBlitHasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

const BlitFamily& gfxBlitVectorFamily() {
    if (gfxBlitHasAvx2()) return gfxBlitAvx2;
    if (gfxBlitHasSse2()) return gfxBlitSse2;
    return gfxBlitPortable;
}
