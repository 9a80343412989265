// The portable family: every conversion written per pixel from the 8-bit
// components, 15- and 16-bit outputs stored two pixels per 32-bit store.
#include <cstring>

#include "gfx/blit/blit_internal.h"

namespace {

struct Rgb {
    uint32_t r, g, b;
};

// Source readers: pixel i of a row as components.
Rgb fromPalette(const uint8_t* row, int32_t i, const BlitAux& aux) {
    const uint32_t entry = aux.palette[row[i]];
    return {entry & 0xFF, (entry >> 8) & 0xFF, (entry >> 16) & 0xFF};
}

Rgb from32(const uint8_t* row, int32_t i, const BlitAux&) {
    uint32_t p;
    std::memcpy(&p, row + 4 * i, 4);
    return {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
}

uint32_t read16(const uint8_t* row, int32_t i) {
    uint16_t p;
    std::memcpy(&p, row + 2 * i, 2);
    return p;
}

// Display encoders.
uint32_t to15(Rgb c) {
    return (c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3);
}
uint32_t to15Swapped(Rgb c) {
    return (c.b >> 3) << 10 | (c.g >> 3) << 5 | (c.r >> 3);
}
uint32_t to16(Rgb c) {
    return (c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3);
}
uint32_t to16Swapped(Rgb c) {
    return (c.b >> 3) << 11 | (c.g >> 2) << 5 | (c.r >> 3);
}
// 32-bit display values; bytes 0..2 of them are the 24-bit display's bytes.
uint32_t to32(Rgb c) {
    return c.r << 16 | c.g << 8 | c.b;
}
uint32_t to32Swapped(Rgb c) {
    return c.b << 16 | c.g << 8 | c.r;
}

using Reader = Rgb (*)(const uint8_t*, int32_t, const BlitAux&);
using Encoder = uint32_t (*)(Rgb);
using Pixel = uint32_t (*)(const uint8_t*, int32_t, const BlitAux&);

template <Reader read, Encoder encode>
uint32_t rgbPixel(const uint8_t* row, int32_t i, const BlitAux& aux) {
    return encode(read(row, i, aux));
}

// 5-6-5 source pixels.
uint32_t p16To15(const uint8_t* row, int32_t i, const BlitAux&) {
    const uint32_t p = read16(row, i);
    return (p >> 11) << 10 | ((p >> 5 & 0x3F) >> 1) << 5 | (p & 0x1F);
}
uint32_t p16To15Swapped(const uint8_t* row, int32_t i, const BlitAux&) {
    const uint32_t p = read16(row, i);
    return (p & 0x1F) << 10 | ((p >> 5 & 0x3F) >> 1) << 5 | (p >> 11);
}
uint32_t p16To16Swapped(const uint8_t* row, int32_t i, const BlitAux&) {
    const uint32_t p = read16(row, i);
    return (p & 0x1F) << 11 | (p >> 5 & 0x3F) << 5 | (p >> 11);
}
uint32_t p16Expand(const uint8_t* row, int32_t i, const BlitAux& aux) {
    const uint32_t p = read16(row, i);
    return aux.tables[p & 0xFF] | aux.tables[256 + (p >> 8)];
}

// Row writers. 16-bit outputs go two per 32-bit store, the first pixel in the
// low half, with one 16-bit store for an odd last pixel.
template <Pixel pixel>
void row16(uint8_t* out, const uint8_t* in, int32_t width, const BlitAux& aux) {
    int32_t i = 0;
    for (; i + 2 <= width; i += 2) {
        const uint32_t pair = pixel(in, i, aux) | pixel(in, i + 1, aux) << 16;
        std::memcpy(out + 2 * i, &pair, 4);
    }
    if (i < width) {
        const uint16_t last = static_cast<uint16_t>(pixel(in, i, aux));
        std::memcpy(out + 2 * i, &last, 2);
    }
}

template <Pixel pixel>
void row24(uint8_t* out, const uint8_t* in, int32_t width, const BlitAux& aux) {
    for (int32_t i = 0; i < width; ++i) {
        const uint32_t v = pixel(in, i, aux);
        out[3 * i] = static_cast<uint8_t>(v);
        out[3 * i + 1] = static_cast<uint8_t>(v >> 8);
        out[3 * i + 2] = static_cast<uint8_t>(v >> 16);
    }
}

template <Pixel pixel>
void row32(uint8_t* out, const uint8_t* in, int32_t width, const BlitAux& aux) {
    for (int32_t i = 0; i < width; ++i) {
        const uint32_t v = pixel(in, i, aux);
        std::memcpy(out + 4 * i, &v, 4);
    }
}

template <BlitRow row, uint32_t needs> void member(uint8_t* destination, int32_t pitch) {
    gfxBlitRows(destination, pitch, row, nullptr, needs);
}

constexpr uint32_t PAL = BLIT_NEEDS_PALETTE;
constexpr uint32_t TAB = BLIT_NEEDS_TABLES;

} // namespace

const BlitFamily gfxBlitPortable = {
    .slots =
        {
            {
                member<row16<rgbPixel<fromPalette, to15>>, PAL>,
                member<row16<rgbPixel<fromPalette, to16>>, PAL>,
                member<row24<rgbPixel<fromPalette, to32>>, PAL>,
                member<row32<rgbPixel<fromPalette, to32>>, PAL>,
                member<row16<p16To15>, 0>,
                gfxBlitPlainCopy,
                member<row24<p16Expand>, TAB>,
                member<row32<p16Expand>, TAB>,
                member<row16<rgbPixel<from32, to15>>, 0>,
                member<row16<rgbPixel<from32, to16>>, 0>,
                member<row24<rgbPixel<from32, to32>>, 0>,
                gfxBlitPlainCopy,
            },
            {
                member<row16<rgbPixel<fromPalette, to15Swapped>>, PAL>,
                member<row16<rgbPixel<fromPalette, to16Swapped>>, PAL>,
                member<row24<rgbPixel<fromPalette, to32Swapped>>, PAL>,
                member<row32<rgbPixel<fromPalette, to32Swapped>>, PAL>,
                member<row16<p16To15Swapped>, 0>,
                member<row16<p16To16Swapped>, 0>,
                member<row24<p16Expand>, TAB>,
                member<row32<p16Expand>, TAB>,
                member<row16<rgbPixel<from32, to15Swapped>>, 0>,
                member<row16<rgbPixel<from32, to16Swapped>>, 0>,
                member<row24<rgbPixel<from32, to32Swapped>>, 0>,
                member<row32<rgbPixel<from32, to32Swapped>>, 0>,
            },
        },
    .copy = gfxBlitPlainCopy,
};
