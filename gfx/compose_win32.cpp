// The display drivers of Windows builds, in the order they are tried.
#include "gfx/compose.h"

#include "gfx/core/driver.h"
#include "gfx/directx/directx.h"
#include "gfx/gdi/gdi.h"
#include "gfx/opengl/opengl.h"

const GfxDriver* const DRIVER_LIST[] = {&DIRECTX_DRIVER, &GDI_DRIVER, &OPENGL_DRIVER, nullptr};
