// The display drivers of POSIX builds, in the order they are tried, and the
// layers kept with each screen. Without a display the SDL driver fails to open
// and the screen falls back as usual.
#include "gfx/blit/blit.h"
#include "gfx/console/console_hooks.h"
#include "gfx/core/driver.h"
#include "gfx/core/screen_layers.h"
#include "gfx/sdl/sdl.h"

const GfxDriver* const DRIVER_LIST[] = {&SDL_DRIVER, nullptr};

namespace {

// The layers kept with each screen, added before the program runs: the
// blitters' tables, then the graphics console.
void addScreenLayers() {
    gfxAddScreenLayer(&GFX_BLIT_LAYER);
    gfxAddScreenLayer(&GFX_CONSOLE_LAYER);
}

const struct ScreenLayersAtStart {
    ScreenLayersAtStart() { addScreenLayers(); }
} screenLayersAtStart;

} // namespace
