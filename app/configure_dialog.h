// The Configure dialog (resource 102): edits the Settings record in place.
#pragma once

#include <windows.h>

// Runs the dialog modally without an owner. Returns 1 for OK, 2 for Cancel,
// another value when the dialog could not be shown.
INT_PTR runConfigureDialog();

// The dialog procedure, for the dialog run above and for tests that create
// the dialog themselves.
INT_PTR CALLBACK configureDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Selects the port list's entry for port (a constant name); 0 when it is
// not listed.
int selectPortEntry(HWND dialog, const char* port);
// Selects the baud list's entry for rate; none when the list lacks it.
void selectRate(HWND dialog, unsigned rate);
// The rate the baud list shows, 1200 when it shows none.
unsigned selectedRate(HWND dialog);
