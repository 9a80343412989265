// Installation of the graphics console hooks. Only the routines that exist are
// installed; a slot without a graphics routine stays null so that its
// statement keeps reaching the text console rather than a fake.
#include "gfx/core/hooks.h"

#include <cstring>

#include "runtime/runtime.h"

namespace {
// The graphics console keeps no separate text view state to refresh.
void viewUpdateNothing() {}
} // namespace

void gfxInstallHooks(ConsoleHooks* hooks) {
    gfxRemoveHooks(hooks);
    hooks->viewUpdate = viewUpdateNothing;
}

void gfxRemoveHooks(ConsoleHooks* hooks) {
    std::memset(hooks, 0, sizeof *hooks);
}
