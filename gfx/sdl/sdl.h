// The SDL display driver of POSIX builds: the framebuffer in a real window
// (or a desktop-sized full screen with the picture centred) on X11 or
// Wayland. A display thread owns the window: it initialises the video
// subsystem, converts the dirty lines with the project's blitters into the
// window's surface every 10 ms under the framebuffer lock, and turns the
// window's events into the key buffer, the event queue, the key-state array
// and the mouse state with the same codes as the Windows window.
//
// This header is portable so that the driver list can name the record.
#pragma once

#include <cstdint>

struct GfxDriver;

// The record "SDL" of the driver list.
extern const GfxDriver SDL_DRIVER;
