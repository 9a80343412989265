// The suite's host in a page (the canvas driver). What needs the browser's
// real input goes to the test's controller (suite_web.mjs), which drives the
// page through the DevTools protocol and lends it a function, zqHost: a
// request in JSON, an answer of 32-bit words. The program waits for the answer
// unwound (Asyncify), so the page's events reach the driver meanwhile, as
// they do in a delay.
#include "suite_host.h"

#include <emscripten.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/cp437.h"
#include "gfx/compose.h"
#include "gfx/console/input.h"
#include "gfx/core/driver.h"
#include "gfx/core/mode.h"
#include "gfx/display/input.h"
#include "runtime/platform.h"

namespace host {

const char* const PLATFORM = "web";

namespace {

// The controller's answer as words; the caller takes them with zqHostTake.
// A string answer is base64 of little-endian words (a shot).
EM_ASYNC_JS(int32_t, zqHostAsk, (const char* request), {
    if (typeof zqHost != 'function')
        throw new Error('no controller: run the page with suite_web.mjs');
    var answer = await zqHost(UTF8ToString(request));
    if (typeof answer == 'string') {
        var bytes = Uint8Array.from(
            atob(answer), function(c) { return c.charCodeAt(0); });
        answer = new Int32Array(bytes.buffer);
    }
    Module.zqAnswer = Int32Array.from(answer || []);
    return Module.zqAnswer.length;
});

EM_JS(void, zqHostTake, (int32_t * words), {
    HEAP32.set(Module.zqAnswer, words >> 2);
    Module.zqAnswer = null;
});

// The screen's canvas given another id, or its own back: a page without it.
EM_JS(void, zqHideScreen, (int hide), {
    var canvas = document.getElementById(hide ? 'zq-screen' : 'zq-screen-away');
    if (canvas) canvas.id = hide ? 'zq-screen-away' : 'zq-screen';
});

std::vector<int32_t> ask(const std::string& request) {
    std::vector<int32_t> words(static_cast<size_t>(zqHostAsk(request.c_str())));
    zqHostTake(words.data());
    return words;
}

std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text; *p; ++p) {
        if (*p == '"' || *p == '\\') out += '\\';
        out += *p;
    }
    return out + "\"";
}

// The browser's name of the physical key (KeyboardEvent.code) of a Windows
// virtual key.
std::string keyName(uint8_t vk) {
    static const struct {
        uint8_t vk;
        const char* name;
    } NAMES[] = {{0x0D, "Enter"},      {0x10, "ShiftLeft"},   {0x11, "ControlLeft"},
                 {0x12, "AltLeft"},    {0x1B, "Escape"},      {0x25, "ArrowLeft"},
                 {0x26, "ArrowUp"},    {0x27, "ArrowRight"},  {0x28, "ArrowDown"},
                 {0xA1, "ShiftRight"}, {0xA3, "ControlRight"}};
    if (vk >= 'A' && vk <= 'Z') return std::string("Key") + static_cast<char>(vk);
    if (vk >= '0' && vk <= '9') return std::string("Digit") + static_cast<char>(vk);
    if (vk >= 0x70 && vk <= 0x7B) return "F" + std::to_string(vk - 0x6F);
    for (const auto& n : NAMES)
        if (n.vk == vk) return n.name;
    std::abort(); // a key the suite has not used before: name it here
}

} // namespace

void chooseDriver(const char* name) {
    setenv("ZQGFX", name, 1);
}

// Another tab brought to the front takes the page's focus; the page's own
// tab brought back gives it back.
bool focus(bool toScreen) {
    ask(std::string("{\"op\":\"focus\",\"screen\":") + (toScreen ? "true" : "false") + "}");
    for (double end = rtTimer() + 3; rtTimer() < end; sync())
        if ((gfxInput.active != 0) == toScreen) return true;
    return false;
}

// The controller's input has been handled by the time it answers; a turn of
// the page puts the dirty band on the canvas and takes what else is waiting.
void sync() {
    rtDelay(2);
}

Shot shoot() {
    std::vector<int32_t> words = ask("{\"op\":\"shoot\"}");
    Shot shot;
    if (words.size() < 2) return shot;
    shot.width = words[0];
    shot.height = words[1];
    shot.pixels.assign(words.begin() + 2, words.end());
    return shot;
}

void keys(const Strokes& strokes) {
    std::string request = "{\"op\":\"keys\",\"strokes\":[";
    for (const auto& [key, down] : strokes)
        request += (request.back() == '[' ? "[" : ",[") + quoted(keyName(key.vk).c_str()) +
                   (down ? ",true]" : ",false]");
    ask(request + "]}");
    sync();
}

// A key outside the browser's table of physical keys (code "") that types
// the character, as a layout's extra key gives it.
void typeCharacter(uint32_t codePoint) {
    char text[UTF8_MAX + 1] = {};
    utf8Encode(codePoint, text);
    ask(std::string("{\"op\":\"character\",\"text\":") + quoted(text) + "}");
    sync();
}

// Picture pixels of the canvas, whatever its CSS scale; page pixels without
// a screen.
void pointerTo(int32_t x, int32_t y) {
    ask("{\"op\":\"move\",\"x\":" + std::to_string(x) + ",\"y\":" + std::to_string(y) +
        ",\"screen\":" + (gfxMode ? "true" : "false") + "}");
    sync();
}

// The controller shows the canvas scaled, so that the positions go through
// the page's scaling.
int32_t scale() {
    static const int32_t shown = ask("{\"op\":\"scale\"}").at(0);
    return shown;
}

// A page cannot learn where the pointer is but from its own events.
bool pointerAt(int32_t*, int32_t*) {
    return false;
}

void button(int32_t id, bool down) {
    const char* name = id == BTN_LEFT     ? "left"
                       : id == BTN_MIDDLE ? "middle"
                       : id == BTN_RIGHT  ? "right"
                       : id == BTN_EXTRA1 ? "back"
                                          : "forward";
    ask(std::string("{\"op\":\"button\",\"button\":\"") + name +
        "\",\"down\":" + (down ? "true" : "false") + "}");
    sync();
}

void wheel(int32_t step, bool horizontal) {
    ask("{\"op\":\"wheel\",\"step\":" + std::to_string(step) +
        ",\"horizontal\":" + (horizontal ? "true" : "false") + "}");
    sync();
}

bool storedMouse(int32_t* x, int32_t* y) {
    *x = gfxInput.x;
    *y = gfxInput.y;
    return gfxInput.cursorVisible != 0;
}

// The tab closed as a person closes it: the page is asked first, and the
// controller answers the browser's question by staying.
void requestClose() {
    ask("{\"op\":\"close\"}");
    sync();
}

// The page's event listeners (on the window, the document and the screen's
// canvas, counted by the controller) and the allocator's bytes in use.
Holdings holdings() {
    std::vector<int32_t> counts = ask("{\"op\":\"listeners\"}");
    Holdings held{{}, static_cast<long long>(mallinfo().uordblks)};
    const char* names[] = {"window listeners", "document listeners", "canvas listeners"};
    for (size_t i = 0; i < counts.size() && i < 3; ++i)
        held.counts.push_back({names[i], counts[i]});
    return held;
}

// A page without the screen's canvas.
int32_t openFailing(const char* driver, int32_t flags) {
    zqHideScreen(1);
    int32_t result = -1;
    for (const GfxDriver* const* p = DRIVER_LIST; *p; ++p)
        if (std::strcmp((*p)->name, driver) == 0) {
            GfxDisplayInfo opened;
            result = (*p)->open("zqfail", 64, 48, 32, 0, flags, &opened);
            (*p)->close();
        }
    zqHideScreen(0);
    return result;
}

} // namespace host

// The suite's end reaches the page through exit(): once the program has
// waited, a return from main has no caller left to report it.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::exit(RUN_ALL_TESTS());
}
