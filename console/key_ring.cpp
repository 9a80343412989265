// The key ring and Alt + keypad composition.
#include "console/key_ring.h"

#include "console/keys.h"

ConsoleKeyRing conKeyRing;

void keyRingStore(ConsoleKeyRing* ring, int32_t code, const KeyEventRecord* record) {
    int32_t at = ring->writeIndex;
    ring->codes[at] = code;
    if (record)
        ring->records[at] = *record;
    else
        ring->records[at] = KeyEventRecord{};
    ring->writeIndex = (at + 1) % KEY_RING_SIZE;
    if (ring->writeIndex == ring->readIndex)
        ring->readIndex = (ring->readIndex + 1) % KEY_RING_SIZE;
    ring->keyArrived = 1;
}

void keyRingFeed(ConsoleKeyRing* ring, const KeyEventRecord* record) {
    if (!record || record->eventType != KEY_EVENT_TYPE) return;
    int32_t state = static_cast<int32_t>(record->controlState);
    bool altOnly = (state & KEY_STATE_ALT) && !(state & (KEY_STATE_CTRL | KEY_STATE_SHIFT));
    if (!record->keyDown) {
        // Releasing Alt after keypad digits delivers the composed character.
        if (!altOnly && ring->altCode != 0) {
            keyRingStore(ring, ring->altCode & 0xFF, record);
            ring->altCode = 0;
        }
        return;
    }
    if (record->repeatCount == 0) return;
    int32_t code = keyTranslate(static_cast<uint8_t>(record->character & 0xFF), record->scanCode,
                                record->virtualKey, state, 0);
    int32_t vk = record->virtualKey;
    if (vk >= VKEY_NUMPAD0 && vk <= VKEY_NUMPAD9 && altOnly) {
        // Only the low byte is delivered: reducing modulo a multiple of 256
        // keeps it exact and stops a long run of digits from overflowing.
        ring->altCode = (ring->altCode * 10 + (vk - VKEY_NUMPAD0)) % (256 * 1000);
        if (code != -1) keyRingStore(ring, code, record);
    } else if (code != -1) {
        ring->altCode = 0;
        keyRingStore(ring, code, record);
    } else if (!altOnly && ring->altCode != 0) {
        keyRingStore(ring, ring->altCode & 0xFF, record);
        ring->altCode = 0;
    }
}

int32_t keyArrivedAndClear(ConsoleKeyRing* ring) {
    int32_t arrived = ring->keyArrived;
    ring->keyArrived = 0;
    return arrived;
}

int32_t keyRingRead(ConsoleKeyRing* ring, int32_t whole, int32_t remove) {
    if (ring->readIndex == ring->writeIndex) return -1;
    int32_t value = ring->codes[ring->readIndex];
    if (value > 255 && !whole) {
        ring->codes[ring->readIndex] = value >> 8;
        return 255;
    }
    if (remove) {
        ring->readIndex = (ring->readIndex + 1) % KEY_RING_SIZE;
        keyArrivedAndClear(ring);
    }
    return value;
}
