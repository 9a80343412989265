// Linked into the graphics console's tests (with with_text_console.cpp): the
// input state's and its own layer kept with every screen, as the composition
// adds them in the product.
#include "gfx/console/console_hooks.h"
#include "gfx/core/screen_layers.h"
#include "gfx/display/input.h"

namespace {
__attribute__((constructor)) void registerConsoleLayer() {
    gfxAddScreenLayer(&GFX_INPUT_LAYER);
    gfxAddScreenLayer(&GFX_CONSOLE_LAYER);
}
} // namespace
