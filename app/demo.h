// The demonstration's main routine.
#pragma once

#include <cstdint>

// Runs the demonstration and ends the process with END 0; never returns.
[[noreturn]] int demoMain(int argumentCount, char** argumentVector);
