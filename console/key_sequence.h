// Turns the bytes a terminal sends for a key into the system's key codes: the
// escape sequences of the cursor, editing and function keys (with their
// Shift/Alt/Ctrl parameter), ESC + letter or digit as Alt, DEL as backspace,
// characters typed as UTF-8 as their code page 437 byte ('?' for those it
// lacks), and every other byte as itself. Portable.
#pragma once

#include <cstdint>

// Decodes the key at the start of bytes[0..count). Returns the number of bytes
// it used and stores the code (or -1 for a sequence without one). Returns 0
// when the bytes are the incomplete start of a sequence and more may follow;
// with `complete` set (no more bytes are coming soon) it never returns 0 for a
// non-empty input: a lone ESC is then the Escape key.
int32_t keySequenceDecode(const uint8_t* bytes, int32_t count, int32_t complete, int32_t* code);
