// Windows bitmap files in memory: decoding a file's bytes into a plain
// picture and encoding a picture into a file's bytes. No file, screen or
// runtime state is touched here (gfx/image/bmp.h does that), so the decoder
// can be fuzzed on its own.
//
// Read: the 12-byte core header and the 40-, 52-, 56-, 108- and 124-byte info
// headers; 1, 4 and 8 bits with a palette, uncompressed or (4 and 8 bits,
// bottom-up only) run-length encoded; 16 and 32 bits uncompressed or with bit
// fields; 24 bits. Rows bottom-up or top-down. Every field is checked before
// it is used. In run-length streams, pixels past a row's right end are
// dropped (writers encode the row's padding), while a run above the top row,
// a move out of the picture or a stream that ends without its end-of-picture
// mark make a bad file.
// Written: 8 bits with a palette, or 32 bits (with an alpha mask when the
// picture has alpha), bottom-up, uncompressed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "gfx/core/context.h"

constexpr int32_t BMP_PALETTE_SIZE = 256;

struct BmpPicture {
    int32_t width, height;
    int32_t bitsPerPixel; // of the file: 1, 4, 8, 16, 24 or 32
    // Pixels are 8-bit palette indices (files of 8 bits or fewer; an index
    // may lie beyond paletteCount) or 0xAARRGGBB words in the machine's order.
    bool indexed;
    // 32-bit pixels carry alpha of their own: the file has an alpha mask, or
    // (plain 32 bits) some alpha byte is not zero. Else their alpha is 0xFF.
    bool hasAlpha;
    int32_t paletteCount;               // 0..256
    uint32_t palette[BMP_PALETTE_SIZE]; // 0xRRGGBB; zero past paletteCount
    int32_t pitch;                      // bytes from a row to the next
    uint8_t* pixels;                    // top row first
};

// Decodes a whole file. On success `picture` holds the pixels in memory of
// its own (width x 1 or 4 bytes a row; free it with bmpFreePicture); at most
// `maxBytes` of them, beyond which the file is refused as too large. Returns
// 0, RT_ERR_BAD_FILE_FORMAT or RT_ERR_OUT_OF_MEMORY; on an error the picture
// is left empty and nothing stays allocated.
int32_t bmpDecode(std::span<const uint8_t> file, BmpPicture* picture,
                  uint64_t maxBytes = IMAGE_MAX_BYTES);
// Frees what bmpDecode allocated; the picture is left empty.
void bmpFreePicture(BmpPicture* picture);

// Bytes of the file bmpEncode writes for `picture` (its width, height, pitch,
// indexed, hasAlpha and paletteCount); 0 when it cannot make one: a side
// outside 1..IMAGE_MAX_SIDE, a pitch below a row, a palette count outside
// 1..256 for an indexed picture, or a file beyond 4 GiB.
size_t bmpEncodedSize(const BmpPicture& picture);
// Writes the file into `file`, which holds bmpEncodedSize bytes: indexed
// pictures as 8 bits with their palette, the others as 32 bits (alpha kept
// under an alpha mask when hasAlpha, else the fourth byte zero).
void bmpEncode(const BmpPicture& picture, uint8_t* file);
