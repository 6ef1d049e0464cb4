// The US English keyboard layout as Windows reports it, for the programs
// that stand in for the platform (tavrin-replay and the unit tests' recorder).
#pragma once

// VkKeyScanA on the US English layout, widened with its sign: virtual key in
// the low byte, shift state (1 Shift, 2 Ctrl, 4 Alt) in the next byte, -1
// when no key of the layout types c.
int usVkKeyScan(unsigned char c);

// Whether Caps Lock inverts the Shift of the key of c on the US English
// layout: the letters' keys.
bool usCapsKey(unsigned char c);

// MapVirtualKeyA(vk, 0) on the US English layout: the scan code of a virtual
// key, 0 for a virtual key that has none.
int usMapVirtualKey(int vk);

// MapVirtualKeyA(scan, 1) on the US English layout: the virtual key of a
// scan code, 0 for none.
int usVirtualKeyAt(int scan);
