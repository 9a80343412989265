// The page side of the WebAssembly build's console: the text grid shown on the
// page's <pre id="zq-console">, and the page's keyboard feeding the key ring.
#pragma once

#include <cstdint>

#include "console/text_grid.h"

extern TextGrid pageGrid;

// 1 when the page has the element: the grid is shown on it from now on and the
// page's keys reach the key ring while no graphics screen is open. Else 0.
int32_t pageAttach();
// Shows the rows that changed; with `whenDue` set only when YIELD_INTERVAL_MS
// have passed since the last time.
void pageShow(int32_t whenDue);
