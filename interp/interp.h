// What the rest of the program sees of the interpreter.
#pragma once

#include <atomic>

// The ByteCallback installed in both links: one received byte (low 8 bits
// used), on the worker thread that read it. Callers are serialized inside.
void onLinkByte(int byte);

// 1 = ANSI Extended, 0 = ASCII Extended, 2 = Unicode (UTF-8); any other
// value behaves as ANSI Extended. Written by the settings on the UI
// thread, read for every byte of 128 or above on the link threads.
extern std::atomic<int> interpretation;

// 1 while the About box shows; onLinkByte then echoes every byte to it.
extern std::atomic<int> aboutOpen;

// One step of the pointer glide; the UI thread calls it on each glide tick.
void glideTick();
