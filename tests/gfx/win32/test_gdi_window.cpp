// The GDI driver on a real window under Wine: what each depth shows (read back
// from the window), the blitter and buffer it uses, the dirty bands it sends,
// the start-up handshake and the shared driver slots.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "gfx/blit/blit.h"
#include "gfx/core/palette.h"
#include "gfx/draw/draw.h"
#include "gfx/gdi/gdi_internal.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

class GdiWindow : public ::testing::Test {
  protected:
    void SetUp() override { useGdi(); }
    void TearDown() override {
        gdiSetBits = SetDIBitsToDevice;
        closeScreen();
    }
};

void box(int x1, int y1, int x2, int y2, uint32_t colour) {
    gfxLine(nullptr, static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
            static_cast<float>(y2), colour, 2, 0xFFFF, 0);
}

SIZE clientSize() {
    RECT r;
    GetClientRect(winState.window, &r);
    return {r.right, r.bottom};
}

// 0x00BBGGRR of a 16-bit pixel as the 5-5-5 bitmap shows it: green loses its
// low bit; the device widens each 5-bit value by repeating its top bits.
COLORREF shown565(uint32_t p) {
    auto widen = [](uint32_t c5) { return (c5 << 3) | (c5 >> 2); };
    uint32_t r = (p >> 11) & 31, g = ((p >> 5) & 63) >> 1, b = p & 31;
    return RGB(widen(r), widen(g), widen(b));
}

TEST_F(GdiWindow, EightBitWindowShowsTheFramebufferWithoutBlitter) {
    ASSERT_EQ(gfxScreen(18, 0, 0, 0, 0), 0);
    ASSERT_NE(gfxMode, nullptr);
    ASSERT_STREQ(gfxMode->driver->name, "GDI");
    EXPECT_EQ(winState.blitter, nullptr);
    SIZE size = clientSize();
    EXPECT_EQ(size.cx, 640);
    EXPECT_EQ(size.cy, 480);
    EXPECT_TRUE(IsWindowVisible(winState.window));

    gfxPalette(5, 0x3F, 0x20, 0x00); // red 63, green 32, blue 0 (6-bit)
    box(10, 20, 60, 40, 5);
    box(600, 470, 639, 479, 15);
    uint32_t five = gfxMode->palette[5], fifteen = gfxMode->palette[15];
    ASSERT_TRUE(waitFor([&] { return windowPixel(30, 30) == five; }));
    EXPECT_EQ(windowPixel(639, 479), fifteen);
    EXPECT_EQ(windowPixel(9, 30), gfxMode->palette[0]);
    EXPECT_EQ(windowPixel(30, 41), gfxMode->palette[0]);
}

TEST_F(GdiWindow, OddWidthConvertsThroughTheAlignedBuffer) {
    ASSERT_EQ(gfxScreenSize(638, 100, 8, 1, 0, 0), 0);
    EXPECT_NE(winState.blitter, nullptr);
    ASSERT_NE(gdiState.buffer, nullptr);
    EXPECT_EQ(gdiState.bufferPitch, 640);
    box(630, 0, 637, 99, 9);
    box(0, 50, 637, 50, 12);
    ASSERT_TRUE(waitFor([&] { return windowPixel(637, 10) == gfxMode->palette[9]; }));
    EXPECT_EQ(windowPixel(629, 10), gfxMode->palette[0]);
    EXPECT_EQ(windowPixel(0, 50), gfxMode->palette[12]);
    EXPECT_EQ(windowPixel(636, 50), gfxMode->palette[12]);
    EXPECT_EQ(gdiState.buffer[50 * 640 + 637], 12);
}

TEST_F(GdiWindow, SixteenBitScreenConvertsToFifteenBit) {
    ASSERT_EQ(gfxScreenSize(320, 200, 16, 1, 0, 0), 0);
    ASSERT_NE(gdiState.buffer, nullptr);
    EXPECT_EQ(gdiState.bitmapInfo->bmiHeader.biBitCount, 16);
    box(0, 0, 99, 99, 0xFF00FF); // colours as 0xRRGGBB, stored as 5-6-5
    box(100, 0, 199, 99, 0x00FF00);
    box(200, 0, 319, 99, 0x808080);
    auto stored = [](int x) {
        uint16_t p;
        std::memcpy(&p, gfxMode->framebuffer + 10 * gfxMode->pitch + x * 2, 2);
        return p;
    };
    EXPECT_EQ(stored(50), 0xF81F);
    EXPECT_EQ(stored(150), 0x07E0);
    settle(100);
    EXPECT_EQ(windowPixel(50, 50), shown565(stored(50)));
    EXPECT_EQ(windowPixel(150, 50), shown565(stored(150)));
    EXPECT_EQ(windowPixel(250, 50), shown565(stored(250)));
    // 5-5-5 in the buffer: red 31 at bit 10, green 63 -> 31 at bit 5.
    uint16_t converted;
    std::memcpy(&converted, gdiState.buffer + 10 * gdiState.bufferPitch + 150 * 2, 2);
    EXPECT_EQ(converted, 0x03E0);
}

TEST_F(GdiWindow, ThirtyTwoBitShowsDirectlyAndTransparentClearsAlpha) {
    ASSERT_EQ(gfxScreenSize(320, 200, 32, 1, 0, 0), 0);
    EXPECT_EQ(winState.blitter, nullptr);
    box(0, 0, 159, 199, 0x123456);
    ASSERT_TRUE(waitFor([&] { return windowPixel(80, 100) == RGB(0x12, 0x34, 0x56); }));
    closeScreen();

    ASSERT_EQ(gfxScreenSize(320, 200, 32, 1, SCRF_TRANSPARENT, 0), 0);
    EXPECT_TRUE(GetWindowLongA(winState.window, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_EQ(winState.blitter, gdiTransparentBlit);
    ASSERT_NE(gdiState.buffer, nullptr);
    // A pixel with a top byte: the device gets it with the top byte cleared.
    gfxLock();
    reinterpret_cast<uint32_t*>(gfxMode->framebuffer + 7 * gfxMode->pitch)[3] = 0xAB654321;
    gfxUnlock(7, 7);
    uint32_t sent = 0;
    ASSERT_TRUE(waitFor([&] {
        std::memcpy(&sent, gdiState.buffer + 7 * gdiState.bufferPitch + 12, 4);
        return sent != 0;
    }));
    EXPECT_EQ(sent, 0x00654321u);
}

TEST_F(GdiWindow, LineMultiplierShowsEachLineTwice) {
    ASSERT_EQ(gfxScreen(2, 0, 0, 0, 0), 0); // 640 x 200 shown as 640 x 400
    SIZE size = clientSize();
    EXPECT_EQ(size.cy, 400);
    EXPECT_NE(winState.blitter, nullptr);
    box(0, 10, 639, 10, 1);
    COLORREF white = gfxMode->palette[1];
    ASSERT_NE(white, gfxMode->palette[0]);
    ASSERT_TRUE(waitFor([&] { return windowPixel(100, 20) == white; }));
    EXPECT_EQ(windowPixel(100, 21), white);
    EXPECT_EQ(windowPixel(100, 19), gfxMode->palette[0]);
    EXPECT_EQ(windowPixel(100, 22), gfxMode->palette[0]);
}

struct Band {
    int first, count;
};
std::vector<Band> bands;

int WINAPI recordBand(HDC dc, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT start,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT use) {
    bands.push_back({y, static_cast<int>(h)});
    return SetDIBitsToDevice(dc, x, y, w, h, sx, sy, start, lines, bits, info, use);
}

TEST_F(GdiWindow, OnlyTheDirtyBandIsSent) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    settle(100);
    // A focus change repaints the whole window; other programs on the test
    // desktop may cause one, and then the round is run again.
    for (int round = 0; round < 5; ++round) {
        takeEvents();
        gfxDisplayLock();
        bands.clear();
        gdiSetBits = recordBand;
        gfxDisplayUnlock();
        settle(60);
        bool quiet = bands.empty();

        // Messages are still handled while nothing is drawn.
        PostMessageA(winState.window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(waitFor([] { return gfxKeyAvailable() != 0; }));
        EXPECT_EQ(takeKeys(), std::vector<int32_t>{KEY_WINDOW_CLOSE});
        quiet = quiet && bands.empty();

        gfxLock();
        gfxPset(nullptr, 5, 10, 3, 0, 0);
        gfxPset(nullptr, 7, 20, 3, 0, 0);
        gfxUnlock(1, 0);
        ASSERT_TRUE(waitFor([] { return !bands.empty(); }));
        settle(40);
        std::vector<GfxEvent> events = takeEvents();
        if (hasEvent(events, EV_FOCUS_LOST) || hasEvent(events, EV_FOCUS_GAINED)) continue;

        EXPECT_TRUE(quiet) << "nothing dirty, nothing sent";
        ASSERT_EQ(bands.size(), 1u);
        EXPECT_EQ(bands[0].first, 10);
        EXPECT_EQ(bands[0].count, 11);
        EXPECT_EQ(windowPixel(7, 20), gfxMode->palette[3]);
        EXPECT_EQ(windowPixel(5, 10), gfxMode->palette[3]);
        return;
    }
    FAIL() << "the window's focus kept changing";
}

TEST_F(GdiWindow, FailingInitLeavesNothingBehind) {
    // A full screen of a size no display offers: the display change fails
    // on the window thread, before the window exists.
    HANDLE process = GetCurrentProcess();
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(process, &handlesBefore);
    EXPECT_EQ(GDI_DRIVER.open("zqfail", 123, 77, 8, 0, SCRF_FULLSCREEN, &opened), -1);
    EXPECT_EQ(FindWindowA("zqgfxclass_zqfail", nullptr), nullptr);
    GDI_DRIVER.close();
    WNDCLASSA c;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "zqgfxclass_zqfail", &c));
    EXPECT_FALSE(gfxDisplayRunning());
    GetProcessHandleCount(process, &handlesAfter);
    EXPECT_EQ(handlesAfter, handlesBefore);

    // An OpenGL screen is never GDI's.
    EXPECT_EQ(GDI_DRIVER.open("zqfail", 123, 77, 8, 0, SCRF_OPENGL, &opened), -1);
    GDI_DRIVER.close();
    EXPECT_EQ(FindWindowA("zqgfxclass_zqfail", nullptr), nullptr);
}

TEST_F(GdiWindow, ClassNameIsCutAndTheIconFallsBack) {
    std::string title(200, 't');
    ASSERT_EQ(GDI_DRIVER.open(title.c_str(), 64, 48, 8, 0, 0, &opened), 0);
    EXPECT_EQ(std::strlen(winState.className), 139u);
    EXPECT_EQ(std::string(winState.className), "zqgfxclass_" + std::string(128, 't'));
    EXPECT_EQ(FindWindowA(winState.className, nullptr), winState.window);
    // Test programs carry no program icon.
    EXPECT_EQ(winState.windowClass.hIcon, LoadIconA(nullptr, IDI_APPLICATION));
    GDI_DRIVER.close();
}

TEST_F(GdiWindow, SharedSlots) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    // Caption: also while the program holds the lock.
    gfxLock();
    GDI_DRIVER.setCaption("other title");
    gfxUnlock(1, 0);
    char text[64] = {0};
    GetWindowTextA(winState.window, text, sizeof text);
    EXPECT_STREQ(text, "other title");

    RECT before;
    GetWindowRect(winState.window, &before);
    int32_t previous = GDI_DRIVER.moveWindow(MOVE_KEEP, 100);
    EXPECT_EQ(previous, static_cast<int32_t>((static_cast<uint32_t>(before.top) << 16) |
                                             (static_cast<uint32_t>(before.left) & 0xFFFF)));
    ASSERT_TRUE(waitFor([] {
        RECT r;
        GetWindowRect(winState.window, &r);
        return r.top == 100;
    }));
    RECT after;
    GetWindowRect(winState.window, &after);
    EXPECT_EQ(after.left, before.left);

    // Retrace waits follow the device's rate, 16 ms without one.
    // (Measured with the performance counter: the tick count moves in steps
    // too coarse for 16 ms.)
    gfxMode->refreshRate = 0;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    GDI_DRIVER.waitRetrace();
    QueryPerformanceCounter(&end);
    EXPECT_GE((end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart, 15);

    // Palette entries reach the colour table at the next pass.
    GDI_DRIVER.setColor(200, 1, 2, 3);
    EXPECT_EQ(winState.palette[200].peFlags, PC_NOCOLLAPSE);
    ASSERT_TRUE(waitFor([] { return winState.paletteChanged == 0; }));
    EXPECT_EQ(gdiState.bitmapInfo->bmiColors[200].rgbRed, 1);
    EXPECT_EQ(gdiState.bitmapInfo->bmiColors[200].rgbBlue, 3);
}

TEST_F(GdiWindow, ListModesPairsDepths) {
    int32_t count = -1;
    int32_t* modes = GDI_DRIVER.listModes(32, &count);
    ASSERT_GT(count, 0);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    bool current = false;
    for (int32_t i = 0; i < count; ++i)
        current = current || modes[i] == ((w << 16) | h);
    EXPECT_TRUE(current);
    std::free(modes);
}

TEST_F(GdiWindow, TheLockKeepsTheWindowThreadOut) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    settle(60);
    gfxLock();
    gfxMode->dirtyLines[5] = 1;
    settle(80);
    EXPECT_EQ(gfxMode->dirtyLines[5], 1) << "no refresh pass while the program holds the lock";
    gfxUnlock(1, 0);
    EXPECT_TRUE(waitFor([] {
        gfxDisplayLock();
        bool clean = gfxMode->dirtyLines[5] == 0;
        gfxDisplayUnlock();
        return clean;
    }));
}

// The window thread gets in at every pass while the program draws without a
// pause, and while it computes without drawing: what is sent to the window is
// answered.
TEST_F(GdiWindow, TheWindowAnswersWhileTheProgramDrawsOrComputes) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    for (bool drawing : {true, false}) {
        std::atomic<bool> asking{true};
        int answered = 0;
        std::thread asker([&] {
            for (int i = 0; i < 20; ++i) {
                DWORD_PTR answer = 0;
                if (SendMessageTimeoutA(winState.window, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &answer))
                    ++answered;
            }
            asking = false;
        });
        volatile uint32_t sum = 0;
        for (uint32_t i = 0; asking; ++i) {
            if (drawing)
                gfxPset(nullptr, static_cast<float>(i % 320), static_cast<float>(i / 320 % 200),
                        i & 15, 0, 0);
            else
                sum = sum + i;
        }
        asker.join();
        EXPECT_EQ(answered, 20) << (drawing ? "drawing" : "computing");
    }
}

TEST_F(GdiWindow, ClosingWhileTheProgramHoldsTheLock) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    gfxLock();
    gfxLock();
    closeScreen(); // must not wait forever for the window thread
    EXPECT_EQ(gfxMode, nullptr);
    EXPECT_FALSE(gfxDisplayRunning());
}

} // namespace
