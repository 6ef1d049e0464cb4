// The hidden main window: tray actions, link recovery, the glide timer.
#pragma once

#include <windows.h>

// The program's own module, for every resource load.
extern HINSTANCE appInstance;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class "Tavrin" and creates the hidden tool window; also
// learns the shell's "TaskbarCreated" message. Returns the window or null.
HWND createMainWindow(HINSTANCE instance);

// The links' status callbacks: post the status to the main window and return.
void postSerialStatus(int status);
void postIrdaStatus(int status);
