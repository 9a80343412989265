// The GDI display driver: shows the framebuffer in the graphics window (or on
// a full screen reached through a display-mode change) as a device-independent
// bitmap. Every 10 ms the window thread sends the band from the first to the
// last dirty line, converting it first with a blitter when the framebuffer's
// format or row alignment cannot go to the device as it is.
//
// This header is portable so that the driver list can name the record; the
// driver itself exists only in Windows builds.
#pragma once

#include <cstdint>

struct GfxDriver;

// The record "GDI" of the driver list.
extern const GfxDriver GDI_DRIVER;

