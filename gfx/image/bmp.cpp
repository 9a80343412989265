// Loading and saving Windows bitmaps: the files read and written whole, the
// codec in between, images made and read through the drawing layer.
#include "gfx/image/bmp.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "gfx/core/context.h"
#include "gfx/core/image.h"
#include "gfx/core/mode.h"
#include "gfx/core/pixel.h"
#include "gfx/draw/image.h"
#include "gfx/image/bmp_codec.h"
#include "runtime/runtime.h"

namespace {

// No bitmap the codec accepts is larger: the biggest picture and its headers.
constexpr uint64_t MAX_FILE_BYTES = IMAGE_MAX_BYTES + 4096;

int32_t fail(int32_t error) {
    rtSetError(error);
    return error;
}

// The whole file into memory of its own (std::free it).
int32_t readFile(const char* path, uint8_t** data, size_t* size) {
    *data = nullptr;
    *size = 0;
    std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) return RT_ERR_FILE_NOT_FOUND;
    uint8_t* buffer = nullptr;
    size_t used = 0, capacity = 0;
    int32_t error = 0;
    for (;;) {
        if (used == capacity) {
            if (capacity >= MAX_FILE_BYTES) {
                error = RT_ERR_BAD_FILE_FORMAT;
                break;
            }
            uint64_t doubled = capacity ? 2 * static_cast<uint64_t>(capacity) : 64 * 1024;
            auto grown = static_cast<size_t>(doubled < MAX_FILE_BYTES ? doubled : MAX_FILE_BYTES);
            void* larger = std::realloc(buffer, grown);
            if (!larger) {
                error = RT_ERR_OUT_OF_MEMORY;
                break;
            }
            buffer = static_cast<uint8_t*>(larger);
            capacity = grown;
        }
        size_t got = std::fread(buffer + used, 1, capacity - used, f);
        used += got;
        if (got == 0) {
            if (std::ferror(f)) error = RT_ERR_FILE_IO;
            break;
        }
    }
    std::fclose(f);
    if (error) {
        std::free(buffer);
        return error;
    }
    *data = buffer;
    *size = used;
    return 0;
}

uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// 0x00BBGGRR (the screen's palette) as 0xRRGGBB, and back.
uint32_t swapRedBlue(uint32_t c) {
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// The entry of the screen's palette nearest to a colour (squared distance;
// the lowest index among equals). A small cache spares the search for the
// colours a picture repeats.
class NearestEntry {
  public:
    NearestEntry() {
        count_ = gfxMode->depth < 8 ? 1 << gfxMode->depth : GFX_PALETTE_SIZE;
        for (int32_t i = 0; i < count_; ++i)
            entries_[i] = swapRedBlue(gfxMode->palette[i]);
        std::memset(keys_, 0, sizeof keys_);
    }
    uint8_t operator()(uint32_t rgb) {
        rgb &= 0xFFFFFF;
        uint32_t slot = (rgb * 0x9E3779B1u) >> (32 - CACHE_BITS);
        if (keys_[slot] == (rgb | FILLED)) return values_[slot];
        int32_t best = 0;
        uint32_t bestDistance = UINT32_MAX;
        for (int32_t i = 0; i < count_ && bestDistance; ++i) {
            int32_t dr = static_cast<int32_t>(rgb >> 16) - static_cast<int32_t>(entries_[i] >> 16);
            int32_t dg = static_cast<int32_t>(rgb >> 8 & 0xFF) -
                         static_cast<int32_t>(entries_[i] >> 8 & 0xFF);
            int32_t db =
                static_cast<int32_t>(rgb & 0xFF) - static_cast<int32_t>(entries_[i] & 0xFF);
            uint32_t distance = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
            if (distance < bestDistance) bestDistance = distance, best = i;
        }
        keys_[slot] = rgb | FILLED;
        values_[slot] = static_cast<uint8_t>(best);
        return values_[slot];
    }

  private:
    static constexpr int32_t CACHE_BITS = 10;
    static constexpr uint32_t FILLED = 0x1000000;
    int32_t count_;
    uint32_t entries_[GFX_PALETTE_SIZE];
    uint32_t keys_[1 << CACHE_BITS]; // colour | FILLED; 0 = empty
    uint8_t values_[1 << CACHE_BITS];
};

// The decoded picture into an image of the same size at the image's depth.
void convertInto(const BmpPicture& pic, const GfxImageShape& image) {
    std::optional<NearestEntry> nearest;
    if (image.bytesPerPixel == 1 && !pic.indexed) nearest.emplace();
    for (int32_t y = 0; y < pic.height; ++y) {
        const uint8_t* in = pic.pixels + static_cast<size_t>(y) * pic.pitch;
        uint8_t* out = image.pixels + static_cast<size_t>(y) * image.pitch;
        if (image.bytesPerPixel == 1 && pic.indexed) {
            std::memcpy(out, in, static_cast<size_t>(pic.width));
            continue;
        }
        for (int32_t x = 0; x < pic.width; ++x) {
            uint32_t argb = pic.indexed ? 0xFF000000u | pic.palette[in[x]] : load32(in + 4 * x);
            if (image.bytesPerPixel == 1) {
                out[x] = (*nearest)(argb);
            } else if (image.bytesPerPixel == 2) {
                auto v = static_cast<uint16_t>(gfxColorToPixel(2, argb & 0xFFFFFF));
                std::memcpy(out + 2 * x, &v, 2);
            } else {
                std::memcpy(out + 4 * x, &argb, 4);
            }
        }
    }
}

// The world point that lands on pixel (0, 0) of the current target.
void topLeftInWorld(const void* target, float* x, float* y) {
    GfxContext* c = gfxGetContext();
    gfxSetTarget(c, target);
    gfxPixelToWorld(c, 0, 0, x, y);
}

} // namespace

void* gfxLoadBmp(const char* path, const void* target, uint32_t* palette) {
    int32_t screenBytes = gfxMode ? gfxMode->bytesPerPixel : 4;
    GfxImageShape targetShape{};
    if (target && (!gfxMode || !gfxDescribeImage(target, screenBytes, &targetShape))) {
        fail(RT_ERR_ILLEGAL_CALL);
        return nullptr;
    }
    GfxContext* c = target ? gfxGetContext() : nullptr;
    if (target && !c) {
        fail(RT_ERR_OUT_OF_MEMORY);
        return nullptr;
    }
    uint8_t* file;
    size_t size;
    if (int32_t error = readFile(path, &file, &size)) {
        fail(error);
        return nullptr;
    }
    BmpPicture pic;
    int32_t error = bmpDecode({file, size}, &pic);
    std::free(file);
    if (error) {
        fail(error);
        return nullptr;
    }
    int32_t bytes = target ? targetShape.bytesPerPixel : screenBytes;
    void* image = gfxImageCreate(pic.width, pic.height, 0, bytes, 0); // records its error
    if (!image) {
        bmpFreePicture(&pic);
        return nullptr;
    }
    GfxImageShape shape;
    gfxDescribeImage(image, bytes, &shape);
    convertInto(pic, shape);
    if (palette)
        for (int32_t i = 0; i < BMP_PALETTE_SIZE; ++i)
            palette[i] = pic.palette[i];
    bmpFreePicture(&pic);
    if (!target) return image;

    // Loading is not drawing: the last point stays where it was.
    float lastX = c->lastX, lastY = c->lastY;
    float x, y;
    topLeftInWorld(target, &x, &y);
    gfxPut(target, x, y, image, 0, 0, 0, 0, PUT_PSET, 0, COORD_ONE_ABS);
    gfxSetLastPoint(gfxGetContext(), lastX, lastY);
    gfxImageDestroy(image);
    return const_cast<void*>(target);
}

namespace {

// The file written whole under a temporary name, then moved over `path`
// (where a move cannot replace a file, the old one is removed first).
int32_t writeFile(const char* path, const uint8_t* data, size_t size) {
    static const char SUFFIX[] = ".part";
    size_t length = std::strlen(path);
    auto* temporary = static_cast<char*>(std::malloc(length + sizeof SUFFIX));
    if (!temporary) return RT_ERR_OUT_OF_MEMORY;
    std::memcpy(temporary, path, length);
    std::memcpy(temporary + length, SUFFIX, sizeof SUFFIX);
    std::FILE* f = std::fopen(temporary, "wb");
    bool written = f && std::fwrite(data, 1, size, f) == size;
    written = f && std::fclose(f) == 0 && written;
    if (written && std::rename(temporary, path) != 0) {
        // Where a move does not replace a file (it says so by these two).
        written = (errno == EEXIST || errno == EACCES) && std::remove(path) == 0 &&
                  std::rename(temporary, path) == 0;
    }
    if (!written && f) std::remove(temporary);
    std::free(temporary);
    return written ? 0 : RT_ERR_FILE_IO;
}

// Encodes the pixels of `shape` and writes them.
int32_t savePixels(const char* path, const GfxImageShape& shape) {
    BmpPicture pic{};
    pic.width = shape.width;
    pic.height = shape.height;
    pic.pitch = shape.pitch;
    pic.pixels = shape.pixels;
    uint8_t* wide = nullptr;
    if (shape.bytesPerPixel == 1) {
        pic.indexed = true;
        pic.paletteCount = BMP_PALETTE_SIZE;
        for (int32_t i = 0; i < BMP_PALETTE_SIZE; ++i)
            pic.palette[i] = swapRedBlue(gfxMode->palette[i]);
    } else if (shape.bytesPerPixel == 4) {
        pic.hasAlpha = (gfxMode->flags & MODE_ALPHA) != 0;
    } else {
        // 5-6-5 widened by repeating each channel's top bits.
        pic.pitch = 4 * shape.width;
        wide = static_cast<uint8_t*>(
            std::malloc(static_cast<size_t>(pic.pitch) * static_cast<size_t>(shape.height)));
        if (!wide) return RT_ERR_OUT_OF_MEMORY;
        for (int32_t y = 0; y < shape.height; ++y)
            for (int32_t x = 0; x < shape.width; ++x) {
                uint16_t v;
                std::memcpy(&v, shape.pixels + static_cast<size_t>(y) * shape.pitch + 2 * x, 2);
                uint32_t r = v >> 11, g = v >> 5 & 0x3F, b = v & 0x1F;
                uint32_t argb = 0xFF000000u | (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 |
                                (b << 3 | b >> 2);
                std::memcpy(wide + static_cast<size_t>(y) * pic.pitch + 4 * x, &argb, 4);
            }
        pic.pixels = wide;
    }
    size_t size = bmpEncodedSize(pic);
    auto* file = size ? static_cast<uint8_t*>(std::malloc(size)) : nullptr;
    int32_t error = !size ? RT_ERR_ILLEGAL_CALL : !file ? RT_ERR_OUT_OF_MEMORY : 0;
    if (!error) {
        bmpEncode(pic, file);
        error = writeFile(path, file, size);
    }
    std::free(file);
    std::free(wide);
    return error;
}

} // namespace

int32_t gfxSaveBmp(const char* path, const void* source, float x1, float y1, float x2, float y2,
                   uint32_t flags) {
    GfxContext* c = gfxMode ? gfxGetContext() : nullptr;
    if (!c || !path) return fail(RT_ERR_ILLEGAL_CALL);
    GfxImageShape whole;
    if (source) {
        if (!gfxDescribeImage(source, gfxMode->bytesPerPixel, &whole))
            return fail(RT_ERR_ILLEGAL_CALL);
    } else {
        whole = {gfxMode->bytesPerPixel, gfxMode->width, gfxMode->height, gfxMode->pitch,
                 gfxMode->pages[c->workPage]};
    }
    if (flags & BMP_WHOLE) {
        int32_t error = savePixels(path, whole);
        return error ? fail(error) : 0;
    }
    // GET into a buffer as large as the whole source: the rectangle lies inside it.
    size_t bytes = gfxImageBytes(whole.width, whole.height, whole.bytesPerPixel);
    void* part = bytes ? std::malloc(bytes) : nullptr;
    if (!part) return fail(bytes ? RT_ERR_OUT_OF_MEMORY : RT_ERR_ILLEGAL_CALL);
    int32_t error = gfxGet(source, x1, y1, x2, y2, part, bytes, flags & COORD_TYPE_MASK);
    GfxImageShape shape;
    if (!error) {
        error = gfxDescribeImage(part, whole.bytesPerPixel, &shape) ? savePixels(path, shape)
                                                                    : RT_ERR_ILLEGAL_CALL;
    }
    std::free(part);
    return error ? fail(error) : 0;
}
