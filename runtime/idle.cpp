// The idle routine run where the program waits (runtime/platform.h).
#include "runtime/platform.h"

namespace {
void (*idleRoutine)() = nullptr;
}

void rtSetIdleRoutine(void (*routine)()) {
    idleRoutine = routine;
}

void rtRunIdleRoutine() {
    if (idleRoutine) idleRoutine();
}
