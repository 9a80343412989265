// The product composed, the same on every platform: before the program's first
// statement the upper layers are registered with the lower ones that reach
// them (the drivers of the platform's list, gfx/compose_*.cpp).
#include "gfx/compose.h"

#include "console/console.h"
#include "gfx/blit/blit.h"
#include "gfx/console/console_hooks.h"
#include "gfx/core/driver.h"
#include "gfx/core/screen_layers.h"
#include "gfx/display/input.h"
#include "runtime/runtime.h"

// Named with C linkage so that a program linked against the one-archive
// library (libzqgfx.a) can pull this unit in (-u zqgfxCompose): nothing else
// refers to it.
extern "C" __attribute__((constructor)) void zqgfxCompose() {
    rtSetTextConsole(&CON_TEXT_CONSOLE);
    gfxDriverList = DRIVER_LIST;
    // Kept with each screen: the input state and the blitters' tables with its
    // buffers, then the graphics console.
    gfxAddScreenLayer(&GFX_INPUT_LAYER);
    gfxAddScreenLayer(&GFX_BLIT_LAYER);
    gfxAddScreenLayer(&GFX_CONSOLE_LAYER);
}
