// Text-console implementations behind the runtime's dispatchers: what every
// console statement does while no graphics screen is open. The Windows build
// drives the Windows console; the native build a terminal or redirected output.
// Coordinates are 1-based and relative to the text window.
#pragma once

#include <cstdint>

#include "runtime/strings.h"

// Geometry, view and cursor.
int32_t conLocate(int32_t row, int32_t column, int32_t cursor); // packed position
int32_t conGetColumn();
int32_t conGetRow();
void conGetCursor(int32_t* column, int32_t* row);
void conGetSize(int32_t* columns, int32_t* rows); // 80 x 25 when not a console
int32_t conWidth(int32_t columns, int32_t rows);  // packed rows * 65536 + columns
void conCls(int32_t mode);
int32_t conRefreshGeometry(); // the viewUpdate fall-back
int32_t conPageSet(int32_t active, int32_t visible);

// Output.
int32_t conPrintBytes(const uint8_t* text, int32_t length, int32_t mask);
int32_t conPrintWide(const uint16_t* text, int32_t length, int32_t mask);

// Input.
StringDescriptor* conInkey();
int32_t conWaitKey();
int32_t conKeyHit();
void conSleep(int32_t milliseconds);

// Zero-fills the console state; called once by the runtime's start-up.
void conResetState();
