// Images a program makes: IMAGECREATE and IMAGEDESTROY, GET and PUT.
#include "gfx/draw/image.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "gfx/core/context.h"
#include "gfx/core/image.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/core/pixel.h"
#include "runtime/runtime.h"

namespace {

constexpr std::align_val_t IMAGE_ALIGN{IMAGE_LINE_ALIGN};

// Bytes per pixel from what a program may pass: 0 for the screen's (4 with no
// screen), 1, 2 or 4, or a depth; 0 when it names none.
int32_t imageBytesPerPixel(int32_t requested) {
    switch (requested) {
    case 0:
        return gfxMode ? gfxMode->bytesPerPixel : 4;
    case 1:
    case 8:
        return 1;
    case 2:
    case 15:
    case 16:
        return 2;
    case 4:
    case 24:
    case 32:
        return 4;
    default:
        return 0;
    }
}

template <typename T> void fillLine(uint8_t* line, uint32_t value, int32_t count) {
    T v = static_cast<T>(value);
    for (int32_t i = 0; i < count; ++i)
        std::memcpy(line + static_cast<size_t>(i) * sizeof(T), &v, sizeof(T));
}

// The 32-bit blend of the pixel routines for the colour channels; the target
// keeps its own alpha, so what a blend lands on stays as opaque as it was.
inline uint32_t blendOnto(uint32_t source, uint32_t destination) {
    return (gfxBlendPlain(source, destination) & 0xFFFFFFu) | (destination & 0xFF000000u);
}

// One line of PUT in one form: n pixels from `s` onto `d` (never overlapping).
using PutLineFn = void (*)(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha);

template <typename T, int32_t MODE>
void putLine(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha) {
    constexpr int32_t BYTES = sizeof(T);
    if constexpr (MODE == PUT_PSET) {
        std::memcpy(d, s, static_cast<size_t>(n) * BYTES);
        return;
    }
    for (int32_t i = 0; i < n; ++i, d += BYTES, s += BYTES) {
        T source, target;
        std::memcpy(&source, s, BYTES);
        std::memcpy(&target, d, BYTES);
        T out;
        if constexpr (MODE == PUT_XOR)
            out = static_cast<T>(target ^ source);
        else if constexpr (MODE == PUT_AND)
            out = static_cast<T>(target & source);
        else if constexpr (MODE == PUT_OR)
            out = static_cast<T>(target | source);
        else if constexpr (MODE == PUT_PRESET)
            // At 4 bytes the colour is inverted and the alpha kept.
            out = BYTES == 4 ? static_cast<T>(source ^ 0xFFFFFFu) : static_cast<T>(~source);
        else if constexpr (MODE == PUT_TRANS || BYTES != 4) {
            if (gfxIsTransparent(BYTES, source)) continue;
            out = source;
        } else {
            // By each pixel's alpha, or by one for every pixel (skipping the
            // transparent colour); opaque copies, nothing leaves the target.
            uint32_t a = MODE == PUT_ALPHA ? source >> 24 : alpha;
            if (a == 0 || (MODE != PUT_ALPHA && gfxIsTransparent(BYTES, source))) continue;
            uint32_t colour = (source & 0xFFFFFFu) | a << 24;
            out = a == 0xFF ? static_cast<T>((source & 0xFFFFFFu) | (target & 0xFF000000u))
                            : static_cast<T>(blendOnto(colour, target));
        }
        std::memcpy(d, &out, BYTES);
    }
}

// The constant-alpha blend, a form of its own in the table.
constexpr int32_t PUT_ALPHA_CONSTANT = PUT_MODE_COUNT;

template <typename T>
constexpr PutLineFn LINES_OF[PUT_MODE_COUNT + 1] = {
    putLine<T, PUT_XOR>,    putLine<T, PUT_PSET>,
    putLine<T, PUT_PRESET>, putLine<T, PUT_AND>,
    putLine<T, PUT_OR>,     putLine<T, PUT_TRANS>,
    putLine<T, PUT_ALPHA>,  putLine<T, PUT_ALPHA_CONSTANT>,
};

PutLineFn putLineFor(int32_t bytesPerPixel, int32_t form) {
    if (bytesPerPixel == 1) return LINES_OF<uint8_t>[form];
    if (bytesPerPixel == 2) return LINES_OF<uint16_t>[form];
    return LINES_OF<uint32_t>[form];
}

bool overlaps(const uint8_t* a, size_t aBytes, const uint8_t* b, size_t bBytes) {
    auto a0 = reinterpret_cast<uintptr_t>(a), b0 = reinterpret_cast<uintptr_t>(b);
    return a0 < b0 + bBytes && b0 < a0 + aBytes;
}

// The bytes a rectangle of lines spans, first pixel to last.
size_t spanBytes(int32_t lines, int32_t pitch, int32_t lineBytes) {
    return static_cast<size_t>(lines - 1) * static_cast<size_t>(pitch) +
           static_cast<size_t>(lineBytes);
}

} // namespace

void* gfxImageCreate(int32_t width, int32_t height, uint32_t colour, int32_t bytesPerPixel,
                     uint32_t flags) {
    int32_t bytes = imageBytesPerPixel(bytesPerPixel);
    size_t size = bytes ? gfxImageBytes(width, height, bytes) : 0;
    if (!size) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return nullptr;
    }
    auto* image = static_cast<uint8_t*>(::operator new(size, IMAGE_ALIGN, std::nothrow));
    if (!image) {
        rtSetError(RT_ERR_OUT_OF_MEMORY);
        return nullptr;
    }
    gfxWriteImageHeader(image, width, height, bytes);
    uint32_t pixel =
        flags & FLAG_DEFAULT_COLOR ? gfxTransparentColour(bytes) : gfxColorToPixel(bytes, colour);
    GfxImageShape shape;
    gfxDescribeImage(image, bytes, &shape);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* line = shape.pixels + static_cast<size_t>(y) * shape.pitch;
        if (bytes == 1)
            std::memset(line, static_cast<int>(pixel), static_cast<size_t>(width));
        else if (bytes == 2)
            fillLine<uint16_t>(line, pixel, width);
        else
            fillLine<uint32_t>(line, pixel, width);
        // The padding is zero, so equal pictures are equal buffers.
        size_t used = static_cast<size_t>(width) * bytes;
        std::memset(line + used, 0, static_cast<size_t>(shape.pitch) - used);
    }
    return image;
}

void gfxImageDestroy(void* image) {
    if (image) ::operator delete(image, IMAGE_ALIGN);
}

int32_t gfxGet(const void* source, float fx1, float fy1, float fx2, float fy2, void* destination,
               size_t destinationSize, uint32_t flags) {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) return rtSetError(RT_ERR_ILLEGAL_CALL);
    gfxSetTarget(c, source);
    gfxApplyStep(c, flags, &fx1, &fy1, &fx2, &fy2);
    int32_t x1, y1, x2, y2;
    gfxMapPoint(c, fx1, fy1, &x1, &y1);
    gfxMapPoint(c, fx2, fy2, &x2, &y2);
    gfxSortBox(&x1, &y1, &x2, &y2);
    if (!gfxInView(c, x1, y1) || !gfxInView(c, x2, y2)) return rtSetError(RT_ERR_ILLEGAL_CALL);
    int32_t width = x2 - x1 + 1, height = y2 - y1 + 1, bytes = c->bytesPerPixel;
    size_t size = gfxImageBytes(width, height, bytes);
    if (!destination || !size || destinationSize < size) return rtSetError(RT_ERR_ILLEGAL_CALL);

    size_t lineBytes = static_cast<size_t>(width) * bytes;
    const uint8_t* from = c->lines[y1] + static_cast<size_t>(x1) * bytes;
    size_t fromBytes = spanBytes(height, c->pitch, static_cast<int32_t>(lineBytes));
    // Into a buffer that is (part of) the source: the lines are gathered first.
    uint8_t* gathered = nullptr;
    if (overlaps(static_cast<uint8_t*>(destination), size, from, fromBytes)) {
        gathered = static_cast<uint8_t*>(std::malloc(lineBytes * height));
        if (!gathered) return rtSetError(RT_ERR_OUT_OF_MEMORY);
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(gathered + lineBytes * y, from + static_cast<size_t>(y) * c->pitch,
                        lineBytes);
        from = gathered;
    }
    int32_t fromPitch = gathered ? static_cast<int32_t>(lineBytes) : c->pitch;
    gfxLock();
    gfxWriteImageHeader(destination, width, height, bytes);
    uint32_t pitch = gfxImagePitch(width, bytes);
    auto* to = static_cast<uint8_t*>(destination) + sizeof(ImageHeader);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* line = to + static_cast<size_t>(y) * pitch;
        std::memcpy(line, from + static_cast<size_t>(y) * fromPitch, lineBytes);
        std::memset(line + lineBytes, 0, pitch - lineBytes);
    }
    gfxUnlock(1, 0);
    std::free(gathered);
    return RT_OK;
}

void gfxPut(const void* target, float x, float y, const void* image, int32_t sx1, int32_t sy1,
            int32_t sx2, int32_t sy2, int32_t mode, int32_t alpha, uint32_t flags) {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return;
    }
    gfxSetTarget(c, target);
    GfxImageShape shape;
    if (mode < 0 || mode >= PUT_MODE_COUNT ||
        !gfxDescribeImage(image, gfxMode->bytesPerPixel, &shape) ||
        shape.bytesPerPixel != c->bytesPerPixel) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return;
    }
    int32_t px, py;
    gfxPlacePoint(c, flags, x, y, &px, &py);

    // The part of the image put, then where it lands, clipped to the view.
    int32_t left = 0, top = 0, right = shape.width - 1, bottom = shape.height - 1;
    if (flags & PUT_SOURCE_RECT) {
        gfxSortBox(&sx1, &sy1, &sx2, &sy2);
        left = sx1 > left ? sx1 : left, top = sy1 > top ? sy1 : top;
        right = sx2 < right ? sx2 : right, bottom = sy2 < bottom ? sy2 : bottom;
    }
    int64_t x1 = px, y1 = py;
    int64_t x2 = x1 + right - left, y2 = y1 + bottom - top;
    int64_t viewRight = int64_t{c->view[0]} + c->view[2] - 1;
    int64_t viewBottom = int64_t{c->view[1]} + c->view[3] - 1;
    if (x1 < c->view[0]) left += static_cast<int32_t>(c->view[0] - x1), x1 = c->view[0];
    if (y1 < c->view[1]) top += static_cast<int32_t>(c->view[1] - y1), y1 = c->view[1];
    if (x2 > viewRight) right -= static_cast<int32_t>(x2 - viewRight), x2 = viewRight;
    if (y2 > viewBottom) bottom -= static_cast<int32_t>(y2 - viewBottom), y2 = viewBottom;
    if (left > right || top > bottom || x1 > x2 || y1 > y2) return;

    int32_t bytes = c->bytesPerPixel, width = right - left + 1, height = bottom - top + 1;
    size_t lineBytes = static_cast<size_t>(width) * bytes;
    const uint8_t* from =
        shape.pixels + static_cast<size_t>(top) * shape.pitch + static_cast<size_t>(left) * bytes;
    int32_t fromPitch = shape.pitch;
    uint8_t* to = c->lines[y1] + static_cast<size_t>(x1) * bytes;
    // An image put onto itself (or onto a buffer it shares) reads a copy.
    uint8_t* copy = nullptr;
    if (overlaps(to, spanBytes(height, c->pitch, static_cast<int32_t>(lineBytes)), from,
                 spanBytes(height, fromPitch, static_cast<int32_t>(lineBytes)))) {
        copy = static_cast<uint8_t*>(std::malloc(lineBytes * height));
        if (!copy) {
            rtSetError(RT_ERR_OUT_OF_MEMORY);
            return;
        }
        for (int32_t line = 0; line < height; ++line)
            std::memcpy(copy + lineBytes * line, from + static_cast<size_t>(line) * fromPitch,
                        lineBytes);
        from = copy, fromPitch = static_cast<int32_t>(lineBytes);
    }
    int32_t form = mode == PUT_ALPHA && (flags & PUT_CONSTANT_ALPHA) ? PUT_ALPHA_CONSTANT : mode;
    PutLineFn putLine = putLineFor(bytes, form);
    uint32_t constant = alpha < 0 ? 0u : alpha > 255 ? 255u : static_cast<uint32_t>(alpha);
    gfxLock();
    for (int32_t line = 0; line < height; ++line)
        putLine(c->lines[y1 + line] + static_cast<size_t>(x1) * bytes,
                from + static_cast<size_t>(line) * fromPitch, width, constant);
    gfxEndDraw(c, static_cast<int32_t>(y1), static_cast<int32_t>(y2));
    std::free(copy);
}
