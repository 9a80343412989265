// Installation of the graphics console hooks. Only the routines that exist are
// installed; a slot without a graphics routine stays null so that its
// statement keeps reaching the text console rather than a fake.
#include "gfx/core/hooks.h"

#include <cstring>

#include "gfx/console/input.h"
#include "gfx/console/pages.h"
#include "runtime/runtime.h"

namespace {
// The graphics console keeps no separate text view state to refresh.
void viewUpdateNothing() {}
} // namespace

void gfxInstallHooks(ConsoleHooks* hooks) {
    gfxRemoveHooks(hooks);
    hooks->viewUpdate = viewUpdateNothing;
    hooks->readKey = gfxReadKey;
    hooks->waitKey = gfxWaitKey;
    hooks->keyAvailable = gfxKeyAvailable;
    hooks->isKeyDown = gfxIsKeyDown;
    hooks->getMouse = gfxGetMouse;
    hooks->setMouse = gfxSetMouse;
    hooks->sleep = gfxSleep;
    hooks->portIn = gfxPortIn;
    hooks->portOut = gfxPortOut;
    hooks->pageCopy = gfxPageCopy;
    hooks->pageSet = gfxPageSet;
}

void gfxRemoveHooks(ConsoleHooks* hooks) {
    std::memset(hooks, 0, sizeof *hooks);
}
