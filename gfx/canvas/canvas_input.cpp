// The canvas driver's input side: the page's keyboard, mouse, focus and close
// events become the display layer's input calls, with the codes the Windows
// window gives. They arrive while the program waits or yields.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>
#include <cstring>

#include "console/keys.h"
#include "gfx/canvas/canvas_internal.h"
#include "gfx/core/mode.h"
#include "gfx/display/display.h"
#include "gfx/display/input.h"

namespace {

// The browser names a physical key by its USB usage's name (KeyboardEvent.code).
struct CodeUsage {
    const char* code;
    uint8_t usage;
};
constexpr CodeUsage CODES[] = {
    {"KeyA", 4},
    {"KeyB", 5},
    {"KeyC", 6},
    {"KeyD", 7},
    {"KeyE", 8},
    {"KeyF", 9},
    {"KeyG", 10},
    {"KeyH", 11},
    {"KeyI", 12},
    {"KeyJ", 13},
    {"KeyK", 14},
    {"KeyL", 15},
    {"KeyM", 16},
    {"KeyN", 17},
    {"KeyO", 18},
    {"KeyP", 19},
    {"KeyQ", 20},
    {"KeyR", 21},
    {"KeyS", 22},
    {"KeyT", 23},
    {"KeyU", 24},
    {"KeyV", 25},
    {"KeyW", 26},
    {"KeyX", 27},
    {"KeyY", 28},
    {"KeyZ", 29},
    {"Digit1", 30},
    {"Digit2", 31},
    {"Digit3", 32},
    {"Digit4", 33},
    {"Digit5", 34},
    {"Digit6", 35},
    {"Digit7", 36},
    {"Digit8", 37},
    {"Digit9", 38},
    {"Digit0", 39},
    {"Enter", 40},
    {"Escape", 41},
    {"Backspace", 42},
    {"Tab", 43},
    {"Space", 44},
    {"Minus", 45},
    {"Equal", 46},
    {"BracketLeft", 47},
    {"BracketRight", 48},
    {"Backslash", 49},
    {"IntlHash", 50},
    {"Semicolon", 51},
    {"Quote", 52},
    {"Backquote", 53},
    {"Comma", 54},
    {"Period", 55},
    {"Slash", 56},
    {"CapsLock", 57},
    {"F1", 58},
    {"F2", 59},
    {"F3", 60},
    {"F4", 61},
    {"F5", 62},
    {"F6", 63},
    {"F7", 64},
    {"F8", 65},
    {"F9", 66},
    {"F10", 67},
    {"F11", 68},
    {"F12", 69},
    {"PrintScreen", 70},
    {"ScrollLock", 71},
    {"Pause", 72},
    {"Insert", 73},
    {"Home", 74},
    {"PageUp", 75},
    {"Delete", 76},
    {"End", 77},
    {"PageDown", 78},
    {"ArrowRight", 79},
    {"ArrowLeft", 80},
    {"ArrowDown", 81},
    {"ArrowUp", 82},
    {"NumLock", 83},
    {"NumpadDivide", 84},
    {"NumpadMultiply", 85},
    {"NumpadSubtract", 86},
    {"NumpadAdd", 87},
    {"NumpadEnter", 88},
    {"Numpad1", 89},
    {"Numpad2", 90},
    {"Numpad3", 91},
    {"Numpad4", 92},
    {"Numpad5", 93},
    {"Numpad6", 94},
    {"Numpad7", 95},
    {"Numpad8", 96},
    {"Numpad9", 97},
    {"Numpad0", 98},
    {"NumpadDecimal", 99},
    {"IntlBackslash", 100},
    {"ContextMenu", 101},
    {"ControlLeft", 224},
    {"ShiftLeft", 225},
    {"AltLeft", 226},
    {"MetaLeft", 227},
    {"ControlRight", 228},
    {"ShiftRight", 229},
    {"AltRight", 230},
    {"MetaRight", 231},
};

constexpr double DOUBLE_CLICK_MS = 500.0;
constexpr int32_t DOUBLE_CLICK_PIXELS = 4;

uint8_t held[256];
// The last press, for double clicks (the page reports them after the fact).
struct LastPress {
    int32_t bits, x, y;
    double time;
};
LastPress lastPress;

int32_t usageOfCode(const char* code) {
    for (const CodeUsage& c : CODES)
        if (std::strcmp(c.code, code) == 0) return c.usage;
    return 0;
}

// The first byte of a UTF-8 string that holds one character, else 0 (enough
// to tell a letter, a control or a printable character).
uint32_t singleCharacter(const char* text) {
    auto* p = reinterpret_cast<const uint8_t*>(text);
    if (!p[0]) return 0;
    int follow = p[0] >= 0xF0 ? 3 : p[0] >= 0xE0 ? 2 : p[0] >= 0xC0 ? 1 : 0;
    for (int i = 1; i <= follow; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return p[follow + 1] == 0 ? p[0] : 0;
}

int32_t controlKeyState(const EmscriptenKeyboardEvent& e, const GfxKey& key) {
    int32_t state = 0;
    bool right = e.location == DOM_KEY_LOCATION_RIGHT;
    if (e.shiftKey) state |= KEY_STATE_SHIFT;
    if (e.ctrlKey)
        state |=
            right && key.virtualKey == VKEY_CONTROL ? KEY_STATE_RIGHT_CTRL : KEY_STATE_LEFT_CTRL;
    if (e.altKey)
        state |= right && key.virtualKey == VKEY_MENU ? KEY_STATE_RIGHT_ALT : KEY_STATE_LEFT_ALT;
    if (key.extended) state |= KEY_STATE_EXTENDED;
    return state;
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    const GfxKey* key = gfxKeyByUsage(usageOfCode(e->code));
    if (!key) {
        // A key the browser has no code for (a layout's extra key) still
        // types its character.
        uint32_t text = singleCharacter(e->key);
        if (!down || text < 32 || text == 127 || e->altKey || e->ctrlKey) return EM_FALSE;
        gfxTextInput(e->key);
        return EM_TRUE;
    }
    held[key->usage] = down ? 1 : 0;
    gfxKeyStatesFromUsages(held, sizeof held);
    uint32_t text = singleCharacter(e->key);
    // The keypad gives digits with NUM LOCK on, movement keys without.
    int32_t vk = key->numLockKey && text ? key->numLockKey : key->virtualKey;
    // Letters follow the layout, as the virtual keys of Windows do.
    if (text >= 'a' && text <= 'z') vk = static_cast<int32_t>(text - ('a' - 'A'));
    if (text >= 'A' && text <= 'Z') vk = static_cast<int32_t>(text);
    if (down && vk == VKEY_RETURN && e->altKey) {
        canvasToggleFullScreen();
        return EM_TRUE;
    }
    int32_t state = controlKeyState(*e, *key);
    // CAPS LOCK shows in the letter the page reports against SHIFT.
    bool upper = text >= 'A' && text <= 'Z';
    int32_t caps = (text >= 'A' && text <= 'z') && upper != (e->shiftKey != 0) ? 1 : 0;
    auto character = static_cast<uint8_t>(gfxKeyCharacter(vk, state, caps));
    // Printable text goes in as typed (any layout, code page 437); control
    // characters and ALT or CTRL combinations as the key's own code.
    bool textFollows = text >= 32 && text != 127 && !e->altKey && !e->ctrlKey;
    int32_t what = !down ? GFX_KEY_RELEASED : e->repeat ? GFX_KEY_REPEATED : GFX_KEY_PRESSED;
    int32_t done = gfxKeyEvent(vk, key->scan, character, state, what, 1, textFollows);
    if (down && textFollows && !(done & GFX_KEY_POSTED)) gfxTextInput(e->key);
    // The page's own meaning of the key (scrolling, search, ...) is not wanted.
    return EM_TRUE;
}

// Page pixels to picture pixels, through the canvas's CSS scaling.
void picturePoint(const EmscriptenMouseEvent& e, int32_t* x, int32_t* y) {
    const CanvasState& s = canvasState;
    double width = 0, height = 0;
    emscripten_get_element_css_size(CANVAS_TARGET, &width, &height);
    *x = width > 0 ? static_cast<int32_t>(e.targetX * s.width / width) : e.targetX;
    *y = height > 0 ? static_cast<int32_t>(e.targetY * s.height / height) : e.targetY;
}

int32_t buttonBit(unsigned short button) {
    static const int32_t BITS[] = {BTN_LEFT, BTN_MIDDLE, BTN_RIGHT, BTN_EXTRA1, BTN_EXTRA2};
    return button < sizeof BITS / sizeof BITS[0] ? BITS[button] : 0;
}

EM_BOOL onMouse(int type, const EmscriptenMouseEvent* e, void*) {
    const CanvasState& s = canvasState;
    int32_t x, y;
    picturePoint(*e, &x, &y);
    switch (type) {
    case EMSCRIPTEN_EVENT_MOUSEMOVE:
        gfxPointerInside(x >= 0 && x < s.width && y >= 0 && y < s.height);
        gfxPointerMoved(x, y, e->screenX, e->screenY);
        return EM_FALSE;
    case EMSCRIPTEN_EVENT_MOUSEDOWN: {
        int32_t bit = buttonBit(e->button);
        bool twice = bit == lastPress.bits && e->timestamp - lastPress.time < DOUBLE_CLICK_MS &&
                     std::abs(x - lastPress.x) <= DOUBLE_CLICK_PIXELS &&
                     std::abs(y - lastPress.y) <= DOUBLE_CLICK_PIXELS;
        lastPress = twice ? LastPress{} : LastPress{bit, x, y, e->timestamp};
        if (bit) gfxPointerPress(bit, twice ? 1 : 0);
        return EM_TRUE;
    }
    case EMSCRIPTEN_EVENT_MOUSEUP:
        if (int32_t bit = buttonBit(e->button)) gfxPointerRelease(bit);
        return EM_TRUE;
    case EMSCRIPTEN_EVENT_MOUSEENTER:
        gfxPointerInside(1);
        return EM_FALSE;
    case EMSCRIPTEN_EVENT_MOUSELEAVE:
        gfxPointerLeft();
        return EM_FALSE;
    default:
        return EM_FALSE;
    }
}

// One step per event and axis, whatever the distance.
EM_BOOL onWheel(int, const EmscriptenWheelEvent* e, void*) {
    if (e->deltaY != 0) gfxPointerWheel(0, e->deltaY < 0);
    if (e->deltaX != 0) gfxPointerWheel(1, e->deltaX > 0);
    return EM_TRUE;
}

EM_BOOL onFocus(int type, const EmscriptenFocusEvent*, void*) {
    int32_t active = type == EMSCRIPTEN_EVENT_FOCUS ? 1 : 0;
    // The browser may say it twice (a page's first focus does).
    if (active == gfxInput.active.load()) return EM_FALSE;
    std::memset(held, 0, sizeof held);
    lastPress = {};
    gfxFocusChanged(active, 0);
    return EM_FALSE;
}

// The page going away is the window's close button: the program is told, and
// the page asks to stay, so the browser asks the person before it leaves (a
// close button leaves the window to the program).
const char* onUnload(int, const void*, void*) {
    gfxCloseRequested();
    return "The program is still running.";
}

EM_BOOL onFullScreen(int, const EmscriptenFullscreenChangeEvent*, void*) {
    gfxSwitchEnded();
    return EM_FALSE;
}

// The Fullscreen API on the canvas itself (or back), asked inside the key's
// own event as the browser wants: the canvas keeps its size in pixels (so its
// picture), the page's style fits it to the screen. 0 when refused at once; a
// later refusal ends the switch through canvasSwitchRefused.
EM_JS(int, zqCanvasFullScreen, (), {
    var canvas = document.getElementById('zq-screen');
    if (!canvas || !canvas.requestFullscreen) return 0;
    var asked = document.fullscreenElement ? document.exitFullscreen() : canvas.requestFullscreen();
    if (asked && asked.catch) asked.catch(function() { Module._canvasSwitchRefused(); });
    return 1;
});

EM_JS(int, zqPageHasFocus, (),
      { return typeof document != 'undefined' && document.hasFocus() ? 1 : 0; });

EM_JS(void, zqCanvasCursor, (int visible), {
    var canvas = document.getElementById('zq-screen');
    if (canvas) canvas.style.cursor = visible ? "" : "none";
});

// The page cannot move or confine the pointer; it can hide it.
const GfxPointerHost POINTER = {
    .track = nullptr,
    .confine = nullptr,
    .warp = nullptr,
    .showCursor = zqCanvasCursor,
};

} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void canvasSwitchRefused() {
    gfxSwitchEnded();
}

namespace {
// The page's events on (the driver's handlers) or off: one list both ways, so
// no listener outlives the screen.
void setListeners(bool on) {
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, true, on ? onKey : nullptr);
    emscripten_set_keyup_callback(window, nullptr, true, on ? onKey : nullptr);
    auto mouse = on ? onMouse : nullptr;
    emscripten_set_mousemove_callback(CANVAS_TARGET, nullptr, true, mouse);
    emscripten_set_mousedown_callback(CANVAS_TARGET, nullptr, true, mouse);
    emscripten_set_mouseup_callback(window, nullptr, true, mouse);
    emscripten_set_mouseenter_callback(CANVAS_TARGET, nullptr, true, mouse);
    emscripten_set_mouseleave_callback(CANVAS_TARGET, nullptr, true, mouse);
    emscripten_set_wheel_callback(CANVAS_TARGET, nullptr, true, on ? onWheel : nullptr);
    // The window's own focus only: an element's focus inside the page would
    // reach a capturing listener too.
    emscripten_set_focus_callback(window, nullptr, false, on ? onFocus : nullptr);
    emscripten_set_blur_callback(window, nullptr, false, on ? onFocus : nullptr);
    emscripten_set_beforeunload_callback(nullptr, on ? onUnload : nullptr);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, true,
                                             on ? onFullScreen : nullptr);
}
} // namespace

void canvasListen() {
    CanvasState& s = canvasState;
    std::memset(held, 0, sizeof held);
    lastPress = {};
    gfxInputOpen(&POINTER, s.width, s.height);
    setListeners(true);
    s.listening = 1;
    if (zqPageHasFocus()) gfxInputStarted();
}

void canvasStopListening() {
    CanvasState& s = canvasState;
    if (!s.listening) return;
    setListeners(false);
    s.listening = 0;
}

void canvasToggleFullScreen() {
    const CanvasState& s = canvasState;
    if (s.flags & SCRF_FIXED) return;
    gfxSwitchStarts();
    // A refused switch ends here; a granted one when the page reports it.
    if (!zqCanvasFullScreen()) gfxSwitchEnded();
}
