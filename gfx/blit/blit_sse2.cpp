// The vector family with 128-bit SSE2 steps: used on processors without
// AVX2, and for the conversions where 256-bit steps do not pay.
#include <cstring>
#include <emmintrin.h>

#include "gfx/blit/blit_internal.h"
#include "gfx/core/mode.h"

#pragma GCC push_options
#pragma GCC target("sse2")

#include "gfx/blit/blit_vec128.h"

namespace {

template <class K> void member(uint8_t* destination, int32_t pitch) {
    gfxBlitRows(destination, pitch, row128<K>, K::LUT, needsOf(K::IN, K::LUT));
}

template <class K> void lookup(uint8_t* destination, int32_t pitch) {
    gfxBlitRows(destination, pitch, rowLookup<K>, K::LUT, BLIT_NEEDS_PALETTE);
}

void copy(uint8_t* destination, int32_t pitch) {
    gfxBlitRows(destination, pitch, copyRow128, nullptr, 0);
}

} // namespace

const BlitFamily gfxBlitSse2 = {
    .slots =
        {
            {
                lookup<Lookup8<From32To15Swapped, 2>>,
                lookup<Lookup8<From32To16Swapped, 2>>,
                lookup<Lookup8<SwapRedBlue, 3>>,
                lookup<Lookup8<SwapRedBlue, 4>>,
                member<Shuffle16<From16To15>>,
                copy,
                member<Expand16<From16To32, 3>>,
                member<Expand16<From16To32, 4>>,
                member<Narrow32<From32To15>>,
                member<Narrow32<From32To16>>,
                member<Pack32<Low24>>,
                copy,
            },
            {
                lookup<Lookup8<From32To15, 2>>,
                lookup<Lookup8<From32To16, 2>>,
                lookup<Lookup8<Low24, 3>>,
                lookup<Lookup8<Low24, 4>>,
                member<Shuffle16<From16To15Swapped>>,
                member<Shuffle16<From16To16Swapped>>,
                member<Expand16<From16To32Swapped, 3>>,
                member<Expand16<From16To32Swapped, 4>>,
                member<Narrow32<From32To15Swapped>>,
                member<Narrow32<From32To16Swapped>>,
                member<Pack32<SwapRedBlue>>,
                member<Map32<SwapRedBlue>>,
            },
        },
    .copy = copy,
};

#pragma GCC pop_options
