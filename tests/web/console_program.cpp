// The text console's statements for the browser test (console.test.mjs):
// control characters, code page 437 bytes and wide text, LOCATE with its
// packed result and the cursor query, COLOR with the colours it replaces,
// scrolling and CLS inside a text view, then a LINE INPUT whose text comes
// back. It ends with exit code 3.
#include <cstdio>

#include "runtime/line_edit.h"
#include "runtime/print.h"
#include "runtime/runtime.h"

namespace {

void text(const char* s) {
    rtPrintText(0, s, 0);
}

void line(const char* s) {
    rtPrintText(0, s, PRINT_NEWLINE);
}

} // namespace

int main(int argc, char** argv) {
    rtInit(argc, argv, 0);
    char buffer[96];
    line("junk that CLS clears");
    rtCls(0);
    line("controls: tab|\t|");
    // SMILE, HEART, ESC, a shade, a double frame, sharp s, degree, and the
    // characters HTML escapes.
    line("glyphs: \x01\x03\x1b\xb0\xc9\xcd\xbb\xe1\xf8<&>");
    line("abcd\b\bXY");
    line("CR: 1234\r56");
    line("bell\a");
    static const uint16_t WIDE[] = {'w', 'i', 'd', 'e', ':', ' ', 0x263A, 0x266A, 0};
    rtPrintWideText(0, WIDE, PRINT_NEWLINE);

    int32_t packed = rtLocateEntry(10, 30, -1, 0, 0);
    text("at 10,30");
    int32_t column = 0, row = 0;
    rtGetCursor(&column, &row);
    rtLocateEntry(11, 30, -1, 0, 0);
    std::snprintf(buffer, sizeof buffer, "packed %d cursor %d,%d", static_cast<int>(packed),
                  static_cast<int>(column), static_cast<int>(row));
    text(buffer);

    rtLocateEntry(13, 1, -1, 0, 0);
    int32_t first = rtColor(14, 1, 0);
    text("yellow on blue");
    int32_t second = rtColor(15, -1, 0);
    text(" white on blue");
    int32_t third = rtColor(7, 0, 0);
    std::snprintf(buffer, sizeof buffer, " %d %d %d", static_cast<int>(first),
                  static_cast<int>(second), static_cast<int>(third));
    text(buffer);

    // Seven lines in a view of five rows, then two of its rows cleared.
    rtViewPrint(20, 24, 1);
    for (int i = 1; i <= 6; ++i) {
        std::snprintf(buffer, sizeof buffer, "s%d", i);
        line(buffer);
    }
    text("s7");
    rtViewPrint(22, 23, 1);
    rtCls(2);
    rtViewPrint(0, 0, 0);

    rtLocateEntry(15, 1, -1, 0, 0);
    text("name? ");
    StringDescriptor* typed = rtLineEditNew(0);
    int32_t length = typed ? strLength(typed) : 0;
    rtLocateEntry(16, 1, -1, 0, 0);
    std::snprintf(buffer, sizeof buffer, "typed [%.*s] %d bytes", static_cast<int>(length),
                  typed && typed->data ? typed->data : "", static_cast<int>(length));
    text(buffer);
    rtLocateEntry(0, 0, 0, 0, 0);
    rtEnd(3);
}
