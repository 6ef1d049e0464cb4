// The order in which the program wires itself up and takes itself down.
// UI thread only.
#pragma once

#include <windows.h>

// Held from start to shutdown; null when the program runs unguarded.
extern HANDLE instanceMutex;

// After the single-instance check: the registration for a restart by the
// system, the hidden window and its tray icon, the watch on the foreground
// window, the splash, both links wired to the interpreter (the window exists first, for
// the status callbacks post to it), the IrDA listener, then the settings,
// which open the serial port. Returns the main window.
HWND startUp(HINSTANCE instance);

// Takes the program down in the order that leaves nothing behind: no new
// byte or report is taken, both links stop (the serial line gets its earlier
// settings back), the timers and with them the glide stop, the icon goes, and
// only then is everything the device holds let go of, so no byte in flight
// can press anything afterwards. Then the instance mutex is released and the
// log-on password is wiped. The settings are not touched. Runs once, for
// Exit or the end of the session, whichever comes first; returns 0 when it
// had already run.
int shutDown();

// True from the moment the shutdown begins: from then on no message opens a
// link or arms a timer again.
bool shuttingDown();
