// Code page 437, the program's character set, as Unicode: the glyph every
// byte shows (the control bytes as their pictures, NUL as a space) and the way
// back. The one table for everything that shows the program's text outside a
// font of its own (a terminal, a web page) or turns typed text into it.
#pragma once

#include <cstdint>

// The glyph of every byte, by byte.
extern const uint16_t CP437_GLYPHS[256];

// The longest UTF-8 sequence utf8Encode writes.
constexpr int32_t UTF8_MAX = 4;

inline uint32_t cp437ToUnicode(uint8_t byte) {
    return CP437_GLYPHS[byte];
}

// The byte showing `codePoint`; '?' when none does. Code points below 128 are
// their own bytes (the controls stay controls).
uint8_t cp437FromUnicode(uint32_t codePoint);

// Writes `codePoint` as UTF-8 into `out` (UTF8_MAX bytes); returns the length.
// A surrogate or a value beyond U+10FFFF is written as U+FFFD.
int32_t utf8Encode(uint32_t codePoint, char* out);

// The glyph of `byte` as UTF-8 (at most 3 bytes); returns the length.
inline int32_t cp437ToUtf8(uint8_t byte, char* out) {
    return utf8Encode(CP437_GLYPHS[byte], out);
}
