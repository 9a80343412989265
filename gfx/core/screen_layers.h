// What the layers above the core keep with each screen. The core declares
// these and calls them as a screen opens and closes; each is defined by the
// layer that owns it, so the core includes nothing from above.
#pragma once

struct ConsoleHooks;

// The graphics console (gfx/console/install_hooks.cpp): fills all 27 slots
// with its routines as a screen opens, empties them all as it closes.
void gfxInstallHooks(ConsoleHooks* hooks);
void gfxRemoveHooks(ConsoleHooks* hooks);

// The blitters (gfx/blit/blit_tables.cpp): their expansion tables, allocated
// with the screen's buffers (false when memory ran out) and freed with the
// screen (safe when none are allocated).
bool gfxAllocBlitTables();
void gfxFreeBlitTables();
