// The replaceable beep routine.
#include "runtime/beep.h"

namespace {
RtBeepRoutine beepRoutine = rtPlatformBeep;
}

void rtBeep() {
    beepRoutine();
}

RtBeepRoutine rtSetBeepRoutine(RtBeepRoutine routine) {
    RtBeepRoutine previous = beepRoutine;
    beepRoutine = routine ? routine : rtPlatformBeep;
    return previous;
}
