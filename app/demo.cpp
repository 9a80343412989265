// The demonstration: random hits on a 1280 x 1024 screen, then a message and a
// key wait. Every statement is a call into the runtime or the graphics layer.
#include "app/demo.h"

#include "runtime/print.h"
#include "runtime/runtime.h"

namespace {
// "presionar ", ESC, " ESC para salir" and one space: 27 bytes.
const char MESSAGE[] = "presionar \x1b ESC para salir ";
static_assert(sizeof(MESSAGE) - 1 == 27);
} // namespace

int demoMain(int argumentCount, char** argumentVector) {
    rtInit(argumentCount, argumentVector, 0);
    rtLocateEntry(14, 16, -1, 0, 0);
    rtPrintString(0, strTempFromBuffer(MESSAGE, sizeof(MESSAGE) - 1), 1);
    rtSleep(-1);
    rtEnd(0);
}
