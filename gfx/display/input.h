// The input state every display driver feeds: the process's key ring, the
// open screen's event queue and key-state array, the pointer and the focus.
// A driver turns its platform's events into the platform-neutral calls below
// (on its display thread, under the framebuffer lock; the OpenGL driver on the
// program's thread), and they post the keys and events with the same codes on
// every platform: the Windows virtual keys and PC scancodes of the one key
// table (gfxKeyByUsage), extended keys as scan * 256 + 255.
//
// Key codes: 0 none; 1..255 a character (code page 437); scan * 256 + 255 an
// extended key; 256..276 the special keys (see gfx/console/input.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "gfx/core/mode.h"

constexpr int32_t KEY_BUFFER_SLOTS = 16;
constexpr int32_t EVENT_QUEUE_SLOTS = 128;
static_assert(EVENT_QUEUE_SLOTS == GFX_EVENT_CAPACITY, "the mode allocates the queue's slots");

// The close button of the graphics window (extended scancode 0x6B).
constexpr int32_t KEY_WINDOW_CLOSE = 0x6BFF;

// Process-wide key ring: equal indices mean empty, so it holds 15 keys; a
// full ring drops its oldest key. It survives mode changes.
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

// The event queue, as the GfxMode fields that hold it (a 128-slot ring
// guarded by the mode's `eventLock`; a full ring drops its oldest event).
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

// Kept with each screen (added by the platform's composition): its event
// queue and key-state array, made with its buffers, before the driver opens.
struct GfxScreenLayer;
extern const GfxScreenLayer GFX_INPUT_LAYER;

// Appends a key code / a copy of an event (dropped without an open screen, or
// when the event is null). Safe from any thread.
void gfxPostKey(int32_t code);
void gfxPostEvent(const GfxEvent* event);
// The oldest key code, or 0 when empty; always clears the key-arrived flag.
int32_t gfxTakeKey();
// Returns the key-arrived flag and clears it.
int32_t gfxTakeKeyArrived();
// 1 when a key is waiting, else 0; takes nothing.
int32_t gfxKeyAvailable();
// Takes the oldest event of the open mode's queue into *event: 1, or 0 when
// the queue is empty or no screen is open.
extern "C" int32_t gfxTakeEvent(GfxEvent* event);

// ---- the pointer and the focus ---------------------------------------------

constexpr int32_t GFX_NO_POSITION = INT32_MIN;

// What the platform does for the pointer when the shared state asks: each
// driver lends one record for as long as its display is open. Null routines
// are allowed where the platform has nothing to do.
struct GfxPointerHost {
    // Arms (1) or drops (0) the platform's notice that the pointer left.
    void (*track)(int32_t on);
    // Confines the pointer to the window (1) or releases it (0).
    void (*confine)(int32_t on);
    // Moves the pointer to picture pixels (already clamped to the picture).
    void (*warp)(int32_t x, int32_t y);
    // Shows (1) or hides (0) the pointer over the picture.
    void (*showCursor)(int32_t visible);
};

// The pointer and the focus of the open display. The display thread's events
// write it, the program's mouse placement writes the position and the
// settings; both under the framebuffer lock. Only the routines below write it.
struct GfxInput {
    int32_t x, y;                     // picture pixels of the last motion or placement
    int32_t inside;                   // the pointer is over the picture
    int32_t tracking;                 // an enter was posted; its leave will be
    int32_t clip;                     // confined to the window
    int32_t cursorVisible;            // shown over the picture
    int32_t buttons;                  // BTN_* held
    int32_t wheel, horizontalWheel;   // running totals, one step per event
    int32_t lastScreenX, lastScreenY; // of the last motion; GFX_NO_POSITION: none yet
    std::atomic<int32_t> active;      // the window has the keyboard focus
    const GfxPointerHost* host;
    int32_t width, height; // the picture in display pixels
};
extern GfxInput gfxInput;

// A display of width x height display pixels opens (before its events come):
// a fresh pointer (shown, unconfined, no buttons, vertical wheel 0, no
// position yet; the horizontal wheel keeps its count), no focus yet.
void gfxInputOpen(const GfxPointerHost* host, int32_t width, int32_t height);
// The display's window is up and has the focus (nothing is posted).
void gfxInputStarted();
// The display closes: a confinement is released, the host forgotten.
void gfxInputClose();
// Whether the pointer is over the picture, as the platform tells it.
void gfxPointerInside(int32_t inside);
// The pointer moved to picture pixels (x, y), at screen pixels (screenX,
// screenY): the first motion only records; later ones post the motion with
// the deltas while the window is active; the first one over the picture
// while untracked posts the enter instead and arms the leave notice.
void gfxPointerMoved(int32_t x, int32_t y, int32_t screenX, int32_t screenY);
// Buttons pressed (bits newly held) or released; a release returns the
// buttons still held.
void gfxPointerPress(int32_t bits, int32_t doubleClick);
int32_t gfxPointerRelease(int32_t bits);
// One wheel step, whatever the distance: vertical or horizontal, forward
// (up, right) or back.
void gfxPointerWheel(int32_t horizontal, int32_t forward);
// The pointer left the picture: the leave is posted if an enter was.
void gfxPointerLeft();
// The window gained or lost the keyboard focus (activated while minimised
// counts as lost and posts nothing): held keys and buttons forgotten,
// everything redrawn, the pointer's enter or leave, the confinement applied
// or released.
void gfxFocusChanged(int32_t active, int32_t minimised);
// Around a switch between window and full screen: the pointer leaves first;
// afterwards the window is active, untracked and redrawn whole.
void gfxSwitchStarts();
void gfxSwitchEnded();
// The window's close button: key 0x6BFF and the close event; the window stays.
void gfxCloseRequested();

// ---- keys ------------------------------------------------------------------

// What happened to a key.
enum : int32_t { GFX_KEY_PRESSED, GFX_KEY_REPEATED, GFX_KEY_RELEASED };
// What gfxKeyEvent did.
enum : int32_t {
    GFX_KEY_POSTED = 1, // the key's code went into the key ring
    GFX_KEY_QUIET = 2,  // F10, ALT or the close key: no event; the platform's own
                        // handling must not run either (no system menu)
};
// A key went down, repeated or up: `virtualKey` and `scan` as the key table
// names them, `character` what the key gives with the modifiers held (0 for
// none), `state` the control-key state (console/keys.h), `repeats` how many
// presses the platform folded into this one. The key's code goes into the
// key ring when it has no character (an extended key) or when the character
// will not follow as text (`textFollows` 0), once per repeat; the event
// carries the scancode and the character code.
int32_t gfxKeyEvent(int32_t virtualKey, int32_t scan, uint8_t character, int32_t state,
                    int32_t what, int32_t repeats, int32_t textFollows);
// The character a key gives with the control-key state `state` (and CAPS LOCK
// on or off) on a US keyboard, as the Windows keyboard translation produces it
// (control characters included); 0 for none. Layout-specific text arrives
// separately as text input.
int32_t gfxKeyCharacter(int32_t virtualKey, int32_t state, int32_t capsLock);
// Text typed (UTF-8): every character as its code-page-437 byte ('?' for
// those it lacks).
void gfxTextInput(const char* text);
uint8_t gfxCp437FromUnicode(uint32_t codePoint);

// The key-state array from the platform's keyboard: 256 bytes indexed by
// virtual key, bit 7 set while down (a shift key counts for both).
void gfxKeyStatesFromVirtualKeys(const uint8_t* down);
// ... or 256 bytes indexed by scancode, the extended keys at 128 + scancode.
void gfxKeyStatesFromScancodes(const uint8_t* down);

// The one key table: a physical key by its USB usage (what the SDL library's
// scancodes and the browser's key codes name), its PC scancode, its virtual
// key (and the one it gives with NUM LOCK on, for the keypad), and whether it
// is an extended key.
struct GfxKey {
    uint8_t usage;
    uint8_t scan;
    uint8_t virtualKey;
    uint8_t numLockKey; // 0: the same with NUM LOCK on
    uint8_t extended;
};
// The key of a usage, or null.
const GfxKey* gfxKeyByUsage(int32_t usage);
// The key-state array from the keys held, given by usage (`held[usage]`
// nonzero, `count` entries).
void gfxKeyStatesFromUsages(const uint8_t* held, int32_t count);
