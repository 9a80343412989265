// END and shutdown, seen from outside: a child process's output and exit code.
#include <gtest/gtest.h>

#include <string>

#include "support/child_process.h"

namespace {

TEST(Exit, HandlersRunInReverseOrderThenFilesCloseAtTheLastLevel) {
    std::string output;
    int code = runChild(siblingPath("exit_child"), &output);
    EXPECT_EQ(code, 7);
    // Drop carriage returns a text-mode stream may add.
    std::string text;
    for (char c : output)
        if (c != '\r') text += c;
    EXPECT_EQ(text, "nested kept files\nthird\nsecond\nfirst\nclose 5\nclose 200\n");
}

} // namespace
