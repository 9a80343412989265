// The graphics console's own hook routines: the statements that act on the
// text grid of an open graphics screen (CLS, COLOR, LOCATE, WIDTH, the cursor
// and size queries, the SCREEN read-back, line reading and LINE INPUT). The
// print routines are in text_output.h, the key, mouse, page and port routines
// in input.h and pages.h. Each routine does nothing (or returns 0) while no
// screen is open and assumes the ranges the runtime's dispatchers check, but
// never writes outside the framebuffer or the text cells for any argument.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

struct GfxScreenLayer;
struct StringDescriptor;

// The console's record for the core's list of screen layers
// (gfx/core/screen_layers.h): opens with the screen once its context is set
// up, installing every hook and setting up the console's fields of the screen
// (font and grid from the screen's ModeInfo, cursor at the top left, cells in
// the context's colours); closes by freeing the cells and emptying the hooks.
extern const GfxScreenLayer GFX_CONSOLE_LAYER;

// CLS without an argument: the view decides (graphics view, text view, all).
constexpr int32_t CLS_DEFAULT = static_cast<int32_t>(0xFFFF0000u);
// COLOR's flags (the runtime's): the argument was not given.
constexpr int32_t COLOR_NO_FOREGROUND = RT_COLOR_NO_FOREGROUND;
constexpr int32_t COLOR_NO_BACKGROUND = RT_COLOR_NO_BACKGROUND;
// The block cursor of gfxReadString.
constexpr uint8_t CURSOR_BLOCK = 219;

// CLS 0 (whole page), 1 (graphics view), 2 (text view) or CLS_DEFAULT.
void gfxClearScreen(int32_t mode);
// COLOR; returns the colours before the call (see console_hooks.cpp).
int32_t gfxSetColors(int32_t foreground, int32_t background, int32_t flags);
// 1-based; 0 or less keeps a coordinate. Returns row * 256 + column, 1-based.
int32_t gfxLocate(int32_t row, int32_t column, int32_t cursor);
// WIDTH; returns the previous size as rows * 65536 + columns.
int32_t gfxSetWidth(int32_t columns, int32_t rows);
int32_t gfxGetColumn();
int32_t gfxGetRow();
void gfxGetCursor(int32_t* column, int32_t* row);
void gfxGetSize(int32_t* columns, int32_t* rows);
// SCREEN(row, column[, flag]): the character, or its colours when flag is set.
int32_t gfxReadCharAt(int32_t column, int32_t row, int32_t colorFlag);
void gfxViewUpdate();
int32_t gfxIsRedirected();

// Reads one line of keys into buffer (size bytes, NUL-terminated, ending with
// 13 when there was room) with a block cursor; null without a screen.
char* gfxReadString(char* buffer, int32_t size);
// LINE INPUT through the runtime's line editor; sets and returns the error
// number (4 when no string could be had). The prompt is consumed.
int32_t gfxLineInput(StringDescriptor* prompt, void* destination, int32_t destinationSize,
                     int32_t fillRest, int32_t questionMark, int32_t newline);
int32_t gfxLineInputWide(const uint16_t* prompt, uint16_t* destination, int32_t destinationSize,
                         int32_t questionMark, int32_t newline);
