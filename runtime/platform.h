// Platform services shared by every layer: timer, delay, a binary semaphore,
// threads, a process-wide memory barrier, processor identification, the executable's
// name and dynamic libraries.
// One implementation per platform (platform_win32.cpp, platform_posix.cpp).
#pragma once

#include <cstdint>

// Seconds from a high-resolution counter; only differences are meaningful.
double rtTimer();
// Waits; the idle routine runs first.
void rtDelay(int32_t milliseconds);

// Where the program's thread is the only one (the WebAssembly build), the page
// runs only while the program waits: rtDelay gives it its turn, and rtYield,
// called where a program polls (INKEY, key states, the mouse, page flips),
// gives it one when at least YIELD_INTERVAL_MS have passed since the last;
// rtYieldBusy does the same inside a long computation (a drawing loop).
// Elsewhere both do nothing. None waits while the page's own events are being
// handled (they run in the program's turn). Before each turn the idle routine
// runs: a display without a thread of its own shows its picture there. It is
// told whether the turn is a long computation's (1: it may show less often,
// to keep its own cost a small part of the computation's time) or not (0:
// the program waits, polls or shows a frame). Null: none.
constexpr int32_t YIELD_INTERVAL_MS = 16;
// True where the program's thread is the page's only one.
#if defined(__wasm__)
constexpr bool RT_ONE_THREAD = true;
#else
constexpr bool RT_ONE_THREAD = false;
#endif
void rtYield();
void rtYieldBusy();
void rtSetIdleRoutine(void (*routine)(int32_t busy));
void rtRunIdleRoutine(int32_t busy);

// A binary semaphore (count 1, maximum 1): not re-entrant, and releasable by a
// thread other than the one that took it. Null is accepted and ignored.
struct RtLock;
RtLock* rtLockCreate();
void rtLockAcquire(RtLock* lock);
void rtLockRelease(RtLock* lock);
void rtLockDestroy(RtLock* lock);
// Waits at most `milliseconds`; 1 when taken, 0 on time-out. For bounded waits.
int32_t rtLockTryAcquire(RtLock* lock, int32_t milliseconds);

// A thread running `routine(argument)`; null when the system refuses one.
// Joining waits for its end and frees it; a null thread is ignored.
struct RtThread;
RtThread* rtThreadStart(void (*routine)(void*), void* argument);
void rtThreadJoin(RtThread* thread);

// A memory barrier run by every thread of the process at once: when
// rtProcessBarrier returns, each other thread has drained its write buffer
// since the call began (or was not running, which drains it too), so a thread
// that pays it may pair with threads that order their stores and loads only
// by the compiler. rtProcessBarrierReady sets it up once per process: 1 when
// the system provides it, 0 when callers need a fence on both sides.
int32_t rtProcessBarrierReady();
void rtProcessBarrier();

// Processor identification word: feature bits 0..27 (bit 23 = MMX),
// stepping/model/family in bits 20..31. Computed once.
uint32_t rtCpuInfo();
constexpr uint32_t CPU_MMX = 1u << 23;
// The widest vector instructions the processor offers the per-depth
// routines: none, 128-bit (SSE2, WebAssembly SIMD) or 256-bit (AVX2).
// Asked once; the one place every layer learns it from.
enum : int32_t { CPU_VECTORS_NONE = 0, CPU_VECTORS_128 = 1, CPU_VECTORS_256 = 2 };
int32_t rtCpuVectors();

// Full path of the running executable written into buffer; returns a pointer
// to the part after the last path separator (the whole buffer if none).
char* rtExeName(char* buffer, int32_t size);

// Dynamic libraries. `names` is a null-terminated list of entry points whose
// addresses are stored at the same index of `addresses`.
using RtLibrary = void*;
RtLibrary rtLibLoad(const char* fileName, const char* const* names, void** addresses);
int32_t rtLibResolve(RtLibrary library, const char* const* names, void** addresses, int32_t count);
int32_t rtLibFree(RtLibrary* library);

// Floating-point unit: 64-bit (extended) precision and rounding to nearest;
// only those two fields change.
void rtFpuSetup();

// Timer internals, exposed for tests: 0 = not yet initialised, 1 = tick count,
// 2 = performance counter.
extern int32_t timerMode;
