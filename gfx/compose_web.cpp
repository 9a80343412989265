// The display drivers of the WebAssembly build, in the order they are tried.
// Without a page (under Node.js) the canvas does not open and the screen
// falls back to the Null driver as usual.
#include "gfx/canvas/canvas.h"
#include "gfx/compose.h"
#include "gfx/core/driver.h"

const GfxDriver* const DRIVER_LIST[] = {&CANVAS_DRIVER, nullptr};
