// Keystroke synthesis and the modifier state of the command language.
#pragma once

#include <cstdint>

// One byte of modifier bits.
typedef uint8_t ModifierSet;

const ModifierSet MODIFIER_CTRL = 0x01;
const ModifierSet MODIFIER_SHIFT = 0x02;
const ModifierSet MODIFIER_ALT = 0x04;
const ModifierSet MODIFIER_WIN = 0x10;

// Applied to the next key typed, then cleared.
extern ModifierSet pendingModifiers;
// Applied to every key typed until released.
extern ModifierSet lockedModifiers;
// 1 while the key being sent needs KEYEVENTF_EXTENDEDKEY; 0 between
// operations.
extern int extendedKeyFlag;
// 1 when the last Alt event sent was a key-down.
extern int altHeld;

// Sends one key-down (up == 0) or key-up of virtual key vk (0..255),
// followed by the zero-length yield.
void sendKeyEvent(int up, int vk);

// Types one key (a KeyCode) with the modifiers it needs: the locked and
// pending ones and the layout's shift state, every event with the scan code
// of the layout of the window it lands in. A character is typed so that it
// arrives as itself on that layout, or under Ctrl, Alt or Win as a key (see
// typeCharacter in keystroke.cpp). Clears the pending set.
void typeKey(int keyCode);

// Whether Ctrl, Alt or Win is pending or locked: a character is then a key,
// never text.
bool shortcutPending();

// Sends the key-ups of the locked modifiers in mask (all of them when the
// low byte of mask is 0) and removes the mask from both sets.
void releaseLocked(int mask);
