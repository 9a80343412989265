// The display drivers of POSIX builds, in the order they are tried. None yet:
// screens open on the Null driver.
#include "gfx/core/driver.h"

const GfxDriver* const DRIVER_LIST[] = {nullptr};
