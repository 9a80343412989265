// The text console as the runtime reaches it (registered at start-up by the
// platform's composition): the routine each dispatcher calls while its hook
// slot is empty, and the reset made at start-up.
#include "console/console.h"
#include "runtime/runtime.h"

// POS and CSRLIN, from each platform's cursor.
int32_t conGetColumn() {
    int32_t column = 0;
    conGetCursor(&column, nullptr);
    return column;
}

int32_t conGetRow() {
    int32_t row = 0;
    conGetCursor(nullptr, &row);
    return row;
}

namespace {

// Built at compile time; the slots the text console has no routine for stay null.
constexpr TextConsole textConsole() {
    TextConsole t{};
    ConsoleHooks& r = t.routines;
    r.readKey = conInkey;
    r.waitKey = conWaitKey;
    r.keyAvailable = conKeyHit;
    r.clearScreen = conCls;
    r.setColors = conSetColors;
    r.locate = conLocate;
    r.setWidth = conWidth;
    r.getColumn = conGetColumn;
    r.getCursor = conGetCursor;
    r.getSize = conGetSize;
    r.printBytes = [](const uint8_t* text, int32_t length, int32_t mask) {
        conPrintBytes(text, length, mask);
    };
    r.printWide = [](const uint16_t* text, int32_t length, int32_t mask) {
        conPrintWide(text, length, mask);
    };
    r.viewUpdate = [] { conRefreshGeometry(); };
    r.sleep = conSleep;
    // The text console has pages 0 to 3.
    r.pageSet = [](int32_t active, int32_t visible) {
        return active > 3 || visible > 3 ? -1 : conPageSet(active, visible);
    };
    t.reset = conResetState;
    t.inputEnded = [] { return conPollInput() < 0 && !conKeyHit() ? 1 : 0; };
    return t;
}

} // namespace

constinit const TextConsole CON_TEXT_CONSOLE = textConsole();
