// The SDL driver's input side: the window's events become the same key codes,
// key events, key states, pointer, button, wheel, focus and close events as
// the Windows window gives. Runs on the display thread under the framebuffer
// lock.
#include <cstring>

#include "console/keys.h"
#include "gfx/console/input.h"
#include "gfx/sdl/sdl_internal.h"

namespace {

// Virtual keys of the keys without a character of their own.
enum : uint8_t {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_SNAPSHOT = 0x2C,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_LWIN = 0x5B,
    VK_RWIN = 0x5C,
    VK_APPS = 0x5D,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F10 = 0x79,
    VK_F11 = 0x7A,
    VK_F12 = 0x7B,
    VK_NUMLOCK = 0x90,
    VK_SCROLL = 0x91,
    VK_OEM_1 = 0xBA,
    VK_OEM_PLUS = 0xBB,
    VK_OEM_COMMA = 0xBC,
    VK_OEM_MINUS = 0xBD,
    VK_OEM_PERIOD = 0xBE,
    VK_OEM_2 = 0xBF,
    VK_OEM_3 = 0xC0,
    VK_OEM_4 = 0xDB,
    VK_OEM_5 = 0xDC,
    VK_OEM_6 = 0xDD,
    VK_OEM_7 = 0xDE,
    VK_OEM_102 = 0xE2,
};

// One physical key: its PC scancode, its virtual key (on the keypad: without
// and with Num Lock) and whether the PC keyboard marks it extended.
struct SdlKey {
    uint16_t sdl;
    uint8_t scan, vk, vkNumLock, extended;
};

constexpr uint8_t X = 1; // extended

const SdlKey KEYS[] = {
    {SDL_SCANCODE_A, 0x1E, 'A', 0, 0},
    {SDL_SCANCODE_B, 0x30, 'B', 0, 0},
    {SDL_SCANCODE_C, 0x2E, 'C', 0, 0},
    {SDL_SCANCODE_D, 0x20, 'D', 0, 0},
    {SDL_SCANCODE_E, 0x12, 'E', 0, 0},
    {SDL_SCANCODE_F, 0x21, 'F', 0, 0},
    {SDL_SCANCODE_G, 0x22, 'G', 0, 0},
    {SDL_SCANCODE_H, 0x23, 'H', 0, 0},
    {SDL_SCANCODE_I, 0x17, 'I', 0, 0},
    {SDL_SCANCODE_J, 0x24, 'J', 0, 0},
    {SDL_SCANCODE_K, 0x25, 'K', 0, 0},
    {SDL_SCANCODE_L, 0x26, 'L', 0, 0},
    {SDL_SCANCODE_M, 0x32, 'M', 0, 0},
    {SDL_SCANCODE_N, 0x31, 'N', 0, 0},
    {SDL_SCANCODE_O, 0x18, 'O', 0, 0},
    {SDL_SCANCODE_P, 0x19, 'P', 0, 0},
    {SDL_SCANCODE_Q, 0x10, 'Q', 0, 0},
    {SDL_SCANCODE_R, 0x13, 'R', 0, 0},
    {SDL_SCANCODE_S, 0x1F, 'S', 0, 0},
    {SDL_SCANCODE_T, 0x14, 'T', 0, 0},
    {SDL_SCANCODE_U, 0x16, 'U', 0, 0},
    {SDL_SCANCODE_V, 0x2F, 'V', 0, 0},
    {SDL_SCANCODE_W, 0x11, 'W', 0, 0},
    {SDL_SCANCODE_X, 0x2D, 'X', 0, 0},
    {SDL_SCANCODE_Y, 0x15, 'Y', 0, 0},
    {SDL_SCANCODE_Z, 0x2C, 'Z', 0, 0},
    {SDL_SCANCODE_1, 0x02, '1', 0, 0},
    {SDL_SCANCODE_2, 0x03, '2', 0, 0},
    {SDL_SCANCODE_3, 0x04, '3', 0, 0},
    {SDL_SCANCODE_4, 0x05, '4', 0, 0},
    {SDL_SCANCODE_5, 0x06, '5', 0, 0},
    {SDL_SCANCODE_6, 0x07, '6', 0, 0},
    {SDL_SCANCODE_7, 0x08, '7', 0, 0},
    {SDL_SCANCODE_8, 0x09, '8', 0, 0},
    {SDL_SCANCODE_9, 0x0A, '9', 0, 0},
    {SDL_SCANCODE_0, 0x0B, '0', 0, 0},
    {SDL_SCANCODE_RETURN, 0x1C, VK_RETURN, 0, 0},
    {SDL_SCANCODE_ESCAPE, 0x01, VK_ESCAPE, 0, 0},
    {SDL_SCANCODE_BACKSPACE, 0x0E, VK_BACK, 0, 0},
    {SDL_SCANCODE_TAB, 0x0F, VK_TAB, 0, 0},
    {SDL_SCANCODE_SPACE, 0x39, VK_SPACE, 0, 0},
    {SDL_SCANCODE_MINUS, 0x0C, VK_OEM_MINUS, 0, 0},
    {SDL_SCANCODE_EQUALS, 0x0D, VK_OEM_PLUS, 0, 0},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A, VK_OEM_4, 0, 0},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B, VK_OEM_6, 0, 0},
    {SDL_SCANCODE_BACKSLASH, 0x2B, VK_OEM_5, 0, 0},
    {SDL_SCANCODE_NONUSHASH, 0x2B, VK_OEM_5, 0, 0},
    {SDL_SCANCODE_SEMICOLON, 0x27, VK_OEM_1, 0, 0},
    {SDL_SCANCODE_APOSTROPHE, 0x28, VK_OEM_7, 0, 0},
    {SDL_SCANCODE_GRAVE, 0x29, VK_OEM_3, 0, 0},
    {SDL_SCANCODE_COMMA, 0x33, VK_OEM_COMMA, 0, 0},
    {SDL_SCANCODE_PERIOD, 0x34, VK_OEM_PERIOD, 0, 0},
    {SDL_SCANCODE_SLASH, 0x35, VK_OEM_2, 0, 0},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56, VK_OEM_102, 0, 0},
    {SDL_SCANCODE_CAPSLOCK, 0x3A, VK_CAPITAL, 0, 0},
    {SDL_SCANCODE_F1, 0x3B, VK_F1, 0, 0},
    {SDL_SCANCODE_F2, 0x3C, VK_F1 + 1, 0, 0},
    {SDL_SCANCODE_F3, 0x3D, VK_F1 + 2, 0, 0},
    {SDL_SCANCODE_F4, 0x3E, VK_F1 + 3, 0, 0},
    {SDL_SCANCODE_F5, 0x3F, VK_F1 + 4, 0, 0},
    {SDL_SCANCODE_F6, 0x40, VK_F1 + 5, 0, 0},
    {SDL_SCANCODE_F7, 0x41, VK_F1 + 6, 0, 0},
    {SDL_SCANCODE_F8, 0x42, VK_F1 + 7, 0, 0},
    {SDL_SCANCODE_F9, 0x43, VK_F1 + 8, 0, 0},
    {SDL_SCANCODE_F10, 0x44, VK_F10, 0, 0},
    {SDL_SCANCODE_F11, 0x57, VK_F11, 0, 0},
    {SDL_SCANCODE_F12, 0x58, VK_F12, 0, 0},
    {SDL_SCANCODE_PRINTSCREEN, 0x37, VK_SNAPSHOT, 0, X},
    {SDL_SCANCODE_SCROLLLOCK, 0x46, VK_SCROLL, 0, 0},
    {SDL_SCANCODE_PAUSE, 0x45, VK_PAUSE, 0, 0},
    {SDL_SCANCODE_INSERT, 0x52, VK_INSERT, 0, X},
    {SDL_SCANCODE_HOME, 0x47, VK_HOME, 0, X},
    {SDL_SCANCODE_PAGEUP, 0x49, VK_PRIOR, 0, X},
    {SDL_SCANCODE_DELETE, 0x53, VK_DELETE, 0, X},
    {SDL_SCANCODE_END, 0x4F, VK_END, 0, X},
    {SDL_SCANCODE_PAGEDOWN, 0x51, VK_NEXT, 0, X},
    {SDL_SCANCODE_RIGHT, 0x4D, VK_RIGHT, 0, X},
    {SDL_SCANCODE_LEFT, 0x4B, VK_LEFT, 0, X},
    {SDL_SCANCODE_DOWN, 0x50, VK_DOWN, 0, X},
    {SDL_SCANCODE_UP, 0x48, VK_UP, 0, X},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45, VK_NUMLOCK, 0, X},
    {SDL_SCANCODE_KP_DIVIDE, 0x35, VK_DIVIDE, 0, X},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37, VK_MULTIPLY, 0, 0},
    {SDL_SCANCODE_KP_MINUS, 0x4A, VK_SUBTRACT, 0, 0},
    {SDL_SCANCODE_KP_PLUS, 0x4E, VK_ADD, 0, 0},
    {SDL_SCANCODE_KP_ENTER, 0x1C, VK_RETURN, 0, X},
    {SDL_SCANCODE_KP_1, 0x4F, VK_END, VK_NUMPAD0 + 1, 0},
    {SDL_SCANCODE_KP_2, 0x50, VK_DOWN, VK_NUMPAD0 + 2, 0},
    {SDL_SCANCODE_KP_3, 0x51, VK_NEXT, VK_NUMPAD0 + 3, 0},
    {SDL_SCANCODE_KP_4, 0x4B, VK_LEFT, VK_NUMPAD0 + 4, 0},
    {SDL_SCANCODE_KP_5, 0x4C, 0x0C, VK_NUMPAD0 + 5, 0},
    {SDL_SCANCODE_KP_6, 0x4D, VK_RIGHT, VK_NUMPAD0 + 6, 0},
    {SDL_SCANCODE_KP_7, 0x47, VK_HOME, VK_NUMPAD0 + 7, 0},
    {SDL_SCANCODE_KP_8, 0x48, VK_UP, VK_NUMPAD0 + 8, 0},
    {SDL_SCANCODE_KP_9, 0x49, VK_PRIOR, VK_NUMPAD0 + 9, 0},
    {SDL_SCANCODE_KP_0, 0x52, VK_INSERT, VK_NUMPAD0, 0},
    {SDL_SCANCODE_KP_PERIOD, 0x53, VK_DELETE, VK_DECIMAL, 0},
    {SDL_SCANCODE_APPLICATION, 0x5D, VK_APPS, 0, X},
    {SDL_SCANCODE_LCTRL, 0x1D, VK_CONTROL, 0, 0},
    {SDL_SCANCODE_LSHIFT, 0x2A, VK_SHIFT, 0, 0},
    {SDL_SCANCODE_LALT, 0x38, VK_MENU, 0, 0},
    {SDL_SCANCODE_LGUI, 0x5B, VK_LWIN, 0, X},
    {SDL_SCANCODE_RCTRL, 0x1D, VK_CONTROL, 0, X},
    {SDL_SCANCODE_RSHIFT, 0x36, VK_SHIFT, 0, 0},
    {SDL_SCANCODE_RALT, 0x38, VK_MENU, 0, X},
    {SDL_SCANCODE_RGUI, 0x5C, VK_RWIN, 0, X},
};

const SdlKey* findKey(SDL_Scancode code) {
    for (const SdlKey& key : KEYS)
        if (key.sdl == code) return &key;
    return nullptr;
}

void postEvent(int32_t kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    GfxEvent event = {kind, {a, b, c, d}};
    gfxPostEvent(&event);
}

int32_t controlKeyState(uint16_t mod, bool extended) {
    int32_t state = 0;
    if (mod & KMOD_SHIFT) state |= KEY_STATE_SHIFT;
    if (mod & KMOD_LCTRL) state |= KEY_STATE_LEFT_CTRL;
    if (mod & KMOD_RCTRL) state |= KEY_STATE_RIGHT_CTRL;
    if (mod & KMOD_LALT) state |= KEY_STATE_LEFT_ALT;
    if (mod & KMOD_RALT) state |= KEY_STATE_RIGHT_ALT;
    if (extended) state |= KEY_STATE_EXTENDED;
    return state;
}

// The character the key gives with these modifiers on a US keyboard, as the
// Windows keyboard translation produces it (control characters included);
// 0 for none. Layout-specific text arrives separately as text input.
int32_t keyCharacter(int32_t vk, uint16_t mod) {
    bool shift = (mod & KMOD_SHIFT) != 0, ctrl = (mod & KMOD_CTRL) != 0;
    if (ctrl && (mod & KMOD_ALT)) return 0;
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return vk - 'A' + 1;
        return shift != ((mod & KMOD_CAPS) != 0) ? vk : vk + ('a' - 'A');
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
    if (shift && vk < VK_NUMPAD0) {
        static const char PLAIN[] = "1234567890-=[]\\;',./`";
        static const char SHIFTED[] = "!@#$%^&*()_+{}|:\"<>?~";
        for (int i = 0; PLAIN[i]; ++i)
            if (PLAIN[i] == base) return SHIFTED[i];
    }
    return base;
}

void keyEvent(const SDL_KeyboardEvent& e) {
    SdlState& s = sdlState;
    const SdlKey* key = findKey(e.keysym.scancode);
    if (!key) return;
    uint16_t mod = e.keysym.mod;
    int32_t vk = key->vkNumLock && (mod & KMOD_NUM) ? key->vkNumLock : key->vk;
    // Letters follow the layout, as the virtual keys of Windows do.
    if (e.keysym.sym >= 'a' && e.keysym.sym <= 'z') vk = e.keysym.sym - ('a' - 'A');
    bool down = e.type == SDL_KEYDOWN;
    if (down && vk == VK_RETURN && (mod & KMOD_ALT)) {
        if (s.active) sdlToggleFullScreen();
        s.suppressText = 1;
        return;
    }
    uint8_t character = static_cast<uint8_t>(keyCharacter(vk, mod));
    int32_t code = keyTranslate(character, key->scan, vk, controlKeyState(mod, key->extended), 0);
    int32_t kind = EV_KEY_UP;
    if (down) {
        kind = e.repeat ? EV_KEY_AUTOREPEAT : EV_KEY_DOWN;
        s.suppressText = 0;
        // Printable characters come as text input; control characters and
        // ALT or CTRL combinations only come here, so they go in now and
        // the text that may follow is dropped.
        if (code > 255 ||
            (code > 0 && (character < 32 || character == 127 || (mod & (KMOD_ALT | KMOD_CTRL))))) {
            gfxPostKey(code);
            s.suppressText = 1;
        }
    }
    // F10 and ALT alone give no event, as on Windows.
    if (vk == VK_F10 || vk == VK_MENU || code == KEY_WINDOW_CLOSE) return;
    postEvent(kind, keyScanFromVk(vk), code >= 0 && code <= 255 ? code : 0);
}

// UTF-8 text: every character as its code-page-437 byte.
void textInput(const char* text) {
    SdlState& s = sdlState;
    if (s.suppressText) {
        s.suppressText = 0;
        return;
    }
    auto* p = reinterpret_cast<const uint8_t*>(text);
    while (*p) {
        uint32_t c = *p++;
        int follow = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= follow == 3 ? 0x07 : follow == 2 ? 0x0F : follow == 1 ? 0x1F : 0x7F;
        for (; follow > 0 && (*p & 0xC0) == 0x80; --follow)
            c = (c << 6) | (*p++ & 0x3F);
        gfxPostKey(c < 128 ? static_cast<int32_t>(c) : sdlCp437FromUnicode(c));
    }
}

// The pointer came in while active: the event of this motion becomes the
// enter event.
void pointerEnter(GfxEvent& event) {
    SdlState& s = sdlState;
    if (s.mouseTracking || !s.active) return;
    s.mouseTracking = 1;
    event = {EV_POINTER_ENTER, {0, 0, 0, 0}};
}

void pointerMotion(const SDL_MouseMotionEvent& e) {
    SdlState& s = sdlState;
    s.mouseX = e.x - s.offsetX;
    s.mouseY = e.y - s.offsetY;
    s.mouseInside = s.mouseX >= 0 && s.mouseX < s.width && s.mouseY >= 0 && s.mouseY < s.height;
    int32_t screenX = e.x + s.windowX, screenY = e.y + s.windowY;
    // The first motion after opening only gives the deltas a starting point.
    if (s.lastScreenX == SDL_NO_POSITION) {
        s.lastScreenX = screenX;
        s.lastScreenY = screenY;
        return;
    }
    int32_t dx = screenX - s.lastScreenX, dy = screenY - s.lastScreenY;
    s.lastScreenX = screenX;
    s.lastScreenY = screenY;
    GfxEvent event = {EV_NONE, {0, 0, 0, 0}};
    if ((dx || dy) && s.active) event = {EV_POINTER_MOVE, {s.mouseX, s.mouseY, dx, dy}};
    if (s.mouseInside) pointerEnter(event);
    if (event.kind != EV_NONE) gfxPostEvent(&event);
}

void buttonEvent(const SDL_MouseButtonEvent& e) {
    SdlState& s = sdlState;
    static const int32_t BITS[] = {0, BTN_LEFT, BTN_MIDDLE, BTN_RIGHT, BTN_EXTRA1, BTN_EXTRA2};
    if (e.button >= sizeof BITS / sizeof BITS[0]) return;
    int32_t bit = BITS[e.button];
    if (e.type == SDL_MOUSEBUTTONDOWN) {
        s.buttons |= bit;
        postEvent(e.clicks % 2 == 0 ? EV_BUTTON_DOUBLE : EV_BUTTON_DOWN, bit);
    } else {
        s.buttons &= ~bit;
        postEvent(EV_BUTTON_UP, bit);
    }
}

// One step per event and axis, whatever the distance.
void wheelEvent(const SDL_MouseWheelEvent& e) {
    SdlState& s = sdlState;
    int32_t sign = e.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    if (e.y != 0) {
        s.wheel += e.y * sign > 0 ? 1 : -1;
        postEvent(EV_WHEEL, s.wheel);
    }
    if (e.x != 0) {
        s.horizontalWheel += e.x * sign > 0 ? 1 : -1;
        postEvent(EV_HWHEEL, s.horizontalWheel);
    }
}

void focusChange(bool gained) {
    SdlState& s = sdlState;
    s.active = gained ? 1 : 0;
    if (gfxMode && gfxMode->keyState) std::memset(gfxMode->keyState, 0, GFX_KEY_STATE_SIZE);
    s.buttons = 0;
    sdlMarkAllDirty();
    if (!gained && s.mouseTracking) {
        postEvent(EV_POINTER_LEAVE);
        s.mouseTracking = 0;
    }
    postEvent(gained ? EV_FOCUS_GAINED : EV_FOCUS_LOST);
    if (gained && s.mouseInside) {
        GfxEvent event = {EV_NONE, {0, 0, 0, 0}};
        pointerEnter(event);
        if (event.kind != EV_NONE) gfxPostEvent(&event);
    }
}

void windowEvent(const SDL_WindowEvent& e) {
    SdlState& s = sdlState;
    switch (e.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        focusChange(true);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        focusChange(false);
        break;
    case SDL_WINDOWEVENT_LEAVE:
        s.mouseInside = 0;
        if (s.active && s.mouseTracking) {
            postEvent(EV_POINTER_LEAVE);
            s.mouseTracking = 0;
        }
        break;
    case SDL_WINDOWEVENT_MOVED:
        s.windowX = e.data1;
        s.windowY = e.data2;
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        sdlAttachSurface();
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        sdlMarkAllDirty();
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        if (s.active) sdlToggleFullScreen();
        break;
    case SDL_WINDOWEVENT_CLOSE:
        // The window stays: the program decides what the close request means.
        gfxPostKey(KEY_WINDOW_CLOSE);
        postEvent(EV_CLOSE_REQUEST);
        break;
    default:
        break;
    }
}
} // namespace

void sdlHandleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        keyEvent(event.key);
        break;
    case SDL_TEXTINPUT:
        textInput(event.text.text);
        break;
    case SDL_MOUSEMOTION:
        pointerMotion(event.motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        buttonEvent(event.button);
        break;
    case SDL_MOUSEWHEEL:
        wheelEvent(event.wheel);
        break;
    case SDL_WINDOWEVENT:
        windowEvent(event.window);
        break;
    default:
        break;
    }
}

void sdlPollKeys() {
    GfxMode* m = gfxMode;
    if (!m || !m->keyState) return;
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    uint8_t vkDown[256] = {};
    for (const SdlKey& key : KEYS)
        if (keys[key.sdl]) vkDown[key.vk] = vkDown[key.vkNumLock] = 1;
    vkDown[0] = 0;
    for (const ScanVkEntry* row = scanVkTable; row->scan; ++row) {
        bool held = vkDown[row->vk] || (row->vk2 && vkDown[row->vk2]);
        if (row->scan < GFX_KEY_STATE_SIZE) m->keyState[row->scan] = held ? 1 : 0;
    }
}

uint8_t sdlCp437FromUnicode(uint32_t codePoint) {
    // The upper half of code page 437, in order from 128.
    static const uint16_t UPPER[128] = {
        0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8,
        0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2,
        0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1,
        0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD,
        0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562,
        0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534,
        0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560,
        0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
        0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393,
        0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6,
        0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0,
        0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
    };
    if (codePoint < 128) return static_cast<uint8_t>(codePoint);
    for (int i = 0; i < 128; ++i)
        if (UPPER[i] == codePoint) return static_cast<uint8_t>(128 + i);
    return '?';
}
