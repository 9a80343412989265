// The product's composition: the platform's display drivers in the order they
// are tried, null-terminated (one unit per platform, gfx/compose_*.cpp), and
// the registration at start-up of every upper layer the lower ones reach
// (gfx/compose.cpp).
#pragma once

struct GfxDriver;

extern const GfxDriver* const DRIVER_LIST[];

// The registration, run from a static constructor before main.
extern "C" void zqgfxCompose();
