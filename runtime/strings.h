// String values: a descriptor with a temporary flag. Temporary descriptors come
// from a fixed pool and are released by whoever consumes them.
#pragma once

#include <cstdint>

constexpr int32_t STR_TEMP = INT32_MIN; // bit 31 of `length`: the consumer frees `data`
constexpr int32_t STR_LENGTH_MASK = 0x7FFFFFFF;

struct StringDescriptor {
    char* data;       // followed by a NUL when the runtime allocated it; null when empty
    int32_t length;   // byte count in bits 0..30, STR_TEMP in bit 31
    int32_t capacity; // bytes allocated for data, not counting the NUL
};

inline int32_t strLength(const StringDescriptor* s) {
    return s ? (s->length & STR_LENGTH_MASK) : 0;
}
