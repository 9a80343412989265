// The graphics window's procedure: keys, characters, pointer, buttons, wheels,
// focus, close button and the switch between window and full screen.
#include <windowsx.h>

#include <cstdlib>
#include <cstring>

#include "console/keys.h"
#include "gfx/core/mode.h"
#include "gfx/core/palette.h"
#include "gfx/win32/window.h"

namespace {
constexpr int32_t OS_WHEEL = 0x40A;
constexpr int32_t OS_EXTRA_INPUT = 0x500;
constexpr UINT LEAVE_POLL_MS = 100;
constexpr UINT OEM_CODE_PAGE = 437;

void postEvent(int32_t kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    GfxEvent event = {kind, {a, b, c, d}};
    gfxPostEvent(&event);
}

void clearKeyState() {
    if (gfxMode && gfxMode->keyState) std::memset(gfxMode->keyState, 0, GFX_KEY_STATE_SIZE);
}

bool pointerInClient(HWND window) {
    RECT r;
    POINT p;
    if (!GetClientRect(window, &r) || !GetCursorPos(&p)) return false;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return PtInRect(&r, p) != 0;
}

// The pointer came in while active: arm the leave notification; the event of
// this message becomes the enter event.
void pointerEnter(HWND window, GfxEvent& event) {
    if (winLayer.mouseTracking || !winState.active) return;
    TRACKMOUSEEVENT request = {sizeof request, TME_LEAVE, window, HOVER_DEFAULT};
    winState.trackMouseEvent(&request);
    winLayer.mouseTracking = 1;
    event = {EV_POINTER_ENTER, {0, 0, 0, 0}};
    if (winState.mouseClip) winClipCursor();
}

void pointerLeft() {
    postEvent(EV_POINTER_LEAVE);
    winLayer.mouseTracking = 0;
}

int32_t controlKeyState(const BYTE* keys, LPARAM lParam) {
    auto down = [keys](int vk) { return (keys[vk] & 0x80) != 0; };
    int32_t state = 0;
    if (down(VK_SHIFT) || down(VK_LSHIFT) || down(VK_RSHIFT)) state |= KEY_STATE_SHIFT;
    if (down(VK_CONTROL) || down(VK_LCONTROL)) state |= KEY_STATE_LEFT_CTRL;
    if (down(VK_RCONTROL)) state |= KEY_STATE_RIGHT_CTRL;
    if (down(VK_MENU) || down(VK_LMENU)) state |= KEY_STATE_LEFT_ALT;
    if (down(VK_RMENU)) state |= KEY_STATE_RIGHT_ALT;
    if (lParam & (1 << 24)) state |= KEY_STATE_EXTENDED;
    return state;
}

// Key down or up (also with ALT held). Returns true when the message is done
// with: no event, no default processing.
bool keyMessage(UINT message, WPARAM wParam, LPARAM lParam, GfxEvent& event) {
    int32_t scan = static_cast<int32_t>((lParam >> 16) & 0xFF);
    int32_t vk = static_cast<int32_t>(wParam & 0xFF);
    BYTE keys[256];
    if (!GetKeyboardState(keys)) std::memset(keys, 0, sizeof keys);
    int32_t state = controlKeyState(keys, lParam);
    uint8_t character = 0;
    if (!(MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR) & 0x80000000u)) {
        WORD produced[2] = {0, 0};
        if (ToAscii(static_cast<UINT>(vk), static_cast<UINT>(scan), keys, produced, 0) == 1)
            character = static_cast<uint8_t>(produced[0] & 0xFF);
    }
    int32_t code = keyTranslate(character, scan, vk, state, 0);
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (down) {
        event.kind = (lParam & (1 << 30)) ? EV_KEY_AUTOREPEAT : EV_KEY_DOWN;
        // Characters come with WM_CHAR; with ALT held the system sends no
        // character the console would give, so the code itself goes in.
        bool post = code > 255 || (message == WM_SYSKEYDOWN && code > 0);
        if (post)
            for (int32_t n = static_cast<int32_t>(lParam & 0xFFFF); n > 0; --n)
                gfxPostKey(code);
    } else {
        event.kind = EV_KEY_UP;
    }
    if (vk == VK_F10 || vk == VK_MENU || code == KEY_WINDOW_CLOSE) {
        event.kind = EV_NONE;
        return true;
    }
    event.data[0] = keyScanFromVk(vk);
    event.data[1] = code >= 0 && code <= 255 ? code : 0;
    return false;
}

// Grows a conversion buffer to at least `count` elements; false when it cannot.
template <typename T> bool growBuffer(T*& buffer, int32_t& capacity, int32_t count) {
    if (count <= capacity) return true;
    auto* grown = static_cast<T*>(std::realloc(buffer, static_cast<size_t>(count) * sizeof(T)));
    if (!grown) return false;
    buffer = grown;
    capacity = count;
    return true;
}

// The character of WM_CHAR (a byte of the ANSI code page) in code page 437.
int32_t characterCode(WPARAM wParam) {
    if (wParam == 0) return 0;
    char byte = static_cast<char>(wParam & 0xFF);
    WinLayer& l = winLayer;
    int wide = MultiByteToWideChar(CP_ACP, 0, &byte, 1, nullptr, 0);
    if (wide <= 0 || !growBuffer(l.wideText, l.wideCapacity, wide + 1)) return 0;
    wide = MultiByteToWideChar(CP_ACP, 0, &byte, 1, l.wideText, l.wideCapacity);
    if (wide <= 0) return 0;
    int oem = WideCharToMultiByte(OEM_CODE_PAGE, 0, l.wideText, wide, nullptr, 0, nullptr, nullptr);
    if (oem <= 0 || !growBuffer(l.oemText, l.oemCapacity, oem + 1)) return 0;
    oem = WideCharToMultiByte(OEM_CODE_PAGE, 0, l.wideText, wide, l.oemText, l.oemCapacity, nullptr,
                              nullptr);
    if (oem <= 0) return 0;
    return static_cast<uint8_t>(l.oemText[0]);
}

void pointerMotion(HWND window, LPARAM lParam, GfxEvent& event) {
    WinLayer& l = winLayer;
    l.mouseX = static_cast<int32_t>(LOWORD(lParam));
    l.mouseY = static_cast<int32_t>(HIWORD(lParam));
    POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &screen);
    // The first message after opening only gives the deltas a starting point.
    if (l.lastScreenX == WIN_NO_SCREEN_POSITION) {
        l.lastScreenX = screen.x;
        l.lastScreenY = screen.y;
        return;
    }
    int32_t dx = screen.x - l.lastScreenX, dy = screen.y - l.lastScreenY;
    l.lastScreenX = screen.x;
    l.lastScreenY = screen.y;
    if ((dx || dy) && winState.active) event = {EV_POINTER_MOVE, {l.mouseX, l.mouseY, dx, dy}};
    pointerEnter(window, event);
}

void buttonDown(HWND window, int32_t bit, bool doubleClick, GfxEvent& event) {
    SetCapture(window);
    winLayer.buttons |= bit;
    event = {doubleClick ? EV_BUTTON_DOUBLE : EV_BUTTON_DOWN, {bit, 0, 0, 0}};
}

void releaseCaptureIfIdle(HWND window) {
    if (winLayer.buttons == 0 && GetCapture() == window) ReleaseCapture();
}

void buttonUp(HWND window, int32_t bit, GfxEvent& event) {
    winLayer.buttons &= ~bit;
    releaseCaptureIfIdle(window);
    event = {EV_BUTTON_UP, {bit, 0, 0, 0}};
}

void extraButtonDown(HWND window, WPARAM wParam, bool doubleClick, GfxEvent& event) {
    WinLayer& l = winLayer;
    SetCapture(window);
    l.previousButtons = l.buttons;
    if (LOWORD(wParam) & MK_XBUTTON1) l.buttons |= BTN_EXTRA1;
    if (LOWORD(wParam) & MK_XBUTTON2) l.buttons |= BTN_EXTRA2;
    event = {doubleClick ? EV_BUTTON_DOUBLE : EV_BUTTON_DOWN,
             {l.buttons & ~l.previousButtons & (BTN_EXTRA1 | BTN_EXTRA2), 0, 0, 0}};
}

void extraButtonUp(HWND window, WPARAM wParam, GfxEvent& event) {
    WinLayer& l = winLayer;
    l.previousButtons = l.buttons;
    if (!(LOWORD(wParam) & MK_XBUTTON1)) l.buttons &= ~BTN_EXTRA1;
    if (!(LOWORD(wParam) & MK_XBUTTON2)) l.buttons &= ~BTN_EXTRA2;
    releaseCaptureIfIdle(window);
    event = {EV_BUTTON_UP, {l.previousButtons & (BTN_EXTRA1 | BTN_EXTRA2) & ~l.buttons, 0, 0, 0}};
}

void activate(HWND window, WPARAM wParam, GfxEvent& event) {
    WinState& s = winState;
    bool activated = LOWORD(wParam) != 0, minimised = HIWORD(wParam) != 0;
    s.active = activated && !minimised ? 1 : 0;
    if (winLayer.windowThread && (s.flags & SCRF_HIGH_PRIORITY))
        SetThreadPriority(winLayer.windowThread,
                          s.active ? THREAD_PRIORITY_ABOVE_NORMAL : THREAD_PRIORITY_NORMAL);
    clearKeyState();
    winLayer.buttons = 0;
    winMarkAllDirty();
    if (!s.active && winLayer.mouseTracking) {
        pointerLeft();
        KillTimer(window, LEAVE_TIMER_ID);
    }
    if (!(activated && minimised)) postEvent(s.active ? EV_FOCUS_GAINED : EV_FOCUS_LOST);
    if (s.active && winLayer.mouseInside) {
        pointerEnter(window, event);
    } else if (s.mouseClip) {
        if (s.active)
            winClipCursor();
        else
            ClipCursor(nullptr);
    }
}

void postCharacter(WPARAM wParam, LPARAM lParam) {
    int32_t code = characterCode(wParam);
    for (int32_t n = static_cast<int32_t>(lParam & 0xFFFF); n > 0; --n)
        gfxPostKey(code);
}
} // namespace

LRESULT CALLBACK winWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WinState& s = winState;
    WinLayer& l = winLayer;
    l.mouseInside = pointerInClient(window) ? 1 : 0;
    GfxEvent event = {EV_NONE, {0, 0, 0, 0}};
    bool done = false; // true: the message is answered with 0, no default processing

    switch (message) {
    case WM_ACTIVATE:
        activate(window, wParam, event);
        done = true;
        break;
    case WM_SIZE:
        if (s.active && wParam == SIZE_MAXIMIZED) {
            winToggleFullScreen();
            done = true;
        }
        break;
    case WM_SYSKEYDOWN:
        if (!s.active) break;
        if (wParam == VK_RETURN && (lParam & (1 << 29))) {
            winToggleFullScreen();
            done = true;
            break;
        }
        done = keyMessage(message, wParam, lParam, event);
        break;
    case WM_SYSKEYUP:
        if (s.active) done = keyMessage(message, wParam, lParam, event);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        done = keyMessage(message, wParam, lParam, event);
        break;
    case WM_CHAR:
        if (wParam > 255) break;
        postCharacter(wParam, lParam);
        break;
    case WM_SYSCHAR:
        // The key-down message already gave ALT combinations their codes;
        // the system's own handling would only beep or open the menu.
        if (s.active) done = true;
        break;
    case WM_MOUSEMOVE:
        pointerMotion(window, lParam, event);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        buttonDown(window, BTN_LEFT, message == WM_LBUTTONDBLCLK, event);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        buttonDown(window, BTN_RIGHT, message == WM_RBUTTONDBLCLK, event);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        buttonDown(window, BTN_MIDDLE, message == WM_MBUTTONDBLCLK, event);
        break;
    case WM_LBUTTONUP:
        buttonUp(window, BTN_LEFT, event);
        break;
    case WM_RBUTTONUP:
        buttonUp(window, BTN_RIGHT, event);
        break;
    case WM_MBUTTONUP:
        buttonUp(window, BTN_MIDDLE, event);
        break;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
        if (s.osVersion >= OS_EXTRA_INPUT)
            extraButtonDown(window, wParam, message == WM_XBUTTONDBLCLK, event);
        break;
    case WM_XBUTTONUP:
        if (s.osVersion >= OS_EXTRA_INPUT) extraButtonUp(window, wParam, event);
        break;
    case WM_MOUSEWHEEL:
        if (s.osVersion >= OS_WHEEL) {
            l.wheel += static_cast<int32_t>(wParam) > 0 ? 1 : -1;
            event = {EV_WHEEL, {l.wheel, 0, 0, 0}};
        }
        break;
    case WM_MOUSEHWHEEL:
        if (s.osVersion >= OS_EXTRA_INPUT) {
            l.horizontalWheel += static_cast<int32_t>(wParam) > 0 ? 1 : -1;
            event = {EV_HWHEEL, {l.horizontalWheel, 0, 0, 0}};
        }
        break;
    case WM_MOUSELEAVE:
        if (s.active) {
            pointerLeft();
            done = true;
        }
        break;
    case WM_SETCURSOR:
        SetCursor(l.mouseInside && !l.cursorVisible ? nullptr : LoadCursorA(nullptr, IDC_ARROW));
        return 1;
    case WM_MOVING:
        if (s.mouseClip) ClipCursor(nullptr);
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        if (s.backEnd.paint) s.backEnd.paint();
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DISPLAYCHANGE:
        if (s.backEnd.paint) s.backEnd.paint();
        winMarkAllDirty();
        break;
    case WM_CLOSE:
        // The window stays: the program decides what the close request means.
        gfxPostKey(KEY_WINDOW_CLOSE);
        event.kind = EV_CLOSE_REQUEST;
        done = true;
        break;
    default:
        break;
    }

    if (event.kind != EV_NONE) gfxPostEvent(&event);
    if (done) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL WINAPI winLeaveTimerStart(LPTRACKMOUSEEVENT request) {
    if (request && (request->dwFlags & TME_LEAVE) && !(request->dwFlags & TME_CANCEL))
        SetTimer(request->hwndTrack, LEAVE_TIMER_ID, LEAVE_POLL_MS, winLeaveTimerProc);
    return TRUE;
}

void CALLBACK winLeaveTimerProc(HWND window, UINT, UINT_PTR, DWORD) {
    POINT p;
    if (pointerInClient(window) && GetCursorPos(&p) && WindowFromPoint(p) == window) return;
    KillTimer(window, LEAVE_TIMER_ID);
    PostMessageA(window, WM_MOUSELEAVE, 0, 0);
}

void winToggleFullScreen() {
    WinState& s = winState;
    if (winLayer.mouseTracking) postEvent(EV_POINTER_LEAVE);
    if (s.flags & SCRF_FIXED) return;
    s.monitor =
        s.monitorFromWindow ? s.monitorFromWindow(s.window, MONITOR_DEFAULTTONEAREST) : nullptr;
    if (s.mouseClip) ClipCursor(nullptr);
    s.backEnd.exit();
    s.flags ^= SCRF_FULLSCREEN;
    if (s.backEnd.init() != 0) {
        s.backEnd.exit();
        s.flags ^= SCRF_FULLSCREEN;
        // Failing both ways leaves the back end closed, not half-made.
        if (s.backEnd.init() != 0) s.backEnd.exit();
    }
    gfxResendPalette();
    winMarkAllDirty();
    s.active = 1;
    winLayer.mouseTracking = 0;
}
