// The SDL driver's state and the routines its two halves share: the display
// side (window, display thread pass, driver slots) and the input side (the
// window's events into the display layer's input calls). Shared with its tests.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>

#include "gfx/blit/blit.h"
#include "gfx/core/driver.h"
#include "gfx/core/mode.h"

// Requests of the program's thread that only the display thread may carry
// out, because it owns the window. Guarded by a lock of their own.
struct SdlRequests {
    int32_t warp, warpX, warpY; // move the pointer to picture coordinates
    int32_t cursor;             // -1 leave, 0 hide, 1 show
    int32_t clip;               // -1 leave, 0 release, 1 confine
    int32_t move, moveX, moveY; // move the window (SDL_MOVE_KEEP keeps a coordinate)
    int32_t caption;            // set the title from `title`
    char title[GFX_TITLE_SIZE];
};

struct SdlState {
    // Written by the program's thread before the display thread starts.
    int32_t width, height, flags; // height in display rows
    const char* title;

    // Owned by the display thread.
    SDL_Window* window;
    SDL_Surface* surface; // the window's surface
    Blitter blitter;
    int32_t offsetX, offsetY; // the picture's place in the surface (letterbox)
    int32_t windowX, windowY; // last known window position
    int32_t suppressText;     // the key just pressed already gave its character
    int32_t* modes;           // display modes: (width << 16) | height, then bits
    int32_t modeCount;
    GfxDisplayInfo opened; // what the thread found, read by the open after it started

    std::atomic<int32_t> paletteChanged; // set by the program, taken by the display thread
    SdlRequests requests;
};

extern SdlState sdlState;

constexpr int32_t SDL_MOVE_KEEP = INT32_MIN;

// Takes the window's surface again after a size change: new letterbox, black
// borders, every line dirty. 0, or -1 when the surface cannot hold the picture.
int32_t sdlAttachSurface();
void sdlToggleFullScreen();

// Input side, on the display thread under the framebuffer lock.
void sdlHandleEvent(const SDL_Event& event);
