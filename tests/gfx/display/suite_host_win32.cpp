// The suite's host under Windows (run under Wine on X): the window read back
// from the screen, input through the system's input queue, the focus given
// to a window of the test.
#include "suite_host.h"

#include <windows.h>

#include <cstring>

#include "gfx/compose.h"
#include "gfx/win32/process_counts.h"
#include "gfx/win32/win_test_util.h"

namespace host {

const char* const PLATFORM = "win32";

namespace {

HWND other = nullptr; // the window focus(false) gives the focus to

void send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    sync();
}

INPUT input(DWORD type, WORD vk, WORD scan, DWORD flags, DWORD data = 0) {
    INPUT in = {};
    in.type = type;
    if (type == INPUT_KEYBOARD) in.ki = {vk, scan, flags, 0, 0};
    if (type == INPUT_MOUSE) in.mi = {0, 0, data, flags, 0, 0};
    return in;
}

POINT origin() {
    POINT p = {0, 0};
    if (gfxMode) ClientToScreen(winState.window, &p);
    return p;
}

} // namespace

// The DirectX driver's libraries stay loaded while the suite runs: unloading
// them is half the second a window's close costs under Wine; the driver's
// own loads and frees are counted by test_ddraw_real.
void chooseDriver(const char* name) {
    static bool held = false;
    if (!held && std::strcmp(name, "DirectX") == 0)
        held = LoadLibraryA("ddraw.dll") && LoadLibraryA("dinput.dll");
    _putenv(("ZQGFX=" + std::string(name)).c_str());
}

bool focus(bool toScreen) {
    if (other) DestroyWindow(other);
    other = toScreen ? nullptr
                     : CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(toScreen ? winState.window : other);
    for (int i = 0; i < 300; ++i, sync())
        if ((gfxInput.active != 0) == toScreen) return true;
    return false;
}

// Two refresh passes (each handles the messages before it takes the dirty
// lines: wintest::sync), or without a display thread the program pumps; then
// the messages of the test's own windows.
void sync() {
    for (int pass = 0; pass < 2 && gfxMode; ++pass) {
        if (!gfxMode->driver->pumpEvents) {
            wintest::sync();
            continue;
        }
        Sleep(10);
        gfxMode->driver->pumpEvents();
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

Shot shoot() {
    RECT r;
    GetClientRect(winState.window, &r);
    POINT at = origin();
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    Shot shot;
    if (bitmap && bits) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, r.right, r.bottom, screen, at.x, at.y, SRCCOPY);
        GdiFlush();
        auto* p = static_cast<uint32_t*>(bits);
        shot = {r.right, r.bottom, std::vector<uint32_t>(p, p + r.right * r.bottom)};
        for (uint32_t& v : shot.pixels)
            v &= 0xFFFFFF;
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

void keys(const Strokes& strokes) {
    std::vector<INPUT> inputs;
    for (const auto& [key, down] : strokes) {
        bool extended = (key.vk >= VK_PRIOR && key.vk <= VK_DOWN) || key.vk == VK_INSERT ||
                        key.vk == VK_DELETE || key.vk == VK_RCONTROL || key.vk == VK_RMENU;
        inputs.push_back(input(
            INPUT_KEYBOARD, key.vk, static_cast<WORD>(MapVirtualKeyA(key.vk, MAPVK_VK_TO_VSC)),
            (down ? 0 : KEYEVENTF_KEYUP) | (extended ? KEYEVENTF_EXTENDEDKEY : 0)));
    }
    send(inputs);
}

void typeCharacter(uint32_t codePoint) {
    send({input(INPUT_KEYBOARD, 0, static_cast<WORD>(codePoint), KEYEVENTF_UNICODE),
          input(INPUT_KEYBOARD, 0, static_cast<WORD>(codePoint),
                KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)});
}

void pointerTo(int32_t x, int32_t y) {
    POINT at = origin();
    SetCursorPos(at.x + x, at.y + y);
    sync();
}

int32_t scale() {
    return 1;
}

bool pointerAt(int32_t* x, int32_t* y) {
    POINT p = {0, 0}, at = origin();
    bool known = GetCursorPos(&p);
    *x = p.x - at.x;
    *y = p.y - at.y;
    return known;
}

void button(int32_t id, bool down) {
    // Press flags; each one's release is the next bit up.
    DWORD flag = id == BTN_LEFT     ? MOUSEEVENTF_LEFTDOWN
                 : id == BTN_RIGHT  ? MOUSEEVENTF_RIGHTDOWN
                 : id == BTN_MIDDLE ? MOUSEEVENTF_MIDDLEDOWN
                                    : MOUSEEVENTF_XDOWN;
    DWORD data = id == BTN_EXTRA1 ? XBUTTON1 : id == BTN_EXTRA2 ? XBUTTON2 : 0;
    send({input(INPUT_MOUSE, 0, 0, down ? flag : flag << 1, data)});
}

void wheel(int32_t step, bool horizontal) {
    send({input(INPUT_MOUSE, 0, 0, horizontal ? MOUSEEVENTF_HWHEEL : MOUSEEVENTF_WHEEL,
                static_cast<DWORD>(step * WHEEL_DELTA))});
}

bool storedMouse(int32_t* x, int32_t* y) {
    *x = gfxInput.x;
    *y = gfxInput.y;
    return gfxInput.cursorVisible != 0;
}

void requestClose() {
    PostMessageA(winState.window, WM_CLOSE, 0, 0);
    sync();
}

// What process_counts.h counts, and the window classes of screens.
Holdings holdings() {
    Sleep(200); // threads that ended are gone from the snapshot
    wintest::Counts c = wintest::counts();
    WNDCLASSA unused;
    long long classes = 0;
    for (std::string title : {"zqfail", gfxTitle ? gfxTitle : ""})
        classes +=
            GetClassInfoA(GetModuleHandleA(nullptr), ("zqgfxclass_" + title).c_str(), &unused);
    return {{{"handles", c.handles},
             {"GDI objects", c.gdiObjects},
             {"user objects", c.userObjects},
             {"threads", c.threads},
             {"window classes", classes}},
            static_cast<long long>(c.heapBytes)};
}

// A full screen of a size no display offers: refused on the display side,
// after the libraries, the class and the thread have come and gone.
int32_t openFailing(const char* driver, int32_t flags) {
    for (const GfxDriver* const* p = DRIVER_LIST; *p; ++p)
        if (std::strcmp((*p)->name, driver) == 0) {
            GfxDisplayInfo opened;
            int32_t result = (*p)->open("zqfail", 123, 77, 32, 0, flags | SCRF_FULLSCREEN, &opened);
            (*p)->close();
            return result;
        }
    return -1;
}

} // namespace host
