// The DirectX driver on Wine's own DirectDraw and DirectInput: the retrace
// wait, the mode lists (from a device of its own, 15 and 16 bits told apart
// as the platform reports them), and full-screen opens and closes (also closed
// from the background) that leave no handle, thread, heap memory or library
// behind (windows are the display driver suite's). Its own program, so that
// the counts are the whole process's.
#include "gfx/compose.h"
#include "gfx/directx/directx_internal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "gfx/draw/draw.h"
#include "gfx/directx/directx.h"
#include "process_counts.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

const GfxDriver* const DIRECTX_ONLY[] = {&DIRECTX_DRIVER, nullptr};
// One real open and close takes about a second under Wine, nearly all of it
// in the platform's own DirectDrawCreate and in freeing dinput.dll. The
// stand-in test runs 200. ZQ_DD_CYCLES=N runs N of each kind instead (the
// long run, by hand).
constexpr int FULL_SCREEN_CYCLES = 20;
int cycleCount(int usual) {
    const char* asked = std::getenv("ZQ_DD_CYCLES");
    int n = asked ? std::atoi(asked) : 0;
    return n > 0 ? n : usual;
}

// The system's loader, counting what the driver loads and frees.
LONG librariesHeld = 0;
HMODULE WINAPI countingLoad(LPCSTR name) {
    HMODULE library = LoadLibraryA(name);
    if (library) InterlockedIncrement(&librariesHeld);
    return library;
}
BOOL WINAPI countingFree(HMODULE library) {
    InterlockedDecrement(&librariesHeld);
    return FreeLibrary(library);
}

struct DirectXReal : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(unmanagedSet);
        _putenv("ZQGFX=directx");
        gfxDriverList = DIRECTX_ONLY;
        ddLibraries = {countingLoad, GetProcAddress, countingFree};
    }
    void TearDown() override {
        closeScreen();
        gfxDriverList = DRIVER_LIST;
        ddLibraries = {LoadLibraryA, GetProcAddress, FreeLibrary};
        EXPECT_EQ(librariesHeld, 0);
    }
};

TEST_F(DirectXReal, RetraceWaitReturnsAndThePassGoesOn) {
    ASSERT_EQ(gfxScreenSize(64, 48, 8, 1, 0, 0), 0);
    ASSERT_EQ(gfxMode->driver, &DIRECTX_DRIVER);
    for (int i = 0; i < 3; ++i)
        DIRECTX_DRIVER.waitRetrace();
    // A program that asked for the blank and never saw it holds the window
    // thread up for one bounded wait, not for good.
    gfxLock();
    ResetEvent(ddState.vsyncEvent);
    ddState.vsyncRequested = 1;
    gfxUnlock(1, 0);
    gfxPset(nullptr, 0, 0, 15, 0, 0);
    EXPECT_TRUE(waitFor([] { return !firstLineDirty(); }));
    EXPECT_EQ(ddState.vsyncRequested, 0);
}

bool lists(int32_t depth, int32_t mode) {
    int32_t count = 0;
    int32_t* modes = ddListModes(depth, &count);
    bool found = false;
    for (int32_t i = 0; i < count; ++i)
        found = found || modes[i] == mode;
    std::free(modes);
    return found;
}

TEST_F(DirectXReal, ListModesWithAndWithoutAScreen) {
    const int32_t desktop = (1280 << 16) | 1024;
    EXPECT_TRUE(lists(8, desktop));
    EXPECT_TRUE(lists(32, desktop));
    EXPECT_EQ(librariesHeld, 0) << "the temporary device's library stays";
    ASSERT_EQ(gfxScreenSize(64, 48, 8, 1, 0, 0), 0);
    EXPECT_TRUE(lists(8, desktop));
}

// The 16-bit modes the device reports, by green mask: 5-5-5 or 5-6-5.
struct SixteenBitModes {
    std::set<int32_t> fiveFiveFive, fiveSixFive;
};

HRESULT WINAPI sortMode(LPDDSURFACEDESC desc, LPVOID context) {
    auto* modes = static_cast<SixteenBitModes*>(context);
    const DDPIXELFORMAT& f = desc->ddpfPixelFormat;
    auto mode = static_cast<int32_t>((desc->dwWidth << 16) | desc->dwHeight);
    if (f.dwRGBBitCount == 16)
        (f.dwGBitMask == 0x3E0 ? modes->fiveFiveFive : modes->fiveSixFive).insert(mode);
    return DDENUMRET_OK;
}

std::set<int32_t> listed(int32_t depth) {
    int32_t count = 0;
    int32_t* modes = ddListModes(depth, &count);
    std::set<int32_t> found(modes, modes + count);
    std::free(modes);
    return found;
}

// Whatever 16-bit formats the platform reports, 15 lists exactly the 5-5-5
// ones and 16 exactly the 5-6-5 ones.
TEST_F(DirectXReal, FifteenAndSixteenBitsSplitByTheGreenMask) {
    HMODULE library = LoadLibraryA("ddraw.dll");
    ASSERT_NE(library, nullptr);
    auto create = reinterpret_cast<DirectDrawCreateFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawCreate")));
    IDirectDraw* draw = nullptr;
    ASSERT_TRUE(create && SUCCEEDED(create(nullptr, &draw, nullptr)));
    SixteenBitModes reported;
    EXPECT_TRUE(SUCCEEDED(
        IDirectDraw_EnumDisplayModes(draw, DDEDM_STANDARDVGAMODES, nullptr, &reported, sortMode)));
    IDirectDraw_Release(draw);
    FreeLibrary(library);
    std::printf("16-bit modes reported: %zu 5-5-5, %zu 5-6-5\n", reported.fiveFiveFive.size(),
                reported.fiveSixFive.size());
    EXPECT_FALSE(reported.fiveSixFive.empty());
    EXPECT_EQ(listed(15), reported.fiveFiveFive);
    EXPECT_EQ(listed(16), reported.fiveSixFive);
}

enum Kind { FULL_SCREEN, BACKGROUND };
const char* const KIND_NAMES[] = {"full screen", "full screen closed behind"};

// Another program, in short: a thread whose window takes the foreground and
// that answers its messages until it is told to quit.
DWORD WINAPI otherProgram(void* started) {
    WNDCLASSA c = {};
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = "zqtest_other";
    RegisterClassA(&c);
    HWND window = CreateWindowExA(0, c.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64,
                                  nullptr, nullptr, c.hInstance, nullptr);
    if (window) SetForegroundWindow(window);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the queue for the quit
    SetEvent(static_cast<HANDLE>(started));
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    if (window) DestroyWindow(window);
    UnregisterClassA(c.lpszClassName, c.hInstance);
    return 0;
}

void cycle(int i, Kind kind) {
    ASSERT_EQ(gfxScreen(21, 0, 0, SCRF_FULLSCREEN, 0), 0);
    ASSERT_EQ(gfxMode->driver, &DIRECTX_DRIVER);
    ASSERT_EQ(winState.flags & SCRF_FULLSCREEN, SCRF_FULLSCREEN);
    gfxPset(nullptr, static_cast<float>(i % 320), 10, 15, 0, 0);
    if (i % 5 == 0) settle(30); // now and then let the thread draw
    HANDLE other = nullptr;
    DWORD otherId = 0;
    if (kind == BACKGROUND) {
        HANDLE started = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        other = CreateThread(nullptr, 0, otherProgram, started, 0, &otherId);
        if (other) WaitForSingleObject(started, INFINITE);
        CloseHandle(started);
        ASSERT_NE(other, nullptr);
        EXPECT_TRUE(waitFor([] { return !gfxInput.active; }));
    }
    closeScreen();
    if (other) {
        PostThreadMessageA(otherId, WM_QUIT, 0, 0);
        WaitForSingleObject(other, INFINITE);
        CloseHandle(other);
    }
}

// Runs `n` opens and closes after two of the same kind (the drawing context
// keeps its line table sized by the last screen); what the process holds
// before and after, and the milliseconds one open and close took.
double cycles(int n, Kind kind, Counts& before, Counts& after) {
    for (int i = 0; i < 2 && !::testing::Test::HasFatalFailure(); ++i)
        cycle(i, kind);
    Sleep(200);
    before = counts();
    DWORD start = GetTickCount();
    for (int i = 0; i < n && !::testing::Test::HasFatalFailure(); ++i)
        cycle(i, kind);
    double each = static_cast<double>(GetTickCount() - start) / n;
    Sleep(200);
    after = counts();
    return each;
}

TEST_F(DirectXReal, FullScreenOpensAndClosesLeakNothing) {
    for (int i = 0; i < 2; ++i) // settle caches of the first opens
        cycle(i, FULL_SCREEN);
    Counts before, after;
    for (Kind kind : {FULL_SCREEN, BACKGROUND}) {
        SCOPED_TRACE(KIND_NAMES[kind]);
        int n = cycleCount(FULL_SCREEN_CYCLES);
        double each = cycles(n, kind, before, after);
        std::printf("%d opens and closes %s: %.0f ms each\n", n, KIND_NAMES[kind], each);
        ASSERT_FALSE(HasFatalFailure());
        // What Wine keeps is allowed: five or six handles for every
        // display-mode change, whoever asks for it (a bare program's
        // ChangeDisplaySettingsA too). Of the heap it keeps nothing per cycle
        // on these paths, so 32 bytes a cycle is room for the allocator
        // alone; a colour fill of the lost primary at a close from behind
        // kept 120.
        EXPECT_LE(after.handles, before.handles + 8u * n);
        EXPECT_EQ(after.userObjects, before.userObjects);
        EXPECT_EQ(after.threads, before.threads);
        EXPECT_LT(after.heapBytes, before.heapBytes + 32 * static_cast<SIZE_T>(n))
            << "before " << before.heapBytes << " after " << after.heapBytes;
    }
}

} // namespace
