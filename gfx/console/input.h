// Keyboard and mouse input of the graphics screen.
//
// Two streams come from the window thread: key codes go into the process-wide
// `GfxKeyBuffer` (16 slots, survives mode changes; a full ring drops its oldest
// key) and serve INKEY, the key wait, the key-hit test and SLEEP; `GfxEvent`
// records go into the open mode's 128-slot event queue (guarded by the mode's
// `eventLock`; a full ring drops its oldest event). Posting is safe from any
// thread; the window layer posts keys while it holds the framebuffer lock, and
// the program's thread takes them under the same lock.
//
// Key codes: 0 none; 1..255 a character (code page 437); scan * 256 + 255 an
// extended key; 256..276 the special keys of EXTENDED_KEY_TABLE.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/core/mode.h"

struct StringDescriptor;

constexpr int32_t KEY_BUFFER_SLOTS = 16;
constexpr int32_t EVENT_QUEUE_SLOTS = 128;
static_assert(EVENT_QUEUE_SLOTS == GFX_EVENT_CAPACITY, "the mode allocates the queue's slots");

// The close button of the graphics window (extended scancode 0x6B).
constexpr int32_t KEY_WINDOW_CLOSE = 0x6BFF;
// First of the special key codes 256 + i, i indexing EXTENDED_KEY_TABLE.
constexpr int32_t KEY_SPECIAL_FIRST = 256;
enum : int32_t {
    KEY_SPECIAL_CLOSE = 256,
    KEY_SPECIAL_UP = 257,
    KEY_SPECIAL_DOWN = 258,
    KEY_SPECIAL_LEFT = 259,
    KEY_SPECIAL_RIGHT = 260,
    KEY_SPECIAL_INSERT = 261,
    KEY_SPECIAL_DELETE = 262,
    KEY_SPECIAL_HOME = 263,
    KEY_SPECIAL_END = 264,
    KEY_SPECIAL_PAGE_UP = 265,
    KEY_SPECIAL_PAGE_DOWN = 266,
    KEY_SPECIAL_F1 = 267, // F1..F10 are 267..276
    KEY_SPECIAL_F10 = 276,
};
// The extended scancode of each special key code 256 + i.
constexpr int32_t EXTENDED_KEY_COUNT = 21;
extern const char EXTENDED_KEY_TABLE[EXTENDED_KEY_COUNT + 1]; // "kHPKMRSGOIQ;<=>?@ABCD"

// Process-wide key ring: equal indices mean empty, so it holds 15 keys.
struct GfxKeyBuffer {
    int32_t codes[KEY_BUFFER_SLOTS];
    int32_t readIndex;
    int32_t writeIndex;
    int32_t keyArrived; // set by every posted key, cleared by takes and SLEEP's checks
};

// Event types (GfxEvent::kind); 0 means nothing to post.
enum : int32_t {
    EV_NONE = 0,
    EV_KEY_DOWN = 1,       // scanCode, charCode
    EV_KEY_UP = 2,         // scanCode, charCode
    EV_KEY_AUTOREPEAT = 3, // scanCode, charCode
    EV_POINTER_MOVE = 4,   // posX, posY, deltaX, deltaY
    EV_BUTTON_DOWN = 5,    // buttonId
    EV_BUTTON_UP = 6,      // buttonId
    EV_BUTTON_DOUBLE = 7,  // buttonId
    EV_WHEEL = 8,          // wheelPos
    EV_POINTER_ENTER = 9,
    EV_POINTER_LEAVE = 10,
    EV_FOCUS_GAINED = 11,
    EV_FOCUS_LOST = 12,
    EV_CLOSE_REQUEST = 13,
    EV_HWHEEL = 14, // hwheelPos
};

// Button identifiers of the button events.
enum : int32_t {
    BTN_LEFT = 1,
    BTN_RIGHT = 2,
    BTN_MIDDLE = 4,
    BTN_EXTRA1 = 8,
    BTN_EXTRA2 = 16,
};

// One input event: the kind, then four payload words whose meaning depends on
// the kind (see the EV_* list); unlisted words carry no meaning.
struct GfxEvent {
    int32_t kind;
    int32_t data[4];
};
static_assert(sizeof(GfxEvent) == 20, "five 32-bit words");

// The event queue, as the GfxMode fields that hold it.
struct EventQueue {
    GfxEvent* events; // EVENT_QUEUE_SLOTS records
    int32_t eventRead;
    int32_t eventWrite;
    RtLock* eventLock; // binary semaphore, taken by the posting thread
};
static_assert(offsetof(GfxMode, eventLock) - offsetof(GfxMode, events) ==
                      offsetof(EventQueue, eventLock) &&
                  offsetof(GfxMode, eventRead) - offsetof(GfxMode, events) ==
                      offsetof(EventQueue, eventRead),
              "the mode holds the queue's fields in this order");

// The process's key ring (read it only through the routines below).
extern GfxKeyBuffer gfxKeyBuffer;

// Window layer: appends a key code / a copy of an event (dropped without an
// open screen, or when the event is null).
void gfxPostKey(int32_t code);
void gfxPostEvent(const GfxEvent* event);

// The oldest key code, or 0 when empty; always clears the key-arrived flag.
int32_t gfxTakeKey();
// Returns the key-arrived flag and clears it.
int32_t gfxTakeKeyArrived();
// Takes the oldest event of the open mode's queue into *event: 1, or 0 when
// the queue is empty or no screen is open.
int32_t gfxTakeEvent(GfxEvent* event);

// Console hooks.
StringDescriptor* gfxReadKey();         // INKEY: "", one character, or 255 + scancode
int32_t gfxWaitKey();                   // waits in 20 ms sleeps; 0 without a screen
int32_t gfxKeyAvailable();              // 1 when a key is buffered
int32_t gfxIsKeyDown(int32_t scanCode); // -1 held, 0 otherwise
// Null wheel, buttons or clip are allowed. Sets and returns the error number:
// 0, or 1 (every output -1) without a screen or mouse.
int32_t gfxGetMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip);
int32_t gfxSetMouse(int32_t x, int32_t y, int32_t visibility, int32_t clip);
// SLEEP: -1 until a key arrives; above 99 until a key arrives, checked every
// 50 ms; 1..99 plainly; other values return at once. Keys stay buffered.
void gfxSleep(int32_t milliseconds);
