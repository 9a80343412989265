// Picture files: Windows bitmaps loaded into images and saved from the
// screen or an image (the codec is gfx/image/bmp_codec.h). Program thread
// only. Every error is recorded (rtSetError) and leaves the screen, the
// target, the heap and any file already at the path as they were.
#pragma once

#include <cstdint>

// gfxSaveBmp's flags besides the coordinate type (COORD_*, as GET takes it).
constexpr uint32_t BMP_WHOLE = 0x100; // the whole source; the corners are not used

// Loads a bitmap file (any form bmp_codec.h reads). Target null: the picture
// becomes a new image at the screen's bytes per pixel (4 with no screen
// open), returned, to be freed with gfxImageDestroy. Target an image: the
// picture is put on it at its top-left pixel (PUT's PSET form, clipped to it;
// the last point is kept), and the target is returned; this needs an open
// screen. Colours: indices are kept from an indexed file into 1-byte pixels,
// and go through the file's palette to 2- and 4-byte ones; a true-colour
// file's pixels become the nearest colour of the screen's palette at 1 byte,
// 5-6-5 at 2, and 0xFFRRGGBB (or the file's own alpha) at 4. `palette`, when
// not null, receives 256 entries 0xRRGGBB: the file's palette, zero past its
// length (all zero for a true-colour file). Errors, with null returned:
// RT_ERR_FILE_NOT_FOUND, RT_ERR_FILE_IO, RT_ERR_BAD_FILE_FORMAT (anything the
// codec refuses), RT_ERR_OUT_OF_MEMORY, RT_ERR_ILLEGAL_CALL (a target with a
// bad header, or with no screen open), or gfxImageCreate's.
extern "C" void* gfxLoadBmp(const char* path, const void* target, uint32_t* palette);

// Saves the rectangle (x1, y1)-(x2, y2) of `source` (null: the screen's work
// page; else an image), taken as GET takes it (world coordinates, STEP,
// wholly inside the view), or the whole source with BMP_WHOLE. 1-byte
// pixels make an 8-bit file with the screen's 256 palette entries; 2-byte
// pixels a 32-bit file (5-6-5 widened by repeating the bits), 4-byte pixels
// a 32-bit file, with their alpha under an alpha mask on a screen with alpha
// (SCRF_ALPHA), else opaque. The file is written whole under a temporary
// name next to `path`, then renamed over it. Needs an open screen. Returns
// 0 or the error: GET's, RT_ERR_ILLEGAL_CALL for a source with a bad header
// or no screen, RT_ERR_OUT_OF_MEMORY, RT_ERR_FILE_IO when the file cannot be
// written.
extern "C" int32_t gfxSaveBmp(const char* path, const void* source, float x1, float y1, float x2,
                              float y2, uint32_t flags);
