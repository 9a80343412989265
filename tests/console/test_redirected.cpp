// The console with its output redirected to a pipe: on Windows the bytes
// arrive unchanged and wide text as UTF-16 units; elsewhere both arrive as
// UTF-8, every character but the controls as its glyph. The geometry is the
// 80 x 25 fallback with LOCATE, CLS and WIDTH doing nothing, COLOR sending nothing.
#include <gtest/gtest.h>

#include <string>

#include "child_output.h"

#ifndef _WIN32
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/platform.h"
#endif

TEST(RedirectedConsole, OutputWithTheFallbackGeometry) {
    std::string output;
    ASSERT_EQ(runConsoleChild("print", &output), 0);
#ifdef _WIN32
    const std::string raw("a\tb\r\n\x07\x08\x1b\0\xff\x0cz", 12);
    const std::string wide("W\0\x3A\x26\x0A\0", 6);
    // Without a console there are no colours to keep: white on black.
    const std::string colors = "7";
#else
    // ESC, NUL, 255 and form feed as the arrow, a space, a no-break space and
    // the female sign.
    const std::string raw = "a\tb\r\n\x07\x08\u2190 \u00a0\u2640z";
    const std::string wide = "W\u263a\n";
    // Kept, but no escape sequence goes out.
    const std::string colors = "65550";
#endif
    const std::string tail = "|size 80x25 width 0 locate 1287 page -1 color " + colors + "|";
    EXPECT_EQ(output, raw + wide + tail);
}

TEST(RedirectedConsole, TheDemonstrationsMessage) {
    std::string output;
    ASSERT_EQ(runConsoleChild("message", &output), 0);
#ifdef _WIN32
    EXPECT_EQ(output, "presionar \x1b ESC para salir");
#else
    EXPECT_EQ(output, "presionar \u2190 ESC para salir");
#endif
}

#ifndef _WIN32
TEST(RedirectedConsole, KeysFromAByteStream) {
    std::string output;
    // Printable bytes, a cursor key, F12, Alt+A and DEL; then the input ends.
    ASSERT_EQ(runConsoleChild("keys", &output, "a\\033[C\\033[24~\\033a\\177"), 0);
    EXPECT_EQ(output, "97 19967 34559 7935 8 end");
}

// On a terminal the keys arrive one by one, without a line end (raw mode),
// and a lone ESC becomes the Escape key once no more bytes follow.
TEST(TerminalConsole, RawKeysFromATerminal) {
    int master = -1;
    pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string path = siblingPath("console_child");
        execl(path.c_str(), path.c_str(), "keys", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string output;
    auto readFor = [&](double seconds) {
        double end = rtTimer() + seconds;
        char chunk[256];
        while (rtTimer() < end) {
            struct pollfd ready = {master, POLLIN, 0};
            if (poll(&ready, 1, 50) > 0) {
                ssize_t n = read(master, chunk, sizeof chunk);
                if (n <= 0) return;
                output.append(chunk, static_cast<size_t>(n));
            }
        }
    };
    readFor(0.5); // the child sets the terminal up
    const char keys[] = "a\033[C\033OP";
    ASSERT_EQ(write(master, keys, sizeof keys - 1), static_cast<ssize_t>(sizeof keys - 1));
    readFor(1.0);
    // COLOR as the terminal's bright yellow on blue, its own colours again at the end.
    EXPECT_EQ(output, "\033[93;44m97 19967 15359 ") << "no echo, no waiting for a line end";
    ASSERT_EQ(write(master, "\033", 1), 1);
    readFor(1.0);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(output, "\033[93;44m97 19967 15359 end\033[0m");
    close(master);
}
#endif
