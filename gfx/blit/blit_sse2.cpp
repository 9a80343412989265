// The vector family with 128-bit SSE2 steps: used on processors without
// AVX2, and for the conversions where 256-bit steps do not pay.
#include <cstring>
#include <emmintrin.h>

#include "gfx/blit/blit_internal.h"
#include "gfx/core/mode.h"

#pragma GCC push_options
#pragma GCC target("sse2")

#include "gfx/blit/blit_vec128.h"

const BlitFamily gfxBlitSse2 = vectorFamilyTable<Member128>();

#pragma GCC pop_options
