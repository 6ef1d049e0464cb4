// The fuzzer's seam: nothing reaches the system; every call is checked for
// what the platform would reject or what would hang a real link thread.
#include "fuzz_platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform.h"

namespace {

bool lockHeld = false;
bool inGlideTick = false;
bool glideArmed = false;
int systemLanguage = 0x0409;
bool unicodeInput = true;
bool capsLock = false;
// The unit whose key-down was sent last and awaits its key-up (-1: none),
// and whether a high surrogate was completed and awaits its low half.
long unicodeDown = -1;
bool awaitingLowSurrogate = false;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

void fuzzSetSystemLanguage(int language) { systemLanguage = language; }
bool fuzzLockHeld() { return lockHeld; }
bool fuzzGlideArmed() { return glideArmed; }
void fuzzResetPlatform() {
  glideArmed = false;
  unicodeDown = -1;
  awaitingLowSurrogate = false;
}
void fuzzSetUnicodeInput(bool available) { unicodeInput = available; }
void fuzzSetCapsLock(bool on) { capsLock = on; }
bool fuzzUnicodeUnfinished() { return unicodeDown >= 0 || awaitingLowSurrogate; }
void fuzzSetInGlideTick(bool inTick) { inGlideTick = inTick; }

void emitKeyEvent(int vk, int scan, unsigned flags, uint32_t extra) {
  if (!lockHeld) fail("key event outside the interpreter lock");
  if (vk < 0 || vk > 0xFF) fail("virtual key outside 0..255");
  if (vk == 0xFF) fail("virtual key 0xFF: a character went out without a key");
  if (scan < 0 || scan > 0xFF) fail("scan code outside 0..255");
  if (flags & ~3u) fail("key flags other than extended and up");
  const bool up = (flags & 2u) != 0;
  // Bits 30 and 31 of the extra information say "key up"; they must agree
  // with the up flag, and the repeat count is always 1.
  if (((extra >> 30) == 3u) != up || (!up && (extra >> 30) != 0)) fail("extra information disagrees with the up flag");
  if ((extra & 0xFFFF) != 1) fail("repeat count other than 1");
}

// Each unit goes down and then up before anything else is sent as Unicode,
// and a high surrogate is followed at once by a low one.
int emitUnicodeUnit(unsigned unit, int up) {
  if (!lockHeld) fail("Unicode unit outside the interpreter lock");
  if (unit < 0x01 || unit > 0xFFFF) fail("Unicode unit outside 0x01..0xffff");
  const bool high = unit >= 0xD800 && unit <= 0xDBFF;
  const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
  if (up) {
    if (unicodeDown != static_cast<long>(unit)) fail("Unicode key-up without the key-down of its unit");
    unicodeDown = -1;
    awaitingLowSurrogate = high;
    return 0;
  }
  if (unicodeDown >= 0) fail("Unicode key-down while another unit is still down");
  if (awaitingLowSurrogate != low) fail("surrogates not sent as a high and low pair");
  awaitingLowSurrogate = false;
  if (!unicodeInput) {
    // A code page of single bytes that holds U+0080..U+00FF only.
    if (high || low || unit > 0xFF) return -1;
    return static_cast<int>(unit);
  }
  unicodeDown = unit;
  return 0;
}

void emitMouseEvent(unsigned flags, int, int, int wheel) {
  // Glide ticks run on the UI thread and take no lock; commands hold it.
  if (!lockHeld && !inGlideTick) fail("mouse event outside the interpreter lock");
  if (flags & ~0x987Fu) fail("mouse flags outside the known ones");
  const bool wheelEvent = (flags & 0x1800u) != 0;
  if (wheelEvent && (flags & 0x1800u) == 0x1800u) fail("vertical and horizontal wheel in one event");
  if (!wheelEvent && wheel != 0) fail("wheel amount on an event that is no wheel event");
  if (wheelEvent && (wheel == 0 || wheel % 120 != 0 || wheel > 1200 || wheel < -1200))
    fail("wheel amount other than 1..10 notches of 120");
}

void placePointer(int, int) {
  if (!lockHeld) fail("pointer placed outside the interpreter lock");
}

// A real pause would stall the fuzzer: only its bounds are checked.
void pauseTyping(int ms) {
  if (!lockHeld) fail("pause outside the interpreter lock");
  if (ms < 1 || ms > 5000) fail("pause outside 1..5000 ms");
}

KeyboardLayout layoutInFront() { return 0; }
KeyboardLayout layoutForText() { return 0; }
void inputMayMoveFocus() {}

int scanCodeOf(KeyboardLayout, int vk) {
  if (vk < 0 || vk > 0xFF) fail("scan code asked for a virtual key outside 0..255");
  return vk & 0x7F;
}

int virtualKeyAt(KeyboardLayout, int scan) { return scan < 0x20 ? scan + 0xB0 : 0; }

// A rough layout: letters and digits with their own keys, capitals with
// Shift, letters flipped by Caps Lock, a few characters with Ctrl or Alt,
// one with Alt alone and one with a shift bit of the layout's own, two dead
// keys and some with no key at all, so every branch of the key mapping is
// reached.
LayoutKey keyForCharacter(KeyboardLayout, unsigned char c) {
  if (c >= 'a' && c <= 'z') return LayoutKey{c - 'a' + 'A', 0, LAYOUT_CAPS_KEY};
  if (c >= 'A' && c <= 'Z') return LayoutKey{c, 1, LAYOUT_CAPS_KEY};
  if (c >= '0' && c <= '9') return LayoutKey{c, 0, 0};
  if (c == '\n') return LayoutKey{0x0D, 2, 0};
  if (c == '@') return LayoutKey{'Q', 6, 0};
  if (c == '{') return LayoutKey{'7', 4, 0};
  if (c == '}') return LayoutKey{'8', 8, 0};
  if (c == '^' || c == '`') return LayoutKey{0xDC, c == '^' ? 0 : 1, LAYOUT_DEAD_KEY};
  if (c < 32 || c >= 127) return LayoutKey{NO_KEY, 0, 0};
  return LayoutKey{0xBA + (c & 7), 1, 0};
}

int capsLockOn() { return capsLock ? 1 : 0; }

int readSystemLanguage() { return systemLanguage; }

void yieldProcessor() {
  if (!lockHeld) fail("yield outside the interpreter lock");
}

void armGlideTimer() {
  if (!lockHeld) fail("glide armed outside the interpreter lock");
  glideArmed = true;
}

void stopGlideTimer() {
  if (!lockHeld) fail("glide stopped outside the interpreter lock");
  glideArmed = false;
}

int lockInterpreter() {
  if (lockHeld) fail("interpreter lock taken twice: the second link would deadlock");
  lockHeld = true;
  return 0;
}

void unlockInterpreter() {
  if (!lockHeld) fail("interpreter lock released while not held");
  lockHeld = false;
}

void showMonitorText(const char* text) {
  // The link threads hand it over one at a time: inside the lock.
  if (!lockHeld) fail("monitor text handed over without the interpreter lock");
  if (!std::memchr(text, 0, 256)) fail("monitor text not terminated within 256 bytes");
}

void showHeldState(unsigned held) {
  if (!lockHeld) fail("held state handed over without the interpreter lock");
  if (held >> 19) fail("held state with bits beyond the three buttons");
}
