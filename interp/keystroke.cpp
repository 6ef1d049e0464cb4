#include "keystroke.h"

#include "held_input.h"
#include "key_names.h"
#include "platform.h"

ModifierSet pendingModifiers = 0;
ModifierSet lockedModifiers = 0;
int extendedKeyFlag = 0;
int altHeld = 0;

namespace {

const int VK_SHIFT = 0x10;
const int VK_CONTROL = 0x11;
const int VK_MENU = 0x12;
const int VK_LWIN = 0x5B;

const unsigned KEYEVENTF_KEYUP = 0x2;

// Bits of the key message parameter carried as extra information.
const uint32_t CONTEXT_ALT = 0x2000;
const uint32_t PREVIOUS_AND_TRANSITION = 0xC000;
const uint32_t REPEAT_ONE = 1;

// The layout's shift state in the result of keyCodeToVirtualKey.
const int LAYOUT_SHIFT = 0x100;
const int LAYOUT_CTRL = 0x200;
const int LAYOUT_ALT = 0x400;

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
  const int v = keyCodeToVirtualKey(keyCode);
  pendingModifiers |= modifiersOfLayoutShift(v);
  const int savedExtended = extendedKeyFlag;
  extendedKeyFlag = 0;
  // A locked modifier is pressed again before every key although it is
  // already down.
  pressModifiers(lockedModifiers | pendingModifiers);
  extendedKeyFlag = savedExtended;
  const int vk = v & 0xFF;
  sendKeyEvent(DOWN, vk);
  sendKeyEvent(UP, vk);
  extendedKeyFlag = 0;
  releaseModifiers(pendingModifiers);
  pendingModifiers = 0;
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
