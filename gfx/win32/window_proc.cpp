// The graphics window's procedure: keys, characters, pointer, buttons, wheels,
// focus, close button and the switch between window and full screen.
#include <windowsx.h>

#include <cstdlib>
#include <cstring>

#include "console/keys.h"
#include "gfx/core/mode.h"
#include "gfx/core/palette.h"
#include "gfx/display/display.h"
#include "gfx/display/input.h"
#include "gfx/win32/window.h"

namespace {
constexpr int32_t OS_WHEEL = 0x40A;
constexpr int32_t OS_EXTRA_INPUT = 0x500;
constexpr UINT LEAVE_POLL_MS = 100;
constexpr UINT OEM_CODE_PAGE = 437;

bool pointerInClient(HWND window) {
    RECT r;
    POINT p;
    if (!GetClientRect(window, &r) || !GetCursorPos(&p)) return false;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return PtInRect(&r, p) != 0;
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

// Key down or up (also with ALT held). True when the message is done with:
// no event, no default processing.
bool keyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int32_t scan = static_cast<int32_t>((lParam >> 16) & 0xFF);
    int32_t vk = static_cast<int32_t>(wParam & 0xFF);
    BYTE keys[256];
    if (!GetKeyboardState(keys)) std::memset(keys, 0, sizeof keys);
    uint8_t character = 0;
    if (!(MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR) & 0x80000000u)) {
        WORD produced[2] = {0, 0};
        if (ToAscii(static_cast<UINT>(vk), static_cast<UINT>(scan), keys, produced, 0) == 1)
            character = static_cast<uint8_t>(produced[0] & 0xFF);
    }
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    int32_t what = !down                  ? GFX_KEY_RELEASED
                   : (lParam & (1 << 30)) ? GFX_KEY_REPEATED
                                          : GFX_KEY_PRESSED;
    // Characters come with WM_CHAR; with ALT held the system sends no
    // character the console would give, so the code itself goes in.
    int32_t done = gfxKeyEvent(vk, scan, character, controlKeyState(keys, lParam), what,
                               static_cast<int32_t>(lParam & 0xFFFF), message != WM_SYSKEYDOWN);
    return (done & GFX_KEY_QUIET) != 0;
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

void pointerMotion(HWND window, LPARAM lParam) {
    POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &screen);
    gfxPointerMoved(static_cast<int32_t>(LOWORD(lParam)), static_cast<int32_t>(HIWORD(lParam)),
                    screen.x, screen.y);
}

void buttonDown(HWND window, int32_t bits, bool doubleClick) {
    SetCapture(window);
    gfxPointerPress(bits, doubleClick);
}

void buttonUp(HWND window, int32_t bits) {
    if (gfxPointerRelease(bits) == 0 && GetCapture() == window) ReleaseCapture();
}

// The extra buttons held, as the message's flags tell them.
int32_t extraButtons(WPARAM wParam) {
    return ((LOWORD(wParam) & MK_XBUTTON1) ? BTN_EXTRA1 : 0) |
           ((LOWORD(wParam) & MK_XBUTTON2) ? BTN_EXTRA2 : 0);
}

void activate(WPARAM wParam) {
    bool activated = LOWORD(wParam) != 0, minimised = HIWORD(wParam) != 0;
    if (gfxOnDisplayThread() && (winState.flags & SCRF_HIGH_PRIORITY))
        SetThreadPriority(GetCurrentThread(), activated && !minimised ? THREAD_PRIORITY_ABOVE_NORMAL
                                                                      : THREAD_PRIORITY_NORMAL);
    gfxFocusChanged(activated, minimised);
}

void postCharacter(WPARAM wParam, LPARAM lParam) {
    int32_t code = characterCode(wParam);
    for (int32_t n = static_cast<int32_t>(lParam & 0xFFFF); n > 0; --n)
        gfxPostKey(code);
}
} // namespace

LRESULT CALLBACK winWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WinState& s = winState;
    gfxPointerInside(pointerInClient(window));
    bool active = gfxInput.active != 0;
    bool done = false; // true: the message is answered with 0, no default processing

    switch (message) {
    case WM_ACTIVATE:
        activate(wParam);
        done = true;
        break;
    case WM_SIZE:
        if (active && wParam == SIZE_MAXIMIZED) {
            winToggleFullScreen();
            done = true;
        }
        break;
    case WM_SYSKEYDOWN:
        if (!active) break;
        if (wParam == VK_RETURN && (lParam & (1 << 29))) {
            winToggleFullScreen();
            done = true;
            break;
        }
        done = keyMessage(message, wParam, lParam);
        break;
    case WM_SYSKEYUP:
        if (active) done = keyMessage(message, wParam, lParam);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        done = keyMessage(message, wParam, lParam);
        break;
    case WM_CHAR:
        if (wParam > 255) break;
        postCharacter(wParam, lParam);
        break;
    case WM_SYSCHAR:
        // The key-down message already gave ALT combinations their codes;
        // the system's own handling would only beep or open the menu.
        if (active) done = true;
        break;
    case WM_MOUSEMOVE:
        pointerMotion(window, lParam);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        buttonDown(window, BTN_LEFT, message == WM_LBUTTONDBLCLK);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        buttonDown(window, BTN_RIGHT, message == WM_RBUTTONDBLCLK);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        buttonDown(window, BTN_MIDDLE, message == WM_MBUTTONDBLCLK);
        break;
    case WM_LBUTTONUP:
        buttonUp(window, BTN_LEFT);
        break;
    case WM_RBUTTONUP:
        buttonUp(window, BTN_RIGHT);
        break;
    case WM_MBUTTONUP:
        buttonUp(window, BTN_MIDDLE);
        break;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
        if (s.osVersion >= OS_EXTRA_INPUT)
            buttonDown(window, extraButtons(wParam) & ~gfxInput.buttons,
                       message == WM_XBUTTONDBLCLK);
        break;
    case WM_XBUTTONUP:
        if (s.osVersion >= OS_EXTRA_INPUT)
            buttonUp(window, gfxInput.buttons & (BTN_EXTRA1 | BTN_EXTRA2) & ~extraButtons(wParam));
        break;
    case WM_MOUSEWHEEL:
        if (s.osVersion >= OS_WHEEL) gfxPointerWheel(0, static_cast<int32_t>(wParam) > 0);
        break;
    case WM_MOUSEHWHEEL:
        if (s.osVersion >= OS_EXTRA_INPUT) gfxPointerWheel(1, static_cast<int32_t>(wParam) > 0);
        break;
    case WM_MOUSELEAVE:
        if (active) {
            gfxPointerLeft();
            done = true;
        }
        break;
    case WM_SETCURSOR:
        SetCursor(gfxInput.inside && !gfxInput.cursorVisible ? nullptr
                                                             : LoadCursorA(nullptr, IDC_ARROW));
        return 1;
    case WM_MOVING:
        // Confined again at the next activation or entry.
        if (gfxInput.clip) ClipCursor(nullptr);
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
        gfxMarkAllDirty();
        break;
    case WM_CLOSE:
        // The window stays: the program decides what the close request means.
        gfxCloseRequested();
        done = true;
        break;
    default:
        break;
    }
    return done ? 0 : DefWindowProcA(window, message, wParam, lParam);
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
    gfxSwitchStarts();
    if (s.flags & SCRF_FIXED) return;
    s.monitor =
        s.monitorFromWindow ? s.monitorFromWindow(s.window, MONITOR_DEFAULTTONEAREST) : nullptr;
    if (gfxInput.clip) ClipCursor(nullptr);
    s.backEnd.exit();
    s.flags ^= SCRF_FULLSCREEN;
    if (s.backEnd.init() != 0) {
        s.backEnd.exit();
        s.flags ^= SCRF_FULLSCREEN;
        // Failing both ways leaves the back end closed, not half-made.
        if (s.backEnd.init() != 0) s.backEnd.exit();
    }
    gfxResendPalette();
    gfxSwitchEnded();
}
