// The console's ring of waiting key codes, and the step that turns one key
// event into codes in it (including Alt + numeric-keypad composition).
// Portable: both the Windows console and the terminal console feed it.
#pragma once

#include <cstdint>

// One saved input event: the layout of a console input record holding a key
// event (event type 1, then the 16-byte key event).
struct KeyEventRecord {
    uint16_t eventType;
    uint16_t reserved;
    int32_t keyDown;
    uint16_t repeatCount;
    uint16_t virtualKey;
    uint16_t scanCode;
    uint16_t character; // the low byte is the narrow character
    uint32_t controlState;
};
static_assert(sizeof(KeyEventRecord) == 20);

constexpr int32_t KEY_EVENT_TYPE = 1;
constexpr int32_t KEY_RING_SIZE = 512;

struct ConsoleKeyRing {
    int32_t codes[KEY_RING_SIZE];
    KeyEventRecord records[KEY_RING_SIZE];
    int32_t readIndex; // equal to writeIndex when empty
    int32_t writeIndex;
    volatile int32_t keyArrived; // also set by the control handler's thread
    int32_t altCode;             // decimal value being typed with Alt + keypad
    int32_t inputStarted;        // the control handler is installed
};

static_assert(sizeof(ConsoleKeyRing::codes) == 512 * 4 &&
              sizeof(ConsoleKeyRing::records) == 512 * 20);

extern ConsoleKeyRing conKeyRing;

// Stores a code with its event; a full ring drops the oldest code.
void keyRingStore(ConsoleKeyRing* ring, int32_t code, const KeyEventRecord* record);
// Translates one input event and stores what it yields. Non-key events and
// events without a code store nothing.
void keyRingFeed(ConsoleKeyRing* ring, const KeyEventRecord* record);
// Reads and clears the arrival flag.
int32_t keyArrivedAndClear(ConsoleKeyRing* ring);
// The oldest code or -1. A byte-wise reader (whole = 0) of an extended code gets
// 255 first and the scan code on its next read.
int32_t keyRingRead(ConsoleKeyRing* ring, int32_t whole, int32_t remove);
