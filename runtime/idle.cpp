// The idle routine run where the program waits (runtime/platform.h).
#include "runtime/platform.h"

namespace {
void (*idleRoutine)(int32_t busy) = nullptr;
}

void rtSetIdleRoutine(void (*routine)(int32_t busy)) {
    idleRoutine = routine;
}

void rtRunIdleRoutine(int32_t busy) {
    if (idleRoutine) idleRoutine(busy);
}
