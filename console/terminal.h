// The console on a terminal or a byte stream, portable: program text goes out
// as UTF-8, every character as its glyph but the controls the console acts on
// (the terminal acts on those itself); the geometry is the terminal's size or
// the 80 x 25 fallback; LOCATE, CLS and COLOR are escape sequences, sent only
// to a terminal; keys are decoded from the input bytes (console/key_sequence.h)
// into the same key codes as on Windows. Only page 0 exists.
//
// The platform lends its streams through TERMINAL_PORT: standard output and
// input on POSIX systems (console_posix.cpp), Node's process streams in the
// WebAssembly build (console_web.cpp). The term* routines are the console.h
// routines of the same names.
#pragma once

#include <cstdint>

constexpr int32_t TERMINAL_INPUT_ENDED = -1;

struct TerminalPort {
    int32_t (*outputIsTerminal)();
    // The terminal's size; 0 when it has none.
    int32_t (*size)(int32_t* columns, int32_t* rows);
    // Writes every byte; -1 on failure.
    int32_t (*write)(const char* bytes, int32_t count);
    // Before the first read: keys as typed, unechoed (a terminal's raw mode).
    void (*startInput)();
    // Ends what startInput began; called by the reset.
    void (*stopInput)();
    // Bytes waiting now, at most `room`: their count, 0 for none, or
    // TERMINAL_INPUT_ENDED once no more can come.
    int32_t (*read)(uint8_t* buffer, int32_t room);
};

// The platform's port, one definition per platform that has a terminal.
extern const TerminalPort TERMINAL_PORT;

void termResetState();
int32_t termRefreshGeometry();
int32_t termEnsureGeometry();
void termGetWindow(int32_t* left, int32_t* top, int32_t* width, int32_t* height);
void termGetSize(int32_t* columns, int32_t* rows);
void termGetCursor(int32_t* column, int32_t* row); // 0, 0: a terminal is not asked
int32_t termGetAttribute();
int32_t termLocate(int32_t row, int32_t column, int32_t cursor);
int32_t termWidth(int32_t columns, int32_t rows);
void termCls(int32_t mode);
int32_t termSetColors(int32_t foreground, int32_t background, int32_t flags);
int32_t termPageSet(int32_t active, int32_t visible);
int32_t termPrintBytes(const uint8_t* text, int32_t length, int32_t mask);
int32_t termPrintWide(const uint16_t* text, int32_t length, int32_t mask);
int32_t termPollInput();
