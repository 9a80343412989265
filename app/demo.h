// The demonstration's main routine.
#pragma once

#include <cstdint>

// The demonstration's drawing: opens screen 21, scatters the hits and clears
// what never reached colour 15. Without a display it draws nothing.
void demoDraw();
// Runs the demonstration and ends the process with END 0; never returns.
[[noreturn]] int demoMain(int argumentCount, char** argumentVector);
