// Platform services on POSIX systems: the timer, locks, the executable's name,
// libraries and the floating-point set-up (the native and the WebAssembly
// builds; delays and threads are per system, thread_*.cpp).
#include "runtime/platform.h"

#include <dlfcn.h>
#include <fenv.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pthread.h>

int32_t timerMode = 0;

// The monotonic clock plays the performance counter; mode 1 (set by tests)
// counts whole milliseconds in 32 bits like the tick-count fallback.
double rtTimer() {
    if (timerMode == 0) timerMode = 2;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    if (timerMode == 2)
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    auto ticks = static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                       static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
    return static_cast<double>(ticks) * 0.001;
}

// A counting semaphore capped at 1, like a Windows semaphore with maximum 1.
struct RtLock {
    pthread_mutex_t mutex;
    pthread_cond_t cond;
    int count;
};

RtLock* rtLockCreate() {
    auto* lock = static_cast<RtLock*>(std::malloc(sizeof(RtLock)));
    if (!lock) return nullptr;
    pthread_mutex_init(&lock->mutex, nullptr);
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&lock->cond, &attr);
    pthread_condattr_destroy(&attr);
    lock->count = 1;
    return lock;
}

void rtLockAcquire(RtLock* lock) {
    if (!lock) return;
    pthread_mutex_lock(&lock->mutex);
    while (lock->count == 0)
        pthread_cond_wait(&lock->cond, &lock->mutex);
    lock->count = 0;
    pthread_mutex_unlock(&lock->mutex);
}

int32_t rtLockTryAcquire(RtLock* lock, int32_t milliseconds) {
    if (!lock) return 0;
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    if (milliseconds < 0) milliseconds = 0;
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += (milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&lock->mutex);
    int rc = 0;
    while (lock->count == 0 && rc != ETIMEDOUT)
        rc = pthread_cond_timedwait(&lock->cond, &lock->mutex, &deadline);
    int32_t taken = 0;
    if (lock->count != 0) {
        lock->count = 0;
        taken = 1;
    }
    pthread_mutex_unlock(&lock->mutex);
    return taken;
}

void rtLockRelease(RtLock* lock) {
    if (!lock) return;
    pthread_mutex_lock(&lock->mutex);
    lock->count = 1;
    pthread_cond_signal(&lock->cond);
    pthread_mutex_unlock(&lock->mutex);
}

void rtLockDestroy(RtLock* lock) {
    if (!lock) return;
    pthread_cond_destroy(&lock->cond);
    pthread_mutex_destroy(&lock->mutex);
    std::free(lock);
}

char* rtExeName(char* buffer, int32_t size) {
    if (!buffer || size <= 0) return buffer;
    ssize_t n = readlink("/proc/self/exe", buffer, static_cast<size_t>(size) - 1);
    if (n < 0) n = 0;
    buffer[n] = 0;
    char* name = buffer;
    for (char* p = buffer; *p; ++p)
        if (*p == '/') name = p + 1;
    return name;
}

RtLibrary rtLibLoad(const char* fileName, const char* const* names, void** addresses) {
    void* library = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    for (int i = 0; names && names[i]; ++i) {
        void* symbol = dlsym(library, names[i]);
        if (!symbol) {
            dlclose(library);
            return nullptr;
        }
        addresses[i] = symbol;
    }
    return library;
}

int32_t rtLibResolve(RtLibrary library, const char* const* names, void** addresses, int32_t count) {
    if (!library || !names || !addresses || count < 0) return -1;
    for (int32_t i = 0; i < count; ++i) {
        if (!names[i]) return -1;
        void* symbol = dlsym(library, names[i]);
        if (!symbol) return -1;
        addresses[i] = symbol;
    }
    return 0;
}

int32_t rtLibFree(RtLibrary* library) {
    if (!library || !*library) return 0;
    int32_t result = dlclose(*library) == 0 ? 1 : 0;
    *library = nullptr;
    return result;
}

void rtFpuSetup() {
    fesetround(FE_TONEAREST);
#if defined(__i386__) || defined(__x86_64__)
    // x87 control word: precision control (bits 8-9) = 64-bit, rounding (10-11) = nearest.
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    cw = static_cast<unsigned short>((cw & ~0x0F00u) | 0x0300u);
    __asm__ volatile("fldcw %0" : : "m"(cw));
#endif
}
