// The POSIX beep: BEL to whichever standard stream is a terminal; with both
// redirected there is nothing to ring, and the output stays unchanged.
#include <unistd.h>

#include "runtime/beep.h"

void rtPlatformBeep() {
    static constexpr char BEL = '\a';
    int stream =
        isatty(STDOUT_FILENO) ? STDOUT_FILENO : (isatty(STDERR_FILENO) ? STDERR_FILENO : -1);
    if (stream >= 0 && write(stream, &BEL, 1) < 0) return;
}
