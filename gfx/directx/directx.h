// The DirectX display driver: DirectDraw shows the framebuffer, DirectInput
// reads the keyboard. In full screen it takes the display exclusively, sets
// the nearest acceptable display mode and converts the dirty lines straight
// into the primary surface; in a window it converts them into an off-screen
// surface that is copied to the client area through a clipper. Both libraries
// are loaded at run time, so where they are missing the next driver is tried.
//
// This header is portable so that the driver list can name the record; the
// driver itself exists only in Windows builds.
#pragma once

#include <cstdint>

struct GfxDriver;

// The record "DirectX" of the driver list.
extern const GfxDriver DIRECTX_DRIVER;

// The display modes DirectDraw offers at `depth` (16-bit modes whose green
// mask is 5 bits wide count as 15), as (width << 16) | height; the caller
// frees the list. Null when no device could be had or enumerated.
int32_t* ddListModes(int32_t depth, int32_t* count);
