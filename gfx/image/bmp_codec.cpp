// Windows bitmap decoding and encoding (see bmp_codec.h). All sizes and
// offsets are worked out in 64 bits from checked fields before any byte
// beyond the headers is read.
#include "gfx/image/bmp_codec.h"

#include <cstdlib>
#include <cstring>

#include "runtime/runtime.h"

namespace {

constexpr size_t FILE_HEADER = 14;
constexpr uint32_t CORE_HEADER = 12;
constexpr uint32_t INFO_HEADER = 40;
constexpr uint32_t V4_HEADER = 108;

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

constexpr uint32_t LCS_SRGB = 0x73524742;  // 'sRGB'
constexpr int32_t PIXELS_PER_METRE = 2835; // 72 dots an inch

uint16_t read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t read32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void write16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void write32(uint8_t* p, uint32_t v) {
    write16(p, v);
    write16(p + 2, v >> 16);
}

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits: fewer bits
// are repeated to fill the byte (so 5 bits of 31 give 255), more are cut.
struct Channel {
    uint32_t mask;
    int32_t shift, bits;
    uint8_t wide[128]; // value -> 8 bits, for channels of fewer than 8 bits

    // False for a mask whose bits are not one run.
    bool set(uint32_t m) {
        mask = m;
        shift = bits = 0;
        if (!m) return true;
        while (!((m >> shift) & 1))
            ++shift;
        uint32_t run = m >> shift;
        if (run & (run + 1)) return false;
        while (run) {
            ++bits;
            run >>= 1;
        }
        for (uint32_t v = 0; bits < 8 && v < (1u << bits); ++v) {
            uint32_t filled = 0;
            int32_t have = 0;
            while (have < 8) {
                filled = filled << bits | v;
                have += bits;
            }
            wide[v] = static_cast<uint8_t>(filled >> (have - 8));
        }
        return true;
    }
    uint32_t get(uint32_t pixel) const {
        if (!mask) return 0;
        uint32_t v = (pixel & mask) >> shift;
        return bits < 8 ? wide[v] : v >> (bits - 8);
    }
};

// What the headers say, every field checked.
struct Layout {
    int32_t width, height;
    bool topDown;
    int32_t bitsPerPixel;
    uint32_t compression;
    uint32_t masks[4]; // red, green, blue, alpha (bit fields only)
    size_t paletteAt;
    int32_t paletteEntry; // 3 bytes (core header) or 4
    int32_t paletteCount;
    size_t dataAt;
};

int32_t readLayout(std::span<const uint8_t> file, uint64_t maxBytes, Layout* out) {
    const uint8_t* d = file.data();
    const uint64_t size = file.size();
    if (size < FILE_HEADER + 4 || d[0] != 'B' || d[1] != 'M') return RT_ERR_BAD_FILE_FORMAT;
    uint32_t headerSize = read32(d + FILE_HEADER);
    bool core = headerSize == CORE_HEADER;
    // The info header and its longer forms; the OS/2 forms (16, 64) differ in meaning.
    bool info = headerSize == INFO_HEADER || headerSize == 52 || headerSize == 56 ||
                headerSize == V4_HEADER || headerSize == 124;
    if ((!core && !info) || FILE_HEADER + headerSize > size) return RT_ERR_BAD_FILE_FORMAT;
    const uint8_t* h = d + FILE_HEADER;
    Layout l{};
    int64_t width, height;
    uint32_t planes, colours = 0;
    if (core) {
        width = read16(h + 4);
        height = read16(h + 6);
        planes = read16(h + 8);
        l.bitsPerPixel = read16(h + 10);
    } else {
        width = static_cast<int32_t>(read32(h + 4));
        height = static_cast<int32_t>(read32(h + 8));
        planes = read16(h + 12);
        l.bitsPerPixel = read16(h + 14);
        l.compression = read32(h + 16);
        colours = read32(h + 32);
    }
    l.topDown = height < 0;
    if (l.topDown) height = -height;
    if (planes != 1 || width < 1 || height < 1 || width > IMAGE_MAX_SIDE || height > IMAGE_MAX_SIDE)
        return RT_ERR_BAD_FILE_FORMAT;
    l.width = static_cast<int32_t>(width);
    l.height = static_cast<int32_t>(height);

    int32_t bpp = l.bitsPerPixel;
    size_t headersEnd = FILE_HEADER + headerSize;
    switch (l.compression) {
    case BI_RGB:
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && (core || (bpp != 16 && bpp != 32)))
            return RT_ERR_BAD_FILE_FORMAT;
        if (bpp == 16) l.masks[0] = 0x7C00, l.masks[1] = 0x3E0, l.masks[2] = 0x1F;
        if (bpp >= 24) l.masks[0] = 0xFF0000, l.masks[1] = 0xFF00, l.masks[2] = 0xFF;
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (bpp != (l.compression == BI_RLE8 ? 8 : 4) || l.topDown) return RT_ERR_BAD_FILE_FORMAT;
        break;
    case BI_BITFIELDS: {
        if (bpp != 16 && bpp != 32) return RT_ERR_BAD_FILE_FORMAT;
        // Three masks after a 40-byte header, inside the longer ones (alpha from 56 bytes).
        const uint8_t* m = h + INFO_HEADER;
        if (headerSize == INFO_HEADER) {
            headersEnd += 12;
            if (headersEnd > size) return RT_ERR_BAD_FILE_FORMAT;
        }
        int32_t count = headerSize >= 56 ? 4 : 3;
        for (int32_t i = 0; i < count; ++i) {
            l.masks[i] = read32(m + 4 * i);
            if (bpp == 16 && l.masks[i] > 0xFFFF) return RT_ERR_BAD_FILE_FORMAT;
        }
        break;
    }
    default:
        return RT_ERR_BAD_FILE_FORMAT;
    }

    uint64_t dataAt = read32(d + 10);
    if (dataAt < headersEnd || dataAt > size) return RT_ERR_BAD_FILE_FORMAT;
    l.dataAt = static_cast<size_t>(dataAt);

    // The palette lies between the headers and the pixels. Without a count
    // the full 2^bpp entries are meant, of which some files hold fewer.
    l.paletteAt = headersEnd;
    l.paletteEntry = core ? 3 : 4;
    if (bpp <= 8) {
        uint64_t room = (dataAt - headersEnd) / static_cast<uint64_t>(l.paletteEntry);
        uint64_t full = 1u << bpp;
        if (colours > full) return RT_ERR_BAD_FILE_FORMAT;
        uint64_t count = colours ? colours : full < room ? full : room;
        if (count < 1 || count > room) return RT_ERR_BAD_FILE_FORMAT;
        l.paletteCount = static_cast<int32_t>(count);
    }

    uint64_t pixelBytes =
        static_cast<uint64_t>(l.width) * static_cast<uint64_t>(l.height) * (bpp <= 8 ? 1u : 4u);
    if (pixelBytes > maxBytes) return RT_ERR_BAD_FILE_FORMAT;
    if (l.compression == BI_RGB || l.compression == BI_BITFIELDS) {
        uint64_t stride =
            (static_cast<uint64_t>(l.width) * static_cast<uint64_t>(bpp) + 31) / 32 * 4;
        if (stride * static_cast<uint64_t>(l.height) > size - dataAt) return RT_ERR_BAD_FILE_FORMAT;
    }
    *out = l;
    return 0;
}

// The run-length streams: pairs of a count and a value (count pixels, the
// value's two halves alternating for 4 bits), or an escape: 0 end of row, 1
// end of picture, 2 a move right and up by the next two bytes, n >= 3 that
// many pixels given one by one, padded to a 2-byte boundary. Rows count from
// the bottom; pixels not reached stay index 0. Pixels past the row's end are
// dropped: writers encode the row's padding too. A row above the picture, or
// a move out of it, is a bad file.
int32_t decodeRunLength(std::span<const uint8_t> stream, bool fourBits, const Layout& l,
                        uint8_t* pixels) {
    const uint8_t* p = stream.data();
    const uint8_t* end = p + stream.size();
    const int64_t width = l.width;
    int64_t x = 0, y = 0; // y: row from the bottom
    auto row = [&]() { return pixels + static_cast<size_t>(l.height - 1 - y) * l.width; };
    while (end - p >= 2) {
        uint32_t count = p[0], value = p[1];
        p += 2;
        if (count) {
            if (y >= l.height) return RT_ERR_BAD_FILE_FORMAT;
            uint8_t* out = row();
            for (uint32_t i = 0; i < count && x + i < width; ++i)
                out[x + i] = static_cast<uint8_t>(!fourBits ? value
                                                  : i & 1   ? value & 15
                                                            : value >> 4);
            x += count;
            continue;
        }
        switch (value) {
        case 0: // end of row
            if (y >= l.height) return RT_ERR_BAD_FILE_FORMAT;
            x = 0;
            ++y;
            break;
        case 1: // end of picture
            return 0;
        case 2: // a move
            if (end - p < 2) return RT_ERR_BAD_FILE_FORMAT;
            x += p[0];
            y += p[1];
            p += 2;
            if (x > width || y >= l.height) return RT_ERR_BAD_FILE_FORMAT;
            break;
        default: { // pixels one by one
            size_t bytes = fourBits ? (value + 1) / 2 : value;
            if (y >= l.height || static_cast<size_t>(end - p) < bytes + (bytes & 1))
                return RT_ERR_BAD_FILE_FORMAT;
            uint8_t* out = row();
            for (uint32_t i = 0; i < value && x + i < width; ++i)
                out[x + i] = !fourBits ? p[i] : i & 1 ? p[i / 2] & 15 : p[i / 2] >> 4;
            x += value;
            p += bytes + (bytes & 1);
        }
        }
    }
    return RT_ERR_BAD_FILE_FORMAT; // no end-of-picture mark
}

// Uncompressed rows.
int32_t decodeRows(std::span<const uint8_t> file, const Layout& l, BmpPicture* pic) {
    const int32_t bpp = l.bitsPerPixel;
    const size_t stride = (static_cast<size_t>(l.width) * bpp + 31) / 32 * 4;
    Channel ch[4];
    for (int32_t i = 0; i < 4; ++i)
        if (!ch[i].set(l.masks[i])) return RT_ERR_BAD_FILE_FORMAT;
    bool alphaMask = l.masks[3] != 0;
    bool anyAlpha = false;
    for (int32_t y = 0; y < l.height; ++y) {
        const uint8_t* in = file.data() + l.dataAt + stride * static_cast<size_t>(y);
        uint8_t* out = pic->pixels + static_cast<size_t>(l.topDown ? y : l.height - 1 - y) *
                                         static_cast<size_t>(pic->pitch);
        if (bpp <= 8) {
            int32_t perByte = 8 / bpp;
            uint32_t low = (1u << bpp) - 1;
            for (int32_t x = 0; x < l.width; ++x) {
                int32_t bit = 8 - bpp * (x % perByte + 1);
                out[x] = static_cast<uint8_t>(in[x / perByte] >> bit & low);
            }
            continue;
        }
        for (int32_t x = 0; x < l.width; ++x) {
            const uint8_t* at = in + static_cast<size_t>(x) * (bpp / 8);
            uint32_t v = bpp == 16   ? read16(at)
                         : bpp == 24 ? at[0] | at[1] << 8 | at[2] << 16
                                     : read32(at);
            uint32_t alpha;
            if (alphaMask) {
                alpha = ch[3].get(v);
            } else if (bpp == 32 && l.compression == BI_RGB) {
                alpha = v >> 24; // kept only when some pixel has it (below)
                anyAlpha |= alpha != 0;
            } else {
                alpha = 0xFF;
            }
            uint32_t argb = alpha << 24 | ch[0].get(v) << 16 | ch[1].get(v) << 8 | ch[2].get(v);
            std::memcpy(out + 4 * static_cast<size_t>(x), &argb, 4);
        }
    }
    pic->hasAlpha = alphaMask || anyAlpha;
    if (bpp == 32 && l.compression == BI_RGB && !anyAlpha) {
        // A plain 32-bit file whose fourth bytes are all zero has no alpha.
        size_t count = static_cast<size_t>(l.width) * static_cast<size_t>(l.height);
        for (size_t i = 0; i < count; ++i)
            pic->pixels[4 * i + 3] = 0xFF;
    }
    return 0;
}

} // namespace

int32_t bmpDecode(std::span<const uint8_t> file, BmpPicture* picture, uint64_t maxBytes) {
    *picture = BmpPicture{};
    Layout l;
    if (int32_t error = readLayout(file, maxBytes, &l)) return error;
    BmpPicture pic{};
    pic.width = l.width;
    pic.height = l.height;
    pic.bitsPerPixel = l.bitsPerPixel;
    pic.indexed = l.bitsPerPixel <= 8;
    pic.pitch = l.width * (pic.indexed ? 1 : 4);
    pic.paletteCount = l.paletteCount;
    for (int32_t i = 0; i < l.paletteCount; ++i) {
        const uint8_t* e = file.data() + l.paletteAt + static_cast<size_t>(i) * l.paletteEntry;
        pic.palette[i] = static_cast<uint32_t>(e[2]) << 16 | e[1] << 8 | e[0];
    }
    size_t bytes = static_cast<size_t>(pic.pitch) * static_cast<size_t>(l.height);
    pic.pixels = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (!pic.pixels) return RT_ERR_OUT_OF_MEMORY;
    int32_t error =
        l.compression == BI_RLE8 || l.compression == BI_RLE4
            ? decodeRunLength(file.subspan(l.dataAt), l.compression == BI_RLE4, l, pic.pixels)
            : decodeRows(file, l, &pic);
    if (error) {
        std::free(pic.pixels);
        return error;
    }
    *picture = pic;
    return 0;
}

void bmpFreePicture(BmpPicture* picture) {
    std::free(picture->pixels);
    *picture = BmpPicture{};
}

namespace {

// The header size, stride and palette bytes of the file bmpEncode makes.
struct Written {
    uint32_t headerSize, paletteBytes, bitsPerPixel;
    uint64_t stride, total;
};

bool plan(const BmpPicture& p, Written* w) {
    if (p.width < 1 || p.height < 1 || p.width > static_cast<int32_t>(IMAGE_MAX_SIDE) ||
        p.height > static_cast<int32_t>(IMAGE_MAX_SIDE) || !p.pixels)
        return false;
    if (p.indexed && (p.paletteCount < 1 || p.paletteCount > BMP_PALETTE_SIZE)) return false;
    w->bitsPerPixel = p.indexed ? 8 : 32;
    uint64_t row = static_cast<uint64_t>(p.width) * (w->bitsPerPixel / 8);
    if (p.pitch < 0 || static_cast<uint64_t>(p.pitch) < row) return false;
    w->stride = (row + 3) / 4 * 4;
    w->headerSize = !p.indexed && p.hasAlpha ? V4_HEADER : INFO_HEADER;
    w->paletteBytes = p.indexed ? 4 * static_cast<uint32_t>(p.paletteCount) : 0;
    w->total = FILE_HEADER + w->headerSize + w->paletteBytes + w->stride * p.height;
    return w->total <= 0xFFFFFFFFu && w->total <= SIZE_MAX;
}

} // namespace

size_t bmpEncodedSize(const BmpPicture& picture) {
    Written w;
    return plan(picture, &w) ? static_cast<size_t>(w.total) : 0;
}

void bmpEncode(const BmpPicture& p, uint8_t* file) {
    Written w;
    if (!plan(p, &w)) return;
    uint32_t dataAt = static_cast<uint32_t>(FILE_HEADER) + w.headerSize + w.paletteBytes;
    std::memset(file, 0, dataAt);
    file[0] = 'B';
    file[1] = 'M';
    write32(file + 2, static_cast<uint32_t>(w.total));
    write32(file + 10, dataAt);
    uint8_t* h = file + FILE_HEADER;
    write32(h, w.headerSize);
    write32(h + 4, static_cast<uint32_t>(p.width));
    write32(h + 8, static_cast<uint32_t>(p.height)); // bottom-up
    write16(h + 12, 1);
    write16(h + 14, w.bitsPerPixel);
    write32(h + 16, w.headerSize == V4_HEADER ? BI_BITFIELDS : BI_RGB);
    write32(h + 20, static_cast<uint32_t>(w.stride * p.height));
    write32(h + 24, PIXELS_PER_METRE);
    write32(h + 28, PIXELS_PER_METRE);
    if (p.indexed) write32(h + 32, static_cast<uint32_t>(p.paletteCount));
    if (w.headerSize == V4_HEADER) {
        write32(h + 40, 0xFF0000);
        write32(h + 44, 0xFF00);
        write32(h + 48, 0xFF);
        write32(h + 52, 0xFF000000u);
        write32(h + 56, LCS_SRGB);
    }
    uint8_t* palette = h + w.headerSize;
    for (int32_t i = 0; p.indexed && i < p.paletteCount; ++i)
        write32(palette + 4 * i, p.palette[i] & 0xFFFFFF); // blue, green, red, 0
    for (int32_t y = 0; y < p.height; ++y) {
        const uint8_t* in = p.pixels + static_cast<size_t>(p.height - 1 - y) * p.pitch;
        uint8_t* out = file + dataAt + static_cast<size_t>(y) * w.stride;
        if (p.indexed) {
            std::memcpy(out, in, static_cast<size_t>(p.width));
            std::memset(out + p.width, 0, w.stride - p.width);
            continue;
        }
        for (int32_t x = 0; x < p.width; ++x) {
            uint32_t v;
            std::memcpy(&v, in + 4 * static_cast<size_t>(x), 4);
            write32(out + 4 * x, p.hasAlpha ? v : v & 0xFFFFFF);
        }
    }
}
