// Child process for the shutdown test: registers exit handlers, opens a file
// handle whose close is visible, nests start-up once, then ends with END 7.
#include <cstdio>

#include "runtime/runtime.h"

namespace {
void say(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}
void first() { say("first\n"); }
void second() { say("second\n"); }
void third() { say("third\n"); }
int32_t closeFile(FileHandle* handle) {
    std::printf("close %d\n", static_cast<int>(handle - rtState.fileTable));
    std::fflush(stdout);
    return 0;
}
constexpr FileOps FILE_OPS = {nullptr, closeFile, nullptr, nullptr, nullptr,
                              nullptr, nullptr,   nullptr, nullptr};
} // namespace

int main(int argc, char** argv) {
    rtInit(argc, argv, 0);
    rtAtExit(first);
    rtAtExit(second);
    rtAtExit(third);
    rtState.fileTable[5].ops = &FILE_OPS;
    rtState.fileTable[200].ops = &FILE_OPS;
    rtState.filesOpened = 1;
    // A nested start-up keeps the state; its shutdown closes nothing.
    rtStartup();
    rtShutdown();
    say(rtState.fileTable[5].ops ? "nested kept files\n" : "nested closed files\n");
    rtEnd(7);
}
