// Per-size pixel routines, colour conversion and the plain blend.
#include "gfx/core/pixel.h"

#include <cstring>

#include "gfx/core/context.h"
#include "gfx/core/mode.h"
#include "runtime/platform.h"

PixelRoutines gfxPixel;
MemCopyFn gfxMemCopy;
MemFillFn gfxMemFill;
uint32_t gfxCpuOverride = 0;

namespace {

// Unaligned-safe loads and stores of one stored value.
template <typename T> inline void storeAt(uint8_t* p, T value) {
    std::memcpy(p, &value, sizeof value);
}
template <typename T> inline T loadAt(const uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

void put16(GfxContext* c, int32_t x, int32_t y, uint32_t v) {
    storeAt<uint16_t>(c->lines[y] + 2 * x, static_cast<uint16_t>(v));
}
void put32(GfxContext* c, int32_t x, int32_t y, uint32_t v) {
    storeAt<uint32_t>(c->lines[y] + 4 * x, v);
}
uint32_t get16(GfxContext* c, int32_t x, int32_t y) {
    return loadAt<uint16_t>(c->lines[y] + 2 * x);
}
uint32_t get32(GfxContext* c, int32_t x, int32_t y) {
    return loadAt<uint32_t>(c->lines[y] + 4 * x);
}

void libMemCopy(void* d, const void* s, size_t n) {
    std::memcpy(d, s, n);
}
void libMemFill(void* d, uint8_t v, size_t n) {
    std::memset(d, v, n);
}

// The byte fill goes through whichever memory fill is current.
void fill8(uint8_t* d, uint32_t v, int32_t n) {
    if (n > 0) gfxMemFill(d, static_cast<uint8_t>(v), static_cast<size_t>(n));
}
void fill16(uint8_t* d, uint32_t v, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        storeAt<uint16_t>(d + 2 * i, static_cast<uint16_t>(v));
}
void fill32(uint8_t* d, uint32_t v, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        storeAt<uint32_t>(d + 4 * i, v);
}

void copy8(uint8_t* d, const uint8_t* s, int32_t n) {
    if (n > 0) gfxMemCopy(d, s, static_cast<size_t>(n));
}
void copy16(uint8_t* d, const uint8_t* s, int32_t n) {
    if (n > 0) gfxMemCopy(d, s, 2 * static_cast<size_t>(n));
}
void copy32(uint8_t* d, const uint8_t* s, int32_t n) {
    if (n > 0) gfxMemCopy(d, s, 4 * static_cast<size_t>(n));
}

void blendPixelPlain(GfxContext* c, int32_t x, int32_t y, uint32_t v) {
    uint8_t* p = c->lines[y] + 4 * x;
    storeAt<uint32_t>(p, gfxBlendPlain(v, loadAt<uint32_t>(p)));
}
void blendPixelVector(GfxContext* c, int32_t x, int32_t y, uint32_t v) {
    uint8_t* p = c->lines[y] + 4 * x;
    storeAt<uint32_t>(p, gfxBlendVector(v, loadAt<uint32_t>(p)));
}
void blendSpanPlain(uint8_t* d, uint32_t v, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        storeAt<uint32_t>(d + 4 * i, gfxBlendPlain(v, loadAt<uint32_t>(d + 4 * i)));
}

inline uint32_t blendChannel(uint32_t s, uint32_t d, int32_t a, int shift) {
    int32_t sc = static_cast<int32_t>((s >> shift) & 0xFF);
    int32_t dc = static_cast<int32_t>((d >> shift) & 0xFF);
    return static_cast<uint32_t>((dc + (((sc - dc) * a) >> 8)) & 0xFF) << shift;
}

void put8(GfxContext* c, int32_t x, int32_t y, uint32_t v) {
    c->lines[y][x] = static_cast<uint8_t>(v);
}
uint32_t get8(GfxContext* c, int32_t x, int32_t y) {
    return c->lines[y][x];
}

} // namespace

uint32_t gfxBlendPlain(uint32_t s, uint32_t d) {
    int32_t a = static_cast<int32_t>(s >> 24);
    return (s & 0xFF000000u) | blendChannel(s, d, a, 16) | blendChannel(s, d, a, 8) |
           blendChannel(s, d, a, 0);
}

void gfxSelectPixelRoutines(int32_t bytesPerPixel) {
    uint32_t cpu = gfxCpuOverride ? gfxCpuOverride : rtCpuInfo();
    bool mmx = (cpu & CPU_MMX) != 0;
    if (mmx && gfxMode) gfxMode->flags |= MODE_MMX;
    gfxMemCopy = mmx ? gfxMemCopyWide : libMemCopy;
    gfxMemFill = mmx ? gfxMemFillWide : libMemFill;
    bool alpha = gfxMode && (gfxMode->flags & MODE_ALPHA);

    PixelRoutines& r = gfxPixel;
    if (bytesPerPixel == 1) {
        r = {put8, get8, fill8, put8, fill8, copy8, fill8};
    } else if (bytesPerPixel == 2) {
        FillSpanFn fill = mmx ? gfxFill16Wide : fill16;
        r = {put16, get16, fill, put16, fill, copy16, fill};
    } else {
        FillSpanFn fill = mmx ? gfxFill32Wide : fill32;
        r = {put32, get32, fill, put32, fill, copy32, fill};
        if (alpha) {
            r.blendPixel = mmx ? blendPixelVector : blendPixelPlain;
            r.blendSpan = mmx ? gfxBlendSpanVector : blendSpanPlain;
        }
    }
    r.clearSpan = r.fillSpan;
}

uint32_t gfxRgbToPixel(int32_t bytesPerPixel, uint32_t colour, int32_t red, int32_t green,
                       int32_t blue) {
    if (bytesPerPixel != 2) return colour;
    uint32_t r = static_cast<uint32_t>(red), g = static_cast<uint32_t>(green),
             b = static_cast<uint32_t>(blue);
    return (b >> 3) | ((g << 3) & 0x7E0) | ((r << 8) & 0xF800);
}
