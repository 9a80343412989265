// Helper of the demonstration's window test, run under Wine beside demo.exe:
//
//   demo_window_helper colours FRAME.pgm OUT.ppm
//       maps a frame of palette indices (what demo_frame writes) to the colours
//       the demonstration's screen shows them in, as a binary PPM
//   demo_window_helper close CLASS
//       sends the close request (WM_CLOSE) to the window of that class
//   demo_window_helper key CLASS
//       posts a key press (the letter x) to the window of that class
//   demo_window_helper client CLASS
//       prints the client area of the window of that class on the screen as
//       WIDTHxHEIGHT+LEFT+TOP
//   demo_window_helper icon PROGRAM.exe
//       succeeds when the program carries the window icon "ZQ_PROGRAM_ICON"
#include "gfx/directx/directx_internal.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx/console/input.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/core/palette.h"
#include "gfx/draw/draw.h"
#include "gfx/win32/window.h"

namespace {

bool readPgm(const char* name, int& width, int& height, std::vector<unsigned char>& pixels) {
    std::FILE* f = std::fopen(name, "rb");
    if (!f) return false;
    int maxValue = 0;
    bool ok = std::fscanf(f, "P5 %d %d %d", &width, &height, &maxValue) == 3 && maxValue == 255 &&
              width > 0 && height > 0 && std::fgetc(f) != EOF;
    if (ok) {
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        ok = std::fread(pixels.data(), 1, pixels.size(), f) == pixels.size();
    }
    std::fclose(f);
    return ok;
}

int colours(const char* in, const char* out) {
    int width = 0, height = 0;
    std::vector<unsigned char> frame;
    if (!readPgm(in, width, height, frame)) {
        std::fprintf(stderr, "cannot read %s\n", in);
        return 1;
    }
    // The demonstration's screen: mode 21 with its default palette, colour 0 set to 0.
    _putenv("ZQGFX=null");
    if (gfxScreen(21, 1, 1, SCRF_FULLSCREEN, 0) != 0 || !gfxMode) return 1;
    gfxPalette(0, 0, -1, -1);
    std::FILE* f = std::fopen(out, "wb");
    if (!f) return 1;
    std::fprintf(f, "P6\n%d %d\n255\n", width, height);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = gfxMode->palette[frame[static_cast<size_t>(y) * width + x]];
            row[x * 3] = static_cast<unsigned char>(c & 0xFF);
            row[x * 3 + 1] = static_cast<unsigned char>((c >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<unsigned char>((c >> 16) & 0xFF);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0 ? 0 : 1;
}

// Waits for a key in the window, at most a minute.
int waitForKey() {
    for (int t = 0; t < 6000; t += 10) {
        if (gfxTakeKey() != 0) return 0;
        Sleep(10);
    }
    return 1;
}

// Opens a DirectX full screen of width x height x depth with a white line 0
// and prints what it got: "mode WxHxBITS offset N" (the display mode set and
// the display line of the framebuffer's line 0); ends on a key (exit 0) or
// after a minute (exit 1), printing "ended CODE" (run inside a virtual
// desktop, its exit code reaches no one).
int directxMode(int width, int height, int depth) {
    _putenv("ZQGFX=directx");
    if (gfxScreenSize(width, height, depth, 1, SCRF_FULLSCREEN, 0) != 0 || !gfxMode) return 1;
    if (std::strcmp(gfxMode->driver->name, "DirectX") != 0 || !(winState.flags & SCRF_FULLSCREEN)) {
        std::fprintf(stderr, "opened %s %s, not DirectX full screen\n", gfxMode->driver->name,
                     winState.flags & SCRF_FULLSCREEN ? "full screen" : "in a window");
        return 1;
    }
    uint32_t white = depth == 8 ? 15 : 0xFFFFFF;
    for (int x = 0; x < width; ++x)
        gfxPset(nullptr, static_cast<float>(x), 0, white, 0, 0);
    Sleep(300);
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    std::printf("mode %lux%lux%lu offset %d\n", mode.dmPelsWidth, mode.dmPelsHeight,
                mode.dmBitsPerPel, static_cast<int>(ddState.verticalOffset));
    std::fflush(stdout);
    int code = waitForKey();
    gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE);
    std::printf("ended %d\n", code);
    return code;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "mode") == 0)
        return directxMode(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc == 4 && std::strcmp(argv[1], "colours") == 0) return colours(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "icon") == 0) {
        HMODULE program = LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HICON icon = program ? LoadIconA(program, "ZQ_PROGRAM_ICON") : nullptr;
        ICONINFO info;
        bool ok = icon && GetIconInfo(icon, &info);
        if (ok) {
            BITMAP bitmap;
            ok = GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap) &&
                 bitmap.bmWidth == 32;
            if (info.hbmMask) DeleteObject(info.hbmMask);
            if (info.hbmColor) DeleteObject(info.hbmColor);
        }
        if (program) FreeLibrary(program);
        if (!ok) std::fprintf(stderr, "%s carries no 32 x 32 ZQ_PROGRAM_ICON\n", argv[2]);
        return ok ? 0 : 1;
    }
    if (argc == 3) {
        HWND window = FindWindowA(argv[2], nullptr);
        if (!window) {
            std::fprintf(stderr, "no window of class %s\n", argv[2]);
            return 1;
        }
        if (std::strcmp(argv[1], "client") == 0) {
            RECT r;
            if (!GetClientRect(window, &r)) return 1;
            MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
            std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
            return 0;
        }
        if (std::strcmp(argv[1], "close") == 0) return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
        if (std::strcmp(argv[1], "key") == 0) {
            LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA('X', MAPVK_VK_TO_VSC)) << 16;
            PostMessageA(window, WM_KEYDOWN, 'X', 1 | scan);
            return PostMessageA(window, WM_KEYUP, 'X', 1 | scan | (3 << 30)) ? 0 : 1;
        }
    }
    std::fprintf(stderr, "usage: demo_window_helper colours FRAME.pgm OUT.ppm | close CLASS | "
                         "key CLASS | client CLASS | icon PROGRAM.exe\n");
    return 2;
}
