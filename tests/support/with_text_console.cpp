// Linked into the tests of the layers below the composition that want the
// text console behind the runtime's dispatchers, as the product has it.
#include "console/console.h"
#include "runtime/runtime.h"

namespace {
__attribute__((constructor)) void registerTextConsole() {
    rtSetTextConsole(&CON_TEXT_CONSOLE);
}
} // namespace
