// The SDL driver's input side: the window's events become the display
// layer's input calls, with the same key codes, key events, key states and
// pointer, button, wheel, focus and close events as the Windows window gives.
// Runs on the display thread under the framebuffer lock.
#include "console/keys.h"
#include "gfx/display/display.h"
#include "gfx/display/input.h"
#include "gfx/sdl/sdl_internal.h"

namespace {

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

void keyEvent(const SDL_KeyboardEvent& e) {
    SdlState& s = sdlState;
    const GfxKey* key = gfxKeyByUsage(e.keysym.scancode);
    if (!key) return;
    uint16_t mod = e.keysym.mod;
    int32_t vk = key->numLockKey && (mod & KMOD_NUM) ? key->numLockKey : key->virtualKey;
    // Letters follow the layout, as the virtual keys of Windows do.
    if (e.keysym.sym >= 'a' && e.keysym.sym <= 'z') vk = e.keysym.sym - ('a' - 'A');
    bool down = e.type == SDL_KEYDOWN;
    if (down && vk == VKEY_RETURN && (mod & KMOD_ALT)) {
        if (gfxInput.active) sdlToggleFullScreen();
        s.suppressText = 1;
        return;
    }
    int32_t state = controlKeyState(mod, key->extended);
    auto character = static_cast<uint8_t>(gfxKeyCharacter(vk, state, (mod & KMOD_CAPS) ? 1 : 0));
    // Printable characters come as text input; control characters and ALT or
    // CTRL combinations only come here, so they go in now and the text that
    // may follow is dropped.
    bool textFollows = character >= 32 && character != 127 && !(mod & (KMOD_ALT | KMOD_CTRL));
    int32_t what = !down ? GFX_KEY_RELEASED : e.repeat ? GFX_KEY_REPEATED : GFX_KEY_PRESSED;
    int32_t done = gfxKeyEvent(vk, key->scan, character, state, what, 1, textFollows);
    if (down) s.suppressText = (done & GFX_KEY_POSTED) ? 1 : 0;
}

void pointerMotion(const SDL_MouseMotionEvent& e) {
    const SdlState& s = sdlState;
    int32_t x = e.x - s.offsetX, y = e.y - s.offsetY;
    gfxPointerInside(x >= 0 && x < s.width && y >= 0 && y < s.height);
    gfxPointerMoved(x, y, e.x + s.windowX, e.y + s.windowY);
}

void buttonEvent(const SDL_MouseButtonEvent& e) {
    static const int32_t BITS[] = {0, BTN_LEFT, BTN_MIDDLE, BTN_RIGHT, BTN_EXTRA1, BTN_EXTRA2};
    if (e.button >= sizeof BITS / sizeof BITS[0]) return;
    if (e.type == SDL_MOUSEBUTTONDOWN)
        gfxPointerPress(BITS[e.button], e.clicks % 2 == 0);
    else
        gfxPointerRelease(BITS[e.button]);
}

// One step per event and axis, whatever the distance.
void wheelEvent(const SDL_MouseWheelEvent& e) {
    int32_t sign = e.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    if (e.y != 0) gfxPointerWheel(0, e.y * sign > 0);
    if (e.x != 0) gfxPointerWheel(1, e.x * sign > 0);
}

void windowEvent(const SDL_WindowEvent& e) {
    SdlState& s = sdlState;
    switch (e.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
        gfxFocusChanged(e.event == SDL_WINDOWEVENT_FOCUS_GAINED, 0);
        break;
    case SDL_WINDOWEVENT_LEAVE:
        gfxPointerLeft();
        break;
    case SDL_WINDOWEVENT_MOVED:
        s.windowX = e.data1;
        s.windowY = e.data2;
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        sdlAttachSurface();
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        gfxMarkAllDirty();
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        if (gfxInput.active) sdlToggleFullScreen();
        break;
    case SDL_WINDOWEVENT_CLOSE:
        gfxCloseRequested();
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
        if (sdlState.suppressText)
            sdlState.suppressText = 0;
        else
            gfxTextInput(event.text.text);
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
