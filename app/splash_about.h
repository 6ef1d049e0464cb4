// The splash at start-up and the About box with its monitor line.
// UI thread only.
#pragma once

#include <windows.h>

// 1 from the opening of the About box until its first monitor text: until
// then its static controls are drawn transparently over the picture.
extern int aboutTransparent;

// Shows the splash; returns when it closes, at the latest after 3 seconds.
void showSplash();
// Runs the About box, unless it or the Configure dialog already shows.
void showAboutBox();

INT_PTR CALLBACK splashDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
