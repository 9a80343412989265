// The GDI driver's private state, shared with its tests. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>

// Bitmap header and 256-entry colour table, as one zero-filled block.
constexpr size_t GDI_BITMAP_INFO_SIZE = 1068;

struct GdiState {
    BITMAPINFO* bitmapInfo;
    uint8_t* buffer;     // the rows the window is fed from, converted or copied
    int32_t bufferPitch; // the mode's pitch rounded up to 4 bytes
    HPALETTE palette;
    int32_t modeChanged; // the display mode was changed for a full screen
};
extern GdiState gdiState;

// Sends a band of lines to the device: SetDIBitsToDevice, or a test's recorder.
using GdiSetBitsFn = int(WINAPI*)(HDC, int, int, DWORD, DWORD, int, int, UINT, UINT, const void*,
                                  const BITMAPINFO*, UINT);
extern GdiSetBitsFn gdiSetBits;

// The blitter of a transparent 32-bit window: the top byte cleared.
void gdiTransparentBlit(uint8_t* destination, int32_t destinationPitch);
