// The display drivers of Windows builds, in the order they are tried.
#include "gfx/core/driver.h"
#include "gfx/win32/ddraw_driver.h"
#include "gfx/win32/gdi.h"
#include "gfx/win32/opengl.h"

const GfxDriver* const DRIVER_LIST[] = {&DIRECTX_DRIVER, &GDI_DRIVER, &OPENGL_DRIVER, nullptr};
