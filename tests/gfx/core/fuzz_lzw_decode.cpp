// libFuzzer target for the LZW decoder (built by tools/fuzz_lzw.sh with
// clang, AddressSanitizer and UBSan). The first two bytes of an input choose
// the output capacity, the rest is the stream. The output buffer is exactly
// that large, so any write past it is caught; the result must be 0 or -1 with
// a length inside the capacity.
#include "gfx/core/builtin_data.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int32_t capacity = int32_t(data[0] | data[1] << 8) * 4;
    const size_t streamSize = size - 2;
    // Copies sized exactly, so reads past either end are caught too.
    uint8_t* stream = static_cast<uint8_t*>(std::malloc(streamSize ? streamSize : 1));
    uint8_t* output = static_cast<uint8_t*>(std::malloc(capacity ? size_t(capacity) : 1));
    if (!stream || !output) std::abort();
    std::memcpy(stream, data + 2, streamSize);
    int32_t length = capacity;
    const int32_t rc = gfxLzwDecode(streamSize ? stream : nullptr, int32_t(streamSize),
                                    capacity ? output : nullptr, &length);
    if (rc != 0 && rc != -1) std::abort();
    if (length < 0 || length > capacity) std::abort();
    if (rc == 0 && length == 0) std::abort(); // a good stream writes its first byte
    std::free(stream);
    std::free(output);
    return 0;
}
