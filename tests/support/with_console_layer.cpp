// Linked into the graphics console's tests: the input state's and its own
// layer kept with every screen and the text console behind the dispatchers,
// as the composition registers them in the product.
#include "console/console.h"
#include "gfx/console/console_hooks.h"
#include "gfx/core/screen_layers.h"
#include "gfx/display/input.h"
#include "runtime/runtime.h"

namespace {
__attribute__((constructor)) void registerConsoleLayer() {
    rtSetTextConsole(&CON_TEXT_CONSOLE);
    gfxAddScreenLayer(&GFX_INPUT_LAYER);
    gfxAddScreenLayer(&GFX_CONSOLE_LAYER);
}
} // namespace
