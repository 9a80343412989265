// Drives the console with its output redirected: the parent reads what arrives.
//   print  - control characters and wide text, then the geometry and colours
//            it sees
//   message - the demonstration's message, with its ESC byte
//   table  - every byte, then the UTF-16 units 0 to 255, a surrogate pair and
//            a lone surrogate
//   keys   - the codes of the keys on standard input until it ends or Escape
//            is pressed (POSIX), in yellow on blue
#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "runtime/runtime.h"

namespace {

void printText(const char* text) {
    rtPrintBytes(reinterpret_cast<const uint8_t*>(text), static_cast<int32_t>(std::strlen(text)),
                 0);
}

int printCase() {
    static const uint8_t raw[] = {'a', 9, 'b', 13, 10, 7, 8, 27, 0, 255, 12, 'z'};
    rtPrintBytes(raw, sizeof raw, 0);
    static const uint16_t wide[] = {'W', 0x263A, 0x0A};
    rtPrintWide(wide, 3, 0);
    rtPrintBytes(raw, 0, 0x100); // bookkeeping only: writes nothing
    int32_t columns = 0, rows = 0;
    rtGetSize(&columns, &rows);
    int32_t width = rtWidth(0, 0);
    int32_t position = 0;
    rtLocate(5, 7, 0, &position);
    rtCls(0);
    // Yellow on blue, then both left as they are: the second reports the first.
    rtColor(14, 1, 0);
    int32_t colors = rtColor(-1, -1, 0);
    char line[96];
    std::snprintf(line, sizeof line, "|size %dx%d width %d locate %d page %d color %d|", columns,
                  rows, width, position, rtPageSet(4, 0), colors);
    printText(line);
    return 0;
}

int tableCase() {
    uint8_t bytes[256];
    uint16_t wide[259];
    for (int i = 0; i < 256; ++i)
        wide[i] = bytes[i] = static_cast<uint8_t>(i);
    wide[256] = 0xD83D; // U+1F600
    wide[257] = 0xDE00;
    wide[258] = 0xDC00;
    rtPrintBytes(bytes, 256, 0);
    rtPrintWide(wide, 259, 0);
    return 0;
}

int keysCase() {
    rtColor(14, 1, 0);
    char line[32];
    for (int32_t code; (code = rtWaitKey()) != 0 && code != 27;) {
        std::snprintf(line, sizeof line, "%d ", code);
        printText(line);
    }
    printText("end");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    rtInit(argc, argv, 0);
    if (argc > 1 && std::strcmp(argv[1], "print") == 0) return printCase();
    if (argc > 1 && std::strcmp(argv[1], "keys") == 0) return keysCase();
    if (argc > 1 && std::strcmp(argv[1], "table") == 0) return tableCase();
    if (argc > 1 && std::strcmp(argv[1], "message") == 0) {
        printText("presionar \x1b ESC para salir");
        return 0;
    }
    return 2;
}
