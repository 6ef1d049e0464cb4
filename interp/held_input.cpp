#include "held_input.h"

#include <cstring>

#include "assembler.h"
#include "keystroke.h"
#include "platform.h"

namespace {

const int VK_SHIFT = 0x10;
const int VK_CONTROL = 0x11;
const int VK_MENU = 0x12;
const int VK_LWIN = 0x5B;

const int KEY_RELEASED = 0;
const int KEY_DOWN = 1;
const int KEY_DOWN_EXTENDED = 2;

// One entry per virtual key: up, down, or down as an extended key (its
// key-up must carry the same flag).
unsigned char keyState[256];
int pressedButtons = 0;
int lockedButtons = 0;
int glideRunning = 0;
// The Unicode unit whose key-down may have gone out without its key-up; 0
// for none.
unsigned unicodeUnitDown = 0;
// What showHeldState was last told.
unsigned heldShown = 0;

struct ButtonFlags {
  int button;
  unsigned press;
  unsigned release;
};

// In the order ",mourel" lets go of them.
const ButtonFlags ButtonEvents[] = {
    {BUTTON_RIGHT, 0x0008, 0x0010},
    {BUTTON_MIDDLE, 0x0020, 0x0040},
    {BUTTON_LEFT, 0x0002, 0x0004},
};

// The modifier keys, in the order releaseLocked lets go of them, with the
// modifier bit each stands for.
struct ModifierKey {
  int vk;
  ModifierSet bit;
};
const ModifierKey ModifierKeys[] = {
    {VK_CONTROL, MODIFIER_CTRL}, {VK_SHIFT, MODIFIER_SHIFT}, {VK_MENU, MODIFIER_ALT}, {VK_LWIN, MODIFIER_WIN}};

bool isModifierKey(int vk) {
  for (const ModifierKey& m : ModifierKeys)
    if (m.vk == vk) return true;
  return false;
}

void releaseKey(int vk) {
  extendedKeyFlag = keyState[vk] == KEY_DOWN_EXTENDED ? 1 : 0;
  sendKeyEvent(1, vk);
  extendedKeyFlag = 0;
}

void releaseUnicodeUnit() {
  if (unicodeUnitDown) emitUnicodeUnit(unicodeUnitDown, 1);
  unicodeUnitDown = 0;
}

void releaseOrdinaryKeys() {
  for (int vk = 0; vk < 256; ++vk)
    if (keyState[vk] != KEY_RELEASED && !isModifierKey(vk)) releaseKey(vk);
}

// The modifier keys down, except those whose modifier is in keep.
void releaseModifierKeys(ModifierSet keep) {
  for (const ModifierKey& m : ModifierKeys)
    if (keyState[m.vk] != KEY_RELEASED && !(keep & m.bit)) releaseKey(m.vk);
}

void releaseButtons(int keep) {
  for (const ButtonFlags& b : ButtonEvents)
    if ((pressedButtons & b.button) && !(keep & b.button)) emitMouseEvent(b.release, 0, 0, 0);
  pressedButtons &= keep;
}

// Lets go of every key and button down, except the modifiers in
// keepModifiers and the buttons in keepButtons.
void releaseAllBut(ModifierSet keepModifiers, int keepButtons) {
  extendedKeyFlag = 0;
  releaseUnicodeUnit();
  releaseOrdinaryKeys();
  releaseModifierKeys(keepModifiers);
  releaseButtons(keepButtons);
}

}  // namespace

void noteKeyEvent(int vk, int up, int extended) {
  keyState[vk & 0xFF] = up ? KEY_RELEASED : (extended ? KEY_DOWN_EXTENDED : KEY_DOWN);
}

void noteMouseEvent(unsigned flags, int byMouseLock) {
  for (const ButtonFlags& b : ButtonEvents) {
    if (flags & b.press) {
      pressedButtons |= b.button;
      if (byMouseLock) lockedButtons |= b.button;
    }
    if (flags & b.release) {
      pressedButtons &= ~b.button;
      lockedButtons &= ~b.button;
    }
  }
}

void noteGlideTimer(int armed) { glideRunning = armed; }
void noteUnicodeUnit(unsigned unit, int up) { unicodeUnitDown = up ? 0 : unit; }

int keyIsPressed(int vk) { return keyState[vk & 0xFF] != KEY_RELEASED; }

int buttonsPressed() { return pressedButtons; }

int buttonsLocked() { return lockedButtons; }

void enterInterpreter() {
  // A worker terminated while it held the lock was in the middle of a byte:
  // the key it was typing, its one-shot modifiers or the click it was making
  // may be down. Locked modifiers and locked buttons are down on purpose.
  if (lockInterpreter()) releaseAllBut(lockedModifiers, lockedButtons);
}

void letGoOfEverything() {
  releaseAllBut(0, 0);
  lockedButtons = 0;
  lockedModifiers = 0;
  pendingModifiers = 0;
  if (glideRunning) stopGlideTimer();
  glideRunning = 0;
}

void resetDevice() {
  letGoOfEverything();
  // Half an escape sequence or half a UTF-8 character from a link that went
  // away is not text: kept, it would swallow what the device sends next.
  resetSequenceAssembler();
}

void noteHeldState() {
  const unsigned pendingOnly = pendingModifiers & ~lockedModifiers;
  const unsigned held = lockedModifiers | pendingOnly << HELD_PENDING_SHIFT |
                        static_cast<unsigned>(pressedButtons) << HELD_BUTTONS_SHIFT;
  if (held == heldShown) return;
  heldShown = held;
  showHeldState(held);
}

void releaseHeldInput() {
  enterInterpreter();
  resetDevice();
  noteHeldState();
  unlockInterpreter();
}

void forgetHeldInput() {
  std::memset(keyState, 0, sizeof keyState);
  pressedButtons = 0;
  lockedButtons = 0;
  glideRunning = 0;
  unicodeUnitDown = 0;
  heldShown = 0;
}
