// Per-pixel conversions shared by the vector family. Each formula works on one
// pixel in a scalar or on many in a vector-extension value, so the wide steps
// and the single-pixel tails compute the same bytes. Internal linkage on
// purpose: every file compiles them for its own instruction set.
// A palette entry (red low) reads as a 32-bit pixel (red high) with red and
// blue exchanged, so palette conversions are the 32-bit ones of the other order.
#pragma once

#include <cstdint>

namespace {

// 32-bit pixel 0xAARRGGBB.
struct From32To15 {
    template <class V> static V apply(V p) {
        return ((p >> 9) & 0x7C00) | ((p >> 6) & 0x3E0) | ((p >> 3) & 0x1F);
    }
};
struct From32To15Swapped {
    template <class V> static V apply(V p) {
        return ((p & 0xF8) << 7) | ((p >> 6) & 0x3E0) | ((p >> 19) & 0x1F);
    }
};
struct From32To16 {
    template <class V> static V apply(V p) {
        return ((p >> 8) & 0xF800) | ((p >> 5) & 0x7E0) | ((p >> 3) & 0x1F);
    }
};
struct From32To16Swapped {
    template <class V> static V apply(V p) {
        return ((p & 0xF8) << 8) | ((p >> 5) & 0x7E0) | ((p >> 19) & 0x1F);
    }
};
// Red and blue exchanged, top byte 0.
struct SwapRedBlue {
    template <class V> static V apply(V p) {
        return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
};
struct Low24 {
    template <class V> static V apply(V p) { return p & 0xFFFFFF; }
};

// 5-6-5 pixel in 16-bit lanes (or the low half of 32-bit ones).
struct From16To15 {
    template <class V> static V apply(V p) { return ((p & 0xFFC0) >> 1) | (p & 0x1F); }
};
struct From16To15Swapped {
    template <class V> static V apply(V p) {
        return ((p >> 11) & 0x1F) | ((p & 0x1F) << 10) | ((p & 0x7C0) >> 1);
    }
};
struct From16To16Swapped {
    template <class V> static V apply(V p) {
        return ((p >> 11) & 0x1F) | ((p << 11) & 0xF800) | (p & 0x7E0);
    }
};
// What the expansion tables give: each component at the top of its byte.
struct From16To32 {
    template <class V> static V apply(V p) {
        return ((p & 0xF800) << 8) | ((p & 0x7E0) << 5) | ((p & 0x1F) << 3);
    }
};
struct From16To32Swapped {
    template <class V> static V apply(V p) {
        return ((p & 0x1F) << 19) | ((p & 0x7E0) << 5) | ((p >> 8) & 0xF8);
    }
};

// The palette in display format, for the table-lookup members.
template <class F> void buildLut(uint32_t* lut, const uint32_t* palette) {
    for (int32_t i = 0; i < 256; ++i)
        lut[i] = F::apply(palette[i]);
}

} // namespace
