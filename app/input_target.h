// Windows drops input that a program sends to a window of a process running
// at a higher integrity level (an administrator's window), unless the
// program has uiAccess, and says nothing. Tavrin notices it before sending
// and tells the person once per window through the tray balloon.
#pragma once

#include <windows.h>

// Before every input event, on whichever thread sends it. Looks only when
// the foreground window has changed since the last look; a window that will
// drop the input is posted to the main window as MSG_INPUT_BLOCKED. Never
// waits for the UI thread.
void checkInputTarget();

// UI thread, for MSG_INPUT_BLOCKED: the balloon naming the window, once for
// each window for the rest of the run.
void reportBlockedWindow(HWND window);
