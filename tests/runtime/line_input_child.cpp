// Child process for the ended-input test: LINE INPUT on the text console,
// then the line between brackets and whether input has ended.
#include <cstdio>

#include "runtime/line_edit.h"
#include "runtime/runtime.h"

int main(int argc, char** argv) {
    rtInit(argc, argv, 0);
    StringDescriptor* line = rtLineEditNew(0);
    int32_t length = line && line->data ? strLength(line) : 0;
    std::printf("\n[%.*s] ended=%d\n", static_cast<int>(length), line ? line->data : "",
                static_cast<int>(rtInputEnded()));
    strDelete(line);
    return 0;
}
