// The Windows beep: the same tone as the console's bell character.
#include <windows.h>

#include "runtime/beep.h"

void rtPlatformBeep() {
    Beep(1000, 250);
}
