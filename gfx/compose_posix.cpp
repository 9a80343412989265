// The display drivers of POSIX builds, in the order they are tried. Without a
// display the SDL driver fails to open and the screen falls back as usual.
#include "gfx/compose.h"

#include "gfx/core/driver.h"
#include "gfx/sdl/sdl.h"

const GfxDriver* const DRIVER_LIST[] = {&SDL_DRIVER, nullptr};
