// Hostile use of the runtime's entries: context blocks asked for in any size
// and across restarts, library lookups with bad counts, and LINE INPUT on
// input that has ended.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/platform.h"
#include "runtime/runtime.h"
#include "support/child_process.h"

namespace {

TEST(HostileRuntime, ContextBlocksGrowAndOutliveARestart) {
    constexpr int32_t SLOT = 3;
    auto* small = static_cast<uint8_t*>(rtContextSlot(SLOT, 1));
    ASSERT_NE(small, nullptr);
    small[0] = 42;
    // A later caller needing more gets all of it, the old byte kept, the rest zero.
    auto* large = static_cast<uint8_t*>(rtContextSlot(SLOT, 4096));
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large[0], 42);
    EXPECT_EQ(large[4095], 0);
    large[4095] = 1;
    // Shutdown and start-up again keep the block instead of leaking it.
    rtShutdown();
    rtStartup();
    EXPECT_EQ(rtContextSlot(SLOT, 16), large);
}

TEST(HostileRuntime, LibraryLookupRefusesBadArguments) {
    const char* names[] = {"a"};
    void* addresses[1] = {nullptr};
    RtLibrary self = reinterpret_cast<RtLibrary>(&names); // never dereferenced
    EXPECT_EQ(rtLibResolve(self, names, addresses, -1), -1);
    EXPECT_EQ(rtLibResolve(nullptr, names, addresses, 1), -1);
    EXPECT_EQ(rtLibResolve(self, nullptr, addresses, 1), -1);
}

#ifndef _WIN32
// The text console reads standard input; what it reads is a shell's business.
TEST(HostileRuntime, LineInputEndsWithTheInput) {
    const std::string child = siblingPath("line_input_child");
    struct Case {
        const char* feed; // a shell command whose output is the child's input
        const char* line;
    };
    const Case cases[] = {{"true", "[] ended=1"},
                          {"printf abc", "[abc] ended=1"},
                          {"printf 'ab\\rcd'", "[ab] ended=0"}}; // Enter ends it first
    for (const Case& c : cases) {
        std::string command = std::string(c.feed) + " | '" + child + "'";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char chunk[256];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
            output.append(chunk, n);
        EXPECT_EQ(pclose(pipe), 0) << c.feed;
        EXPECT_NE(output.find(c.line), std::string::npos) << c.feed << " gave " << output;
    }
}
#endif

} // namespace
