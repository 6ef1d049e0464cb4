// The keyboard layout side of typing a character: which thread's layout is
// the one in front and which key of a layout types a character. Used by the seam
// (win32_input.cpp) and by the input probe that writes layout tables.
#pragma once

#include <windows.h>

#include "platform.h"

// The thread that has the keyboard focus, 0 (the calling thread) when no
// window is in front.
DWORD focusThread();

// The key that types character on layout: VkKeyScanExW's virtual key and
// shift state, LAYOUT_DEAD_KEY when that key in that shift state is a dead
// key, else, where askCapsLock, LAYOUT_CAPS_KEY when Caps Lock inverts its
// Shift; vk NO_KEY when no key types it.
LayoutKey layoutKeyOf(WCHAR character, HKL layout, bool askCapsLock);
