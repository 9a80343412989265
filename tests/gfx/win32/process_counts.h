// What a process holds, for tests that open and close screens many times:
// handles, user and GDI objects, threads and heap bytes in use.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <tlhelp32.h>

namespace wintest {

struct Counts {
    DWORD handles;
    DWORD gdiObjects;
    DWORD userObjects;
    int threads;
    SIZE_T heapBytes;
};

inline int threadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    CloseHandle(snapshot);
    return n;
}

// Handles open in the process, by asking about every possible value (the
// system's own count is not available everywhere).
inline DWORD handleCount() {
    DWORD n = 0, flags;
    for (uintptr_t h = 4; h < 0x10000; h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
    return n;
}

// Bytes in use in every heap of the process.
inline SIZE_T heapBytes() {
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T total = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = nullptr;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

inline Counts counts() {
    Counts c;
    c.handles = handleCount();
    c.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    c.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    c.threads = threadCount();
    c.heapBytes = heapBytes();
    return c;
}

// Repeated opens and closes kept nothing: every count back, the heap within
// the allocator's own bookkeeping (one leaked record per cycle would exceed it).
inline void expectNothingKept(const Counts& before, const Counts& after) {
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_LT(after.heapBytes, before.heapBytes + 16 * 1024)
        << "before " << before.heapBytes << " after " << after.heapBytes;
}

} // namespace wintest
