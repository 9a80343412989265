// Keyboard input from the Windows console: the poll that moves input events
// into the key ring, the control handler, the key-held test and the lookup of
// the console's window.
#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/console_win32.h"
#include "console/key_ring.h"
#include "console/keys.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

static_assert(sizeof(INPUT_RECORD) == sizeof(KeyEventRecord));
static_assert(sizeof(KEY_EVENT_RECORD) == sizeof(KeyEventRecord) - 4);

namespace {

constexpr DWORD CTRL_CLOSE = 2, CTRL_LOGOFF = 5, CTRL_SHUTDOWN = 6;
constexpr int32_t TITLE_MAX = 260;

HWND consoleWindow = nullptr;

void removeCtrlHandler() {
    if (conKeyRing.inputStarted) SetConsoleCtrlHandler(conCtrlHandler, FALSE);
}

} // namespace

BOOL WINAPI conCtrlHandler(DWORD event) {
    if (event != CTRL_CLOSE && event != CTRL_LOGOFF && event != CTRL_SHUTDOWN) return FALSE;
    KeyEventRecord record = {};
    record.eventType = KEY_EVENT_TYPE;
    record.keyDown = 0;
    record.repeatCount = 1;
    record.virtualKey = VKEY_F4;
    record.scanCode = static_cast<uint16_t>(MapVirtualKeyA(VKEY_F4, MAPVK_VK_TO_VSC));
    record.controlState = KEY_STATE_LEFT_ALT;
    keyRingStore(&conKeyRing, KEY_CLOSE_REQUEST, &record);
    return TRUE;
}

int32_t conPollInput() {
    if (!conKeyRing.inputStarted) {
        conKeyRing.inputStarted = 1;
        rtAtExit(removeCtrlHandler);
        SetConsoleCtrlHandler(conCtrlHandler, TRUE);
    }
    HANDLE input = conHandle(1);
    INPUT_RECORD event;
    DWORD count = 0;
    for (;;) {
        // Input that is no console (a file, a pipe, none) never brings a key.
        if (!PeekConsoleInputA(input, &event, 1, &count)) return -1;
        if (count == 0) break;
        if (!ReadConsoleInputA(input, &event, 1, &count) || count == 0) break;
        if (event.EventType != KEY_EVENT) continue;
        KeyEventRecord record;
        std::memcpy(&record, &event, sizeof record);
        keyRingFeed(&conKeyRing, &record);
    }
    return 0;
}

int32_t conIsKeyDown(int32_t scanCode) {
    HWND window = conFindWindow();
    if (!window || window != GetForegroundWindow()) return 0;
    const ScanVkEntry* entry = nullptr;
    if (scanCode == 1) {
        entry = &scanVkTable[0];
    } else {
        for (int i = 1; scanVkTable[i].scan != 0 && !entry; ++i)
            if (scanVkTable[i].scan == scanCode) entry = &scanVkTable[i];
    }
    if (!entry) return 0;
    SHORT state = GetAsyncKeyState(entry->vk);
    if (entry->vk2) state = static_cast<SHORT>(state | GetAsyncKeyState(entry->vk2));
    return (state & 0x8000) ? -1 : 0;
}

HWND conFindWindow() {
    if (consoleWindow) return consoleWindow;
    char saved[TITLE_MAX + 1] = {};
    SetLastError(ERROR_SUCCESS);
    if (GetConsoleTitleA(saved, sizeof saved) == 0 && GetLastError() != ERROR_SUCCESS)
        return nullptr;
    char probe[64];
    std::snprintf(probe, sizeof probe, "_zq_console_title %f", rtTimer());
    if (!SetConsoleTitleA(probe)) return nullptr;
    // The window takes its new title asynchronously: look a few times.
    HWND found = nullptr;
    for (int attempt = 0; attempt < 10 && !found; ++attempt) {
        found = FindWindowA(nullptr, probe);
        if (!found) Sleep(10);
    }
    SetConsoleTitleA(saved);
    consoleWindow = found;
    return found;
}

void conForgetWindow() {
    consoleWindow = nullptr;
}
