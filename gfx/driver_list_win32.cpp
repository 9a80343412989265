// The display drivers of Windows builds, in the order they are tried, and the
// layers kept with each screen.
#include "gfx/blit/blit.h"
#include "gfx/console/console_hooks.h"
#include "gfx/core/driver.h"
#include "gfx/core/screen_layers.h"
#include "gfx/win32/ddraw_driver.h"
#include "gfx/win32/gdi.h"
#include "gfx/win32/opengl.h"

const GfxDriver* const DRIVER_LIST[] = {&DIRECTX_DRIVER, &GDI_DRIVER, &OPENGL_DRIVER, nullptr};

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
