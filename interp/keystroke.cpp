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

const int VK_TAB = 0x09;
const int VK_RETURN = 0x0D;
const int VK_SHIFT = 0x10;
const int VK_CONTROL = 0x11;
const int VK_MENU = 0x12;
const int VK_CAPITAL = 0x14;
const int VK_ESCAPE = 0x1B;
const int VK_SPACE = 0x20;
const int VK_LWIN = 0x5B;
const int VK_RWIN = 0x5C;
const int VK_APPS = 0x5D;

const unsigned KEYEVENTF_KEYUP = 0x2;

// Bits of the key message parameter carried as extra information.
const uint32_t CONTEXT_ALT = 0x2000;
const uint32_t PREVIOUS_AND_TRANSITION = 0xC000;
const uint32_t REPEAT_ONE = 1;

// A character typed with one of these is a shortcut; Shift alone is not.
const ModifierSet SHORTCUT_MODIFIERS = MODIFIER_CTRL | MODIFIER_ALT | MODIFIER_WIN;

const int DOWN = 0;
const int UP = 1;

void sendKeyIn(KeyboardLayout layout, int up, int vk) {
  const int standard = standardScanCode(vk);
  const int scan = standard ? standard : scanCodeOf(layout, vk);
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

// The Windows key is always sent as an extended key; the flag goes back to
// 0 afterwards.
void sendWinKeyEvent(KeyboardLayout layout, int up) {
  extendedKeyFlag = 1;
  sendKeyIn(layout, up, VK_LWIN);
  extendedKeyFlag = 0;
}

void pressModifiers(KeyboardLayout layout, ModifierSet m) {
  if (m & MODIFIER_ALT) sendKeyIn(layout, DOWN, VK_MENU);
  if (m & MODIFIER_CTRL) sendKeyIn(layout, DOWN, VK_CONTROL);
  if (m & MODIFIER_SHIFT) sendKeyIn(layout, DOWN, VK_SHIFT);
  if (m & MODIFIER_WIN) sendWinKeyEvent(layout, DOWN);
}

void releaseModifiers(KeyboardLayout layout, ModifierSet m) {
  if (m & MODIFIER_SHIFT) sendKeyIn(layout, UP, VK_SHIFT);
  if (m & MODIFIER_CTRL) sendKeyIn(layout, UP, VK_CONTROL);
  if (m & MODIFIER_ALT) sendKeyIn(layout, UP, VK_MENU);
  if (m & MODIFIER_WIN) sendWinKeyEvent(layout, UP);
}

ModifierSet modifiersOfShiftState(int shiftState) {
  ModifierSet m = 0;
  if (shiftState & SHIFT_STATE_SHIFT) m |= MODIFIER_SHIFT;
  if (shiftState & SHIFT_STATE_CTRL) m |= MODIFIER_CTRL;
  if (shiftState & SHIFT_STATE_ALT) m |= MODIFIER_ALT;
  return m;
}

// A shift state Tavrin can press: no bit beyond Shift, Ctrl and Alt, and no
// Alt without Ctrl, which would open the window's menu instead.
bool canPress(int shiftState) {
  const int beyond = ~(SHIFT_STATE_SHIFT | SHIFT_STATE_CTRL | SHIFT_STATE_ALT);
  return !(shiftState & beyond) && !((shiftState & SHIFT_STATE_ALT) && !(shiftState & SHIFT_STATE_CTRL));
}

bool shortcutModifiersDown() { return ((lockedModifiers | pendingModifiers) & SHORTCUT_MODIFIERS) != 0; }

bool isLetterOrDigit(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool isPrintable(int c) { return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0); }

// Keys after which the focus may be elsewhere or Caps Lock changed, beside
// every key pressed with Ctrl, Alt or Win.
bool mayMoveFocus(int vk) {
  return vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_TAB || vk == VK_CAPITAL || vk == VK_MENU || vk == VK_LWIN ||
         vk == VK_RWIN || vk == VK_APPS;
}

// Taps vk with the locked and pending modifiers and the layout's own
// modifiers pressed around it, every event's scan code from layout;
// afterwards the pending ones are released, and those of the layout's own
// that were not locked (an AltGr character leaves a locked Ctrl or Alt
// down). invertShift types a key that Caps Lock flips with its Shift
// inverted; a locked Shift is then lifted for the key and pressed again
// after it.
void tapVirtualKey(KeyboardLayout layout, int vk, ModifierSet layoutModifiers, bool invertShift) {
  const bool focusMayMove = shortcutModifiersDown() || mayMoveFocus(vk);
  ModifierSet pressed = lockedModifiers | pendingModifiers | layoutModifiers;
  ModifierSet released = pendingModifiers | (layoutModifiers & static_cast<ModifierSet>(~lockedModifiers));
  const bool liftShift = invertShift && (pressed & lockedModifiers & MODIFIER_SHIFT);
  if (invertShift) {
    pressed ^= MODIFIER_SHIFT;
    released = static_cast<ModifierSet>((released & ~MODIFIER_SHIFT) | (pressed & MODIFIER_SHIFT));
  }
  const int savedExtended = extendedKeyFlag;
  extendedKeyFlag = 0;
  // A locked modifier is pressed again before every key although it is
  // already down.
  pressModifiers(layout, pressed);
  if (liftShift) sendKeyIn(layout, UP, VK_SHIFT);
  extendedKeyFlag = savedExtended;
  sendKeyIn(layout, DOWN, vk);
  sendKeyIn(layout, UP, vk);
  extendedKeyFlag = 0;
  if (liftShift) sendKeyIn(layout, DOWN, VK_SHIFT);
  releaseModifiers(layout, released);
  pendingModifiers = 0;
  if (focusMayMove) inputMayMoveFocus();
}

// A character whose key is a dead key, that the layout lacks, or whose
// shift state cannot be pressed goes as Unicode input: a dead key would
// wait for the next key and combine with it. Without Unicode input a dead
// key is pressed and followed by a space, which makes it type its own sign,
// and any other character goes by Alt and the keypad where the code page
// has it.
void typeWithoutItsKey(KeyboardLayout layout, int c, const LayoutKey& key) {
  const int ansi = sendUnicodeUnit(static_cast<unsigned>(c));
  if (ansi != 0 && (key.flags & LAYOUT_DEAD_KEY) && canPress(key.shiftState)) {
    tapVirtualKey(layout, key.vk, modifiersOfShiftState(key.shiftState), false);
    sendKeyIn(layout, DOWN, VK_SPACE);
    sendKeyIn(layout, UP, VK_SPACE);
    return;
  }
  if (ansi > 0) typeExtendedChar(static_cast<unsigned char>(ansi));
  pendingModifiers = 0;
}

// A printable character under Ctrl, Alt or Win is always a key, never text:
// a letter or digit is its fixed virtual key (Shift added for a capital), so
// that a shortcut is the same on every layout, Latin or not; any other sign
// is the layout's own key where the layout types it without AltGr, dead
// keys included (pressed as a key, a dead key types nothing then), else the
// key at its US English position with the US English Shift. A sign without
// either types nothing.
void typeShortcutCharacter(KeyboardLayout layout, int c) {
  if (isLetterOrDigit(c)) {
    const bool capital = c >= 'A' && c <= 'Z';
    tapVirtualKey(layout, capital || (c >= '0' && c <= '9') ? c : c - 'a' + 'A', capital ? MODIFIER_SHIFT : 0, false);
    return;
  }
  const LayoutKey key = keyCodeToVirtualKey(c, layout);
  if (key.vk != NO_KEY && (key.shiftState & ~SHIFT_STATE_SHIFT) == 0) {
    tapVirtualKey(layout, key.vk, modifiersOfShiftState(key.shiftState), false);
    return;
  }
  bool shifted = false;
  const int scan = usPositionOf(static_cast<unsigned char>(c), &shifted);
  const int vk = scan ? virtualKeyAt(layout, scan) : 0;
  if (vk)
    tapVirtualKey(layout, vk, shifted ? MODIFIER_SHIFT : 0, false);
  else
    pendingModifiers = 0;
}

// A character by the key of the layout of the window it lands in, Caps Lock
// compensated for on the keys it flips, or without its key when it has none,
// a dead one or one that cannot be pressed. Under Ctrl, Alt or Win no
// Unicode unit goes out: a character without a key then types nothing.
void typeCharacter(int c) {
  const KeyboardLayout layout = layoutForText();
  const bool shortcut = shortcutModifiersDown();
  if (shortcut && isPrintable(c)) {
    typeShortcutCharacter(layout, c);
    return;
  }
  const LayoutKey key = keyCodeToVirtualKey(c, layout);
  if (key.vk == NO_KEY || (key.flags & LAYOUT_DEAD_KEY) || !canPress(key.shiftState)) {
    if (shortcut)
      pendingModifiers = 0;
    else
      typeWithoutItsKey(layout, c, key);
    return;
  }
  const bool invertShift = !shortcut && (key.flags & LAYOUT_CAPS_KEY) && capsLockOn();
  tapVirtualKey(layout, key.vk, modifiersOfShiftState(key.shiftState), invertShift);
}

}  // namespace

void sendKeyEvent(int up, int vk) { sendKeyIn(layoutInFront(), up, vk); }

void typeKey(int keyCode) {
  const int character = layoutCharacter(keyCode);
  if (character >= 0) {
    typeCharacter(character);
    return;
  }
  const KeyboardLayout layout = layoutInFront();
  tapVirtualKey(layout, keyCodeToVirtualKey(keyCode, layout).vk, 0, false);
}

bool shortcutPending() { return shortcutModifiersDown(); }

void releaseLocked(int mask) {
  ModifierSet m = static_cast<ModifierSet>(mask & 0xFF);
  if (m == 0) m = 0xFF;
  const ModifierSet down = m & lockedModifiers;
  // The order differs from typeKey's release: Ctrl, Shift, Alt, then Win. A
  // locked Shift gets its key-up although locking it sent no key-down.
  if (down & MODIFIER_CTRL) sendKeyEvent(UP, VK_CONTROL);
  if (down & MODIFIER_SHIFT) sendKeyEvent(UP, VK_SHIFT);
  if (down & MODIFIER_ALT) sendKeyEvent(UP, VK_MENU);
  if (down & MODIFIER_WIN) sendWinKeyEvent(layoutInFront(), UP);
  lockedModifiers &= static_cast<ModifierSet>(~m);
  pendingModifiers &= static_cast<ModifierSet>(~m);
  // Alt or Win let go of alone opens a menu, and ends a switch of windows.
  if (down & (MODIFIER_ALT | MODIFIER_WIN)) inputMayMoveFocus();
}
