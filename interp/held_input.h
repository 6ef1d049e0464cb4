// What the device holds down: the keys and mouse buttons the interpreter has
// pressed and not yet released, and the two ways of letting go of them.
#pragma once

#include "keystroke.h"

// Mouse buttons as bits.
const int BUTTON_LEFT = 0x1;
const int BUTTON_RIGHT = 0x2;
const int BUTTON_MIDDLE = 0x4;

// What the device holds, as the one value showHeldState hands over: the
// locked modifiers in the low byte, the modifiers pending for the next key
// only (and not locked) in the next, the buttons down in the third. 0 when
// nothing is held.
const int HELD_PENDING_SHIFT = 8;
const int HELD_BUTTONS_SHIFT = 16;
inline ModifierSet heldLocked(unsigned held) { return static_cast<ModifierSet>(held); }
inline ModifierSet heldPending(unsigned held) { return static_cast<ModifierSet>(held >> HELD_PENDING_SHIFT); }
inline int heldButtons(unsigned held) { return static_cast<int>(held >> HELD_BUTTONS_SHIFT) & 0x7; }

// Called for every key event and every mouse event just before it is sent,
// so the record holds everything the system may have been told. extended: the event carried
// KEYEVENTF_EXTENDEDKEY. byMouseLock: the event is a ",moulock" press.
void noteKeyEvent(int vk, int up, int extended);
void noteMouseEvent(unsigned flags, int byMouseLock);
// Called whenever the glide timer is armed (1) or stopped (0).
void noteGlideTimer(int armed);
// A Unicode unit's key-down (up == 0) or key-up, before it is sent.
void noteUnicodeUnit(unsigned unit, int up);

// 1 while vk is down as far as the interpreter has told the system.
int keyIsPressed(int vk);
// The buttons down, and those of them held by ",moulock".
int buttonsPressed();
int buttonsLocked();

// Takes the interpreter lock. When its last owner was a link worker that was
// terminated while holding it, the keys and buttons that worker had pressed
// for the key it was typing are released first; the locked modifiers and the
// ",moulock" buttons stay down, as the device asked.
void enterInterpreter();

// Lets go of everything the device holds: every key still down (stranded or
// locked modifier) and every button, clears both modifier sets and stops
// the glide if it runs. Sends nothing when nothing is held. For a caller
// that holds the interpreter lock (",clear" is one).
void letGoOfEverything();

// letGoOfEverything, and the escape-sequence assembler and the UTF-8
// decoder back to their start-up state (what they held is dropped): the
// device starts again from a clean state. For a caller that holds the
// interpreter lock.
void resetDevice();

// Hands what the device holds to the platform (showHeldState) when it has
// changed since it was last handed over. Every byte ends with it, so a
// Shift pressed and let go inside one character is never shown. For a
// caller that holds the interpreter lock.
void noteHeldState();

// resetDevice and noteHeldState under the lock: the device lets go of
// everything and the tray says so at once. For every end of a link (a
// failure, the removal of the port, an IrDA peer gone, Configure closing
// the port), for exit and for the end of the session, once the link's
// worker is quiet, and for any other hand-over that must leave nothing
// held.
void releaseHeldInput();

// Forgets what is held without sending anything: the start-up state.
void forgetHeldInput();
