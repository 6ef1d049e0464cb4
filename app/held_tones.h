// The tones that say a key or button was locked or let go.
#pragma once

// What a change of the held state (interp/held_input.h) from before to
// after sounds like: a rising tone when a key locks or a button goes down,
// a short low one when a key is held for the next key only, a falling one
// when a locked key or a button is let go. A key held for one key and used
// by it goes silently: the key typed says enough.
enum HeldTone { TONE_NONE, TONE_LOCKED, TONE_PENDING, TONE_RELEASED };
HeldTone toneFor(unsigned before, unsigned after);

// Starts the tone and returns at once; a tone still playing gives way.
void playTone(HeldTone tone);
