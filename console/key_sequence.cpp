// Terminal key sequences.
#include "console/key_sequence.h"

#include "console/cp437.h"
#include "console/keys.h"

namespace {

constexpr uint8_t ESC = 27;

// A key as the console would report it, before translation.
struct KeyId {
    int32_t scan;
    int32_t vk;
    bool extended;
};

constexpr KeyId NO_KEY = {0, 0, false};

KeyId functionKey(int32_t n) { // n = 1..12
    return {n <= 10 ? 0x3A + n : 0x4C + n, 0x6F + n, false};
}

// ESC [ <final> and ESC O <final>.
KeyId keyFromFinal(uint8_t final) {
    switch (final) {
    case 'A':
        return {0x48, 0x26, true};
    case 'B':
        return {0x50, 0x28, true};
    case 'C':
        return {0x4D, 0x27, true};
    case 'D':
        return {0x4B, 0x25, true};
    case 'H':
        return {0x47, 0x24, true};
    case 'F':
        return {0x4F, 0x23, true};
    case 'E':
        return {0x4C, 0x0C, false}; // keypad 5 without NumLock
    case 'P':
        return functionKey(1);
    case 'Q':
        return functionKey(2);
    case 'R':
        return functionKey(3);
    case 'S':
        return functionKey(4);
    default:
        return NO_KEY;
    }
}

// ESC [ <number> ~.
KeyId keyFromNumber(int32_t number) {
    switch (number) {
    case 1:
    case 7:
        return {0x47, 0x24, true};
    case 2:
        return {0x52, 0x2D, true};
    case 3:
        return {0x53, 0x2E, true};
    case 4:
    case 8:
        return {0x4F, 0x23, true};
    case 5:
        return {0x49, 0x21, true};
    case 6:
        return {0x51, 0x22, true};
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
        return functionKey(number - 10);
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
        return functionKey(number - 11);
    case 23:
    case 24:
        return functionKey(number - 12);
    default:
        return NO_KEY;
    }
}

// The terminal's modifier parameter is 1 + (Shift 1, Alt 2, Ctrl 4).
int32_t modifierState(int32_t parameter) {
    int32_t bits = parameter > 1 ? parameter - 1 : 0;
    int32_t state = 0;
    if (bits & 1) state |= KEY_STATE_SHIFT;
    if (bits & 2) state |= KEY_STATE_LEFT_ALT;
    if (bits & 4) state |= KEY_STATE_LEFT_CTRL;
    return state;
}

int32_t translate(KeyId key, int32_t state) {
    if (key.scan == 0) return -1;
    return keyTranslate(0, key.scan, key.vk, state | (key.extended ? KEY_STATE_EXTENDED : 0), 0);
}

// ESC [ ... or ESC O ...: parameters, then a final byte 0x40..0x7E.
int32_t decodeControlSequence(const uint8_t* bytes, int32_t count, int32_t complete,
                              int32_t* code) {
    // The Linux console's function keys: ESC [ [ A..E.
    if (bytes[1] == '[' && count >= 3 && bytes[2] == '[') {
        if (count < 4) return complete ? (*code = ESC, 1) : 0;
        uint8_t letter = bytes[3];
        *code = (letter >= 'A' && letter <= 'E') ? translate(functionKey(letter - 'A' + 1), 0) : -1;
        return 4;
    }
    int32_t parameters[2] = {0, 0};
    int32_t index = 0;
    for (int32_t i = 2; i < count; ++i) {
        uint8_t b = bytes[i];
        if (b >= '0' && b <= '9') {
            if (index < 2 && parameters[index] < 1000)
                parameters[index] = parameters[index] * 10 + (b - '0');
        } else if (b == ';') {
            ++index;
        } else if (b >= 0x40 && b <= 0x7E) {
            int32_t state = modifierState(parameters[1]);
            if (b == '~')
                *code = translate(keyFromNumber(parameters[0]), state);
            else if (b == 'Z')
                *code = keyTranslate(9, 0x0F, 0x09, KEY_STATE_SHIFT, 0); // Shift+Tab
            else
                *code = translate(keyFromFinal(b), state);
            return i + 1;
        } else if (b < 0x20 || b > 0x7E) {
            // Not a sequence after all: the Escape key, then these bytes.
            *code = ESC;
            return 1;
        }
    }
    if (!complete) return 0;
    *code = ESC;
    return 1;
}

// ESC + a letter or digit is how a terminal sends Alt with that key.
int32_t decodeAlt(uint8_t b, int32_t* code) {
    int32_t vk = 0;
    if (b >= 'a' && b <= 'z') vk = b - 'a' + 'A';
    if ((b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9')) vk = b;
    if (vk == 0) {
        *code = ESC;
        return 1;
    }
    *code = keyTranslate(b, keyScanFromVk(vk), vk, KEY_STATE_LEFT_ALT, 0);
    return 2;
}

// A character typed as UTF-8, as its code page 437 byte: the bytes it used,
// 0 while it is incomplete, -1 when they are no UTF-8 (each byte is then a
// key of its own, as a terminal with an 8-bit character set sends them).
int32_t decodeUtf8(const uint8_t* bytes, int32_t count, int32_t* code) {
    uint8_t b = bytes[0];
    int32_t follow = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    uint32_t c = b & (b >= 0xF0 ? 0x07u : b >= 0xE0 ? 0x0Fu : 0x1Fu);
    for (int32_t i = 1; i <= follow; ++i) {
        if (i >= count) return 0;
        if ((bytes[i] & 0xC0) != 0x80) return -1;
        c = (c << 6) | (bytes[i] & 0x3Fu);
    }
    *code = cp437FromUnicode(c);
    return follow + 1;
}

} // namespace

int32_t keySequenceDecode(const uint8_t* bytes, int32_t count, int32_t complete, int32_t* code) {
    *code = -1;
    if (!bytes || count <= 0) return 0;
    uint8_t b = bytes[0];
    if (b >= 0xC2 && b <= 0xF4) {
        int32_t used = decodeUtf8(bytes, count, code);
        if (used > 0 || (used == 0 && !complete)) return used;
        *code = b; // not UTF-8 after all, or cut short
        return 1;
    }
    if (b != ESC) {
        if (b == 127)
            *code = 8; // the backspace key sends DEL
        else if (b != 0)
            *code = b;
        return 1;
    }
    if (count == 1) {
        if (!complete) return 0;
        *code = ESC;
        return 1;
    }
    if (bytes[1] == '[' || bytes[1] == 'O')
        return decodeControlSequence(bytes, count, complete, code);
    return decodeAlt(bytes[1], code);
}
