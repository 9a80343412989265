// The way back from Unicode to code page 437 (the glyphs themselves are
// checked against Python's codec by cp437_test.py).
#include <gtest/gtest.h>

#include "console/cp437.h"

TEST(Cp437, EveryGlyphLeadsBackToItsByteAndOthersToAQuestionMark) {
    for (int byte = 1; byte < 256; ++byte)
        EXPECT_EQ(cp437FromUnicode(cp437ToUnicode(static_cast<uint8_t>(byte))), byte) << byte;
    EXPECT_EQ(cp437FromUnicode(27), 27) << "a control stays a control";
    EXPECT_EQ(cp437FromUnicode(0), 0);
    for (uint32_t none : {0x80u, 0xE3u, 0x20ACu, 0xD800u, 0x1F600u, 0x110000u})
        EXPECT_EQ(cp437FromUnicode(none), '?') << none;
}
