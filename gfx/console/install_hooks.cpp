// The graphics console's screen layer. As a screen opens, every one of the 27
// hook slots gets its graphics routine at once, and the console sets up its
// fields of the screen (font, grid, cursor, text cells); closing frees the
// cells and empties every slot, so that no statement ever mixes the graphics
// screen and the text console.
#include <cstring>

#include "gfx/console/console_hooks.h"
#include "gfx/console/input.h"
#include "gfx/console/pages.h"
#include "gfx/console/text_cells.h"
#include "gfx/console/text_output.h"
#include "gfx/core/context.h"
#include "gfx/core/mode.h"
#include "gfx/core/screen_layers.h"
#include "runtime/runtime.h"

namespace {

void removeHooks(ConsoleHooks* hooks) {
    std::memset(hooks, 0, sizeof *hooks);
}

void installHooks(ConsoleHooks* hooks) {
    removeHooks(hooks);
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

// Runs once the context and the palette are set up: the cells take the
// context's colours.
int32_t openConsole(GfxMode* m, const ModeInfo* info) {
    installHooks(&rtState.hooks);
    m->font = info->font;
    // A size-based screen's grid follows its size, which its 8-bit ModeInfo
    // fields cannot hold above 2040 pixels.
    m->textColumns = m->modeNumber < 0 ? m->width / 8 : info->textColumns;
    m->textRows = m->modeNumber < 0 ? m->height / 8 : info->textRows;
    m->textColumnCursor = m->textRowCursor = 0;
    return gfxAllocTextCells(gfxGetContext(), 1);
}

void closeConsole(GfxMode*) {
    gfxAllocTextCells(nullptr, 0);
    removeHooks(&rtState.hooks);
}

} // namespace

const GfxScreenLayer GFX_CONSOLE_LAYER = {GFX_LAYER_WITH_SCREEN, openConsole, closeConsole};
