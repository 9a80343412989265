// String values: a descriptor with a temporary flag. Temporary descriptors come
// from a fixed pool of 256 and are released by whoever consumes them.
//
// Contract:
// - A descriptor with STR_TEMP owns its bytes for the consumer, who frees them
//   (strDelete). Every operation that takes a source descriptor consumes it.
// - Sources and destinations are told apart by a length argument: -1 means a
//   StringDescriptor*, any other value a plain byte buffer (for a source: read up
//   to its NUL, at most that many bytes when positive; for a destination: a
//   fixed-size buffer of that many bytes, 0 meaning unbounded).
// - A descriptor whose capacity is below its length refers to bytes it does not
//   own (strTempFromBuffer, strTempCopyRef): they are never freed, reallocated
//   or written in place.
// - Allocation failures yield `nullString` (or null where stated), never an abort.
#pragma once

#include <cstdint>

constexpr int32_t STR_TEMP = INT32_MIN; // bit 31 of `length`: the consumer frees `data`
constexpr int32_t STR_LENGTH_MASK = 0x7FFFFFFF;
constexpr int32_t STR_POOL_SIZE = 256;

struct StringDescriptor {
    char* data;       // followed by a NUL when the runtime allocated it; null when empty
    int32_t length;   // byte count in bits 0..30, STR_TEMP in bit 31
    int32_t capacity; // bytes allocated for data, not counting the NUL
};

inline int32_t strLength(const StringDescriptor* s) {
    return s ? (s->length & STR_LENGTH_MASK) : 0;
}

// Temporary pool. A pool descriptor is recognised by its address.
StringDescriptor* strTempFromBuffer(const char* bytes, int32_t length); // refers, no copy
StringDescriptor* strTempAlloc();                     // zeroed, or null when exhausted
int32_t strTempRelease(StringDescriptor* descriptor); // 0, or -1 if not a used pool node
int32_t strTempFreeCount();                           // free pool nodes (for checks)
bool strIsPoolDescriptor(const StringDescriptor* descriptor);
StringDescriptor* strTempCopyRef(StringDescriptor* source); // shares data, not STR_TEMP

// Frees the bytes of a temporary and returns a pool descriptor to the pool;
// -1 for null.
extern "C" int32_t strDelete(StringDescriptor* descriptor);

// Room for `length` bytes by the capacity rule (blocks of 32 plus an eighth);
// `keep` preserves the contents. Null on failure (see strings.cpp for what the
// descriptor holds then).
StringDescriptor* strGrow(StringDescriptor* descriptor, int32_t length, int32_t keep);
// Room for `length` bytes, marked STR_TEMP; a pool descriptor is taken when
// none is given. Null on failure (a descriptor taken here is released).
StringDescriptor* strAllocTemp(StringDescriptor* descriptorOrNull, int32_t length);

// Assignment and append; both return the destination (null when it is unusable).
void* strAssign(void* destination, int32_t destinationLength, void* source, int32_t sourceLength,
                int32_t fillRest, int32_t destinationIsNew);
void* strAssignNew(void* destination, int32_t destinationLength, void* source, int32_t sourceLength,
                   int32_t fillRest);
void* strAssignExisting(void* destination, int32_t destinationLength, void* source,
                        int32_t sourceLength, int32_t fillRest);
void* strConcatAssign(void* destination, int32_t destinationLength, void* source,
                      int32_t sourceLength, int32_t fillRest);

// Multibyte to 16-bit characters; `size` counts characters (0 = unbounded).
// Returns the characters converted, or -1 (destination left empty).
int32_t strToWide(uint16_t* destination, int32_t size, void* source, int32_t sourceLength);

// Producers of temporaries; `nullString` when empty or out of memory.
StringDescriptor* strMid(StringDescriptor* source, int32_t start, int32_t length);
StringDescriptor* strFill(int32_t count, int32_t byte);
StringDescriptor* strChr(int32_t count, ...);
