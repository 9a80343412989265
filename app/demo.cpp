// The demonstration: random hits on a 1280 x 1024 screen, then a message and a
// key wait. Every statement is a call into the runtime or the graphics layer.
#include "app/demo.h"

#include <cmath>

#include "gfx/core/context.h"
#include "gfx/core/mode.h"
#include "gfx/core/palette.h"
#include "gfx/draw/draw.h"
#include "runtime/print.h"
#include "runtime/rnd.h"
#include "runtime/runtime.h"

namespace {
constexpr float LOOP_START = 0.0f;
constexpr float LOOP_STEP = 1.0f; // also RND's argument
constexpr double X_SCALE = 1280.0;
constexpr double Y_SCALE = 1024.0;
constexpr float HIT_LIMIT = 6553600.0f;
constexpr float CIRCLE_RADIUS = 1.25f;
constexpr float CIRCLE_END = FULL_TURN;
constexpr float X_LIMIT = 1280.0f;
constexpr float Y_LIMIT = 1024.0f;
} // namespace

// "presionar ", ESC, " ESC para salir" and one space: 27 bytes.
const char DEMO_MESSAGE[] = "presionar \x1b ESC para salir ";
static_assert(sizeof(DEMO_MESSAGE) - 1 == DEMO_MESSAGE_LENGTH);

void demoOpenScreen() {
    gfxScreen(21, 1, 1, SCRF_FULLSCREEN, 0);
    gfxPalette(0, 0, -1, -1);
}

void demoDrawPicture() {
    // Random hits: each raises a pixel by one up to 15; a hit on a pixel at 15
    // rings it with a small circle in the foreground colour.
    float hitCount = LOOP_START, x = LOOP_START, y = LOOP_START;
    while (hitCount <= HIT_LIMIT) {
        x = static_cast<float>(std::floor(rtRnd(LOOP_STEP) * X_SCALE));
        y = static_cast<float>(std::floor(rtRnd(LOOP_STEP) * Y_SCALE));
        if (gfxPoint(nullptr, x, y) < 15)
            gfxPset(nullptr, x, y, static_cast<uint32_t>(gfxPoint(nullptr, x, y) + 1),
                    COORD_ONE_ABS, 0);
        if (gfxPoint(nullptr, x, y) == 15)
            gfxCircle(nullptr, x, y, CIRCLE_RADIUS, 0, 0.0f, 0.0f, CIRCLE_END, 0,
                      FLAG_DEFAULT_COLOR | COORD_ONE_ABS);
        hitCount = hitCount + LOOP_STEP;
    }

    // Everything that never reached 15 goes back to the background.
    for (y = LOOP_START; y <= Y_LIMIT; y = y + LOOP_STEP)
        for (x = LOOP_START; x <= X_LIMIT; x = x + LOOP_STEP)
            if (gfxPoint(nullptr, x, y) < 15)
                gfxPset(nullptr, x, y, 0, FLAG_DEFAULT_COLOR | COORD_ONE_ABS, -1);
}

void demoDraw() {
    demoOpenScreen();
    demoDrawPicture();
}

void demoPrintMessage() {
    rtLocateEntry(14, 16, -1, 0, 0);
    rtPrintString(0, strTempFromBuffer(DEMO_MESSAGE, DEMO_MESSAGE_LENGTH), 1);
}

int demoMain(int argumentCount, char** argumentVector) {
    rtInit(argumentCount, argumentVector, 0);
    demoDraw();
    demoPrintMessage();
    rtSleep(-1);
    rtEnd(0);
}
