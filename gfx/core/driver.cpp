// The Null driver and the selection passes; the list itself is composed per
// platform above the core.
#include "gfx/core/driver.h"

#include <cstdlib>

#include "gfx/core/mode.h"

namespace {
void nullLock() {}
void nullUnlock() {}

bool sameName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + 32);
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

struct Request {
    const char* title;
    int32_t width, height, depth, refreshRate;
    GfxDisplayInfo* opened;
};

// One pass: `name` null tries every driver, else only those of that name.
const GfxDriver* runPass(const Request& r, const char* name, int32_t flags) {
    for (const GfxDriver* const* d = gfxDriverList; *d; ++d) {
        const GfxDriver* driver = *d;
        if (name && !(driver->name && sameName(driver->name, name))) continue;
        const int32_t rates[2] = {r.refreshRate, 0};
        for (int32_t rate : rates) {
            *r.opened = {0, 0, 0};
            if (driver->open &&
                driver->open(r.title, r.width, r.height, r.depth, rate, flags, r.opened) == 0)
                return driver;
            if (driver->close) driver->close();
        }
    }
    return nullptr;
}
} // namespace

const GfxDriver GFX_NULL_DRIVER = {.name = "Null", .lock = nullLock, .unlock = nullUnlock};

namespace {
const GfxDriver* const NO_DRIVERS[] = {nullptr};
}
const GfxDriver* const* gfxDriverList = NO_DRIVERS;
GfxInlineLock* gfxInlineLock = nullptr;

const GfxDriver* gfxOpenDriver(const char* title, int32_t width, int32_t height, int32_t depth,
                               int32_t refreshRate, int32_t flags, GfxDisplayInfo* opened) {
    *opened = {0, 0, 0};
    if (flags == SCRF_NULL) return &GFX_NULL_DRIVER;
    const char* name = std::getenv("ZQGFX");
    if (name && sameName(name, "null")) return &GFX_NULL_DRIVER;
    Request r{title, width, height, depth, refreshRate, opened};
    int32_t toggled = flags ^ SCRF_FULLSCREEN;
    const GfxDriver* driver = nullptr;
    if (name) {
        if (!driver) driver = runPass(r, name, flags);
        if (!driver) driver = runPass(r, nullptr, flags);
        if (!driver) driver = runPass(r, name, toggled);
        if (!driver) driver = runPass(r, nullptr, toggled);
    } else {
        if (!driver) driver = runPass(r, nullptr, flags);
        if (!driver) driver = runPass(r, nullptr, toggled);
    }
    return driver;
}
