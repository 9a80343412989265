// The keyboard layout's unmodified character of a virtual key.
#include "console/keys.h"

#include <windows.h>

int32_t keyVkCharacter(int32_t virtualKey) {
    if (virtualKey <= 0) return 0;
    int32_t character = static_cast<int32_t>(
        MapVirtualKeyA(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR) & 0xFFFF);
    // Some layouts' tables leave the keypad digits out; they are digits on
    // every keyboard, and Alt + keypad composition depends on it.
    if (character == 0 && virtualKey >= VKEY_NUMPAD0 && virtualKey <= VKEY_NUMPAD9)
        character = '0' + (virtualKey - VKEY_NUMPAD0);
    return character;
}
