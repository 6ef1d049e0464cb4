#include "printer.h"

#include <cstdio>

#include "platform.h"
#include "layout_file.h"

namespace {

const unsigned KEYEVENTF_KEYUP = 0x2;
// MOUSEEVENTF_WHEEL and MOUSEEVENTF_HWHEEL: the only events whose data is
// printed, so every other mouse line reads as it always has.
const unsigned WHEEL_FLAGS = 0x0800 | 0x1000;

const int VK_CAPITAL = 0x14;

int systemLanguage = 0x0409;
bool glideArmed = false;
bool capsLock = false;

}  // namespace

void setPrintedSystemLanguage(int language) { systemLanguage = language; }

void setPrintedCapsLock(bool on) { capsLock = on; }

bool printedGlideArmed() { return glideArmed; }

// Caps Lock changes with every press of its key, as on the system.
void emitKeyEvent(int vk, int scan, unsigned flags, uint32_t extra) {
  if (vk == VK_CAPITAL && !(flags & KEYEVENTF_KEYUP)) capsLock = !capsLock;
  std::printf("key %s vk=0x%02x scan=0x%02x flags=0x%x extra=0x%08x\n", (flags & KEYEVENTF_KEYUP) ? "up" : "down",
              static_cast<unsigned>(vk), static_cast<unsigned>(scan), flags, static_cast<unsigned>(extra));
}

// The replay stands for an NT-family system: every unit goes out as
// Unicode input.
int emitUnicodeUnit(unsigned unit, int up) {
  std::printf("unicode %s u=0x%04x\n", up ? "up" : "down", unit);
  return 0;
}

void emitMouseEvent(unsigned flags, int dx, int dy, int wheel) {
  if (flags & WHEEL_FLAGS)
    std::printf("mouse flags=0x%04x dx=%d dy=%d data=%d\n", flags, dx, dy, wheel);
  else
    std::printf("mouse flags=0x%04x dx=%d dy=%d\n", flags, dx, dy);
}

void placePointer(int x, int y) { std::printf("mouse to x=%d y=%d\n", x, y); }

// The replay prints the pause and goes straight on.
void pauseTyping(int ms) { std::printf("wait ms=%d\n", ms); }

// One layout serves the whole stream: every window has the same.
KeyboardLayout layoutInFront() { return 0; }
KeyboardLayout layoutForText() { return 0; }
void inputMayMoveFocus() {}

int scanCodeOf(KeyboardLayout, int vk) { return layoutMapVirtualKey(vk); }

int virtualKeyAt(KeyboardLayout, int scan) { return layoutVirtualKeyAt(scan); }

LayoutKey keyForCharacter(KeyboardLayout, unsigned char c) { return layoutKeyForChar(c); }

int capsLockOn() { return capsLock ? 1 : 0; }

int readSystemLanguage() { return systemLanguage; }

void yieldProcessor() { std::fputs("yield\n", stdout); }

void armGlideTimer() {
  glideArmed = true;
  std::fputs("glide arm\n", stdout);
}

void stopGlideTimer() {
  glideArmed = false;
  std::fputs("glide stop\n", stdout);
}

// One thread feeds the interpreter here: the lock has nothing to keep apart.
int lockInterpreter() { return 0; }
void unlockInterpreter() {}

// The About box never opens in the replay, so no monitor text arrives.
void showMonitorText(const char*) {}

void showHeldState(unsigned) {}
