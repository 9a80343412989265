// Platform services on Windows.
#include "runtime/platform.h"

#include <windows.h>

#include <float.h>
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

void rtDelay(int32_t milliseconds) { Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds)); }

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

int32_t rtLibResolve(RtLibrary library, const char* const* names, void** addresses,
                     int32_t count) {
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

void rtFpuSetup() { _control87(_PC_64 | _RC_NEAR, _MCW_PC | _MCW_RC); }
