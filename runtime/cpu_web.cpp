// Processor identification in the WebAssembly build: the machine is the
// WebAssembly one, built with its 128-bit vector instructions, which offer
// what the MMX and SSE2 routines use.
#include "runtime/platform.h"

uint32_t rtCpuInfo() {
    constexpr uint32_t SSE = 1u << 25, SSE2 = 1u << 26;
    return CPU_MMX | SSE | SSE2;
}

int32_t rtCpuVectors() {
    return CPU_VECTORS_128;
}
