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

// Virtual keys the console layers name.
enum : int32_t {
    VKEY_ESCAPE = 0x1B,
    VKEY_F4 = 0x73,
    VKEY_NUMPAD0 = 0x60,
    VKEY_NUMPAD9 = 0x69,
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
