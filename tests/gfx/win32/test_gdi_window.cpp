// The GDI driver on a real window under Wine, what the display driver suite
// cannot see: the blitter and buffer it uses, the dirty bands it sends, the
// class name, the shared driver slots and the framebuffer lock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "gfx/blit/blit.h"
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

// Which screens go to the device as they are (copied) and which through a
// blitter, and the rows of the buffer the device is fed from; what each one
// shows is the display suite's.
TEST_F(GdiWindow, BlitterAndBufferFollowDepthAndWidth) {
    struct Case {
        int32_t width, depth;
        bool blitter;
        int32_t bufferPitch; // rounded up to 4 bytes
    };
    const Case cases[] = {
        {640, 8, false, 640}, {638, 8, true, 640}, {320, 16, true, 640}, {320, 32, false, 1280}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.depth));
        ASSERT_EQ(gfxScreenSize(c.width, 100, c.depth, 1, 0, 0), 0);
        ASSERT_STREQ(gfxMode->driver->name, "GDI");
        EXPECT_EQ(winState.blitter != nullptr, c.blitter);
        ASSERT_NE(gdiState.buffer, nullptr);
        EXPECT_EQ(gdiState.bufferPitch, c.bufferPitch);
        // 16-bit bitmaps of the platform are 5-5-5.
        EXPECT_EQ(gdiState.bitmapInfo->bmiHeader.biBitCount, c.depth);
        closeScreen();
    }
}

TEST_F(GdiWindow, TransparentScreensClearTheTopByte) {
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

} // namespace
