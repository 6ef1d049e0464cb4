// Find my device in the Configure dialog: the dialog starts the port search
// over the ports it lists, shows what it says and stops it. While it runs
// the serial link lets go of its port, so nothing the device sends is typed.
// UI thread.
#pragma once

#include <windows.h>

// The Find button: starts a search, or stops the one under way.
void findClicked(HWND dialog);
// A report of the search (MSG_SEARCH_REPORT) posted to the dialog.
void onSearchReport(HWND dialog, WPARAM event, LPARAM search);
// Stops a search under way, at once; the link gets its port back.
void stopFinding(HWND dialog);
