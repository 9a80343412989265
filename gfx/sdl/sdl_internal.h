// The SDL driver's state and the routines its two halves share: the display
// side (window, thread, conversion, driver slots) and the input side (events
// into keys, events, key states and the mouse). Shared with its tests.
#pragma once

#include <SDL.h>
#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "gfx/blit/blit.h"
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
    int32_t width, height, depth, flags, refreshRate; // height in display lines
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

    // Shared; plain words written by one thread and read by the other.
    std::atomic<int32_t> initialised; // the display thread runs while set
    std::atomic<int32_t> active;      // the window has the keyboard focus
    std::atomic<int32_t> paletteChanged;
    int32_t mouseInside, mouseTracking, mouseClip, cursorVisible;
    int32_t mouseX, mouseY, buttons, wheel, horizontalWheel;
    int32_t lastScreenX, lastScreenY; // lastScreenX SDL_NO_POSITION: none yet

    pthread_t thread;
    int32_t threadStarted;
    SdlRequests requests;
};

extern SdlState sdlState;

constexpr int32_t SDL_NO_POSITION = 0xFFFF;
constexpr int32_t SDL_MOVE_KEEP = INT32_MIN;

// Display side, on the display thread.
int32_t sdlCreateWindow();
void sdlDestroyWindow();
// Takes the window's surface again after a size change: new letterbox, black
// borders, every line dirty. 0, or -1 when the surface cannot hold the picture.
int32_t sdlAttachSurface();
void sdlToggleFullScreen();
void sdlMarkAllDirty();

// Input side, on the display thread under the framebuffer lock.
void sdlHandleEvent(const SDL_Event& event);
// Fills the mode's key-state array from the keyboard state.
void sdlPollKeys();
// The code-page-437 byte of a Unicode character; '?' when it has none.
uint8_t sdlCp437FromUnicode(uint32_t codePoint);

// Driver slots.
int32_t sdlOpen(const char* title, int32_t width, int32_t height, int32_t depth,
                int32_t refreshRate, int32_t flags);
void sdlClose();
void sdlLock();
void sdlUnlock();
void sdlSetColor(int32_t index, int32_t red, int32_t green, int32_t blue);
void sdlWaitRetrace();
int32_t sdlReadMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip);
void sdlMoveMouse(int32_t x, int32_t y, int32_t cursor, int32_t clip);
void sdlSetCaption(const char* title);
int32_t sdlMoveWindow(int32_t x, int32_t y);
int32_t* sdlListModes(int32_t depth, int32_t* count);
