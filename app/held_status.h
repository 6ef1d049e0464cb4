// What the device holds, shown by the tray: its icon, its tooltip and a
// tone. UI thread only.
#pragma once

#include <windows.h>

// MSG_HELD_STATE: a link thread has published a new held state. Shown at
// once when nothing is held any more or when the last change is 50 ms old;
// otherwise TIMER_HELD_STATE shows the newest state when it is, so that a
// burst of commands makes one change.
void onHeldStateNotice(HWND window);
// TIMER_HELD_STATE.
void onHeldStateTimer(HWND window);
// Draws the icon again (high contrast switched on or off).
void redrawHeldIcon();
