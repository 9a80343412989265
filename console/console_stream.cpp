// The stream console: what the console statements do when output is not a
// console window. Bytes are written unchanged, the geometry is the 80 x 25
// fallback, CLS, WIDTH and LOCATE change nothing, and keys are bytes of input.
#include "console/console.h"

#include <cstdio>

#include "runtime/platform.h"
#include "runtime/runtime.h"

namespace {
constexpr int32_t FALLBACK_COLUMNS = 80;
constexpr int32_t FALLBACK_ROWS = 25;

// Blocks for one byte of input; end of input is reported as 0 rather than
// waiting for a key that can never come.
int32_t readInputByte() {
    int c = std::fgetc(stdin);
    return c == EOF ? 0 : c;
}
} // namespace

void conResetState() {}

int32_t conGetColumn() { return 0; }
int32_t conGetRow() { return 0; }

void conGetCursor(int32_t* column, int32_t* row) {
    if (column) *column = 0;
    if (row) *row = 0;
}

void conGetSize(int32_t* columns, int32_t* rows) {
    if (columns) *columns = FALLBACK_COLUMNS;
    if (rows) *rows = FALLBACK_ROWS;
}

int32_t conLocate(int32_t row, int32_t column, int32_t) {
    if (column <= 0) column = conGetColumn();
    if (row <= 0) row = conGetRow();
    return static_cast<int32_t>((static_cast<uint32_t>(column) & 0xFFu) +
                                ((static_cast<uint32_t>(row) * 256u) & 0xFF00u));
}

int32_t conWidth(int32_t, int32_t) { return 0; }
void conCls(int32_t) {}
int32_t conRefreshGeometry() { return 0; }

int32_t conPageSet(int32_t active, int32_t visible) {
    // Only page 0 exists on a stream.
    if (active > 0 || visible > 0) return -1;
    return 0;
}

int32_t conPrintBytes(const uint8_t* text, int32_t length, int32_t) {
    if (!text || length <= 0) return 0;
    size_t written = std::fwrite(text, 1, static_cast<size_t>(length), stdout);
    std::fflush(stdout);
    return written == static_cast<size_t>(length) ? length : -1;
}

int32_t conPrintWide(const uint16_t* text, int32_t length, int32_t) {
    if (!text || length <= 0) return 0;
    size_t written = std::fwrite(text, 2, static_cast<size_t>(length), stdout);
    std::fflush(stdout);
    return written == static_cast<size_t>(length) ? length * 2 : -1;
}

StringDescriptor* conInkey() { return &rtState.nullString; }
int32_t conWaitKey() { return readInputByte(); }
int32_t conKeyHit() { return 0; }

void conSleep(int32_t milliseconds) {
    if (milliseconds < 0)
        readInputByte();
    else
        rtDelay(milliseconds);
}
