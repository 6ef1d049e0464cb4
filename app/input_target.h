// Where Tavrin's input goes, as the system reports it: the foreground
// window, and the desktop that takes the input.
//
// Windows drops input that a program sends to a window of a process running
// at a higher integrity level (an administrator's window), unless the
// program has uiAccess, and says nothing. Tavrin notices it before sending
// and tells the person once per window through the tray balloon.
#pragma once

#include <windows.h>

// UI thread, at start-up: from now on every change of the foreground window
// is checked there, and every change of it or of the keyboard focus counted,
// as the system reports them, so that the threads sending input make no
// system call for it.
void watchForeground();
void stopWatchingForeground();

// How many changes of the foreground window or the keyboard focus the system
// has reported since the watch began; any thread may read it.
LONG focusChangeCount();

// Before every input event, on whichever thread sends it: when the
// foreground window was found to drop Tavrin's input and has not been
// posted since it became the foreground, posts it to the main window as
// MSG_INPUT_BLOCKED. Reads two values; never waits for the UI thread.
void checkInputTarget();

// UI thread, for MSG_INPUT_BLOCKED: the balloon naming the window, once for
// each window for the rest of the run.
void reportBlockedWindow(HWND window);

// UI thread, at start-up: every desktop switch posts MSG_DESKTOP_CHECK to
// window, and its timer TIMER_DESKTOP_CHECK ticks twice a second for
// systems that report no switch. With sessionEvents the window also gets
// the session's lock and unlock (WM_WTSSESSION_CHANGE).
void watchDesktop(HWND window, bool sessionEvents);
void stopWatchingDesktop(HWND window);

// False when the desktop that takes the input is known to be another than
// this thread's: the secure desktop, which a person's program may not even
// open, or a desktop of another name. A check that fails for any other
// reason counts as this desktop: the person's Tavrin must not fall silent
// on a doubt.
bool inputDesktopIsOurs();
