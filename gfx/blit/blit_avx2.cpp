// The vector family with 256-bit AVX2 steps; the 128-bit steps finish the
// rows. Only chosen on processors that have AVX2. The palette members look up
// with ordinary loads: on the processors measured a gather is slower than
// eight separate loads.
#include <cstring>
#include <immintrin.h>

#include "gfx/blit/blit_internal.h"
#include "gfx/core/mode.h"

#pragma GCC push_options
#pragma GCC target("avx2")

#include "gfx/blit/blit_vec128.h"

namespace {

// Eight pixel values (top bytes zero) as 24 bytes.
inline void store24x8(uint8_t* out, __m256i v) {
    const __m256i pick = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0,
                                          1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, pick), join);
    storeu(out, _mm256_castsi256_si128(packed));
    storel(out + 16, _mm256_extracti128_si256(packed, 1));
}

// Sixteen 32-bit lanes holding values up to 0xFFFF as sixteen 16-bit values.
inline __m256i narrow16x16(__m256i a, __m256i b) {
    return _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), 0xD8);
}

// Wide steps, each paired with the 128-bit member that finishes the row.
template <class F> struct WideNarrow32 : Narrow32<F> {
    static constexpr int32_t N = 16;
    static void wide(uint8_t* out, const uint8_t* in, const BlitAux&) {
        storeu(out,
               narrow16x16(apply32<F>(loadu<__m256i>(in)), apply32<F>(loadu<__m256i>(in + 32))));
    }
};

template <class F> struct WidePack32 : Pack32<F> {
    static constexpr int32_t N = 8;
    static void wide(uint8_t* out, const uint8_t* in, const BlitAux&) {
        store24x8(out, apply32<F>(loadu<__m256i>(in)));
    }
};

template <class F> struct WideMap32 : Map32<F> {
    static constexpr int32_t N = 8;
    static void wide(uint8_t* out, const uint8_t* in, const BlitAux&) {
        storeu(out, apply32<F>(loadu<__m256i>(in)));
    }
};

template <class F> struct WideShuffle16 : Shuffle16<F> {
    static constexpr int32_t N = 16;
    static void wide(uint8_t* out, const uint8_t* in, const BlitAux&) {
        storeu(out, apply16<F>(loadu<__m256i>(in)));
    }
};

template <class F, int32_t out_> struct WideExpand16 : Expand16<F, out_> {
    static constexpr int32_t N = 8;
    static void wide(uint8_t* out, const uint8_t* in, const BlitAux&) {
        const __m256i v = apply32<F>(_mm256_cvtepu16_epi32(loadu(in)));
        if constexpr (out_ == 4)
            storeu(out, v);
        else
            store24x8(out, v);
    }
};

template <class W>
__attribute__((force_align_arg_pointer)) void row256(uint8_t* out, const uint8_t* in, int32_t width,
                                                     const BlitAux& aux) {
    int32_t i = 0;
    for (; i + W::N <= width; i += W::N)
        W::wide(out + i * W::OUT, in + i * W::IN, aux);
    rest128<W>(out, in, i, width, aux);
}

// Four converted palette entries for the four source bytes of `s`, each
// inserted straight from the table (one load each, no gather).
inline __m128i lookup4(const uint32_t* lut, uint32_t s) {
    __m128i v = _mm_cvtsi32_si128(static_cast<int>(lut[s & 0xFF]));
    v = _mm_insert_epi32(v, static_cast<int>(lut[s >> 8 & 0xFF]), 1);
    v = _mm_insert_epi32(v, static_cast<int>(lut[s >> 16 & 0xFF]), 2);
    return _mm_insert_epi32(v, static_cast<int>(lut[s >> 24]), 3);
}

// Palette to 32 bits: eight pixels per 256-bit store.
template <class F>
__attribute__((force_align_arg_pointer)) void rowLookup32(uint8_t* out, const uint8_t* in,
                                                          int32_t width, const BlitAux& aux) {
    const uint32_t* lut = aux.lut; // stores through `out` could alias `aux`
    int32_t i = 0;
    for (; i + 8 <= width; i += 8) {
        const __m128i low = lookup4(lut, load32(in + i));
        const __m128i high = lookup4(lut, load32(in + i + 4));
        storeu(out + 4 * i, _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1));
    }
    for (; i < width; ++i)
        storePixel<4>(out + 4 * i, lut[in[i]]);
}

template <class F> void lookup32(uint8_t* destination, int32_t pitch) {
    gfxBlitRows(destination, pitch, rowLookup32<F>, buildLut<F>, BLIT_NEEDS_PALETTE);
}

// The member of each kind: the 256-bit steps where they pay; the palette
// kinds to 32 bits with their own walk, to fewer bits with the 128-bit one.
template <class K> struct Member256 { static constexpr Blitter blitter = member128<K>(); };
template <class F> struct Member256<Lookup8<F, 4>> {
    static constexpr Blitter blitter = lookup32<F>;
};
template <class F> struct Member256<Shuffle16<F>> {
    static constexpr Blitter blitter = member<WideShuffle16<F>, row256<WideShuffle16<F>>>;
};
template <class F, int32_t OUT> struct Member256<Expand16<F, OUT>> {
    static constexpr Blitter blitter = member<WideExpand16<F, OUT>, row256<WideExpand16<F, OUT>>>;
};
template <class F> struct Member256<Narrow32<F>> {
    static constexpr Blitter blitter = member<WideNarrow32<F>, row256<WideNarrow32<F>>>;
};
template <class F> struct Member256<Pack32<F>> {
    static constexpr Blitter blitter = member<WidePack32<F>, row256<WidePack32<F>>>;
};
template <class F> struct Member256<Map32<F>> {
    static constexpr Blitter blitter = member<WideMap32<F>, row256<WideMap32<F>>>;
};

} // namespace

const BlitFamily gfxBlitAvx2 = vectorFamilyTable<Member256>();

#pragma GCC pop_options
