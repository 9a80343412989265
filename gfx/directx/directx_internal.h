// The DirectX driver's private state and routines, shared with its tests.
// Windows only. The COM interfaces are used in their C form (a pointer to a
// table of routines), so that a test's stand-in objects are plain tables too;
// every unit that sees these interfaces includes this header first.
#pragma once

#ifndef CINTERFACE
#define CINTERFACE
#endif
#define DIRECTINPUT_VERSION 0x0300

#include <windows.h>

#include <ddraw.h>
#include <dinput.h>

#include <cstdint>

constexpr HRESULT DD_SURFACE_LOST = static_cast<HRESULT>(0x887601C2);
constexpr HRESULT DD_WRONG_MODE = static_cast<HRESULT>(0x8876024B);
constexpr HRESULT DI_NOT_ACQUIRED = static_cast<HRESULT>(0x8007000C);
constexpr HRESULT DI_INPUT_LOST = static_cast<HRESULT>(0x8007001E);
constexpr int32_t DD_KEY_OBJECTS = 256;

// The interface and object identifiers the driver asks for.
extern const GUID DD_IID_DIRECT_DRAW2;
extern const GUID DD_GUID_KEY;
extern const GUID DD_GUID_SYS_KEYBOARD;

using DirectDrawCreateFn = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);
using DirectDrawEnumerateExAFn = HRESULT(WINAPI*)(LPDDENUMCALLBACKEXA, void*, DWORD);
using DirectInputCreateAFn = HRESULT(WINAPI*)(HINSTANCE, DWORD, IDirectInputA**, IUnknown*);

// Where the driver's libraries and their entry points come from: the system's
// loader, or a test's stand-in libraries.
struct DdLibraries {
    HMODULE(WINAPI* load)(LPCSTR name);
    FARPROC(WINAPI* find)(HMODULE library, LPCSTR name);
    BOOL(WINAPI* unload)(HMODULE library);
};
extern DdLibraries ddLibraries;

struct DdState {
    HMODULE drawLibrary, inputLibrary;
    IDirectDraw2* draw;
    IDirectDrawSurface* primary;
    IDirectDrawSurface* back; // the primary itself in full screen
    IDirectDrawPalette* palette;
    IDirectDrawClipper* clipper;
    IDirectInputA* input;
    IDirectInputDeviceA* keyboard;
    RECT windowRect;              // client area grown to the outer size
    int32_t windowX, windowY;     // outer top-left corner of a window
    int32_t verticalOffset;       // display line of the framebuffer's line 0
    HANDLE vsyncEvent;            // manual reset; set once the program saw the blank
    volatile LONG vsyncRequested; // the next pass waits for vsyncEvent
    bool passLocked;              // the window thread holds the framebuffer lock
};
extern DdState ddState;

extern DIOBJECTDATAFORMAT ddKeyObjects[DD_KEY_OBJECTS];
extern DIDATAFORMAT KEYBOARD_FORMAT;

// The retrace wait: the vertical blank, with the window thread's next pass
// waiting (at most 20 ms) until the program has seen it.
void ddWaitRetrace();
