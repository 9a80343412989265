// Delays, threads and the process-wide barrier on Linux.
#include <linux/membarrier.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "runtime/platform.h"

void rtDelay(int32_t milliseconds) {
    rtRunIdleRoutine(0);
    if (milliseconds < 0) milliseconds = 0;
    timespec ts{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

// A system with threads gives the others their turn all the time.
void rtYield() {}
void rtYieldBusy() {}

struct RtThread {
    pthread_t thread;
    void (*routine)(void*);
    void* argument;
};

RtThread* rtThreadStart(void (*routine)(void*), void* argument) {
    auto* t = static_cast<RtThread*>(std::malloc(sizeof(RtThread)));
    if (!t) return nullptr;
    t->routine = routine;
    t->argument = argument;
    auto start = [](void* p) -> void* {
        auto* self = static_cast<RtThread*>(p);
        self->routine(self->argument);
        return nullptr;
    };
    if (pthread_create(&t->thread, nullptr, start, t) != 0) {
        std::free(t);
        return nullptr;
    }
    return t;
}

void rtThreadJoin(RtThread* thread) {
    if (!thread) return;
    pthread_join(thread->thread, nullptr);
    std::free(thread);
}

namespace {
// 1 once the expedited barrier is registered for the process, -1 when the
// system refuses it, 0 before the first ask (asking twice is harmless).
std::atomic<int32_t> barrierState{0};
} // namespace

int32_t rtProcessBarrierReady() {
    int32_t state = barrierState.load(std::memory_order_acquire);
    if (state == 0) {
        long rc = syscall(__NR_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0);
        state = rc == 0 ? 1 : -1;
        barrierState.store(state, std::memory_order_release);
    }
    return state > 0 ? 1 : 0;
}

// Interrupts every processor that runs a thread of the process.
void rtProcessBarrier() {
    if (barrierState.load(std::memory_order_acquire) > 0)
        syscall(__NR_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
}
