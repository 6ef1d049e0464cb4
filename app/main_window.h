// The hidden main window: tray actions, link recovery, the glide timer.
#pragma once

#include <windows.h>

// The program's own module, for every resource load.
extern HINSTANCE appInstance;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class "Tavrin" and creates the hidden tool window; also
// learns the shell's "TaskbarCreated" message. Returns the window or null.
HWND createMainWindow(HINSTANCE instance);

// Arms the 5-second retry while the selected serial port is not open (and
// IrDA is not selected) or the IrDA listener is down, and stops it
// otherwise. Does nothing once the shutdown has begun.
void settleLinkRetry();

// Opens the selected serial port unless it is open, IrDA is selected or the
// shutdown has begun; the tray shows the port, or the failure and the retry
// takes over.
void reopenSerialLink();

// The links' status callbacks: post the status to the main window and return.
void postSerialStatus(int status);
// The IrDA one first lets go of what the device held when the peer has gone.
void postIrdaStatus(int status);

// The device goes to the secure desktop for reason (a LinkPauseReason of
// the hand-over) when away, and comes back from it when not. Away: both
// links let go, what the device held is released as after a lost link, and
// the tooltip says where the device is. Back, once no reason is left: both
// links open again, the port tried every 250 ms for 2 s. Does nothing once
// the shutdown has begun.
void handOverDevice(int reason, bool away);

// Starts the IrDA listener. One that cannot start stays off, or with
// retried is tried again on the retry timer.
void startIrdaLink(bool retried);
