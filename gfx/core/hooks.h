// The graphics side of the console hook table: filled when a screen opens,
// emptied when it closes, so that text statements reach the graphics console
// while a screen is open and the text console otherwise.
#pragma once

struct ConsoleHooks;

// Fills all 27 slots with the graphics console's routines.
void gfxInstallHooks(ConsoleHooks* hooks);
// Empties all 27 slots.
void gfxRemoveHooks(ConsoleHooks* hooks);
