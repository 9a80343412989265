// The console with its output redirected to a pipe: bytes arrive unchanged,
// wide text as UTF-16 units, and the geometry is the 80 x 25 fallback with
// LOCATE, CLS and WIDTH doing nothing.
#include <gtest/gtest.h>

#include <string>

#include "child_output.h"

TEST(RedirectedConsole, OutputArrivesUnchangedWithTheFallbackGeometry) {
    std::string output;
    ASSERT_EQ(runConsoleChild("print", &output), 0);
    const std::string raw("a\tb\r\n\x07\x08\x1b\0\xff\x0cz", 12);
    const std::string wide("W\0\x3A\x26\x0A\0", 6);
    const std::string tail = "|size 80x25 width 0 locate 1287 page -1|";
    EXPECT_EQ(output, raw + wide + tail);
}

#ifndef _WIN32
TEST(RedirectedConsole, KeysFromAByteStream) {
    std::string output;
    // Printable bytes, a cursor key, F12, Alt+A and DEL; then the input ends.
    ASSERT_EQ(runConsoleChild("keys", &output, "a\\033[C\\033[24~\\033a\\177"), 0);
    EXPECT_EQ(output, "97 19967 34559 7935 8 end");
}
#endif
