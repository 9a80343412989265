// Image headers: reading either form, and the sizes of images this system makes.
#include "gfx/core/image.h"

#include <cstring>

namespace {

bool validDepth(int64_t bytesPerPixel) {
    return bytesPerPixel == 1 || bytesPerPixel == 2 || bytesPerPixel == 4;
}

} // namespace

bool gfxDescribeImage(const void* image, int32_t screenBytesPerPixel, GfxImageShape* shape) {
    *shape = {};
    if (!image) return false;
    const auto* bytes = static_cast<const uint8_t*>(image);
    uint32_t words[5];
    std::memcpy(words, bytes, sizeof(uint32_t));
    uint64_t bytesPerPixel, width, height, pitch;
    const uint8_t* pixels;
    if (words[0] == IMAGE_HEADER_NEW) {
        std::memcpy(words, bytes, sizeof words);
        bytesPerPixel = words[1], width = words[2], height = words[3], pitch = words[4];
        pixels = bytes + sizeof(ImageHeader);
    } else {
        // Width x 8 plus a depth code nobody reads, then the height.
        bytesPerPixel = static_cast<uint32_t>(screenBytesPerPixel);
        width = (words[0] & 0xFFFF) >> 3;
        height = words[0] >> 16;
        pitch = width * bytesPerPixel;
        pixels = bytes + 4;
    }
    if (!validDepth(static_cast<int64_t>(bytesPerPixel)) || width > IMAGE_MAX_SIDE ||
        height > IMAGE_MAX_SIDE || pitch < width * bytesPerPixel ||
        pitch * height > IMAGE_MAX_BYTES)
        return false;
    *shape = {.bytesPerPixel = static_cast<int32_t>(bytesPerPixel),
              .width = static_cast<int32_t>(width),
              .height = static_cast<int32_t>(height),
              .pitch = static_cast<int32_t>(pitch),
              .pixels = const_cast<uint8_t*>(pixels)};
    return true;
}

uint32_t gfxImagePitch(int32_t width, int32_t bytesPerPixel) {
    if (!validDepth(bytesPerPixel) || width < 1 || static_cast<uint32_t>(width) > IMAGE_MAX_SIDE)
        return 0;
    uint32_t line = static_cast<uint32_t>(width) * static_cast<uint32_t>(bytesPerPixel);
    return (line + IMAGE_LINE_ALIGN - 1) & ~(IMAGE_LINE_ALIGN - 1);
}

size_t gfxImageBytes(int32_t width, int32_t height, int32_t bytesPerPixel) {
    uint64_t pitch = gfxImagePitch(width, bytesPerPixel);
    if (!pitch || height < 1 || static_cast<uint32_t>(height) > IMAGE_MAX_SIDE ||
        pitch * static_cast<uint64_t>(height) > IMAGE_MAX_BYTES)
        return 0;
    return static_cast<size_t>(sizeof(ImageHeader) + pitch * static_cast<uint64_t>(height));
}

void gfxWriteImageHeader(void* buffer, int32_t width, int32_t height, int32_t bytesPerPixel) {
    ImageHeader header = {.kind = IMAGE_HEADER_NEW,
                          .bytesPerPixel = static_cast<uint32_t>(bytesPerPixel),
                          .width = static_cast<uint32_t>(width),
                          .height = static_cast<uint32_t>(height),
                          .pitch = gfxImagePitch(width, bytesPerPixel),
                          .reserved = {0, 0, 0}};
    std::memcpy(buffer, &header, sizeof header);
}
