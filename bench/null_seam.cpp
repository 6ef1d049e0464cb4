// A seam that does nothing, so the benchmark measures the interpreter
// alone. The layout answer is the letter's virtual key, Shift added for
// capitals, so typing takes the same paths as on a real layout.
#include "platform.h"

void emitKeyEvent(int, int, unsigned, uint32_t) {}
int emitUnicodeUnit(unsigned, int) { return 0; }
void emitMouseEvent(unsigned, int, int, int) {}
void placePointer(int, int) {}
void pauseTyping(int) {}
KeyboardLayout layoutInFront() { return 0; }
KeyboardLayout layoutForText() { return 0; }
void inputMayMoveFocus() {}
int scanCodeOf(KeyboardLayout, int vk) { return vk & 0x7F; }
int virtualKeyAt(KeyboardLayout, int scan) { return scan; }
LayoutKey keyForCharacter(KeyboardLayout, unsigned char c) {
  if (c >= 'a' && c <= 'z') return LayoutKey{c - 'a' + 'A', 0, 0};
  if (c >= 'A' && c <= 'Z') return LayoutKey{c, 1, 0};
  return LayoutKey{c, 0, 0};
}
int capsLockOn() { return 0; }
int readSystemLanguage() { return 0x0409; }
void yieldProcessor() {}
void armGlideTimer() {}
void stopGlideTimer() {}
int lockInterpreter() { return 0; }
void unlockInterpreter() {}
void showMonitorText(const char*) {}
void showHeldState(unsigned) {}
