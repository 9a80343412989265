// The unmodified character of a virtual key on a US keyboard: what a terminal
// delivers, since it reports characters rather than keys.
#include "console/keys.h"

int32_t keyVkCharacter(int32_t virtualKey) {
    int32_t vk = virtualKey;
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return vk;
    if (vk >= VKEY_NUMPAD0 && vk <= VKEY_NUMPAD9) return '0' + (vk - VKEY_NUMPAD0);
    switch (vk) {
    case 0x08:
        return 8; // backspace
    case 0x09:
        return 9; // tab
    case 0x0D:
        return 13; // enter
    case 0x1B:
        return 27; // escape
    case 0x20:
        return ' ';
    case 0x6A:
        return '*';
    case 0x6B:
        return '+';
    case 0x6D:
        return '-';
    case 0x6E:
        return '.';
    case 0x6F:
        return '/';
    case 0xBA:
        return ';';
    case 0xBB:
        return '=';
    case 0xBC:
        return ',';
    case 0xBD:
        return '-';
    case 0xBE:
        return '.';
    case 0xBF:
        return '/';
    case 0xC0:
        return '`';
    case 0xDB:
        return '[';
    case 0xDC:
        return '\\';
    case 0xDD:
        return ']';
    case 0xDE:
        return '\'';
    default:
        return 0;
    }
}
