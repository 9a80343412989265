// Keys pressed in the graphics window and the key code INKEY must then give:
// the same on every window driver. Each key is named by its Windows virtual
// key and by its X keysym, so that each platform's test presses it its way.
#pragma once

#include <cstdint>

namespace windowcases {

enum : uint8_t { HOLD_SHIFT = 1, HOLD_CTRL = 2, HOLD_ALT = 4 };

struct KeyCase {
    uint8_t vk;
    const char* keysym;
    uint8_t held; // HOLD_* bits
    int32_t code;
};

inline constexpr KeyCase KEY_CASES[] = {
    {'A', "a", 0, 'a'},
    {'A', "a", HOLD_SHIFT, 'A'},
    {'A', "a", HOLD_CTRL, 1},
    {'A', "a", HOLD_ALT, 0x1EFF},
    {0x1B, "Escape", 0, 27},
    {0x0D, "Return", 0, 13},
    {0x70, "F1", 0, 0x3BFF},
    {0x70, "F1", HOLD_SHIFT, 0x54FF},
    {0x70, "F1", HOLD_CTRL, 0x5EFF},
    {0x70, "F1", HOLD_ALT, 0x68FF},
    {0x79, "F10", 0, 0x44FF},
    {0x7A, "F11", 0, 0x85FF},
    {0x7B, "F12", 0, 0x86FF},
    {0x25, "Left", 0, 0x4BFF},
    {0x27, "Right", HOLD_CTRL, 0x74FF},
    {0x27, "Right", HOLD_ALT, 0x9DFF},
    {0x26, "Up", 0, 0x48FF},
    {'1', "1", HOLD_ALT, 0x78FF},
};

// E-acute, a character above 127: code page 437 gives it 0x82.
inline constexpr int32_t E_ACUTE_CP437 = 0x82;

} // namespace windowcases
