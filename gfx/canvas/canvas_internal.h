// The canvas driver's state, shared by its display side and its input side.
#pragma once

#include <cstdint>

#include "gfx/blit/blit.h"

struct CanvasState {
    int32_t width, height, flags; // the picture, in display rows
    uint8_t* picture;             // RGBA, width * 4 bytes a row
    Blitter blitter;
    int32_t paletteChanged;
    double shownAt, showCost; // when the last picture went out, and what it took (ms)
    int32_t attached;         // the canvas is sized and shown
    int32_t listening;        // the page's events are registered
};

extern CanvasState canvasState;

// The canvas element, as the page's event functions name it.
constexpr const char* CANVAS_TARGET = "#zq-screen";

// The page's events on and off.
void canvasListen();
void canvasStopListening();
// ALT+ENTER: full screen on or off unless the screen is fixed.
void canvasToggleFullScreen();
