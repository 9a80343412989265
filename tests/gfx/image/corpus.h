// The bitmap corpus (tests/gfx/image/corpus), compiled into the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace bmptest {

struct CorpusFile {
    const char* name;
    std::span<const uint8_t> bmp;
    std::span<const uint8_t> rgba; // ImageMagick's decoding: RGBA bytes, top row first
};

std::span<const CorpusFile> corpus();
// The file of that name; a test failure and an empty entry when there is none.
const CorpusFile& corpusEntry(const char* name);

} // namespace bmptest
