// Installation of the graphics console hooks: every one of the 27 slots gets
// its graphics routine at once, and closing empties them all, so that no
// statement ever mixes the graphics screen and the text console.
#include <cstring>

#include "gfx/console/console_hooks.h"
#include "gfx/console/input.h"
#include "gfx/console/pages.h"
#include "gfx/console/text_output.h"
#include "gfx/core/screen_layers.h"
#include "runtime/runtime.h"

void gfxInstallHooks(ConsoleHooks* hooks) {
    gfxRemoveHooks(hooks);
    hooks->clearScreen = gfxClearScreen;
    hooks->setColors = gfxSetColors;
    hooks->locate = gfxLocate;
    hooks->setWidth = gfxSetWidth;
    hooks->getColumn = gfxGetColumn;
    hooks->getRow = gfxGetRow;
    hooks->getCursor = gfxGetCursor;
    hooks->getSize = gfxGetSize;
    hooks->printBytes = gfxPrintBytes;
    hooks->printWide = gfxPrintWide;
    hooks->readString = gfxReadString;
    hooks->viewUpdate = gfxViewUpdate;
    hooks->lineInput = gfxLineInput;
    hooks->lineInputWide = gfxLineInputWide;
    hooks->readCharAt = gfxReadCharAt;
    hooks->isRedirected = gfxIsRedirected;
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
