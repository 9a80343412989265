// The demonstration's main routine.
#pragma once

#include <cstdint>

// The demonstration's drawing: opens screen 21 (demoOpenScreen), scatters the
// hits and clears what never reached colour 15 (demoDrawPicture). Without a
// display it draws nothing.
void demoDraw();
void demoOpenScreen();
void demoDrawPicture();
// The message: "presionar ", ESC, " ESC para salir" and one space.
constexpr int32_t DEMO_MESSAGE_LENGTH = 27;
extern const char DEMO_MESSAGE[];
// LOCATE 14, 16 and PRINT of the message with its line end.
void demoPrintMessage();
// Runs the demonstration and ends the process with END 0; never returns.
[[noreturn]] int demoMain(int argumentCount, char** argumentVector);
