// The audible signal. rtBeep calls the routine installed with rtSetBeepRoutine,
// by default the platform's (the Windows beep, or BEL on a POSIX terminal);
// tests install their own to observe it.
#pragma once

using RtBeepRoutine = void (*)();

void rtBeep();
// Installs a routine (null: the platform's again) and returns the previous one.
RtBeepRoutine rtSetBeepRoutine(RtBeepRoutine routine);
// The platform's signal; one definition per platform.
void rtPlatformBeep();
