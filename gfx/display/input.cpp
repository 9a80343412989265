// The input state every display driver feeds: key ring, event queue, key
// states, pointer and focus, and what a key event posts.
#include "gfx/display/input.h"

#include <cstdlib>
#include <cstring>

#include "console/keys.h"
#include "gfx/core/lock.h"
#include "gfx/core/screen_layers.h"
#include "gfx/display/display.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

GfxKeyBuffer gfxKeyBuffer = {};
GfxInput gfxInput;

namespace {

// The framebuffer lock serialises the ring between the display thread and the
// program's thread, but it is empty on the Null driver and posts may come from
// threads that hold no lock at all; this short guard keeps the ring whole in
// every case. It is held only for a few stores, never while waiting.
std::atomic_flag ringGuard;

// Runs `work` on the key ring under the framebuffer lock and the ring guard;
// returns what it returns.
template <class Work> int32_t withKeyRing(Work work) {
    gfxLock();
    int32_t result;
    {
        GfxSpinHold hold(ringGuard);
        result = work(gfxKeyBuffer);
    }
    gfxUnlock(1, 0);
    return result;
}

int32_t nextSlot(int32_t index, int32_t slots) {
    return (index + 1) % slots;
}

void post(int32_t kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    GfxEvent event = {kind, {a, b, c, d}};
    gfxPostEvent(&event);
}

// The platform's part of the pointer, where it has one.
void hostTrack(int32_t on) {
    if (gfxInput.host && gfxInput.host->track) gfxInput.host->track(on);
}

void hostConfine(int32_t on) {
    if (gfxInput.host && gfxInput.host->confine) gfxInput.host->confine(on);
}

void clearKeyStates() {
    if (gfxMode && gfxMode->keyState) std::memset(gfxMode->keyState, 0, GFX_KEY_STATE_SIZE);
}

// The pointer came over the picture while the window is active and untracked:
// the leave notice is armed, the enter posted, the confinement renewed. True
// when it entered.
bool enter() {
    GfxInput& in = gfxInput;
    if (in.tracking || !in.active || !in.inside) return false;
    in.tracking = 1;
    hostTrack(1);
    post(EV_POINTER_ENTER);
    if (in.clip) hostConfine(1);
    return true;
}

void leave() {
    post(EV_POINTER_LEAVE);
    gfxInput.tracking = 0;
}

// The screen's input state, made before its driver opens; posts from any
// thread find either the whole queue or none (the event guard).
int32_t openInput(GfxMode* m, const ModeInfo*) {
    m->keyState = static_cast<uint8_t*>(std::calloc(GFX_KEY_STATE_SIZE, 1));
    auto* events = static_cast<GfxEvent*>(std::calloc(EVENT_QUEUE_SLOTS, sizeof(GfxEvent)));
    RtLock* eventLock = events ? rtLockCreate() : nullptr;
    if (!eventLock) {
        std::free(events);
        return RT_ERR_OUT_OF_MEMORY;
    }
    {
        GfxSpinHold hold(gfxEventGuard);
        m->events = events;
        m->eventLock = eventLock;
        m->eventRead = m->eventWrite = 0;
    }
    return m->keyState ? 0 : RT_ERR_OUT_OF_MEMORY;
}

void closeInput(GfxMode* m) {
    GfxEvent* events;
    RtLock* eventLock;
    {
        GfxSpinHold hold(gfxEventGuard);
        events = m->events;
        eventLock = m->eventLock;
        m->events = nullptr;
        m->eventLock = nullptr;
    }
    std::free(events);
    rtLockDestroy(eventLock);
    std::free(m->keyState);
    m->keyState = nullptr;
}

} // namespace

const GfxScreenLayer GFX_INPUT_LAYER = {
    .stage = GFX_LAYER_WITH_BUFFERS,
    .open = openInput,
    .close = closeInput,
};

// ---- key ring and event queue ----------------------------------------------

void gfxPostKey(int32_t code) {
    GfxSpinHold hold(ringGuard);
    GfxKeyBuffer& b = gfxKeyBuffer;
    b.codes[b.writeIndex] = code;
    b.writeIndex = nextSlot(b.writeIndex, KEY_BUFFER_SLOTS);
    if (b.writeIndex == b.readIndex) b.readIndex = nextSlot(b.readIndex, KEY_BUFFER_SLOTS);
    b.keyArrived = 1;
}

void gfxPostEvent(const GfxEvent* event) {
    if (!event) return;
    // The guard keeps the screen from closing under the post; after close
    // (or before an open has its queue) the post does nothing.
    GfxSpinHold hold(gfxEventGuard);
    GfxMode* m = gfxMode;
    if (!m || !m->events) return;
    rtLockAcquire(m->eventLock);
    std::memcpy(&m->events[m->eventWrite], event, sizeof *event);
    m->eventWrite = nextSlot(m->eventWrite, EVENT_QUEUE_SLOTS);
    if (m->eventWrite == m->eventRead) m->eventRead = nextSlot(m->eventRead, EVENT_QUEUE_SLOTS);
    rtLockRelease(m->eventLock);
}

int32_t gfxTakeEvent(GfxEvent* event) {
    GfxMode* m = gfxMode;
    if (!m || !m->events || !event) return 0;
    rtLockAcquire(m->eventLock);
    int32_t taken = m->eventRead != m->eventWrite;
    if (taken) {
        std::memcpy(event, &m->events[m->eventRead], sizeof *event);
        m->eventRead = nextSlot(m->eventRead, EVENT_QUEUE_SLOTS);
    }
    rtLockRelease(m->eventLock);
    return taken;
}

int32_t gfxTakeKey() {
    return withKeyRing([](GfxKeyBuffer& b) {
        int32_t code = 0;
        if (b.readIndex != b.writeIndex) {
            code = b.codes[b.readIndex];
            b.readIndex = nextSlot(b.readIndex, KEY_BUFFER_SLOTS);
        }
        b.keyArrived = 0;
        return code;
    });
}

int32_t gfxTakeKeyArrived() {
    return withKeyRing([](GfxKeyBuffer& b) {
        int32_t arrived = b.keyArrived;
        b.keyArrived = 0;
        return arrived;
    });
}

int32_t gfxKeyAvailable() {
    // Asked in a loop, as INKEY is: the page's turn where it needs one.
    rtYield();
    return withKeyRing(
        [](const GfxKeyBuffer& b) { return static_cast<int32_t>(b.readIndex != b.writeIndex); });
}

// ---- pointer and focus -----------------------------------------------------

void gfxInputOpen(const GfxPointerHost* host, int32_t width, int32_t height) {
    GfxInput& in = gfxInput;
    in.x = in.y = 0;
    in.inside = in.tracking = in.clip = in.buttons = in.wheel = 0;
    in.cursorVisible = 1;
    in.lastScreenX = in.lastScreenY = GFX_NO_POSITION;
    in.active = 0;
    in.host = host;
    in.width = width;
    in.height = height;
}

void gfxInputStarted() {
    gfxInput.active = 1;
}

void gfxInputClose() {
    GfxInput& in = gfxInput;
    if (in.clip) hostConfine(0);
    in.clip = 0;
    in.active = 0;
    in.tracking = 0;
    in.host = nullptr;
}

void gfxPointerInside(int32_t inside) {
    gfxInput.inside = inside ? 1 : 0;
}

void gfxPointerMoved(int32_t x, int32_t y, int32_t screenX, int32_t screenY) {
    GfxInput& in = gfxInput;
    in.x = x;
    in.y = y;
    // The first motion after opening only gives the deltas a starting point.
    if (in.lastScreenX == GFX_NO_POSITION) {
        in.lastScreenX = screenX;
        in.lastScreenY = screenY;
        return;
    }
    int32_t dx = screenX - in.lastScreenX, dy = screenY - in.lastScreenY;
    in.lastScreenX = screenX;
    in.lastScreenY = screenY;
    // Entering replaces this motion's event.
    if (enter()) return;
    if ((dx || dy) && in.active) post(EV_POINTER_MOVE, x, y, dx, dy);
}

void gfxPointerPress(int32_t bits, int32_t doubleClick) {
    gfxInput.buttons |= bits;
    post(doubleClick ? EV_BUTTON_DOUBLE : EV_BUTTON_DOWN, bits);
}

int32_t gfxPointerRelease(int32_t bits) {
    gfxInput.buttons &= ~bits;
    post(EV_BUTTON_UP, bits);
    return gfxInput.buttons;
}

void gfxPointerWheel(int32_t horizontal, int32_t forward) {
    int32_t& total = horizontal ? gfxInput.horizontalWheel : gfxInput.wheel;
    total += forward ? 1 : -1;
    post(horizontal ? EV_HWHEEL : EV_WHEEL, total);
}

void gfxPointerLeft() {
    GfxInput& in = gfxInput;
    in.inside = 0;
    if (in.active && in.tracking) leave();
}

void gfxFocusChanged(int32_t active, int32_t minimised) {
    GfxInput& in = gfxInput;
    in.active = active && !minimised ? 1 : 0;
    clearKeyStates();
    in.buttons = 0;
    gfxMarkAllDirty();
    if (!in.active && in.tracking) {
        leave();
        hostTrack(0);
    }
    if (!(active && minimised)) post(in.active ? EV_FOCUS_GAINED : EV_FOCUS_LOST);
    if (enter()) return;
    if (in.clip) hostConfine(in.active);
}

void gfxSwitchStarts() {
    if (gfxInput.tracking) post(EV_POINTER_LEAVE);
}

void gfxSwitchEnded() {
    gfxMarkAllDirty();
    gfxInput.active = 1;
    gfxInput.tracking = 0;
}

void gfxCloseRequested() {
    gfxPostKey(KEY_WINDOW_CLOSE);
    post(EV_CLOSE_REQUEST);
}

// ---- keys ------------------------------------------------------------------

int32_t gfxKeyEvent(int32_t virtualKey, int32_t scan, uint8_t character, int32_t state,
                    int32_t what, int32_t repeats, int32_t textFollows) {
    int32_t code = keyTranslate(character, scan, virtualKey, state, 0);
    int32_t done = 0;
    if (what != GFX_KEY_RELEASED && (code > 255 || (code > 0 && !textFollows))) {
        for (int32_t n = repeats; n > 0; --n)
            gfxPostKey(code);
        done |= GFX_KEY_POSTED;
    }
    // F10 and ALT alone give no event (and must not open a system menu).
    if (virtualKey == VKEY_F10 || virtualKey == VKEY_MENU || code == KEY_WINDOW_CLOSE)
        return done | GFX_KEY_QUIET;
    int32_t kind = what == GFX_KEY_PRESSED    ? EV_KEY_DOWN
                   : what == GFX_KEY_REPEATED ? EV_KEY_AUTOREPEAT
                                              : EV_KEY_UP;
    post(kind, keyScanFromVk(virtualKey), code >= 0 && code <= 255 ? code : 0);
    return done;
}

int32_t gfxKeyCharacter(int32_t vk, int32_t state, int32_t capsLock) {
    bool shift = (state & KEY_STATE_SHIFT) != 0, ctrl = (state & KEY_STATE_CTRL) != 0;
    if (ctrl && (state & KEY_STATE_ALT)) return 0;
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return vk - 'A' + 1;
        return shift != (capsLock != 0) ? vk : vk + ('a' - 'A');
    }
    int32_t base = keyVkCharacter(vk);
    if (ctrl) {
        switch (base) {
        case 13:
            return 10;
        case 8:
            return 127;
        case 27:
        case '[':
            return 27;
        case '\\':
            return 28;
        case ']':
            return 29;
        default:
            return 0;
        }
    }
    if (shift && vk < VKEY_NUMPAD0) {
        static const char PLAIN[] = "1234567890-=[]\\;',./`";
        static const char SHIFTED[] = "!@#$%^&*()_+{}|:\"<>?~";
        for (int i = 0; PLAIN[i]; ++i)
            if (PLAIN[i] == base) return SHIFTED[i];
    }
    return base;
}

void gfxTextInput(const char* text) {
    auto* p = reinterpret_cast<const uint8_t*>(text);
    while (p && *p) {
        uint32_t c = *p++;
        int follow = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= follow == 3 ? 0x07 : follow == 2 ? 0x0F : follow == 1 ? 0x1F : 0x7F;
        for (; follow > 0 && (*p & 0xC0) == 0x80; --follow)
            c = (c << 6) | (*p++ & 0x3F);
        gfxPostKey(gfxCp437FromUnicode(c));
    }
}

void gfxKeyStatesFromVirtualKeys(const uint8_t* down) {
    GfxMode* m = gfxMode;
    if (!m || !m->keyState) return;
    for (const ScanVkEntry* row = scanVkTable; row->scan; ++row) {
        bool held = (down[row->vk] & 0x80) || (row->vk2 && (down[row->vk2] & 0x80));
        if (row->scan < GFX_KEY_STATE_SIZE) m->keyState[row->scan] = held ? 1 : 0;
    }
}

void gfxKeyStatesFromScancodes(const uint8_t* down) {
    GfxMode* m = gfxMode;
    if (!m || !m->keyState) return;
    // An extended key counts as its base scancode.
    for (int32_t i = 0; i < GFX_KEY_STATE_SIZE; ++i)
        m->keyState[i] = ((down[i] | down[i + 128]) & 0x80) ? 1 : 0;
}
