// The nestable framebuffer lock and the dirty-line marks. Only the outermost
// gfxLock/gfxUnlock pair reaches the driver's lock; the display thread redraws
// lines whose byte in `dirtyLines` is set, under the same driver lock.
#pragma once

#include <cstdint>

void gfxLock();
// Marks lines first..last dirty when the work page is the visible one (first
// < 0 becomes 0, last < 0 becomes the last line; a range outside the screen
// marks nothing), then releases one level. (1, 0) only releases.
void gfxUnlock(int32_t first, int32_t last);
