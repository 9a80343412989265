// PRINT: writes an item to a file number through its FileHandle, then the
// end-of-item action of the mask: 1 or 4 end the line (13, 10), otherwise 2
// moves to the next 14-column print zone. Each routine returns the error
// number it stored (1: the file number has no usable handle).
#pragma once

#include <cstdint>

#include "runtime/strings.h"

constexpr int32_t PRINT_NEWLINE = 1;
constexpr int32_t PRINT_COMMA = 2;
constexpr int32_t PRINT_NEWLINE_ALT = 4;
constexpr int32_t PRINT_ZONE_WIDTH = 14;

// Prints the string's bytes and deletes the descriptor (also on failure).
extern "C" int32_t rtPrintString(int32_t fileNumber, StringDescriptor* text, int32_t mask);
// The same for NUL-terminated text; null prints nothing but the action.
extern "C" int32_t rtPrintText(int32_t fileNumber, const char* text, int32_t mask);
int32_t rtPrintWideText(int32_t fileNumber, const uint16_t* text, int32_t mask);
// Only the end-of-item action.
extern "C" int32_t rtPrintEnd(int32_t fileNumber, int32_t mask);
