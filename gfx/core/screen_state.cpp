// The one open screen.
#include "gfx/core/mode.h"

GfxMode* gfxMode = nullptr;
