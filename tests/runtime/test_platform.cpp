// Platform services: timer, delay, the binary semaphore, processor
// identification, the executable's name and library loading.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "runtime/platform.h"

#ifdef _WIN32
#include <windows.h>
namespace {
// A library nothing else in the process loads.
const char* const LIBRARY = "lz32.dll";
const char* const GOOD1 = "LZOpenFileA";
const char* const GOOD2 = "LZClose";
bool libraryLoaded() { return GetModuleHandleA(LIBRARY) != nullptr; }
} // namespace
#else
#include <dlfcn.h>
namespace {
const char* const LIBRARY = "libutil.so.1";
const char* const GOOD1 = "openpty";
const char* const GOOD2 = "forkpty";
bool libraryLoaded() {
    void* handle = dlopen(LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}
} // namespace
#endif

namespace {

TEST(Platform, TimerAdvancesWithDelay) {
    double start = rtTimer();
    EXPECT_EQ(timerMode, 2);
    rtDelay(30);
    double elapsed = rtTimer() - start;
    EXPECT_GE(elapsed, 0.025);
    EXPECT_LT(elapsed, 5.0);
    rtDelay(-5); // a negative delay returns at once
}

TEST(Platform, TickCountModeCountsMilliseconds) {
    int32_t saved = timerMode;
    timerMode = 1;
    double t = rtTimer();
    timerMode = saved;
    // Whole milliseconds of a 32-bit count.
    double ms = t * 1000.0;
    EXPECT_NEAR(ms, static_cast<double>(static_cast<int64_t>(ms + 0.5)), 1e-3);
    EXPECT_LT(t, 4294967.296);
}

TEST(Platform, LockIsABinarySemaphoreReleasableByAnotherThread) {
    RtLock* lock = rtLockCreate();
    ASSERT_NE(lock, nullptr);
    rtLockAcquire(lock);
    // Not re-entrant: a second acquire on the same thread waits.
    EXPECT_EQ(rtLockTryAcquire(lock, 50), 0);

    std::atomic<bool> released{false};
    std::thread other([&] {
        rtDelay(20);
        released = true;
        rtLockRelease(lock);
    });
    rtLockAcquire(lock); // only returns once the other thread released it
    EXPECT_TRUE(released.load());
    other.join();

    // Maximum count 1: two releases leave one count.
    rtLockRelease(lock);
    rtLockRelease(lock);
    EXPECT_EQ(rtLockTryAcquire(lock, 0), 1);
    EXPECT_EQ(rtLockTryAcquire(lock, 20), 0);
    rtLockRelease(lock);
    rtLockDestroy(lock);

    // Null is accepted everywhere.
    rtLockAcquire(nullptr);
    rtLockRelease(nullptr);
    rtLockDestroy(nullptr);
    EXPECT_EQ(rtLockTryAcquire(nullptr, 0), 0);
}

TEST(Platform, CpuInfoIsCachedAndReportsMmx) {
    uint32_t info = rtCpuInfo();
    EXPECT_EQ(rtCpuInfo(), info);
    EXPECT_NE(info & CPU_MMX, 0u); // every x86 processor this runs on has it
    EXPECT_NE(info, 0x30000000u);
    EXPECT_NE(info, 0x40000000u);
}

TEST(Platform, ExeNamePointsAfterTheLastSeparator) {
    char buffer[1024];
    char* name = rtExeName(buffer, sizeof buffer);
    ASSERT_GE(name, buffer);
    EXPECT_NE(std::string(name).find("test_runtime"), std::string::npos) << buffer;
    EXPECT_NE(name, buffer);
    // A tiny buffer still ends in NUL and stays inside.
    char tiny[4] = {'x', 'x', 'x', 'x'};
    char* part = rtExeName(tiny, 4);
    EXPECT_EQ(tiny[3], 0);
    EXPECT_GE(part, tiny);
    EXPECT_LE(part, tiny + 3);
    EXPECT_EQ(rtExeName(nullptr, 10), nullptr);
}

TEST(Platform, LibraryLoadingResolvesEveryNameOrNothing) {
    ASSERT_FALSE(libraryLoaded());
    void* addresses[3] = {};
    const char* const missingThird[] = {GOOD1, GOOD2, "zqNoSuchEntryPoint", nullptr};
    EXPECT_EQ(rtLibLoad(LIBRARY, missingThird, addresses), nullptr);
    EXPECT_FALSE(libraryLoaded());

    const char* const good[] = {GOOD1, GOOD2, nullptr};
    void* found[2] = {};
    RtLibrary library = rtLibLoad(LIBRARY, good, found);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(found[0], nullptr);
    EXPECT_NE(found[1], nullptr);

    void* again[3] = {};
    EXPECT_EQ(rtLibResolve(library, good, again, 2), 0);
    EXPECT_EQ(again[0], found[0]);
    EXPECT_EQ(rtLibResolve(library, missingThird, again, 3), -1);

    EXPECT_NE(rtLibFree(&library), 0);
    EXPECT_EQ(library, nullptr);
    EXPECT_EQ(rtLibFree(&library), 0);
    EXPECT_EQ(rtLibLoad("zq-no-such-library.dll", good, found), nullptr);
}

} // namespace

namespace {

// The runtime's start-up leaves the x87 unit at 64-bit precision, rounding to nearest.
TEST(Platform, StartupSetsExtendedPrecisionAndRoundToNearest) {
    unsigned short cw = 0;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    EXPECT_EQ(cw & 0x0300u, 0x0300u);
    EXPECT_EQ(cw & 0x0C00u, 0x0000u);
}

} // namespace
