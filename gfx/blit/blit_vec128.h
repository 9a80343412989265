// 128-bit steps of the vector family: four (or eight) pixels per step, and
// the row walk that ends a row with single pixels. Included by the files of
// the vector family after they have chosen their instruction set (SSE2 or
// AVX2), so each compiles its own copy; everything here has internal linkage.
// Needs <emmintrin.h>, <cstring>, blit_internal.h and gfx/core/mode.h included
// before.
#pragma once

#include "gfx/blit/blit_pixels.h"

namespace {

inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline uint32_t load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

template <int32_t bytes> inline void storePixel(uint8_t* out, uint32_t v) {
    std::memcpy(out, &v, bytes); // little-endian: the low bytes in order
}

// Four pixel values (top bytes zero) as their 12 display bytes, in the low
// 12 bytes of the result (the rest zero).
inline __m128i pack24x4(__m128i v) {
    // Per 64-bit half: pixel 0's three bytes, then pixel 1's right after them.
    const __m128i keepFirst = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF);
    const __m128i keepSecond =
        _mm_set_epi32(0xFFFF, static_cast<int>(0xFF000000), 0xFFFF, static_cast<int>(0xFF000000));
    const __m128i halves =
        _mm_or_si128(_mm_and_si128(v, keepFirst), _mm_and_si128(_mm_srli_epi64(v, 8), keepSecond));
    // Six bytes per half: move the upper half's six right after the lower's.
    return _mm_or_si128(_mm_move_epi64(halves), _mm_slli_si128(_mm_srli_si128(halves, 8), 6));
}

inline void store24x4(uint8_t* out, __m128i v) {
    const __m128i packed = pack24x4(v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    storePixel<4>(out + 8, static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8))));
}

// Sixteen pixel values as 48 bytes in three whole 16-byte stores.
inline void store24x16(uint8_t* out, __m128i a, __m128i b, __m128i c, __m128i d) {
    a = pack24x4(a), b = pack24x4(b), c = pack24x4(c), d = pack24x4(d);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(a, _mm_slli_si128(b, 12)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16),
                     _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32),
                     _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
}

// Eight 32-bit lanes holding values up to 0xFFFF as eight 16-bit values.
inline __m128i narrow16(__m128i a, __m128i b) {
    // Sign-extend the low halves so the signed-saturating pack is exact.
    a = _mm_srai_epi32(_mm_slli_epi32(a, 16), 16);
    b = _mm_srai_epi32(_mm_slli_epi32(b, 16), 16);
    return _mm_packs_epi32(a, b);
}

// Unaligned loads and stores of a whole vector of either width (V = __m128i
// or __m256i), and of the low 8 bytes.
template <class V = __m128i> inline V loadu(const uint8_t* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class V> inline void storeu(uint8_t* p, V v) {
    std::memcpy(p, &v, sizeof v);
}
inline __m128i loadl(const uint8_t* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
inline void storel(uint8_t* p, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

// F's conversion on every 32-bit (or 16-bit) lane of a vector of either width.
template <class F, class V> inline V apply32(V v) {
    typedef uint32_t Lanes __attribute__((vector_size(sizeof(V))));
    return (V)F::apply((Lanes)v);
}
template <class F, class V> inline V apply16(V v) {
    typedef uint16_t Lanes __attribute__((vector_size(sizeof(V))));
    return (V)F::apply((Lanes)v);
}

// Members. Each gives IN and OUT bytes per pixel, `four` (four pixels), `one`
// (the value of one pixel) and optionally `eight`; LUT is the per-frame
// palette conversion of the palette members.

// 32-bit source to 15 or 16 bits.
template <class F> struct Narrow32 {
    static constexpr int32_t IN = 4, OUT = 2;
    static constexpr BlitLut LUT = nullptr;
    static void four(uint8_t* out, const uint8_t* in, const BlitAux&) {
        const __m128i a = apply32<F>(loadu(in));
        storel(out, narrow16(a, a));
    }
    static void eight(uint8_t* out, const uint8_t* in, const BlitAux&) {
        storeu(out, narrow16(apply32<F>(loadu(in)), apply32<F>(loadu(in + 16))));
    }
    static uint32_t one(const uint8_t* in, const BlitAux&) { return F::apply(load32(in)); }
};

// 32-bit source to 24 bits.
template <class F> struct Pack32 {
    static constexpr int32_t IN = 4, OUT = 3;
    static constexpr BlitLut LUT = nullptr;
    static void four(uint8_t* out, const uint8_t* in, const BlitAux&) {
        store24x4(out, apply32<F>(loadu(in)));
    }
    static void sixteen(uint8_t* out, const uint8_t* in, const BlitAux&) {
        store24x16(out, apply32<F>(loadu(in)), apply32<F>(loadu(in + 16)),
                   apply32<F>(loadu(in + 32)), apply32<F>(loadu(in + 48)));
    }
    static uint32_t one(const uint8_t* in, const BlitAux&) { return F::apply(load32(in)); }
};

// 32-bit source to 32 bits.
template <class F> struct Map32 {
    static constexpr int32_t IN = 4, OUT = 4;
    static constexpr BlitLut LUT = nullptr;
    static void four(uint8_t* out, const uint8_t* in, const BlitAux&) {
        storeu(out, apply32<F>(loadu(in)));
    }
    static uint32_t one(const uint8_t* in, const BlitAux&) { return F::apply(load32(in)); }
};

// 5-6-5 source to 15 or 16 bits: one 16-bit lane per pixel.
template <class F> struct Shuffle16 {
    static constexpr int32_t IN = 2, OUT = 2;
    static constexpr BlitLut LUT = nullptr;
    static void four(uint8_t* out, const uint8_t* in, const BlitAux&) {
        storel(out, apply16<F>(loadl(in)));
    }
    static void eight(uint8_t* out, const uint8_t* in, const BlitAux&) {
        storeu(out, apply16<F>(loadu(in)));
    }
    static uint32_t one(const uint8_t* in, const BlitAux&) { return F::apply(load16(in)); }
};

// 5-6-5 source to 24 or 32 bits: widened to 32-bit lanes first.
template <class F, int32_t out_> struct Expand16 {
    static constexpr int32_t IN = 2, OUT = out_;
    static constexpr BlitLut LUT = nullptr;
    static void four(uint8_t* out, const uint8_t* in, const BlitAux&) {
        const __m128i v = apply32<F>(_mm_unpacklo_epi16(loadl(in), _mm_setzero_si128()));
        if constexpr (OUT == 4)
            storeu(out, v);
        else
            store24x4(out, v);
    }
    static void sixteen(uint8_t* out, const uint8_t* in, const BlitAux&) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i low = loadu(in), high = loadu(in + 16);
        const __m128i v0 = apply32<F>(_mm_unpacklo_epi16(low, zero));
        const __m128i v1 = apply32<F>(_mm_unpackhi_epi16(low, zero));
        const __m128i v2 = apply32<F>(_mm_unpacklo_epi16(high, zero));
        const __m128i v3 = apply32<F>(_mm_unpackhi_epi16(high, zero));
        if constexpr (OUT == 4) {
            storeu(out, v0), storeu(out + 16, v1), storeu(out + 32, v2), storeu(out + 48, v3);
        } else {
            store24x16(out, v0, v1, v2, v3);
        }
    }
    static uint32_t one(const uint8_t* in, const BlitAux&) { return F::apply(load16(in)); }
};

// Palette source: one table lookup per pixel in the per-frame converted palette.
template <class F, int32_t out_> struct Lookup8 {
    static constexpr int32_t IN = 1, OUT = out_;
    static constexpr BlitLut LUT = buildLut<F>;
    // Output in whole 16-byte units: four 32-bit pixels, eight 16-bit ones or
    // sixteen 24-bit ones (three units).
    static constexpr int32_t BLOCK = OUT == 3 ? 16 : 16 / OUT;
    static void block(uint8_t* out, const uint8_t* in, const uint32_t* lut) {
        if constexpr (OUT == 2) {
            const uint32_t a = load32(in), b = load32(in + 4);
            storeu(out, _mm_set_epi32(static_cast<int>(lut[b >> 16 & 0xFF] | lut[b >> 24] << 16),
                                      static_cast<int>(lut[b & 0xFF] | lut[b >> 8 & 0xFF] << 16),
                                      static_cast<int>(lut[a >> 16 & 0xFF] | lut[a >> 24] << 16),
                                      static_cast<int>(lut[a & 0xFF] | lut[a >> 8 & 0xFF] << 16)));
        } else if constexpr (OUT == 3) {
            // Four pixels of three bytes make three 32-bit words.
            uint32_t w[12];
            for (int32_t q = 0; q < 4; ++q) {
                const uint32_t s = load32(in + 4 * q);
                const uint32_t p0 = lut[s & 0xFF], p1 = lut[s >> 8 & 0xFF];
                const uint32_t p2 = lut[s >> 16 & 0xFF], p3 = lut[s >> 24];
                w[3 * q] = p0 | p1 << 24;
                w[3 * q + 1] = p1 >> 8 | p2 << 16;
                w[3 * q + 2] = p2 >> 16 | p3 << 8;
            }
            for (int32_t u = 0; u < 3; ++u)
                storeu(out + 16 * u,
                       _mm_set_epi32(static_cast<int>(w[4 * u + 3]), static_cast<int>(w[4 * u + 2]),
                                     static_cast<int>(w[4 * u + 1]), static_cast<int>(w[4 * u])));
        } else {
            const uint32_t s = load32(in);
            storeu(out, _mm_set_epi32(
                            static_cast<int>(lut[s >> 24]), static_cast<int>(lut[s >> 16 & 0xFF]),
                            static_cast<int>(lut[s >> 8 & 0xFF]), static_cast<int>(lut[s & 0xFF])));
        }
    }
};

// Row walk of the palette members. The stores stay ordinary (cached): the
// converted rows are read right after by whoever presents them, and on the
// processors measured here the lookups, not the stores, set the pace.
template <class K>
__attribute__((force_align_arg_pointer)) void rowLookup(uint8_t* out, const uint8_t* in,
                                                        int32_t width, const BlitAux& aux) {
    const uint32_t* lut = aux.lut; // stores through `out` could alias `aux`
    int32_t i = 0;
    for (; i + K::BLOCK <= width; i += K::BLOCK)
        K::block(out + i * K::OUT, in + i, lut);
    for (; i < width; ++i)
        storePixel<K::OUT>(out + i * K::OUT, lut[in[i]]);
}

// Rows shorter than 16 bytes: at most two overlapping pieces of the widest
// size that fits (both read before either is written; the source and the
// destination never overlap).
inline void copyShort(uint8_t* out, const uint8_t* in, size_t n) {
    if (n >= 8) {
        const __m128i a = loadl(in), b = loadl(in + n - 8);
        storel(out, a), storel(out + n - 8, b);
    } else if (n >= 4) {
        const uint32_t a = load32(in), b = load32(in + n - 4);
        storePixel<4>(out, a), storePixel<4>(out + n - 4, b);
    } else {
        for (size_t i = 0; i < n; ++i)
            out[i] = in[i];
    }
}

// The plain row copy in 16-byte steps: the first step unaligned, then stores
// aligned on the destination, four per turn, and the last 16 bytes taken again
// unaligned (rewriting a few bytes with their own values) so no short tail is
// left.
__attribute__((force_align_arg_pointer)) inline void copyRow128(uint8_t* out, const uint8_t* in,
                                                                int32_t width, const BlitAux&) {
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(gfxMode->bytesPerPixel);
    if (n < 16) return copyShort(out, in, n);
    size_t i = -reinterpret_cast<uintptr_t>(out) & 15;
    if (i) storeu(out, loadu(in));
    for (; i + 64 <= n; i += 64) {
        const __m128i a = loadu(in + i), b = loadu(in + i + 16);
        const __m128i c = loadu(in + i + 32), d = loadu(in + i + 48);
        auto* o = reinterpret_cast<__m128i*>(out + i);
        _mm_store_si128(o, a), _mm_store_si128(o + 1, b);
        _mm_store_si128(o + 2, c), _mm_store_si128(o + 3, d);
    }
    for (; i + 16 <= n; i += 16)
        _mm_store_si128(reinterpret_cast<__m128i*>(out + i), loadu(in + i));
    if (i < n) storeu(out + n - 16, loadu(in + n - 16));
}

template <class K> constexpr bool hasSixteen = requires {
    &K::sixteen;
};
template <class K> constexpr bool hasEight = requires {
    &K::eight;
};

// Ends a row with single pixels (widths that are not a multiple of 4 never
// reach the vector family, but the walk stays exact for any width).
template <class K>
inline void finishRow(uint8_t* out, const uint8_t* in, int32_t i, int32_t width,
                      const BlitAux& aux) {
    if constexpr (hasEight<K>)
        if (i + 4 <= width) {
            K::four(out + i * K::OUT, in + i * K::IN, aux);
            i += 4;
        }
    for (; i < width; ++i)
        storePixel<K::OUT>(out + i * K::OUT, K::one(in + i * K::IN, aux));
}

// The 128-bit part of a row walk from pixel i on.
template <class K>
inline void rest128(uint8_t* out, const uint8_t* in, int32_t i, int32_t width, const BlitAux& aux) {
    if constexpr (hasSixteen<K>)
        for (; i + 16 <= width; i += 16)
            K::sixteen(out + i * K::OUT, in + i * K::IN, aux);
    if constexpr (hasEight<K>)
        for (; i + 8 <= width; i += 8)
            K::eight(out + i * K::OUT, in + i * K::IN, aux);
    else
        for (; i + 4 <= width; i += 4)
            K::four(out + i * K::OUT, in + i * K::IN, aux);
    finishRow<K>(out, in, i, width, aux);
}

// Called through a pointer from code that may run on a 4-byte aligned stack
// (32-bit Windows threads), hence the realignment for vector spills.
template <class K>
__attribute__((force_align_arg_pointer)) void row128(uint8_t* out, const uint8_t* in, int32_t width,
                                                     const BlitAux& aux) {
    rest128<K>(out, in, 0, width, aux);
}

constexpr uint32_t needsOf(int32_t inBytes, BlitLut lut) {
    return (inBytes == 1 && lut) ? uint32_t{BLIT_NEEDS_PALETTE} : 0u;
}

// A family member: the row walk ROW of kind K over the dirty rows.
template <class K, BlitRow ROW> void member(uint8_t* destination, int32_t pitch) {
    gfxBlitRows(destination, pitch, ROW, K::LUT, needsOf(K::IN, K::LUT));
}

// The 128-bit member of kind K: palette kinds (one byte in) walk with their
// lookups, the others with the 128-bit steps.
template <class K> constexpr Blitter member128() {
    if constexpr (K::IN == 1)
        return member<K, rowLookup<K>>;
    else
        return member<K, row128<K>>;
}

template <class K> struct Member128 { static constexpr Blitter blitter = member128<K>(); };

// Both families copy in 16-byte steps: on the processors measured, 32-byte
// stores copy a frame held in the shared cache more slowly.
void copyMember(uint8_t* destination, int32_t pitch) {
    gfxBlitRows(destination, pitch, copyRow128, nullptr, 0);
}

// The slot table both vector families fill the same way: each slot's
// conversion as a 128-bit kind. M<K>::blitter is the family's own member for
// kind K (its instructions).
template <template <class> class M> constexpr BlitFamily vectorFamilyTable() {
    return {
        .slots =
            {
                {
                    M<Lookup8<From32To15Swapped, 2>>::blitter,
                    M<Lookup8<From32To16Swapped, 2>>::blitter,
                    M<Lookup8<SwapRedBlue, 3>>::blitter,
                    M<Lookup8<SwapRedBlue, 4>>::blitter,
                    M<Shuffle16<From16To15>>::blitter,
                    copyMember,
                    M<Expand16<From16To32, 3>>::blitter,
                    M<Expand16<From16To32, 4>>::blitter,
                    M<Narrow32<From32To15>>::blitter,
                    M<Narrow32<From32To16>>::blitter,
                    M<Pack32<Low24>>::blitter,
                    copyMember,
                },
                {
                    M<Lookup8<From32To15, 2>>::blitter,
                    M<Lookup8<From32To16, 2>>::blitter,
                    M<Lookup8<Low24, 3>>::blitter,
                    M<Lookup8<Low24, 4>>::blitter,
                    M<Shuffle16<From16To15Swapped>>::blitter,
                    M<Shuffle16<From16To16Swapped>>::blitter,
                    M<Expand16<From16To32Swapped, 3>>::blitter,
                    M<Expand16<From16To32Swapped, 4>>::blitter,
                    M<Narrow32<From32To15Swapped>>::blitter,
                    M<Narrow32<From32To16Swapped>>::blitter,
                    M<Pack32<SwapRedBlue>>::blitter,
                    M<Map32<SwapRedBlue>>::blitter,
                },
            },
        .copy = copyMember,
    };
}

} // namespace
