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

// The 128-bit member of each kind.
struct Steps128 {
    template <class F, int32_t OUT> static constexpr Blitter lookup = lookupMember<Lookup8<F, OUT>>;
    template <class F> static constexpr Blitter shuffle16 = member128<Shuffle16<F>>;
    template <class F, int32_t OUT> static constexpr Blitter expand16 = member128<Expand16<F, OUT>>;
    template <class F> static constexpr Blitter narrow32 = member128<Narrow32<F>>;
    template <class F> static constexpr Blitter pack32 = member128<Pack32<F>>;
    template <class F> static constexpr Blitter map32 = member128<Map32<F>>;
};

} // namespace

const BlitFamily gfxBlitSse2 = vectorFamilyTable<Steps128>();

#pragma GCC pop_options
