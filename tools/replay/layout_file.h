// A keyboard layout read from a file, for tavrin-replay's --layout: the
// answers of another PC's layout in place of the built-in US English model.
#pragma once

#include <string>

#include "platform.h"

// Reads a layout table. Every non-empty line that does not start with '#'
// is one entry; numbers are decimal or 0x-prefixed hexadecimal:
//   char C ANSWER   VkKeyScanExW(C) for the character C (0..255): -1, or the
//                   virtual key in the low byte and the shift state
//                   (1 Shift, 2 Ctrl, 4 Alt) in the next
//   scan VK SCAN    MapVirtualKeyExW(VK, 0) for the virtual key VK (0..255)
//   dead C          the key that types C is a dead key
//   caps C          Caps Lock inverts the Shift of the key that types C
// Each entry may be given once. A byte without a char entry has no key; a
// virtual key without a scan entry has its US English scan code; a dead
// or caps entry needs a char entry with a key. Returns false and says why in *error
// (with the line number) otherwise.
bool loadLayoutFile(const char* path, std::string* error);

// The layout's key for c (LAYOUT_DEAD_KEY and LAYOUT_CAPS_KEY added),
// MapVirtualKeyExW(vk, 0) and MapVirtualKeyExW(scan, 1), from the loaded
// table, or from the US English model when no table was loaded.
LayoutKey layoutKeyForChar(unsigned char c);
int layoutMapVirtualKey(int vk);
int layoutVirtualKeyAt(int scan);
