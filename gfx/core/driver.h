// A display back end: a name and 13 operations in a fixed order. A null slot
// means "not supported". Drivers are constant records.
#pragma once

#include <cstdint>

struct GfxDriver {
    const char* name;
    int32_t (*open)(const char* title, int32_t width, int32_t height, int32_t depth,
                    int32_t refreshRate, int32_t flags);
    void (*close)();
    void (*lock)();
    void (*unlock)();
    void (*setColor)(int32_t index, int32_t red, int32_t green, int32_t blue);
    void (*waitRetrace)();
    int32_t (*readMouse)(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons,
                         int32_t* clip);
    void (*moveMouse)(int32_t x, int32_t y, int32_t visibility, int32_t clip);
    void (*setCaption)(const char* title);
    int32_t (*moveWindow)(int32_t x, int32_t y); // returns the previous position
    int32_t* (*listModes)(int32_t depth, int32_t* count); // caller frees the list
    void (*present)();
    void (*pumpEvents)();
};
static_assert(sizeof(GfxDriver) == 14 * sizeof(void*), "a name and 13 slots");
