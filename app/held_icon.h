// The tray icon drawn for what the device holds.
#pragma once

#include <windows.h>

// A size x size icon showing held (interp/held_input.h): a cell for each
// key, locked ones white on red, ones held for the next key black on
// amber, each with the first letter of its key-cap name, and a cell with a
// mouse whose held buttons are filled. In high contrast the theme's
// highlight colours take the place of red, and its window colours,
// reversed, that of amber. Null when
// nothing is held or the drawing fails. The caller destroys it.
HICON makeHeldIcon(unsigned held, int size, bool highContrast);
