// Window handles shared across the application's files.
#pragma once

#include <windows.h>

// The hidden main window: owns the tray icon, both timers and the status
// messages. Written once at start-up before any link runs.
extern HWND mainWindow;

// The About dialog while it shows, else null: target of the monitor text.
extern HWND volatile aboutWindow;

// The About monitor's newest text, copied into text (size bytes) without the
// interpreter lock; the About box calls it on each MSG_MONITOR_TEXT notice.
void takeMonitorText(char* text, int size);

// What the device holds (held_input.h), as the link thread last published
// it; the main window calls it on each MSG_HELD_STATE notice.
unsigned takeHeldState();
