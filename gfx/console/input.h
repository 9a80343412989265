// The input hooks of the graphics screen: INKEY, the key wait, the key-held
// test, the mouse query and placement, SLEEP. They read the input state the
// display drivers feed (gfx/display/input.h: the key ring, the key states, the
// driver's mouse slots).
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/display/input.h"

struct StringDescriptor;

// First of the special key codes 256 + i, i indexing EXTENDED_KEY_TABLE.
constexpr int32_t KEY_SPECIAL_FIRST = 256;
enum : int32_t {
    KEY_SPECIAL_CLOSE = 256,
    KEY_SPECIAL_UP = 257,
    KEY_SPECIAL_DOWN = 258,
    KEY_SPECIAL_LEFT = 259,
    KEY_SPECIAL_RIGHT = 260,
    KEY_SPECIAL_INSERT = 261,
    KEY_SPECIAL_DELETE = 262,
    KEY_SPECIAL_HOME = 263,
    KEY_SPECIAL_END = 264,
    KEY_SPECIAL_PAGE_UP = 265,
    KEY_SPECIAL_PAGE_DOWN = 266,
    KEY_SPECIAL_F1 = 267, // F1..F10 are 267..276
    KEY_SPECIAL_F10 = 276,
};
// The extended scancode of each special key code 256 + i.
constexpr int32_t EXTENDED_KEY_COUNT = 21;
extern const char EXTENDED_KEY_TABLE[EXTENDED_KEY_COUNT + 1]; // "kHPKMRSGOIQ;<=>?@ABCD"

// Console hooks (the key-hit test is gfxKeyAvailable).
StringDescriptor* gfxReadKey();                    // INKEY: "", one character, or 255 + scancode
int32_t gfxWaitKey();                              // waits in 20 ms sleeps; 0 without a screen
extern "C" int32_t gfxIsKeyDown(int32_t scanCode); // -1 held, 0 otherwise
// Null wheel, buttons or clip are allowed. Sets and returns the error number:
// 0, or 1 (every output -1) without a screen or mouse.
extern "C" int32_t gfxGetMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons,
                               int32_t* clip);
extern "C" int32_t gfxSetMouse(int32_t x, int32_t y, int32_t visibility, int32_t clip);
// SLEEP: -1 until a key arrives; above 99 until a key arrives, checked every
// 50 ms; 1..99 plainly; other values return at once. Keys stay buffered.
void gfxSleep(int32_t milliseconds);
