// Text-console implementations behind the runtime's dispatchers: what every
// console statement does while no graphics screen is open. The Windows build
// drives the Windows console; the native build a terminal or redirected output
// (console/terminal.h); the WebAssembly build a text grid on the page, or
// Node's standard streams as a terminal. Coordinates are 1-based and relative
// to the text window.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"
#include "runtime/strings.h"

struct TextConsole;

// Geometry, view and cursor.
int32_t conLocate(int32_t row, int32_t column, int32_t cursor); // packed position
int32_t conGetColumn();
int32_t conGetRow();
void conGetWindow(int32_t* left, int32_t* top, int32_t* width, int32_t* height);
int32_t conGetAttribute();   // 7 (white on black) when it cannot be read
int32_t conEnsureGeometry(); // refreshes the geometry cache on first use
void conGetCursor(int32_t* column, int32_t* row);
void conGetSize(int32_t* columns, int32_t* rows); // 80 x 25 when not a console
int32_t conWidth(int32_t columns, int32_t rows);  // packed rows * 65536 + columns
void conCls(int32_t mode);
// COLOR; returns the previous colours as background * 65536 + foreground.
int32_t conSetColors(int32_t foreground, int32_t background, int32_t flags);
int32_t conRefreshGeometry(); // the viewUpdate fall-back; 1 when output is a console
int32_t conPageSet(int32_t active, int32_t visible);

// Output.
int32_t conPrintBytes(const uint8_t* text, int32_t length, int32_t mask);
int32_t conPrintWide(const uint16_t* text, int32_t length, int32_t mask);

// Input. Keys wait in a ring (console/key_ring.h) that fills only when the
// input is polled. A whole read returns extended codes as scan * 256 + 255; a
// byte-wise read returns 255 and then the scan code.
int32_t conPollInput(); // 0, or -1 when input has ended and no key can come
int32_t conKeyRead(int32_t whole, int32_t remove);
int32_t conKeyPeek(int32_t whole);
int32_t conKeyTake(int32_t whole);
int32_t conIsKeyDown(int32_t scanCode); // -1 while held, else 0
StringDescriptor* conInkey();
int32_t conWaitKey();
int32_t conKeyHit();
void conSleep(int32_t milliseconds);
// Shows what was printed where output does not show at once (the page's text
// grid of the WebAssembly build); the console calls it before it waits.
// Elsewhere it does nothing.
void conShowOutput();

// COLOR's rule for every text console, on an attribute (background * 16 +
// foreground in the low byte; other bits kept): a colour is left as it is when
// its flag says it was not given or it is negative; the foreground takes 4
// bits (blinking is not shown), the background 3. Returns the previous colours
// as background * 65536 + foreground.
inline int32_t conColorChange(int32_t* attribute, int32_t foreground, int32_t background,
                              int32_t flags) {
    int32_t previous = ((*attribute >> 4) & 7) * 65536 + (*attribute & 15);
    if (!(flags & RT_COLOR_NO_FOREGROUND) && foreground >= 0)
        *attribute = (*attribute & ~15) | (foreground & 15);
    if (!(flags & RT_COLOR_NO_BACKGROUND) && background >= 0)
        *attribute = (*attribute & ~0x70) | ((background & 7) << 4);
    return previous;
}

// Zero-fills the console state and empties the key ring; called once by the
// runtime's start-up.
void conResetState();

// The routines above as the runtime's text console (rtSetTextConsole).
extern const TextConsole CON_TEXT_CONSOLE;
