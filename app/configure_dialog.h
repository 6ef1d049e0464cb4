// The Configure dialog (resource 102): edits the Settings record in place.
#pragma once

#include <windows.h>

// Runs the dialog modally without an owner. Returns 1 for OK, 2 for Cancel,
// another value when the dialog could not be shown.
INT_PTR runConfigureDialog();

// The dialog procedure, for the dialog run above and for tests that create
// the dialog themselves.
INT_PTR CALLBACK configureDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
