// The platform's composition (gfx/compose_*.cpp): its display drivers in the
// order they are tried, null-terminated; selection walks them from start-up.
#pragma once

struct GfxDriver;

extern const GfxDriver* const DRIVER_LIST[];
