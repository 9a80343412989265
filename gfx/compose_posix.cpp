// The POSIX build composed: the display drivers in the order they are tried
// and the upper layers the lower ones reach, registered before the program's
// first statement. Without a display the SDL driver fails to open and the
// screen falls back as usual.
#include "gfx/compose.h"

#include "console/console.h"
#include "gfx/blit/blit.h"
#include "gfx/console/console_hooks.h"
#include "gfx/core/driver.h"
#include "gfx/core/screen_layers.h"
#include "gfx/display/input.h"
#include "gfx/sdl/sdl.h"
#include "runtime/runtime.h"

const GfxDriver* const DRIVER_LIST[] = {&SDL_DRIVER, nullptr};

namespace {
__attribute__((constructor)) void compose() {
    rtSetTextConsole(&CON_TEXT_CONSOLE);
    gfxDriverList = DRIVER_LIST;
    // Kept with each screen: the input state and the blitters' tables with its
    // buffers, then the graphics console.
    gfxAddScreenLayer(&GFX_INPUT_LAYER);
    gfxAddScreenLayer(&GFX_BLIT_LAYER);
    gfxAddScreenLayer(&GFX_CONSOLE_LAYER);
}
} // namespace
