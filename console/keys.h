// Keyboard translation shared by the text console and the graphics window:
// a key event (character, scan code, virtual key, modifier state) becomes the
// system's key code. Character keys give their character 1..255; keys without
// a character give scan code * 256 + 255. Portable: the one platform service
// it needs, the unmodified character of a virtual key, is `keyVkCharacter`.
#pragma once

#include <cstdint>

// Modifier bits of the control-key state (the Windows console's values).
enum : int32_t {
    KEY_STATE_RIGHT_ALT = 0x1,
    KEY_STATE_LEFT_ALT = 0x2,
    KEY_STATE_RIGHT_CTRL = 0x4,
    KEY_STATE_LEFT_CTRL = 0x8,
    KEY_STATE_SHIFT = 0x10,
    KEY_STATE_EXTENDED = 0x100,
    KEY_STATE_ALT = KEY_STATE_RIGHT_ALT | KEY_STATE_LEFT_ALT,
    KEY_STATE_CTRL = KEY_STATE_RIGHT_CTRL | KEY_STATE_LEFT_CTRL,
};

// The Windows virtual keys, by the names every platform's code uses for them
// (the Windows headers' own names are for Windows code only).
enum : int32_t {
    VKEY_BACK = 0x08,
    VKEY_TAB = 0x09,
    VKEY_CLEAR = 0x0C,
    VKEY_RETURN = 0x0D,
    VKEY_SHIFT = 0x10,
    VKEY_CONTROL = 0x11,
    VKEY_MENU = 0x12,
    VKEY_PAUSE = 0x13,
    VKEY_CAPITAL = 0x14,
    VKEY_ESCAPE = 0x1B,
    VKEY_SPACE = 0x20,
    VKEY_PRIOR = 0x21,
    VKEY_NEXT = 0x22,
    VKEY_END = 0x23,
    VKEY_HOME = 0x24,
    VKEY_LEFT = 0x25,
    VKEY_UP = 0x26,
    VKEY_RIGHT = 0x27,
    VKEY_DOWN = 0x28,
    VKEY_SNAPSHOT = 0x2C,
    VKEY_INSERT = 0x2D,
    VKEY_DELETE = 0x2E,
    VKEY_LWIN = 0x5B,
    VKEY_RWIN = 0x5C,
    VKEY_APPS = 0x5D,
    VKEY_NUMPAD0 = 0x60,
    VKEY_NUMPAD9 = 0x69,
    VKEY_MULTIPLY = 0x6A,
    VKEY_ADD = 0x6B,
    VKEY_SUBTRACT = 0x6D,
    VKEY_DECIMAL = 0x6E,
    VKEY_DIVIDE = 0x6F,
    VKEY_F1 = 0x70, // F1..F12 are 0x70..0x7B
    VKEY_F4 = 0x73,
    VKEY_F10 = 0x79,
    VKEY_F11 = 0x7A,
    VKEY_F12 = 0x7B,
    VKEY_NUMLOCK = 0x90,
    VKEY_SCROLL = 0x91,
    VKEY_OEM_1 = 0xBA, // ;
    VKEY_OEM_PLUS = 0xBB,
    VKEY_OEM_COMMA = 0xBC,
    VKEY_OEM_MINUS = 0xBD,
    VKEY_OEM_PERIOD = 0xBE,
    VKEY_OEM_2 = 0xBF, // /
    VKEY_OEM_3 = 0xC0, // `
    VKEY_OEM_4 = 0xDB, // [
    VKEY_OEM_5 = 0xDC, // backslash
    VKEY_OEM_6 = 0xDD, // ]
    VKEY_OEM_7 = 0xDE, // '
    VKEY_OEM_102 = 0xE2,
};

constexpr int32_t KEY_CLOSE_REQUEST = 0x6BFF; // Alt+F4: the console or window is closing

// Keys with the extended flag and no character: scan code, then the codes for
// no modifier, Shift, Ctrl, Alt.
struct KeyExtEntry {
    uint8_t scan;
    uint16_t codes[4];
};
constexpr int KEY_EXT_ROWS = 12;
extern const KeyExtEntry keyExtTable[KEY_EXT_ROWS];

// Indexed by scan code 0..88: plain, Shift, Ctrl, Alt. Values above 255 are
// extended codes (high byte = scan code to report); smaller values mean "use
// the character the event delivers".
constexpr int KEY_SCAN_ROWS = 89;
extern const uint16_t (&keyScanTable)[KEY_SCAN_ROWS][4];

// Scan code, first virtual key, second virtual key or 0; a zero row ends it.
struct ScanVkEntry {
    uint8_t scan;
    uint8_t vk;
    uint8_t vk2;
};
static_assert(sizeof(ScanVkEntry) == 3);
constexpr int SCAN_VK_ENTRIES = 86;
extern const ScanVkEntry scanVkTable[SCAN_VK_ENTRIES + 1];

// The key code of one key-down event, or -1 when the event has none. With
// noCharFallback set, a key whose tables give no extended code yields -1
// instead of its character.
int32_t keyTranslate(uint8_t character, int32_t scanCode, int32_t virtualKey, int32_t state,
                     int32_t noCharFallback);

// The scan code of a virtual key, or 0.
int32_t keyScanFromVk(int32_t virtualKey);

// Platform service: the character a virtual key produces without modifiers
// (upper-case for letters), or 0.
int32_t keyVkCharacter(int32_t virtualKey);
