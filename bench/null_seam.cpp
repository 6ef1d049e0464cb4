// A seam that does nothing, so the benchmark measures the interpreter
// alone. The layout answer is the letter's virtual key, Shift added for
// capitals, so typing takes the same paths as on a real layout.
#include "platform.h"

void emitKeyEvent(int, int, unsigned, uint32_t) {}
int emitUnicodeUnit(unsigned, int) { return 0; }
void emitMouseEvent(unsigned, int, int, int) {}
void placePointer(int, int) {}
void pauseTyping(int) {}
int mapVirtualKeyToScan(int vk) { return vk & 0x7F; }
int scanLayoutForChar(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
  if (c >= 'A' && c <= 'Z') return 0x100 | c;
  return c;
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
