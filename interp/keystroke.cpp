#include "keystroke.h"

#include "extended_chars.h"
#include "held_input.h"
#include "key_names.h"
#include "platform.h"
#include "unicode_text.h"

ModifierSet pendingModifiers = 0;
ModifierSet lockedModifiers = 0;
int extendedKeyFlag = 0;
int altHeld = 0;

namespace {

const int VK_SHIFT = 0x10;
const int VK_CONTROL = 0x11;
const int VK_MENU = 0x12;
const int VK_LWIN = 0x5B;
const int VK_SPACE = 0x20;

const unsigned KEYEVENTF_KEYUP = 0x2;

// Bits of the key message parameter carried as extra information.
const uint32_t CONTEXT_ALT = 0x2000;
const uint32_t PREVIOUS_AND_TRANSITION = 0xC000;
const uint32_t REPEAT_ONE = 1;

// The layout's shift state in the result of keyCodeToVirtualKey.
const int LAYOUT_SHIFT = 0x100;
const int LAYOUT_CTRL = 0x200;
const int LAYOUT_ALT = 0x400;

// A letter or digit typed with one of these is a shortcut; Shift alone is not.
const ModifierSet SHORTCUT_MODIFIERS = MODIFIER_CTRL | MODIFIER_ALT | MODIFIER_WIN;

const int DOWN = 0;
const int UP = 1;

// The Windows key is always sent as an extended key; the flag goes back to
// 0 afterwards.
void sendWinKeyEvent(int up) {
  extendedKeyFlag = 1;
  sendKeyEvent(up, VK_LWIN);
  extendedKeyFlag = 0;
}

void pressModifiers(ModifierSet m) {
  if (m & MODIFIER_ALT) sendKeyEvent(DOWN, VK_MENU);
  if (m & MODIFIER_CTRL) sendKeyEvent(DOWN, VK_CONTROL);
  if (m & MODIFIER_SHIFT) sendKeyEvent(DOWN, VK_SHIFT);
  if (m & MODIFIER_WIN) sendWinKeyEvent(DOWN);
}

void releaseModifiers(ModifierSet m) {
  if (m & MODIFIER_SHIFT) sendKeyEvent(UP, VK_SHIFT);
  if (m & MODIFIER_CTRL) sendKeyEvent(UP, VK_CONTROL);
  if (m & MODIFIER_ALT) sendKeyEvent(UP, VK_MENU);
  if (m & MODIFIER_WIN) sendWinKeyEvent(UP);
}

ModifierSet modifiersOfLayoutShift(int v) {
  ModifierSet m = 0;
  if (v & LAYOUT_SHIFT) m |= MODIFIER_SHIFT;
  if (v & LAYOUT_CTRL) m |= MODIFIER_CTRL;
  if (v & LAYOUT_ALT) m |= MODIFIER_ALT;
  return m;
}

bool isLetterOrDigit(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// The fixed virtual key of a letter or digit, Shift added for a capital, so
// that a shortcut is the same on every layout, Latin or not.
int shortcutKey(int c) {
  if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
  if (c >= 'A' && c <= 'Z') return LAYOUT_SHIFT | c;
  return c;
}

// Taps the virtual key in the low byte of v with the locked and pending
// modifiers and the layout's shift state in bits 8..10 pressed around it;
// afterwards the pending ones are released, and those of the layout's own
// that were not locked (an AltGr character leaves a locked Ctrl or Alt
// down). invertShift types a key that Caps Lock flips with its Shift
// inverted; a locked Shift is then lifted for the key and pressed again
// after it.
void tapVirtualKey(int v, bool invertShift) {
  const ModifierSet layout = modifiersOfLayoutShift(v);
  ModifierSet pressed = lockedModifiers | pendingModifiers | layout;
  ModifierSet released = pendingModifiers | (layout & static_cast<ModifierSet>(~lockedModifiers));
  const bool liftShift = invertShift && (pressed & lockedModifiers & MODIFIER_SHIFT);
  if (invertShift) {
    pressed ^= MODIFIER_SHIFT;
    released = static_cast<ModifierSet>((released & ~MODIFIER_SHIFT) | (pressed & MODIFIER_SHIFT));
  }
  const int savedExtended = extendedKeyFlag;
  extendedKeyFlag = 0;
  // A locked modifier is pressed again before every key although it is
  // already down.
  pressModifiers(pressed);
  if (liftShift) sendKeyEvent(UP, VK_SHIFT);
  extendedKeyFlag = savedExtended;
  const int vk = v & 0xFF;
  sendKeyEvent(DOWN, vk);
  sendKeyEvent(UP, vk);
  extendedKeyFlag = 0;
  if (liftShift) sendKeyEvent(DOWN, VK_SHIFT);
  releaseModifiers(released);
  pendingModifiers = 0;
}

// A character whose key is a dead key, or that the layout lacks, goes as
// Unicode input: a dead key would wait for the next key and combine with
// it. Without Unicode input a dead key is pressed and followed by a space,
// which makes it type its own sign, and a missing character goes by Alt and
// the keypad where the code page has it.
void typeWithoutItsKey(int c, int v) {
  const int ansi = sendUnicodeUnit(static_cast<unsigned>(c));
  if (ansi != 0 && v >= 0) {
    tapVirtualKey(v, false);
    sendKeyEvent(DOWN, VK_SPACE);
    sendKeyEvent(UP, VK_SPACE);
    return;
  }
  if (ansi > 0) typeExtendedChar(static_cast<unsigned char>(ansi));
  pendingModifiers = 0;
}

// A character: a letter or digit under Ctrl, Alt or Win by its fixed key;
// otherwise by the key of the layout in front, Caps Lock compensated for
// on the keys it flips, or without its key when it has none or a dead one. A
// dead key under a shortcut modifier is pressed as a key: it types nothing
// then.
void typeCharacter(int c) {
  const bool shortcut = ((lockedModifiers | pendingModifiers) & SHORTCUT_MODIFIERS) != 0;
  if (shortcut && isLetterOrDigit(c)) {
    tapVirtualKey(shortcutKey(c), false);
    return;
  }
  const int v = keyCodeToVirtualKey(c);
  if (v < 0 || ((v & LAYOUT_DEAD_KEY) && !shortcut)) {
    typeWithoutItsKey(c, v);
    return;
  }
  tapVirtualKey(v, !shortcut && (v & LAYOUT_CAPS_KEY) && capsLockOn());
}

}  // namespace

void sendKeyEvent(int up, int vk) {
  const int standard = standardScanCode(vk);
  const int scan = standard ? standard : mapVirtualKeyToScan(vk);
  uint32_t state = up ? PREVIOUS_AND_TRANSITION : 0;
  if (vk == VK_MENU) altHeld = up ? 0 : 1;
  if (altHeld) state |= CONTEXT_ALT;
  const unsigned flags = static_cast<unsigned>(extendedKeyFlag) | (up ? KEYEVENTF_KEYUP : 0);
  const uint32_t extra = ((static_cast<uint32_t>(scan) | state) << 16) | REPEAT_ONE;
  // Recorded first: a worker terminated between the two leaves no key down
  // that the record does not know of.
  noteKeyEvent(vk, up, extendedKeyFlag);
  emitKeyEvent(vk, scan, flags, extra);
  yieldProcessor();
}

void typeKey(int keyCode) {
  const int character = layoutCharacter(keyCode);
  if (character >= 0)
    typeCharacter(character);
  else
    tapVirtualKey(keyCodeToVirtualKey(keyCode), false);
}

void releaseLocked(int mask) {
  ModifierSet m = static_cast<ModifierSet>(mask & 0xFF);
  if (m == 0) m = 0xFF;
  const ModifierSet down = m & lockedModifiers;
  // The order differs from typeKey's release: Ctrl, Shift, Alt, then Win. A
  // locked Shift gets its key-up although locking it sent no key-down.
  if (down & MODIFIER_CTRL) sendKeyEvent(UP, VK_CONTROL);
  if (down & MODIFIER_SHIFT) sendKeyEvent(UP, VK_SHIFT);
  if (down & MODIFIER_ALT) sendKeyEvent(UP, VK_MENU);
  if (down & MODIFIER_WIN) sendWinKeyEvent(UP);
  lockedModifiers &= static_cast<ModifierSet>(~m);
  pendingModifiers &= static_cast<ModifierSet>(~m);
}
