// The order in which the program wires itself up and takes itself down.
// UI thread only.
#pragma once

#include <windows.h>

// Held from start to shutdown; null when the program runs unguarded.
extern HANDLE instanceMutex;

// The two ways the program runs, each with an instance mutex of its own:
// the person's Tavrin, and the one Windows starts with /securedesktop on the
// sign-in and lock screens and for User Account Control. That one shows
// nothing (no splash, tray icon, dialog, help page, message box or balloon),
// writes nothing to the registry, reads the sign-in settings only, and
// takes the device over from the person's Tavrin for as long as it runs.
enum RunMode { PERSON_MODE, SECURE_DESKTOP_MODE };

// After the single-instance check. For the person: the registration for a
// restart by the system, the hidden window and its tray icon, the watch on
// the foreground window and the input desktop, the splash, both links wired
// to the interpreter (the window exists first, for the status callbacks post
// to it), the watch for a secure-desktop Tavrin, the IrDA listener, then
// the settings, which open the serial port. On the secure desktop: the
// window, the watch on the input desktop, the links, the claim on the
// device, then the sign-in settings, whose port is tried every 250 ms until
// it opens. Returns the main window.
HWND startUp(HINSTANCE instance, RunMode mode = PERSON_MODE);

// True for the Tavrin of the secure desktop.
bool onSecureDesktop();

// Takes the program down in the order that leaves nothing behind: no new
// byte or report is taken, both links stop (the serial line gets its earlier
// settings back), the timers and with them the glide stop, the icon goes, and
// only then is everything the device holds let go of, so no byte in flight
// can press anything afterwards. On the secure desktop the claim on the
// device goes next, so the person's Tavrin finds the port free. Then the
// instance mutex is released and the log-on password is wiped. The settings are not touched. Runs once, for
// Exit or the end of the session, whichever comes first; returns 0 when it
// had already run.
int shutDown();

// True from the moment the shutdown begins: from then on no message opens a
// link or arms a timer again.
bool shuttingDown();
