// Runtime state, start-up and shutdown, END, errors, context blocks and the
// console dispatchers.
#include "runtime/runtime.h"

#include <cstdlib>
#include <cstring>

#include "runtime/platform.h"

RuntimeState rtState;
int32_t rtStartCount = 0;
int32_t rtViewTop = -1;
int32_t rtViewBottom = -1;

// ---- start-up and shutdown -------------------------------------------------

namespace {
// Bytes each context block holds; the blocks live for the whole process.
size_t contextSizes[RT_CONTEXT_SLOTS];

// The console of a program built without one: nothing shown, no keys, the
// usual grid. Every slot a dispatcher reaches has a routine.
constexpr TextConsole quietConsole() {
    TextConsole t{};
    ConsoleHooks& r = t.routines;
    r.readKey = [] { return &rtState.nullString; };
    r.waitKey = [] { return int32_t{0}; };
    r.keyAvailable = [] { return int32_t{0}; };
    r.clearScreen = [](int32_t) {};
    r.setColors = [](int32_t, int32_t, int32_t) { return int32_t{7}; };
    r.locate = [](int32_t, int32_t, int32_t) { return int32_t{0x101}; };
    r.setWidth = [](int32_t, int32_t) { return int32_t{25 * 65536 + 80}; };
    r.getColumn = [] { return int32_t{1}; };
    r.getCursor = [](int32_t* column, int32_t* row) {
        if (column) *column = 1;
        if (row) *row = 1;
    };
    r.getSize = [](int32_t* columns, int32_t* rows) {
        if (columns) *columns = 80;
        if (rows) *rows = 25;
    };
    r.printBytes = [](const uint8_t*, int32_t, int32_t) {};
    r.printWide = [](const uint16_t*, int32_t, int32_t) {};
    r.viewUpdate = [] {};
    r.sleep = [](int32_t milliseconds) {
        if (milliseconds > 0) rtDelay(milliseconds);
    };
    r.pageSet = [](int32_t, int32_t) { return int32_t{-1}; };
    t.reset = [] {};
    t.inputEnded = [] { return int32_t{1}; };
    return t;
}
constexpr TextConsole QUIET_CONSOLE = quietConsole();
// Outside rtState, which start-up clears: a console registered before the
// runtime's own constructor ran stays registered.
const TextConsole* textConsole = &QUIET_CONSOLE;
} // namespace

void rtSetTextConsole(const TextConsole* console) {
    textConsole = console ? console : &QUIET_CONSOLE;
    if (rtStartCount > 0) textConsole->reset();
}

const TextConsole* rtTextConsole() {
    return textConsole;
}

void rtStartup() {
    if (rtStartCount++ != 0) return;
    // Context blocks outlive a shutdown: a new start keeps them, not leaks them.
    void* contexts[RT_CONTEXT_SLOTS];
    std::memcpy(contexts, rtState.contexts, sizeof contexts);
    std::memset(&rtState, 0, sizeof rtState);
    std::memcpy(rtState.contexts, contexts, sizeof contexts);
    rtFpuSetup();
    textConsole->reset();
}

void rtInit(int32_t argc, char** argv, int32_t compatMode) {
    rtState.argc = argc;
    rtState.argv = argv;
    rtState.compatMode = compatMode;
}

void rtShutdown() {
    if (rtStartCount <= 0 || --rtStartCount != 0) return;
    if (!rtState.filesOpened) return;
    rtState.filesOpened = 0;
    for (int i = 1; i < RT_FILE_TABLE_SIZE; ++i) {
        FileHandle* handle = &rtState.fileTable[i];
        if (handle->ops && handle->ops->close) handle->ops->close(handle);
    }
    std::memset(&rtState.fileTable[1], 0, sizeof(FileHandle) * (RT_FILE_TABLE_SIZE - 1));
}

void rtEnd(int32_t code) {
    std::exit(code);
}

int32_t rtAtExit(void (*handler)()) {
    return handler ? std::atexit(handler) : -1;
}

// The runtime starts before the program's first statement and shuts down after
// every exit handler registered while the program ran.
namespace {
__attribute__((constructor)) void runtimeConstructor() {
    rtStartup();
}
__attribute__((destructor)) void runtimeDestructor() {
    rtShutdown();
}
} // namespace

// ---- errors and context blocks ---------------------------------------------

void* rtContextSlot(int32_t index, size_t size) {
    if (index < 0 || index >= RT_CONTEXT_SLOTS) return nullptr;
    void*& block = rtState.contexts[index];
    size_t& held = contextSizes[index];
    if (size == 0) size = 1;
    if (block && held >= size) return block;
    // A later caller may need more than the first asked for: grow, zero-filled.
    void* grown = std::realloc(block, size);
    if (!grown) return nullptr;
    std::memset(static_cast<uint8_t*>(grown) + held, 0, size - held);
    block = grown;
    held = size;
    return block;
}

int32_t rtSetError(int32_t number) {
    auto* record = static_cast<ErrorRecord*>(rtContextSlot(0, sizeof(ErrorRecord)));
    if (record) record->errorNumber = number;
    return number;
}

int32_t rtGetError() {
    auto* record = static_cast<ErrorRecord*>(rtContextSlot(0, sizeof(ErrorRecord)));
    return record ? record->errorNumber : 0;
}

// ---- dispatchers -----------------------------------------------------------

namespace {
// The routine behind a dispatcher: the slot's hook while one is installed,
// else the text console's.
template <auto slot> auto consoleRoutine() {
    auto hook = rtState.hooks.*slot;
    return hook ? hook : textConsole->routines.*slot;
}
} // namespace

int32_t rtLocate(int32_t row, int32_t column, int32_t cursor, int32_t* position) {
    rtConsoleHandle();
    rtSetError(RT_OK);
    int32_t top = 0, bottom = 0, columns = 0;
    rtGetView(&top, &bottom);
    rtGetSize(&columns, nullptr);
    if ((row != 0 && (row < top || row > bottom)) || column < 0 || column > columns) {
        if (position) *position = 0;
        return rtSetError(RT_ERR_ILLEGAL_CALL);
    }
    int32_t packed = consoleRoutine<&ConsoleHooks::locate>()(row, column, cursor);
    if (position) *position = packed;
    if (column != 0) fileSetColumn(&rtState.consoleHandle, column - 1);
    return rtGetError();
}

int32_t rtLocateEntry(int32_t row, int32_t column, int32_t cursor, int32_t, int32_t) {
    int32_t position = 0;
    if (rtLocate(row, column, cursor, &position) != RT_OK) rtLocate(0, 0, cursor, &position);
    return position;
}

void rtSleep(int32_t milliseconds) {
    consoleRoutine<&ConsoleHooks::sleep>()(milliseconds);
}

StringDescriptor* rtInkey() {
    return consoleRoutine<&ConsoleHooks::readKey>()();
}

int32_t rtWaitKey() {
    return consoleRoutine<&ConsoleHooks::waitKey>()();
}

int32_t rtInputEnded() {
    // A graphics screen's keys come from its window, which never ends.
    if (rtState.hooks.keyAvailable || !textConsole->inputEnded) return 0;
    return textConsole->inputEnded();
}

int32_t rtKeyHit() {
    return consoleRoutine<&ConsoleHooks::keyAvailable>()();
}

void rtCls(int32_t mode) {
    FileHandle* console = rtConsoleHandle();
    consoleRoutine<&ConsoleHooks::clearScreen>()(mode);
    fileSetColumn(console, 0);
}

int32_t rtColor(int32_t foreground, int32_t background, int32_t flags) {
    rtConsoleHandle();
    return consoleRoutine<&ConsoleHooks::setColors>()(foreground, background, flags);
}

int32_t rtWidth(int32_t columns, int32_t rows) {
    FileHandle* console = rtConsoleHandle();
    bool graphics = rtState.hooks.setWidth != nullptr;
    int32_t packed = consoleRoutine<&ConsoleHooks::setWidth>()(columns, rows);
    if (columns > 0) {
        // A graphics screen may refuse the grid: PRINT's line width follows the
        // columns in effect, so its column stays the cursor's.
        int32_t inEffect = 0;
        if (graphics) rtGetSize(&inEffect, nullptr);
        console->width = inEffect > 0 ? inEffect : columns;
    }
    if (columns > 0 || rows > 0) {
        rtViewPrint(0, 0, 1);
        return 0;
    }
    return packed;
}

int32_t rtViewPrint(int32_t top, int32_t bottom, int32_t moveCursor) {
    int32_t rows = 0;
    rtGetSize(nullptr, &rows);
    if (rows == 0) rows = 25;
    int32_t currentTop = 0, currentBottom = 0;
    rtGetView(&currentTop, &currentBottom);
    int32_t newTop = top > 0 ? top : (top == 0 ? 1 : currentTop);
    int32_t newBottom = bottom > 0 ? bottom : (bottom == 0 ? rows : currentBottom);
    if (newBottom < newTop || newTop <= 0 || newBottom <= 0 || newTop > rows || newBottom > rows)
        return 0;
    if (top >= 0 || bottom >= 0) {
        rtViewTop = newTop - 1;
        rtViewBottom = newBottom - 1;
        rtViewUpdate();
        if (moveCursor) rtLocateEntry(newTop, 1, -1, 0, 0);
    }
    // Packed in unsigned arithmetic: a huge row count must not overflow.
    return static_cast<int32_t>(static_cast<uint32_t>(newTop) +
                                static_cast<uint32_t>(newBottom) * 65536u);
}

void rtGetView(int32_t* top, int32_t* bottom) {
    int32_t t = rtViewTop < 0 ? 0 : rtViewTop;
    int32_t b = rtViewBottom;
    if (b < 0) {
        int32_t rows = 0;
        rtGetSize(nullptr, &rows);
        b = rows != 0 ? rows - 1 : 24;
    }
    if (top) *top = t + 1;
    if (bottom) *bottom = b + 1;
}

int32_t rtGetColumn() {
    return consoleRoutine<&ConsoleHooks::getColumn>()();
}

void rtGetCursor(int32_t* column, int32_t* row) {
    consoleRoutine<&ConsoleHooks::getCursor>()(column, row);
}

void rtGetSize(int32_t* columns, int32_t* rows) {
    consoleRoutine<&ConsoleHooks::getSize>()(columns, rows);
}

void rtViewUpdate() {
    consoleRoutine<&ConsoleHooks::viewUpdate>()();
}

void rtPrintBytes(const uint8_t* text, int32_t length, int32_t mask) {
    consoleRoutine<&ConsoleHooks::printBytes>()(text, length, mask);
}

void rtPrintWide(const uint16_t* text, int32_t length, int32_t mask) {
    consoleRoutine<&ConsoleHooks::printWide>()(text, length, mask);
}

int32_t rtPageSet(int32_t active, int32_t visible) {
    rtConsoleHandle();
    return consoleRoutine<&ConsoleHooks::pageSet>()(active, visible);
}
