// The tray's sentence of what the device holds.
#pragma once

#include <windows.h>

// The sentence for held (the value described in interp/held_input.h) in the
// language in use: "Locked: Ctrl+Alt; mouse button held down: left." Keys by
// their key-cap names, buttons by their side. Empty when nothing is held.
void describeHeld(unsigned held, wchar_t* out, int size);
