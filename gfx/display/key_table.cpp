// The one key table, by USB usage, and typed characters in code page 437.
#include "console/cp437.h"
#include "console/keys.h"
#include "gfx/core/mode.h"
#include "gfx/display/input.h"

namespace {

// Every key a PC keyboard has, in usage order: usage, PC scancode, virtual
// key, the keypad's virtual key with NUM LOCK on, extended.
constexpr GfxKey KEYS[] = {
    {4, 0x1E, 'A', 0, 0},
    {5, 0x30, 'B', 0, 0},
    {6, 0x2E, 'C', 0, 0},
    {7, 0x20, 'D', 0, 0},
    {8, 0x12, 'E', 0, 0},
    {9, 0x21, 'F', 0, 0},
    {10, 0x22, 'G', 0, 0},
    {11, 0x23, 'H', 0, 0},
    {12, 0x17, 'I', 0, 0},
    {13, 0x24, 'J', 0, 0},
    {14, 0x25, 'K', 0, 0},
    {15, 0x26, 'L', 0, 0},
    {16, 0x32, 'M', 0, 0},
    {17, 0x31, 'N', 0, 0},
    {18, 0x18, 'O', 0, 0},
    {19, 0x19, 'P', 0, 0},
    {20, 0x10, 'Q', 0, 0},
    {21, 0x13, 'R', 0, 0},
    {22, 0x1F, 'S', 0, 0},
    {23, 0x14, 'T', 0, 0},
    {24, 0x16, 'U', 0, 0},
    {25, 0x2F, 'V', 0, 0},
    {26, 0x11, 'W', 0, 0},
    {27, 0x2D, 'X', 0, 0},
    {28, 0x15, 'Y', 0, 0},
    {29, 0x2C, 'Z', 0, 0},
    {30, 0x02, '1', 0, 0},
    {31, 0x03, '2', 0, 0},
    {32, 0x04, '3', 0, 0},
    {33, 0x05, '4', 0, 0},
    {34, 0x06, '5', 0, 0},
    {35, 0x07, '6', 0, 0},
    {36, 0x08, '7', 0, 0},
    {37, 0x09, '8', 0, 0},
    {38, 0x0A, '9', 0, 0},
    {39, 0x0B, '0', 0, 0},
    {40, 0x1C, VKEY_RETURN, 0, 0},               // return
    {41, 0x01, VKEY_ESCAPE, 0, 0},               // escape
    {42, 0x0E, VKEY_BACK, 0, 0},                 // backspace
    {43, 0x0F, VKEY_TAB, 0, 0},                  // tab
    {44, 0x39, VKEY_SPACE, 0, 0},                // space
    {45, 0x0C, VKEY_OEM_MINUS, 0, 0},            // minus
    {46, 0x0D, VKEY_OEM_PLUS, 0, 0},             // equals
    {47, 0x1A, VKEY_OEM_4, 0, 0},                // leftbracket
    {48, 0x1B, VKEY_OEM_6, 0, 0},                // rightbracket
    {49, 0x2B, VKEY_OEM_5, 0, 0},                // backslash
    {50, 0x2B, VKEY_OEM_5, 0, 0},                // nonushash
    {51, 0x27, VKEY_OEM_1, 0, 0},                // semicolon
    {52, 0x28, VKEY_OEM_7, 0, 0},                // apostrophe
    {53, 0x29, VKEY_OEM_3, 0, 0},                // grave
    {54, 0x33, VKEY_OEM_COMMA, 0, 0},            // comma
    {55, 0x34, VKEY_OEM_PERIOD, 0, 0},           // period
    {56, 0x35, VKEY_OEM_2, 0, 0},                // slash
    {57, 0x3A, VKEY_CAPITAL, 0, 0},              // capslock
    {58, 0x3B, VKEY_F1, 0, 0},                   // f1
    {59, 0x3C, VKEY_F1 + 1, 0, 0},               // f2
    {60, 0x3D, VKEY_F1 + 2, 0, 0},               // f3
    {61, 0x3E, VKEY_F1 + 3, 0, 0},               // f4
    {62, 0x3F, VKEY_F1 + 4, 0, 0},               // f5
    {63, 0x40, VKEY_F1 + 5, 0, 0},               // f6
    {64, 0x41, VKEY_F1 + 6, 0, 0},               // f7
    {65, 0x42, VKEY_F1 + 7, 0, 0},               // f8
    {66, 0x43, VKEY_F1 + 8, 0, 0},               // f9
    {67, 0x44, VKEY_F10, 0, 0},                  // f10
    {68, 0x57, VKEY_F11, 0, 0},                  // f11
    {69, 0x58, VKEY_F12, 0, 0},                  // f12
    {70, 0x37, VKEY_SNAPSHOT, 0, 1},             // printscreen
    {71, 0x46, VKEY_SCROLL, 0, 0},               // scrolllock
    {72, 0x45, VKEY_PAUSE, 0, 0},                // pause
    {73, 0x52, VKEY_INSERT, 0, 1},               // insert
    {74, 0x47, VKEY_HOME, 0, 1},                 // home
    {75, 0x49, VKEY_PRIOR, 0, 1},                // pageup
    {76, 0x53, VKEY_DELETE, 0, 1},               // delete
    {77, 0x4F, VKEY_END, 0, 1},                  // end
    {78, 0x51, VKEY_NEXT, 0, 1},                 // pagedown
    {79, 0x4D, VKEY_RIGHT, 0, 1},                // right
    {80, 0x4B, VKEY_LEFT, 0, 1},                 // left
    {81, 0x50, VKEY_DOWN, 0, 1},                 // down
    {82, 0x48, VKEY_UP, 0, 1},                   // up
    {83, 0x45, VKEY_NUMLOCK, 0, 1},              // numlockclear
    {84, 0x35, VKEY_DIVIDE, 0, 1},               // kp_divide
    {85, 0x37, VKEY_MULTIPLY, 0, 0},             // kp_multiply
    {86, 0x4A, VKEY_SUBTRACT, 0, 0},             // kp_minus
    {87, 0x4E, VKEY_ADD, 0, 0},                  // kp_plus
    {88, 0x1C, VKEY_RETURN, 0, 1},               // kp_enter
    {89, 0x4F, VKEY_END, VKEY_NUMPAD0 + 1, 0},   // kp_1
    {90, 0x50, VKEY_DOWN, VKEY_NUMPAD0 + 2, 0},  // kp_2
    {91, 0x51, VKEY_NEXT, VKEY_NUMPAD0 + 3, 0},  // kp_3
    {92, 0x4B, VKEY_LEFT, VKEY_NUMPAD0 + 4, 0},  // kp_4
    {93, 0x4C, VKEY_CLEAR, VKEY_NUMPAD0 + 5, 0}, // kp_5
    {94, 0x4D, VKEY_RIGHT, VKEY_NUMPAD0 + 6, 0}, // kp_6
    {95, 0x47, VKEY_HOME, VKEY_NUMPAD0 + 7, 0},  // kp_7
    {96, 0x48, VKEY_UP, VKEY_NUMPAD0 + 8, 0},    // kp_8
    {97, 0x49, VKEY_PRIOR, VKEY_NUMPAD0 + 9, 0}, // kp_9
    {98, 0x52, VKEY_INSERT, VKEY_NUMPAD0, 0},    // kp_0
    {99, 0x53, VKEY_DELETE, VKEY_DECIMAL, 0},    // kp_period
    {100, 0x56, VKEY_OEM_102, 0, 0},             // nonusbackslash
    {101, 0x5D, VKEY_APPS, 0, 1},                // application
    {224, 0x1D, VKEY_CONTROL, 0, 0},             // lctrl
    {225, 0x2A, VKEY_SHIFT, 0, 0},               // lshift
    {226, 0x38, VKEY_MENU, 0, 0},                // lalt
    {227, 0x5B, VKEY_LWIN, 0, 1},                // lgui
    {228, 0x1D, VKEY_CONTROL, 0, 1},             // rctrl
    {229, 0x36, VKEY_SHIFT, 0, 0},               // rshift
    {230, 0x38, VKEY_MENU, 0, 1},                // ralt
    {231, 0x5C, VKEY_RWIN, 0, 1},                // rgui
};

} // namespace

const GfxKey* gfxKeyByUsage(int32_t usage) {
    for (const GfxKey& key : KEYS)
        if (key.usage == usage) return &key;
    return nullptr;
}

void gfxKeyStatesFromUsages(const uint8_t* held, int32_t count) {
    uint8_t down[256] = {};
    for (const GfxKey& key : KEYS)
        if (key.usage < count && held[key.usage])
            down[key.virtualKey] = down[key.numLockKey] = 0x80;
    down[0] = 0;
    gfxKeyStatesFromVirtualKeys(down);
}

uint8_t gfxCp437FromUnicode(uint32_t codePoint) {
    // A typed picture of a control byte stays text: a typed arrow must not
    // arrive as the Escape key.
    uint8_t byte = cp437FromUnicode(codePoint);
    return codePoint >= 128 && (byte < 32 || byte == 127) ? '?' : byte;
}
