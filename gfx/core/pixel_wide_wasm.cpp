// The wide memory and span routines of the WebAssembly build. They write the
// same bytes as the 8-byte-store routines of x86 builds; written plainly, the
// compiler turns the loops into 128-bit WebAssembly vector stores.
#include <cstring>

#include "gfx/core/pixel.h"

namespace {
// One lane of the vector blend: the 16-bit product truncated, shifted
// logically, only the low byte of the sum kept.
inline uint32_t blendLane(uint32_t s, uint32_t d, uint32_t a, int shift) {
    uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
    auto product = static_cast<uint16_t>((sc - dc) * a);
    return ((dc + (product >> 8)) & 0xFF) << shift;
}
} // namespace

void gfxMemCopyWide(void* destination, const void* source, size_t n) {
    std::memcpy(destination, source, n);
}

void gfxMemFillWide(void* destination, uint8_t value, size_t n) {
    std::memset(destination, value, n);
}

void gfxFill16Wide(uint8_t* d, uint32_t value, int32_t n) {
    auto v = static_cast<uint16_t>(value);
    for (int32_t i = 0; i < n; ++i)
        std::memcpy(d + 2 * i, &v, 2);
}

void gfxFill32Wide(uint8_t* d, uint32_t value, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        std::memcpy(d + 4 * i, &value, 4);
}

uint32_t gfxBlendVector(uint32_t source, uint32_t destination) {
    uint32_t a = source >> 24;
    return blendLane(source, destination, a, 24) | blendLane(source, destination, a, 16) |
           blendLane(source, destination, a, 8) | blendLane(source, destination, a, 0);
}

void gfxBlendSpanVector(uint8_t* d, uint32_t value, int32_t n) {
    for (int32_t i = 0; i < n; ++i, d += 4) {
        uint32_t old;
        std::memcpy(&old, d, 4);
        uint32_t blended = gfxBlendVector(value, old);
        std::memcpy(d, &blended, 4);
    }
}
