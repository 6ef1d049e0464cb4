#include "printer.h"

#include <cstdio>

#include "platform.h"
#include "layout_file.h"

namespace {

const unsigned KEYEVENTF_KEYUP = 0x2;

int systemLanguage = 0x0409;
bool glideArmed = false;

}  // namespace

void setPrintedSystemLanguage(int language) { systemLanguage = language; }

bool printedGlideArmed() { return glideArmed; }

void emitKeyEvent(int vk, int scan, unsigned flags, uint32_t extra) {
  std::printf("key %s vk=0x%02x scan=0x%02x flags=0x%x extra=0x%08x\n", (flags & KEYEVENTF_KEYUP) ? "up" : "down",
              static_cast<unsigned>(vk), static_cast<unsigned>(scan), flags, static_cast<unsigned>(extra));
}

// The replay stands for an NT-family system: every unit goes out as
// Unicode input.
int emitUnicodeUnit(unsigned unit, int up) {
  std::printf("unicode %s u=0x%04x\n", up ? "up" : "down", unit);
  return 0;
}

void emitMouseEvent(unsigned flags, int dx, int dy) { std::printf("mouse flags=0x%04x dx=%d dy=%d\n", flags, dx, dy); }

int mapVirtualKeyToScan(int vk) { return layoutMapVirtualKey(vk); }

int scanLayoutForChar(unsigned char c) { return layoutVkKeyScan(c); }

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
