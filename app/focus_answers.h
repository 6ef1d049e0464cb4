// What the seam knows about the window keys land in: its keyboard layout
// and the Caps Lock toggle, kept until the focus may have moved, and the
// wait for the foreground to settle after Tavrin's own focus-moving input.
// The layout and Caps Lock operations of platform.h live here.
#pragma once

// Every key event the seam sends, just before it goes out: the key whose
// processing by the system a later wait looks for.
void noteSentKey(int vk, int up);
