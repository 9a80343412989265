// Key translation, the key ring with Alt + keypad composition, and the
// terminal's key sequences.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "console/key_ring.h"
#include "console/key_sequence.h"
#include "console/keys.h"

namespace {

constexpr int32_t EXT = KEY_STATE_EXTENDED, ALT = KEY_STATE_LEFT_ALT, CTRL = KEY_STATE_LEFT_CTRL,
                  SHIFT = KEY_STATE_SHIFT;

TEST(KeyTranslate, FunctionKeys) {
    EXPECT_EQ(keyTranslate(0, 0x3B, 0x70, 0, 0), 0x3BFF);
    EXPECT_EQ(keyTranslate(0, 0x3B, 0x70, SHIFT, 0), 0x54FF);
    EXPECT_EQ(keyTranslate(0, 0x3B, 0x70, CTRL, 0), 0x5EFF);
    EXPECT_EQ(keyTranslate(0, 0x3B, 0x70, ALT, 0), 0x68FF);
    EXPECT_EQ(keyTranslate(0, 0x3B, 0x70, ALT | CTRL | SHIFT, 0), 0x68FF) << "Alt wins";
    EXPECT_EQ(keyTranslate(0, 0x44, 0x79, 0, 0), 0x44FF);
    EXPECT_EQ(keyTranslate(0, 0x44, 0x79, ALT, 0), 0x71FF);
    EXPECT_EQ(keyTranslate(0, 0x57, 0x7A, 0, 0), 0x85FF);
    EXPECT_EQ(keyTranslate(0, 0x58, 0x7B, 0, 0), 0x86FF);
    EXPECT_EQ(keyTranslate(0, 0x58, 0x7B, ALT, 0), 0x8CFF);
}

TEST(KeyTranslate, LettersWithModifiers) {
    EXPECT_EQ(keyTranslate('a', 0x1E, 'A', 0, 0), 'a');
    EXPECT_EQ(keyTranslate('A', 0x1E, 'A', SHIFT, 0), 'A');
    EXPECT_EQ(keyTranslate('a', 0x1E, 'A', ALT, 0), 0x1EFF);
    EXPECT_EQ(keyTranslate('A', 0x1E, 'A', ALT | SHIFT, 0), 0x1EFF);
    EXPECT_EQ(keyTranslate(1, 0x1E, 'A', CTRL, 0), 1) << "Ctrl+A is the delivered character";
    EXPECT_EQ(keyTranslate(1, 0x1E, 'A', CTRL, 1), -1) << "without the character fallback";
    // A layout that delivers another character for the key keeps that character.
    EXPECT_EQ(keyTranslate('q', 0x1E, 'A', ALT, 0), 'q');
    EXPECT_EQ(keyTranslate('1', 0x02, '1', ALT, 0), 0x78FF);
    EXPECT_EQ(keyTranslate('7', 0x08, '7', ALT, 0), 0x82FF) << "7 and 8 share codes with - and =";
    EXPECT_EQ(keyTranslate(9, 0x0F, 9, SHIFT, 0), 0x0FFF);
}

TEST(KeyTranslate, CursorKeysAndKeypad) {
    EXPECT_EQ(keyTranslate(0, 0x4D, 0x27, EXT, 0), 0x4DFF);
    EXPECT_EQ(keyTranslate(0, 0x4D, 0x27, EXT | CTRL, 0), 0x74FF);
    EXPECT_EQ(keyTranslate(0, 0x4D, 0x27, EXT | ALT, 0), 0x9DFF);
    EXPECT_EQ(keyTranslate(0, 0x4D, 0x27, 0, 0), 0x4DFF) << "keypad 6, NumLock off";
    EXPECT_EQ(keyTranslate('6', 0x4D, 0x66, 0, 0), '6') << "keypad 6, NumLock on";
    EXPECT_EQ(keyTranslate(0, 0x48, 0x26, EXT, 0), 0x48FF);
    EXPECT_EQ(keyTranslate(0, 0x4B, 0x25, EXT, 0), 0x4BFF);
    EXPECT_EQ(keyTranslate(0, 0x50, 0x28, EXT, 0), 0x50FF);
    EXPECT_EQ(keyTranslate(0, 0x35, 0x6F, EXT | SHIFT, 0), '?');
    EXPECT_EQ(keyTranslate(0, 0x1C, 0x0D, EXT | CTRL, 0), 10) << "keypad Enter with Ctrl";
    EXPECT_EQ(keyTranslate(0, 0x30, 0x42, EXT, 0), -1) << "extended key not in the table";
}

TEST(KeyTranslate, AnyEventIsSafe) {
    for (int32_t scan = -3; scan < 300; scan += 7)
        for (int32_t state = 0; state < 0x200; state += 0x11)
            for (int ch : {0, 97, 255})
                keyTranslate(static_cast<uint8_t>(ch), scan, scan * 3, state, 0);
    EXPECT_EQ(keyTranslate('x', 200, 0, 0, 0), 'x') << "unknown scan codes keep the character";
    EXPECT_EQ(keyTranslate(0, 200, 0, 0, 0), -1);
}

TEST(KeyTables, ScanCodesAndVirtualKeys) {
    EXPECT_EQ(keyScanFromVk(0), 1);
    EXPECT_EQ(keyScanFromVk(VKEY_ESCAPE), 1);
    EXPECT_EQ(keyScanFromVk('A'), 0x1E);
    EXPECT_EQ(keyScanFromVk(0x6D), 0x0C) << "the second virtual key also matches";
    EXPECT_EQ(keyScanFromVk(0x10), 0x2A) << "the first entry wins for Shift";
    EXPECT_EQ(keyScanFromVk(0x7B), 0x58);
    EXPECT_EQ(keyScanFromVk(0xFF), 0);
    EXPECT_EQ(scanVkTable[SCAN_VK_ENTRIES].scan, 0);
    EXPECT_EQ(scanVkTable[SCAN_VK_ENTRIES - 1].scan, 0x5D);
    // Only the listed cells carry extended codes.
    int extended = 0;
    for (const auto& row : keyScanTable)
        for (uint16_t v : row)
            extended += v > 255;
    EXPECT_EQ(extended, 63 + 23 + 13 + 25); // Alt, plain, Shift, Ctrl
    EXPECT_EQ(keyScanTable[0x0E][3], 0xE000);
    EXPECT_EQ(keyScanTable[0x4C][2], 0x8F00);
}

KeyEventRecord keyEvent(bool down, int32_t vk, int32_t scan, int32_t ch, int32_t state) {
    KeyEventRecord r = {};
    r.eventType = KEY_EVENT_TYPE;
    r.keyDown = down;
    r.repeatCount = 1;
    r.virtualKey = static_cast<uint16_t>(vk);
    r.scanCode = static_cast<uint16_t>(scan);
    r.character = static_cast<uint16_t>(ch);
    r.controlState = static_cast<uint32_t>(state);
    return r;
}

std::vector<int32_t> drain(ConsoleKeyRing* ring) {
    std::vector<int32_t> codes;
    for (int32_t c; (c = keyRingRead(ring, 1, 1)) != -1;)
        codes.push_back(c);
    return codes;
}

struct Ring : ::testing::Test {
    ConsoleKeyRing ring;
    void SetUp() override { std::memset(static_cast<void*>(&ring), 0, sizeof ring); }
    void feed(KeyEventRecord r) { keyRingFeed(&ring, &r); }
};

TEST_F(Ring, AltAndKeypadComposeOneCharacter) {
    feed(keyEvent(true, 0x12, 0x38, 0, ALT));
    feed(keyEvent(true, 0x66, 0x4D, 0, ALT));
    feed(keyEvent(false, 0x66, 0x4D, 0, ALT));
    feed(keyEvent(true, 0x65, 0x4C, 0, ALT));
    feed(keyEvent(false, 0x65, 0x4C, 0, ALT));
    EXPECT_EQ(ring.readIndex, ring.writeIndex) << "nothing before Alt is released";
    feed(keyEvent(false, 0x12, 0x38, 0, 0));
    EXPECT_EQ(drain(&ring), std::vector<int32_t>{65});
    feed(keyEvent(false, 0x12, 0x38, 0, 0));
    EXPECT_TRUE(drain(&ring).empty()) << "delivered once";
    // Only the low byte of a long number arrives; no overflow on many digits.
    for (int i = 0; i < 40; ++i)
        feed(keyEvent(true, 0x69, 0x49, 0, ALT));
    feed(keyEvent(false, 0x12, 0x38, 0, 0));
    uint32_t expected = 0;
    for (int i = 0; i < 40; ++i)
        expected = (expected * 10 + 9) & 0xFF;
    EXPECT_EQ(drain(&ring), std::vector<int32_t>{static_cast<int32_t>(expected)});
}

TEST_F(Ring, EventsWithoutCodesAndRepeatsAndOtherTypes) {
    feed(keyEvent(true, 0x10, 0x2A, 0, SHIFT)); // Shift alone
    feed(keyEvent(false, 'A', 0x1E, 'a', 0));   // a release
    KeyEventRecord repeated = keyEvent(true, 'B', 0x30, 'b', 0);
    repeated.repeatCount = 5;
    feed(repeated);
    KeyEventRecord zero = keyEvent(true, 'C', 0x2E, 'c', 0);
    zero.repeatCount = 0;
    feed(zero);
    KeyEventRecord mouse = keyEvent(true, 'D', 0x20, 'd', 0);
    mouse.eventType = 2;
    feed(mouse);
    keyRingFeed(&ring, nullptr);
    EXPECT_EQ(drain(&ring), std::vector<int32_t>{'b'}) << "one code per event";
}

TEST_F(Ring, FullRingDropsTheOldest) {
    for (int32_t i = 1; i <= 511; ++i)
        keyRingStore(&ring, i, nullptr);
    EXPECT_EQ(ring.readIndex, 0);
    keyRingStore(&ring, 512, nullptr);
    std::vector<int32_t> codes = drain(&ring);
    ASSERT_EQ(codes.size(), 511u);
    EXPECT_EQ(codes.front(), 2);
    EXPECT_EQ(codes.back(), 512);
}

TEST_F(Ring, ByteWiseReadsSplitExtendedCodes) {
    keyRingStore(&ring, 0x3BFF, nullptr);
    keyRingStore(&ring, 'x', nullptr);
    EXPECT_EQ(keyArrivedAndClear(&ring), 1);
    EXPECT_EQ(keyArrivedAndClear(&ring), 0);
    EXPECT_EQ(keyRingRead(&ring, 0, 0), 255);
    EXPECT_EQ(keyRingRead(&ring, 0, 1), 0x3B);
    EXPECT_EQ(keyRingRead(&ring, 1, 0), 'x');
    EXPECT_EQ(keyRingRead(&ring, 1, 1), 'x');
    EXPECT_EQ(keyRingRead(&ring, 1, 1), -1);
}

// Decodes a whole byte string as one burst of input.
std::vector<int32_t> decode(const std::string& bytes) {
    std::vector<int32_t> codes;
    const auto* at = reinterpret_cast<const uint8_t*>(bytes.data());
    int32_t left = static_cast<int32_t>(bytes.size());
    while (left > 0) {
        int32_t code = -1;
        int32_t n = keySequenceDecode(at, left, 1, &code);
        EXPECT_GT(n, 0);
        if (n <= 0) break;
        if (code != -1) codes.push_back(code);
        at += n;
        left -= n;
    }
    return codes;
}

using Codes = std::vector<int32_t>;

TEST(KeySequence, CursorAndEditingKeys) {
    EXPECT_EQ(decode("\x1b[A\x1b[B\x1b[C\x1b[D"), (Codes{0x48FF, 0x50FF, 0x4DFF, 0x4BFF}));
    EXPECT_EQ(decode("\x1bOA\x1bOD\x1b[H\x1b[F\x1bOH"),
              (Codes{0x48FF, 0x4BFF, 0x47FF, 0x4FFF, 0x47FF}));
    EXPECT_EQ(decode("\x1b[2~\x1b[3~\x1b[5~\x1b[6~\x1b[1~\x1b[4~"),
              (Codes{0x52FF, 0x53FF, 0x49FF, 0x51FF, 0x47FF, 0x4FFF}));
    EXPECT_EQ(decode("\x1b[1;5C\x1b[1;3C\x1b[1;2C\x1b[3;5~"),
              (Codes{0x74FF, 0x9DFF, 0x4DFF, 0x93FF}));
    EXPECT_EQ(decode("\x1b[E\x1b[Z"), (Codes{0x4CFF, 0x0FFF}));
}

TEST(KeySequence, FunctionKeys) {
    EXPECT_EQ(decode("\x1bOP\x1bOQ\x1bOR\x1bOS"), (Codes{0x3BFF, 0x3CFF, 0x3DFF, 0x3EFF}));
    EXPECT_EQ(decode("\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~"),
              (Codes{0x3FFF, 0x40FF, 0x44FF, 0x85FF, 0x86FF}));
    EXPECT_EQ(decode("\x1b[1;2P\x1b[1;5P\x1b[1;3P\x1b[11~\x1b[[A\x1b[[E"),
              (Codes{0x54FF, 0x5EFF, 0x68FF, 0x3BFF, 0x3BFF, 0x3FFF}));
    EXPECT_EQ(decode("\x1b[24;5~"), (Codes{0x8AFF}));
}

TEST(KeySequence, CharactersAltAndEscape) {
    EXPECT_EQ(decode("a\x01\r\x7f"), (Codes{'a', 1, 13, 8}));
    EXPECT_EQ(decode("\x1b"
                     "a\x1b"
                     "A\x1b"
                     "1"),
              (Codes{0x1EFF, 0x1EFF, 0x78FF}));
    EXPECT_EQ(decode("\x1b"), (Codes{27}));
    EXPECT_EQ(decode("\x1b\x1b"), (Codes{27, 27}));
    EXPECT_EQ(decode("\x1b-"), (Codes{27, '-'}));
    EXPECT_EQ(decode("\x1b[99~x"), (Codes{'x'})) << "unknown sequences are dropped whole";
}

TEST(KeySequence, TypedUtf8BecomesCodePage437) {
    // é, Ñ, the euro sign (not in the code page), and bytes that are no UTF-8.
    EXPECT_EQ(decode("\xc3\xa9\xc3\x91\xe2\x82\xac"), (Codes{0x82, 0xA5, '?'}));
    EXPECT_EQ(decode("\xc3"
                     "A\xe9"),
              (Codes{0xC3, 'A', 0xE9}));
    int32_t code = 0;
    const uint8_t split[] = {0xE2, 0x94, 0x80}; // a box line, U+2500
    EXPECT_EQ(keySequenceDecode(split, 2, 0, &code), 0) << "waits for the rest";
    EXPECT_EQ(keySequenceDecode(split, 3, 0, &code), 3);
    EXPECT_EQ(code, 0xC4);
}

TEST(KeySequence, IncompleteSequencesWaitForMoreBytes) {
    int32_t code = 0;
    const uint8_t partial[] = {27, '[', '1', ';'};
    for (int32_t n = 1; n <= 4; ++n)
        EXPECT_EQ(keySequenceDecode(partial, n, 0, &code), 0);
    EXPECT_EQ(keySequenceDecode(partial, 4, 1, &code), 1) << "time is up: the Escape key";
    EXPECT_EQ(code, 27);
    const uint8_t broken[] = {27, '[', '1', '\n'};
    EXPECT_EQ(keySequenceDecode(broken, 4, 0, &code), 1);
    EXPECT_EQ(code, 27);
    EXPECT_EQ(keySequenceDecode(nullptr, 3, 1, &code), 0);
    // A long run of digits neither overflows nor runs past the bytes.
    std::string digits = "\x1b[" + std::string(100, '9') + ";" + std::string(100, '9') + "~";
    EXPECT_EQ(decode(digits), Codes{});
}

} // namespace
