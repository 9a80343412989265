// The 8-byte-store (MMX) memory and span routines and the four-channel blend.
// Counts are split as: one unit if n & 1, two if n & 2, four if n & 4, then
// n / 8 blocks of eight units written with 8-byte stores. Every routine ends
// with the MMX state cleared so that floating point keeps working.
#include <mmintrin.h>

#include <cstring>

#include "gfx/core/pixel.h"

#define GFX_MMX __attribute__((target("mmx")))

namespace {

// Unaligned 8-byte moves through memcpy: one MMX move, and defined behaviour
// for every compiler (an under-aligned vector typedef is not).
GFX_MMX inline void store64(uint8_t* p, __m64 v) {
    std::memcpy(p, &v, sizeof v);
}
GFX_MMX inline __m64 load64(const uint8_t* p) {
    __m64 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <typename T> inline void storeAt(uint8_t* p, T value) {
    std::memcpy(p, &value, sizeof value);
}

// One blended pixel: every byte lane d + ((s - d) * a >> 8), low byte kept.
// Only bits 8..15 of the 16-bit product matter for the low byte of the sum,
// so a logical shift of the truncated product gives the arithmetic result.
GFX_MMX inline __m64 blendLanes(__m64 s16, __m64 alpha16, uint32_t destination) {
    __m64 zero = _mm_setzero_si64();
    __m64 d16 = _mm_unpacklo_pi8(_mm_cvtsi32_si64(static_cast<int>(destination)), zero);
    __m64 product = _mm_mullo_pi16(_mm_sub_pi16(s16, d16), alpha16);
    __m64 sum = _mm_add_pi16(d16, _mm_srli_pi16(product, 8));
    return _mm_and_si64(sum, _mm_set1_pi16(0xFF));
}

} // namespace

GFX_MMX void gfxMemCopyWide(void* destination, const void* source, size_t n) {
    auto* d = static_cast<uint8_t*>(destination);
    auto* s = static_cast<const uint8_t*>(source);
    if (n & 1) *d++ = *s++;
    if (n & 2) {
        std::memcpy(d, s, 2);
        d += 2, s += 2;
    }
    if (n & 4) {
        std::memcpy(d, s, 4);
        d += 4, s += 4;
    }
    for (size_t blocks = n / 8; blocks; --blocks, d += 8, s += 8)
        store64(d, load64(s));
    _mm_empty();
}

GFX_MMX void gfxMemFillWide(void* destination, uint8_t value, size_t n) {
    auto* d = static_cast<uint8_t*>(destination);
    uint32_t v4 = value * 0x01010101u;
    if (n & 1) *d++ = value;
    if (n & 2) {
        storeAt<uint16_t>(d, static_cast<uint16_t>(v4));
        d += 2;
    }
    if (n & 4) {
        storeAt<uint32_t>(d, v4);
        d += 4;
    }
    __m64 v8 = _mm_set1_pi8(static_cast<char>(value));
    for (size_t blocks = n / 8; blocks; --blocks, d += 8)
        store64(d, v8);
    _mm_empty();
}

GFX_MMX void gfxFill16Wide(uint8_t* d, uint32_t value, int32_t n) {
    if (n <= 0) return;
    uint16_t v = static_cast<uint16_t>(value);
    uint32_t v2 = v * 0x00010001u;
    __m64 v8 = _mm_set1_pi16(static_cast<short>(v));
    if (n & 1) {
        storeAt<uint16_t>(d, v);
        d += 2;
    }
    if (n & 2) {
        storeAt<uint32_t>(d, v2);
        d += 4;
    }
    if (n & 4) {
        store64(d, v8);
        d += 8;
    }
    for (int32_t blocks = n / 8; blocks; --blocks, d += 16) {
        store64(d, v8);
        store64(d + 8, v8);
    }
    _mm_empty();
}

GFX_MMX void gfxFill32Wide(uint8_t* d, uint32_t value, int32_t n) {
    if (n <= 0) return;
    __m64 v8 = _mm_set1_pi32(static_cast<int>(value));
    if (n & 1) {
        storeAt<uint32_t>(d, value);
        d += 4;
    }
    if (n & 2) {
        store64(d, v8);
        d += 8;
    }
    if (n & 4) {
        store64(d, v8);
        store64(d + 8, v8);
        d += 16;
    }
    for (int32_t blocks = n / 8; blocks; --blocks, d += 32) {
        store64(d, v8);
        store64(d + 8, v8);
        store64(d + 16, v8);
        store64(d + 24, v8);
    }
    _mm_empty();
}

GFX_MMX uint32_t gfxBlendVector(uint32_t source, uint32_t destination) {
    __m64 zero = _mm_setzero_si64();
    __m64 s16 = _mm_unpacklo_pi8(_mm_cvtsi32_si64(static_cast<int>(source)), zero);
    __m64 alpha16 = _mm_set1_pi16(static_cast<short>(source >> 24));
    __m64 lanes = blendLanes(s16, alpha16, destination);
    auto result = static_cast<uint32_t>(_mm_cvtsi64_si32(_mm_packs_pu16(lanes, zero)));
    _mm_empty();
    return result;
}

GFX_MMX void gfxBlendSpanVector(uint8_t* d, uint32_t value, int32_t n) {
    __m64 zero = _mm_setzero_si64();
    __m64 s16 = _mm_unpacklo_pi8(_mm_cvtsi32_si64(static_cast<int>(value)), zero);
    __m64 alpha16 = _mm_set1_pi16(static_cast<short>(value >> 24));
    for (int32_t i = 0; i < n; ++i, d += 4) {
        uint32_t old;
        std::memcpy(&old, d, 4);
        __m64 lanes = blendLanes(s16, alpha16, old);
        auto result = static_cast<uint32_t>(_mm_cvtsi64_si32(_mm_packs_pu16(lanes, zero)));
        std::memcpy(d, &result, 4);
    }
    _mm_empty();
}
