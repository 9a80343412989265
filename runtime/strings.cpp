// String descriptors: the temporary pool, the capacity rule, assignment and the
// producers of temporary strings.
#include "runtime/strings.h"

#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "runtime/runtime.h"

namespace {

// One pool node: the list links, then the descriptor handed out. A free node
// has a null `prev`; used nodes hang in a doubly linked list behind `usedHead`.
struct TempNode {
    TempNode* next;
    TempNode* prev;
    StringDescriptor descriptor;
};

struct TempPool {
    TempNode nodes[STR_POOL_SIZE];
    TempNode* freeList;
    TempNode usedHead; // sentinel
    int32_t freeCount;
    bool built;
};

TempPool tempPool;

void poolBuild() {
    if (tempPool.built) return;
    tempPool.freeList = nullptr;
    for (int i = STR_POOL_SIZE - 1; i >= 0; --i) {
        TempNode* node = &tempPool.nodes[i];
        node->prev = nullptr;
        node->next = tempPool.freeList;
        tempPool.freeList = node;
    }
    tempPool.usedHead.next = &tempPool.usedHead;
    tempPool.usedHead.prev = &tempPool.usedHead;
    tempPool.freeCount = STR_POOL_SIZE;
    tempPool.built = true;
}

// The node whose descriptor this is, or null for any other address.
TempNode* poolNode(const StringDescriptor* descriptor) {
    auto address = reinterpret_cast<uintptr_t>(descriptor);
    auto first = reinterpret_cast<uintptr_t>(&tempPool.nodes[0].descriptor);
    if (address < first) return nullptr;
    uintptr_t offset = address - first;
    if (offset % sizeof(TempNode) != 0 || offset / sizeof(TempNode) >= STR_POOL_SIZE)
        return nullptr;
    return &tempPool.nodes[offset / sizeof(TempNode)];
}

StringDescriptor* nullString() {
    return &rtState.nullString;
}

bool ownsData(const StringDescriptor* s) {
    return s->data && s->capacity >= (s->length & STR_LENGTH_MASK);
}

void makeEmpty(StringDescriptor* s) {
    if (ownsData(s)) std::free(s->data);
    s->data = nullptr;
    s->length = 0;
    s->capacity = 0;
}

// Empty (no bytes), but still temporary when it was.
void clearKeepingFlag(StringDescriptor* d) {
    d->data = nullptr;
    d->length &= STR_TEMP;
    d->capacity = 0;
}

void setLength(StringDescriptor* s, int32_t length) {
    s->length = (s->length & STR_TEMP) | length;
}

// Blocks of 32 bytes, in 64 bits so that lengths near 2^31 cannot overflow.
int64_t roundUp32(int32_t length) {
    return (static_cast<int64_t>(length) + 31) & ~int64_t{31};
}

// A source argument resolved to its bytes.
struct Source {
    const char* bytes;
    int32_t length;
    StringDescriptor* descriptor; // consumed at the end, when given
};

Source sourceOf(void* source, int32_t sourceLength) {
    Source s{nullptr, 0, nullptr};
    if (!source) return s;
    if (sourceLength == -1) {
        s.descriptor = static_cast<StringDescriptor*>(source);
        s.bytes = s.descriptor->data;
        s.length = s.bytes ? strLength(s.descriptor) : 0;
        return s;
    }
    if (sourceLength < 0) return s;
    s.bytes = static_cast<const char*>(source);
    size_t n = sourceLength > 0 ? strnlen(s.bytes, static_cast<size_t>(sourceLength))
                                : std::strlen(s.bytes);
    s.length = n > static_cast<size_t>(STR_LENGTH_MASK) ? STR_LENGTH_MASK : static_cast<int32_t>(n);
    return s;
}

bool overlaps(const char* bytes, const StringDescriptor* d) {
    if (!bytes || !d->data) return false;
    auto p = reinterpret_cast<uintptr_t>(bytes);
    auto start = reinterpret_cast<uintptr_t>(d->data);
    return p >= start && p <= start + static_cast<uintptr_t>(strLength(d));
}

// Exact allocation: the length rounded up to 32 bytes, else exactly the length.
bool allocateExact(StringDescriptor* d, int32_t length) {
    int64_t capacity = roundUp32(length);
    char* data =
        capacity <= STR_LENGTH_MASK ? static_cast<char*>(std::malloc(capacity + 1)) : nullptr;
    if (!data) {
        capacity = length;
        data = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    }
    if (!data) {
        clearKeepingFlag(d);
        return false;
    }
    d->data = data;
    d->capacity = static_cast<int32_t>(capacity);
    setLength(d, length);
    return true;
}

} // namespace

// ---- the temporary pool ----------------------------------------------------

StringDescriptor* strTempAlloc() {
    poolBuild();
    TempNode* node = tempPool.freeList;
    if (!node) return nullptr;
    tempPool.freeList = node->next;
    node->next = tempPool.usedHead.next;
    node->prev = &tempPool.usedHead;
    node->next->prev = node;
    tempPool.usedHead.next = node;
    --tempPool.freeCount;
    node->descriptor = StringDescriptor{nullptr, 0, 0};
    return &node->descriptor;
}

int32_t strTempRelease(StringDescriptor* descriptor) {
    TempNode* node = poolNode(descriptor);
    if (!node || !tempPool.built || !node->prev) return -1; // not ours, or already free
    node->prev->next = node->next;
    node->next->prev = node->prev;
    node->prev = nullptr;
    node->next = tempPool.freeList;
    tempPool.freeList = node;
    ++tempPool.freeCount;
    return 0;
}

int32_t strTempFreeCount() {
    poolBuild();
    return tempPool.freeCount;
}

bool strIsPoolDescriptor(const StringDescriptor* descriptor) {
    return poolNode(descriptor) != nullptr;
}

StringDescriptor* strTempFromBuffer(const char* bytes, int32_t length) {
    StringDescriptor* d = strTempAlloc();
    if (!d) return nullString();
    if (bytes && length > 0) {
        d->data = const_cast<char*>(bytes); // referred to, never written: capacity stays 0
        d->length = length;
    }
    return d;
}

StringDescriptor* strTempCopyRef(StringDescriptor* source) {
    if (!source) return nullString();
    StringDescriptor* d = strTempAlloc();
    if (!d) return nullString();
    int32_t length = strLength(source);
    if (source->data && length > 0) {
        d->data = source->data;
        d->length = length;
    }
    return d;
}

int32_t strDelete(StringDescriptor* descriptor) {
    if (!descriptor) return -1;
    if (descriptor == nullString()) return 0;
    if (descriptor->length & STR_TEMP) makeEmpty(descriptor);
    strTempRelease(descriptor);
    return 0;
}

// ---- capacity --------------------------------------------------------------

// Without keep, a failure leaves the descriptor empty; with keep, the old
// buffer stays as it was.
StringDescriptor* strGrow(StringDescriptor* d, int32_t length, int32_t keep) {
    if (!d || d == nullString() || length < 0) return nullptr;
    if (length == 0) { // the empty string has no buffer; a temporary stays one
        int32_t flag = d->length & STR_TEMP;
        makeEmpty(d);
        d->length = flag;
        return d;
    }
    int64_t rounded = roundUp32(length);
    int64_t wanted = rounded + rounded / 8;
    int64_t capacity = d->capacity;
    bool owned = ownsData(d);
    if (owned && capacity >= length && wanted >= capacity - capacity / 8) {
        setLength(d, length);
        d->data[length] = 0;
        return d;
    }
    int32_t oldLength = strLength(d);
    char* data = nullptr;
    for (int attempt = 0; attempt < 2 && !data; ++attempt) {
        int64_t want = attempt == 0 ? wanted : length;
        if (want > STR_LENGTH_MASK) continue;
        size_t bytes = static_cast<size_t>(want) + 1;
        if (keep && owned) {
            data = static_cast<char*>(std::realloc(d->data, bytes));
        } else {
            if (!keep && owned) { // without keep the old bytes go first
                std::free(d->data);
                d->data = nullptr;
                owned = false;
            }
            data = static_cast<char*>(std::malloc(bytes));
            if (data && keep && d->data && oldLength > 0) // bytes referred to, copied over
                std::memcpy(data, d->data,
                            static_cast<size_t>(oldLength < length ? oldLength : length));
        }
        if (data) capacity = want;
    }
    if (!data) {
        if (!keep) clearKeepingFlag(d);
        return nullptr;
    }
    d->data = data;
    d->capacity = static_cast<int32_t>(capacity);
    setLength(d, length);
    d->data[length] = 0;
    return d;
}

StringDescriptor* strAllocTemp(StringDescriptor* descriptorOrNull, int32_t length) {
    StringDescriptor* d = descriptorOrNull;
    bool taken = false;
    if (!d || d == nullString()) {
        d = strTempAlloc();
        if (!d) return nullptr;
        taken = true;
    }
    if (length < 0 || !strGrow(d, length, 0)) {
        if (taken) strTempRelease(d);
        return nullptr;
    }
    d->length |= STR_TEMP;
    return d;
}

// ---- assignment ------------------------------------------------------------

void* strAssign(void* destination, int32_t destinationLength, void* sourceArg, int32_t sourceLength,
                int32_t fillRest, int32_t destinationIsNew) {
    Source source = sourceOf(sourceArg, sourceLength);
    if (!destination || destinationLength < -1) {
        strDelete(source.descriptor);
        return nullptr;
    }
    if (destinationLength != -1) {
        auto* buffer = static_cast<char*>(destination);
        size_t n = static_cast<size_t>(source.length);
        if (destinationLength > 0 && n > static_cast<size_t>(destinationLength - 1))
            n = static_cast<size_t>(destinationLength - 1);
        if (n) std::memmove(buffer, source.bytes, n);
        buffer[n] = 0;
        if (fillRest && destinationLength > 0)
            std::memset(buffer + n, 0, static_cast<size_t>(destinationLength) - n);
        strDelete(source.descriptor);
        return destination;
    }

    auto* d = static_cast<StringDescriptor*>(destination);
    if (d == nullString()) { // the shared empty string is never written
        strDelete(source.descriptor);
        return nullptr;
    }
    if (source.descriptor == d) return d;
    if (destinationIsNew) *d = StringDescriptor{nullptr, 0, 0};

    if (source.descriptor && (source.descriptor->length & STR_TEMP) &&
        ownsData(source.descriptor)) {
        // A temporary hands over its buffer.
        makeEmpty(d);
        d->data = source.descriptor->data;
        d->length = source.length;
        d->capacity = source.descriptor->capacity;
        *source.descriptor = StringDescriptor{nullptr, 0, 0};
        strDelete(source.descriptor);
        return d;
    }
    if (source.length == 0) {
        makeEmpty(d);
        strDelete(source.descriptor);
        return d;
    }
    // Bytes that live in the destination's own buffer are saved before it changes.
    const char* bytes = source.bytes;
    char* saved = nullptr;
    if (overlaps(bytes, d)) {
        saved = static_cast<char*>(std::malloc(static_cast<size_t>(source.length)));
        if (!saved) {
            strDelete(source.descriptor);
            return d;
        }
        std::memcpy(saved, bytes, static_cast<size_t>(source.length));
        bytes = saved;
    }
    bool room;
    if (destinationIsNew)
        room = allocateExact(d, source.length);
    else if (source.length != strLength(d) || !ownsData(d))
        room = strGrow(d, source.length, 0) != nullptr;
    else
        room = true;
    if (room) {
        std::memcpy(d->data, bytes, static_cast<size_t>(source.length));
        d->data[source.length] = 0;
    }
    std::free(saved);
    strDelete(source.descriptor);
    return d;
}

void* strAssignNew(void* destination, int32_t destinationLength, void* source, int32_t sourceLength,
                   int32_t fillRest) {
    return strAssign(destination, destinationLength, source, sourceLength, fillRest, -1);
}

void* strAssignExisting(void* destination, int32_t destinationLength, void* source,
                        int32_t sourceLength, int32_t fillRest) {
    return strAssign(destination, destinationLength, source, sourceLength, fillRest, 0);
}

void* strConcatAssign(void* destination, int32_t destinationLength, void* sourceArg,
                      int32_t sourceLength, int32_t fillRest) {
    Source source = sourceOf(sourceArg, sourceLength);
    if (!destination || destinationLength < -1) {
        strDelete(source.descriptor);
        return nullptr;
    }
    if (destinationLength != -1) {
        auto* buffer = static_cast<char*>(destination);
        size_t current = destinationLength > 0
                             ? strnlen(buffer, static_cast<size_t>(destinationLength))
                             : std::strlen(buffer);
        size_t n = static_cast<size_t>(source.length);
        if (destinationLength > 0) {
            size_t room = current < static_cast<size_t>(destinationLength)
                              ? static_cast<size_t>(destinationLength) - 1 - current
                              : 0;
            if (n > room) n = room;
        }
        if (current < static_cast<size_t>(destinationLength) || destinationLength == 0) {
            if (n) std::memmove(buffer + current, source.bytes, n);
            buffer[current + n] = 0;
            if (fillRest && destinationLength > 0)
                std::memset(buffer + current + n, 0,
                            static_cast<size_t>(destinationLength) - current - n);
        }
        strDelete(source.descriptor);
        return destination;
    }

    auto* d = static_cast<StringDescriptor*>(destination);
    if (d == nullString()) {
        strDelete(source.descriptor);
        return nullptr;
    }
    int32_t oldLength = strLength(d);
    if (source.length > 0 && source.length <= STR_LENGTH_MASK - oldLength) {
        // Appending a piece of itself: find it again after the buffer moves.
        bool inside = overlaps(source.bytes, d);
        ptrdiff_t offset = inside ? source.bytes - d->data : 0;
        if (strGrow(d, oldLength + source.length, 1)) {
            const char* bytes = inside ? d->data + offset : source.bytes;
            std::memmove(d->data + oldLength, bytes, static_cast<size_t>(source.length));
            d->data[oldLength + source.length] = 0;
        }
    }
    if (source.descriptor != d) strDelete(source.descriptor);
    return d;
}

// ---- conversions and producers ----------------------------------------------

int32_t strToWide(uint16_t* destination, int32_t size, void* sourceArg, int32_t sourceLength) {
    Source source = sourceOf(sourceArg, sourceLength);
    int32_t result = -1;
    if (destination && size >= 0) {
        destination[0] = 0;
        size_t limit = static_cast<size_t>(source.length);
        if (size > 0 && limit > static_cast<size_t>(size - 1))
            limit = static_cast<size_t>(size - 1);
        // The conversion needs NUL-terminated input and wchar_t output; both are
        // staged so that descriptors that merely refer to bytes work too.
        char* text = static_cast<char*>(std::malloc(static_cast<size_t>(source.length) + 1));
        auto* wide = static_cast<wchar_t*>(std::malloc((limit + 1) * sizeof(wchar_t)));
        if (text && wide) {
            if (source.length) std::memcpy(text, source.bytes, static_cast<size_t>(source.length));
            text[source.length] = 0;
            size_t n = std::mbstowcs(wide, text, limit);
            if (n != static_cast<size_t>(-1)) {
                for (size_t i = 0; i < n; ++i) {
                    auto c = static_cast<uint32_t>(wide[i]);
                    destination[i] = static_cast<uint16_t>(c > 0xFFFF ? 0xFFFD : c);
                }
                destination[n] = 0;
                result = static_cast<int32_t>(n);
            }
        }
        std::free(text);
        std::free(wide);
    }
    strDelete(source.descriptor);
    return result;
}

StringDescriptor* strMid(StringDescriptor* source, int32_t start, int32_t length) {
    StringDescriptor* result = nullString();
    int32_t sourceLength = source && source->data ? strLength(source) : 0;
    if (sourceLength > 0 && start >= 1 && start <= sourceLength && length != 0) {
        int32_t available = sourceLength - start + 1;
        int32_t n = length < 0 || length > available ? available : length;
        StringDescriptor* copy = strAllocTemp(nullptr, n);
        if (copy) {
            std::memcpy(copy->data, source->data + start - 1, static_cast<size_t>(n));
            copy->data[n] = 0;
            result = copy;
        }
    }
    strDelete(source);
    return result;
}

StringDescriptor* strFill(int32_t count, int32_t byte) {
    if (count <= 0) return nullString();
    StringDescriptor* d = strAllocTemp(nullptr, count);
    if (!d) return nullString();
    std::memset(d->data, byte & 0xFF, static_cast<size_t>(count));
    d->data[count] = 0;
    return d;
}

StringDescriptor* strChr(int32_t count, ...) {
    if (count <= 0) return nullString();
    StringDescriptor* d = strAllocTemp(nullptr, count);
    va_list values;
    va_start(values, count);
    for (int32_t i = 0; i < count; ++i) {
        int value = va_arg(values, int);
        if (d) d->data[i] = static_cast<char>(value);
    }
    va_end(values);
    if (!d) return nullString();
    d->data[count] = 0;
    return d;
}
