// Opening and closing a GDI screen 200 times in one process leaves no handle,
// user or GDI object, thread or heap memory behind; neither do failed opens.
// Its own program, so that the counts are the whole process's.
#include <gtest/gtest.h>

#include "gfx/draw/draw.h"
#include "win_test_util.h"

#include <tlhelp32.h>

using namespace wintest;

namespace {

struct Counts {
    DWORD handles;
    DWORD gdiObjects;
    DWORD userObjects;
    int threads;
    SIZE_T heapBytes;
};

int threadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    CloseHandle(snapshot);
    return n;
}

// Handles open in the process, by asking about every possible value (the
// system's own count is not available everywhere).
DWORD handleCount() {
    DWORD n = 0, flags;
    for (uintptr_t h = 4; h < 0x10000; h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
    return n;
}

// Bytes in use in every heap of the process.
SIZE_T heapBytes() {
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T total = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = nullptr;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

Counts counts() {
    Counts c;
    c.handles = handleCount();
    c.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    c.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    c.threads = threadCount();
    c.heapBytes = heapBytes();
    return c;
}

void cycle(int i) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    ASSERT_NE(gfxMode, nullptr);
    ASSERT_STREQ(gfxMode->driver->name, "GDI");
    gfxPset(nullptr, static_cast<float>(i % 320), 10, 15, 0, 0);
    if (i % 20 == 0) settle(30); // now and then let the thread draw
    closeScreen();
    // A failed open on the way: the full screen of a size no display has.
    ASSERT_EQ(GDI_DRIVER.open("zqcycles", 123, 77, 8, 0, SCRF_FULLSCREEN), -1);
    GDI_DRIVER.close();
}

TEST(GdiCycles, TwoHundredOpensLeakNothing) {
    useGdi();
    ASSERT_TRUE(unmanagedSet);
    for (int i = 0; i < 10; ++i) // settle caches of the first opens
        cycle(i);
    Sleep(200);
    Counts before = counts();
    ASSERT_GT(before.threads, 0);
    ASSERT_GT(before.handles, 0u);
    for (int i = 0; i < 200; ++i) {
        cycle(i);
        if (HasFatalFailure()) return;
    }
    Sleep(200);
    Counts after = counts();
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_EQ(after.threads, before.threads);
    // One leaked bitmap header per cycle would be 200 KB; allow for the
    // allocator's own bookkeeping.
    EXPECT_LT(after.heapBytes, before.heapBytes + 16 * 1024)
        << "before " << before.heapBytes << " after " << after.heapBytes;
    EXPECT_EQ(FindWindowA("zqgfxclass_zqcycles", nullptr), nullptr);
}

} // namespace
