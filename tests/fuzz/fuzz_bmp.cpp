// libFuzzer target over the bitmap decoder (tools/fuzz.sh bmp): any bytes are
// decoded; what decodes is written back and decoded again, and must come back
// the same (indices, palette, colours, alpha). The input is a copy exactly as
// long as the file, so a read past it is an AddressSanitizer report.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx/image/bmp_codec.h"

namespace {

// Pictures of at most this many bytes: a tiny run-length stream may ask for a
// screen's worth, which only slows the search down.
constexpr uint64_t FUZZ_MAX_BYTES = 4u << 20;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BmpPicture first;
    if (bmpDecode({data, size}, &first, FUZZ_MAX_BYTES) != 0) {
        check(!first.pixels && first.width == 0);
        return 0;
    }
    check(first.width > 0 && first.height > 0 && first.pixels);
    check(first.paletteCount >= (first.indexed ? 1 : 0) && first.paletteCount <= 256);
    size_t bytes = bmpEncodedSize(first);
    check(bytes > 0);
    auto* file = static_cast<uint8_t*>(std::malloc(bytes));
    if (file) {
        bmpEncode(first, file);
        BmpPicture second;
        check(bmpDecode({file, bytes}, &second, FUZZ_MAX_BYTES) == 0);
        check(second.width == first.width && second.height == first.height);
        check(second.indexed == first.indexed && second.hasAlpha == first.hasAlpha);
        check(second.paletteCount == first.paletteCount);
        check(std::memcmp(second.palette, first.palette, sizeof first.palette) == 0);
        check(std::memcmp(second.pixels, first.pixels,
                          static_cast<size_t>(first.pitch) * first.height) == 0);
        bmpFreePicture(&second);
        std::free(file);
    }
    bmpFreePicture(&first);
    return 0;
}
