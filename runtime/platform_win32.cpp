// Platform services on Windows.
#include "runtime/platform.h"

#include <windows.h>

#include <float.h>
#include <process.h>
#include <cstdlib>

int32_t timerMode = 0;

namespace {
double timerScale = 0.0;
}

double rtTimer() {
    if (timerMode == 0) {
        LARGE_INTEGER frequency;
        if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0) {
            timerMode = 1;
        } else {
            timerScale = static_cast<double>(1.0L / static_cast<long double>(frequency.QuadPart));
            timerMode = 2;
        }
    }
    // Stored through memory so the x87 result is rounded to a double: two
    // reads of the same tick must compare equal.
    volatile double seconds;
    if (timerMode == 2) {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        seconds = static_cast<double>(counter.QuadPart) * timerScale;
    } else {
        seconds = static_cast<double>(static_cast<uint32_t>(GetTickCount())) * 0.001;
    }
    return seconds;
}

void rtDelay(int32_t milliseconds) {
    rtRunIdleRoutine(0);
    Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds));
}

// The display has a thread of its own: nothing waits for the program's turn.
void rtYield() {}
void rtYieldBusy() {}

struct RtLock {
    HANDLE semaphore;
};

RtLock* rtLockCreate() {
    auto* lock = static_cast<RtLock*>(std::malloc(sizeof(RtLock)));
    if (!lock) return nullptr;
    lock->semaphore = CreateSemaphoreA(nullptr, 1, 1, nullptr);
    if (!lock->semaphore) {
        std::free(lock);
        return nullptr;
    }
    return lock;
}

void rtLockAcquire(RtLock* lock) {
    if (lock) WaitForSingleObject(lock->semaphore, INFINITE);
}

int32_t rtLockTryAcquire(RtLock* lock, int32_t milliseconds) {
    if (!lock) return 0;
    DWORD wait = milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds);
    return WaitForSingleObject(lock->semaphore, wait) == WAIT_OBJECT_0 ? 1 : 0;
}

void rtLockRelease(RtLock* lock) {
    if (lock) ReleaseSemaphore(lock->semaphore, 1, nullptr);
}

void rtLockDestroy(RtLock* lock) {
    if (!lock) return;
    CloseHandle(lock->semaphore);
    std::free(lock);
}

struct RtThread {
    HANDLE handle;
    void (*routine)(void*);
    void* argument;
};

namespace {
unsigned __stdcall threadStart(void* p) {
    auto* self = static_cast<RtThread*>(p);
    self->routine(self->argument);
    return 0;
}
} // namespace

RtThread* rtThreadStart(void (*routine)(void*), void* argument) {
    auto* t = static_cast<RtThread*>(std::malloc(sizeof(RtThread)));
    if (!t) return nullptr;
    t->routine = routine;
    t->argument = argument;
    // The runtime library's own start keeps its per-thread state right, and
    // the handle stays valid after the end, so a join never meets a recycled
    // handle.
    uintptr_t handle = _beginthreadex(nullptr, 0, threadStart, t, 0, nullptr);
    if (!handle) {
        std::free(t);
        return nullptr;
    }
    t->handle = reinterpret_cast<HANDLE>(handle);
    return t;
}

void rtThreadJoin(RtThread* thread) {
    if (!thread) return;
    WaitForSingleObject(thread->handle, INFINITE);
    CloseHandle(thread->handle);
    std::free(thread);
}

namespace {
// The barrier takes write access away from a written page of the process's
// own: the system must then remove the page from the address caches of every
// processor running a thread of the process, which it does by interrupting
// them, and an interrupt drains a processor's write buffer. The same holds
// under an emulation layer that maps the call onto its host's protection
// change; the platform's own flush call may be an empty stub there.
volatile LONG barrierBusy = 0;
LONG barrierState = 0; // 1 ready, -1 no page, 0 not yet set up (under barrierBusy)
volatile uint8_t* barrierPage = nullptr;

void holdBarrier() {
    while (InterlockedExchange(&barrierBusy, 1) != 0)
        Sleep(0);
}
void releaseBarrier() {
    InterlockedExchange(&barrierBusy, 0);
}
} // namespace

int32_t rtProcessBarrierReady() {
    holdBarrier();
    if (barrierState == 0) {
        void* page = VirtualAlloc(nullptr, 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        barrierPage = static_cast<volatile uint8_t*>(page);
        barrierState = page ? 1 : -1;
    }
    int32_t ready = barrierState > 0 ? 1 : 0;
    releaseBarrier();
    return ready;
}

void rtProcessBarrier() {
    holdBarrier();
    if (barrierState > 0) {
        // Written first, so the page is present and writable when the
        // protection is lowered; then back, for the next barrier.
        barrierPage[0] = static_cast<uint8_t>(barrierPage[0] + 1);
        DWORD previous;
        void* page = const_cast<uint8_t*>(barrierPage);
        VirtualProtect(page, 1, PAGE_READONLY, &previous);
        VirtualProtect(page, 1, PAGE_READWRITE, &previous);
    }
    releaseBarrier();
}

char* rtExeName(char* buffer, int32_t size) {
    if (!buffer || size <= 0) return buffer;
    DWORD n = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    if (n >= static_cast<DWORD>(size)) n = static_cast<DWORD>(size) - 1;
    buffer[n] = 0;
    char* name = buffer;
    for (char* p = buffer; *p; ++p)
        if (*p == '\\') name = p + 1;
    return name;
}

RtLibrary rtLibLoad(const char* fileName, const char* const* names, void** addresses) {
    HMODULE module = LoadLibraryA(fileName);
    if (!module) return nullptr;
    for (int i = 0; names && names[i]; ++i) {
        FARPROC proc = GetProcAddress(module, names[i]);
        if (!proc) {
            FreeLibrary(module);
            return nullptr;
        }
        addresses[i] = reinterpret_cast<void*>(proc);
    }
    return module;
}

int32_t rtLibResolve(RtLibrary library, const char* const* names, void** addresses, int32_t count) {
    if (!library || !names || !addresses || count < 0) return -1;
    for (int32_t i = 0; i < count; ++i) {
        if (!names[i]) return -1;
        FARPROC proc = GetProcAddress(static_cast<HMODULE>(library), names[i]);
        if (!proc) return -1;
        addresses[i] = reinterpret_cast<void*>(proc);
    }
    return 0;
}

int32_t rtLibFree(RtLibrary* library) {
    if (!library || !*library) return 0;
    int32_t result = FreeLibrary(static_cast<HMODULE>(*library)) ? 1 : 0;
    *library = nullptr;
    return result;
}

void rtFpuSetup() {
    _control87(_PC_64 | _RC_NEAR, _MCW_PC | _MCW_RC);
}
