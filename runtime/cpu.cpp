// Processor identification through the CPUID instruction.
#include "runtime/platform.h"

#include <cpuid.h>

namespace {

uint32_t cpuInfo = 0;

#if defined(__i386__)
// Whether a bit of EFLAGS can be toggled (bit 21: CPUID present; bit 18: AC).
bool flagToggles(uint32_t mask) {
    uint32_t before, after;
    __asm__ volatile("pushfl\n\t"
                     "popl %0\n\t"
                     "movl %0, %1\n\t"
                     "xorl %2, %1\n\t"
                     "pushl %1\n\t"
                     "popfl\n\t"
                     "pushfl\n\t"
                     "popl %1\n\t"
                     "pushl %0\n\t"
                     "popfl\n\t"
                     : "=&r"(before), "=&r"(after)
                     : "ri"(mask)
                     : "cc");
    return ((before ^ after) & mask) != 0;
}
#else
// Every 64-bit processor has CPUID.
bool flagToggles(uint32_t) {
    return true;
}
#endif

} // namespace

uint32_t rtCpuInfo() {
    if (cpuInfo != 0) return cpuInfo;
    uint32_t result;
    if (!flagToggles(1u << 21)) {
        result = flagToggles(1u << 18) ? 0x40000000u : 0x30000000u;
    } else {
        unsigned a = 0, b = 0, c = 0, d = 0;
        __cpuid(1, a, b, c, d);
        result = (a << 20) | (d & 0x0FFFFFFFu);
    }
    cpuInfo = result;
    return result;
}

int32_t rtCpuVectors() {
    static const int32_t vectors = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2")) return int32_t{CPU_VECTORS_256};
        return __builtin_cpu_supports("sse2") ? int32_t{CPU_VECTORS_128}
                                              : int32_t{CPU_VECTORS_NONE};
    }();
    return vectors;
}
