// The application's window handles, which the seam reads; each test sets
// them to windows of its own and puts them back to null.
#include "app_windows.h"

HWND mainWindow = nullptr;
HWND volatile aboutWindow = nullptr;
