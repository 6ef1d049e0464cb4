#include "recorder.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <mutex>
#include <thread>

#include "platform.h"
#include "unicode_text.h"
#include "us_layout.h"

namespace recorder {
namespace {

Call trace[CAPACITY];
std::atomic<size_t> nextSlot{0};
std::atomic<bool> traceOverflowed{false};

char texts[TEXT_CAPACITY][256];
std::atomic<size_t> nextText{0};

std::atomic<int> systemLanguage{0x0409};
std::atomic<bool> noKey[256];
std::atomic<bool> deadKey[256];
std::atomic<int> shiftState[256];
std::atomic<bool> capsKey[256];
std::atomic<bool> capsLock{false};
std::atomic<bool> unicodeInput{true};
std::atomic<uintptr_t> layoutInFront{0};
std::atomic<unsigned> heldShown{0};
std::atomic<int> heldChanges{0};

std::mutex interpreterLock;
std::atomic<std::thread::id> lockOwner{std::thread::id()};
std::atomic<bool> abandonedLock{false};

const unsigned KEYEVENTF_KEYUP = 0x2;
const unsigned KEYEVENTF_EXTENDEDKEY = 0x1;
const uint32_t CONTEXT_ALT = 0x20000000;
// MOUSEEVENTF_WHEEL and MOUSEEVENTF_HWHEEL: the events that carry data.
const unsigned WHEEL_FLAGS = 0x0800 | 0x1000;

// Claims the next slot; a call past the capacity is dropped and noted.
Call* claim(Kind kind) {
  const size_t slot = nextSlot.fetch_add(1, std::memory_order_relaxed);
  if (slot >= CAPACITY) {
    traceOverflowed.store(true, std::memory_order_relaxed);
    return nullptr;
  }
  Call* call = &trace[slot];
  *call = Call{};
  call->kind = kind;
  call->lockHeld = lockHeldByThisThread();
  call->text = -1;
  return call;
}

void record(Kind kind) { claim(kind); }

void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* format, ...) {
  char line[320];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  out += line;
}

void appendQuoted(std::string& out, const char* text) {
  out += '"';
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p == '"' || *p == '\\') {
      out += '\\';
      out += static_cast<char>(*p);
    } else if (*p < 32 || *p >= 127) {
      appendf(out, "\\x%02x", *p);
    } else {
      out += static_cast<char>(*p);
    }
  }
  out += '"';
}

}  // namespace

void reset() {
  heldShown.store(0);
  heldChanges.store(0);
  nextSlot.store(0);
  traceOverflowed.store(false);
  nextText.store(0);
  systemLanguage.store(0x0409);
  unicodeInput.store(true);
  for (std::atomic<bool>& n : noKey) n.store(false);
  for (std::atomic<bool>& d : deadKey) d.store(false);
  for (std::atomic<int>& s : shiftState) s.store(-1);
  for (std::atomic<bool>& k : capsKey) k.store(false);
  capsLock.store(false);
  layoutInFront.store(0);
  abandonedLock.store(false);
}

size_t count() {
  const size_t n = nextSlot.load();
  return n < CAPACITY ? n : CAPACITY;
}

const Call& at(size_t i) { return trace[i]; }

bool overflowed() { return traceOverflowed.load(); }

std::vector<Call> calls(unsigned kinds) {
  std::vector<Call> selected;
  for (size_t i = 0; i < count(); ++i)
    if (kinds & kindBit(trace[i].kind)) selected.push_back(trace[i]);
  return selected;
}

const char* monitorText(const Call& call) {
  if (call.kind != Kind::MonitorText || call.text < 0) return "";
  return texts[call.text];
}

bool glideArmed() {
  bool armed = false;
  for (size_t i = 0; i < count(); ++i) {
    if (trace[i].kind == Kind::GlideArm) armed = true;
    if (trace[i].kind == Kind::GlideStop) armed = false;
  }
  return armed;
}

void setSystemLanguage(int language) { systemLanguage.store(language); }

void setUnicodeInput(bool available) { unicodeInput.store(available); }

void setNoKey(unsigned char c, bool on) { noKey[c].store(on); }

void setShiftState(unsigned char c, int state) { shiftState[c].store(state); }

void setDeadKey(unsigned char c) { deadKey[c].store(true); }

void setCapsKey(unsigned char c) { capsKey[c].store(true); }

void setCapsLock(bool on) { capsLock.store(on); }

void setLayoutInFront(uintptr_t layout) { layoutInFront.store(layout); }

void abandonNextLock() { abandonedLock.store(true); }

bool lockHeldByThisThread() { return lockOwner.load() == std::this_thread::get_id(); }

std::string describe(const Call& call, bool describeLocks) {
  std::string out;
  switch (call.kind) {
    case Kind::Key:
      appendf(out, "key %s vk=0x%02x scan=0x%02x flags=0x%x extra=0x%08x",
              (call.flags & KEYEVENTF_KEYUP) ? "up" : "down", call.vk, call.scan, call.flags,
              static_cast<unsigned>(call.extra));
      break;
    case Kind::Unicode:
      appendf(out, "unicode %s u=0x%04x", (call.flags & KEYEVENTF_KEYUP) ? "up" : "down", call.vk);
      if (call.result < 0) out += " -> none";
      if (call.result > 0) appendf(out, " -> 0x%02x", call.result);
      break;
    case Kind::Mouse:
      appendf(out, "mouse flags=0x%04x dx=%d dy=%d", call.flags, call.dx, call.dy);
      if (call.flags & WHEEL_FLAGS) appendf(out, " data=%d", call.data);
      break;
    case Kind::Pointer:
      appendf(out, "mouse to x=%d y=%d", call.dx, call.dy);
      break;
    case Kind::Pause:
      appendf(out, "wait ms=%d", call.data);
      break;
    case Kind::Yield:
      out = "yield";
      break;
    case Kind::GlideArm:
      out = "glide arm";
      break;
    case Kind::GlideStop:
      out = "glide stop";
      break;
    case Kind::MonitorText:
      out = "monitor ";
      appendQuoted(out, monitorText(call));
      break;
    case Kind::MapScan:
      appendf(out, "map vk=0x%02x -> 0x%02x", call.vk, call.result);
      break;
    case Kind::LayoutLookup:
      appendf(out, "layout c=0x%02x -> %s0x%x", call.vk, call.result < 0 ? "-" : "",
              static_cast<unsigned>(call.result < 0 ? -call.result : call.result));
      break;
    case Kind::SystemLanguage:
      appendf(out, "language -> 0x%04x", call.result);
      break;
    case Kind::FocusMayMove:
      out = "focus may move";
      break;
  }
  if (describeLocks && call.lockHeld) out += " [locked]";
  return out;
}

std::string describeCalls(unsigned kinds, bool describeLocks) {
  std::string out;
  for (size_t i = 0; i < count(); ++i) {
    if (!(kinds & kindBit(trace[i].kind))) continue;
    out += describe(trace[i], describeLocks);
    out += '\n';
  }
  if (overflowed()) out += "(trace overflowed: later calls were dropped)\n";
  return out;
}

std::string keyStrokes() {
  std::string out;
  for (size_t i = 0; i < count(); ++i) {
    const Call& call = trace[i];
    if (call.kind == Kind::Unicode && call.result == 0) {
      if (!out.empty()) out += ' ';
      appendf(out, "%cu%04x", (call.flags & KEYEVENTF_KEYUP) ? '-' : '+', call.vk);
      continue;
    }
    if (call.kind != Kind::Key) continue;
    if (!out.empty()) out += ' ';
    appendf(out, "%c%02x", (call.flags & KEYEVENTF_KEYUP) ? '-' : '+', call.vk);
    if (call.flags & KEYEVENTF_EXTENDEDKEY) out += 'x';
    if (call.extra & CONTEXT_ALT) out += 'a';
  }
  return out;
}

std::string checkYieldAfterEveryKeyEvent() {
  bool expectYield = false;
  for (size_t i = 0; i < count(); ++i) {
    const Kind kind = trace[i].kind;
    if (kind == Kind::MapScan || kind == Kind::LayoutLookup || kind == Kind::SystemLanguage) continue;
    // A unit refused for want of Unicode input sent nothing: a query, in effect.
    if (kind == Kind::Unicode && trace[i].result != 0) continue;
    if (expectYield && kind != Kind::Yield) return "call " + std::to_string(i) + " (" + describe(trace[i]) + ") follows a key event that had no yield";
    if (!expectYield && kind == Kind::Yield) return "call " + std::to_string(i) + " is a yield that follows no key event";
    expectYield = (kind == Kind::Key || kind == Kind::Unicode);
  }
  if (expectYield) return "the last key event has no yield";
  return "";
}

unsigned shownHeldState() { return heldShown.load(); }
int heldStateChanges() { return heldChanges.load(); }

}  // namespace recorder

using recorder::Call;
using recorder::Kind;

void emitKeyEvent(int vk, int scan, unsigned flags, uint32_t extra) {
  if (Call* call = recorder::claim(Kind::Key)) {
    call->vk = vk;
    call->scan = scan;
    call->flags = flags;
    call->extra = extra;
  }
}

namespace {

// The Windows-1252 code page, as the Windows 95 family's ANSI code page,
// taken from the C library's converter rather than from the interpreter's
// own table, so that a wrong row there shows as a difference.
int windows1252Code(unsigned unit) {
  iconv_t toCodePage = iconv_open("CP1252", "UTF-32LE");
  if (toCodePage == reinterpret_cast<iconv_t>(-1)) {
    std::fprintf(stderr, "recorder: the C library cannot convert to CP1252\n");
    std::abort();
  }
  unsigned char in[4] = {static_cast<unsigned char>(unit), static_cast<unsigned char>(unit >> 8),
                         static_cast<unsigned char>(unit >> 16), static_cast<unsigned char>(unit >> 24)};
  unsigned char out[4];
  char* inPointer = reinterpret_cast<char*>(in);
  char* outPointer = reinterpret_cast<char*>(out);
  size_t inLeft = sizeof in, outLeft = sizeof out;
  const size_t converted = iconv(toCodePage, &inPointer, &inLeft, &outPointer, &outLeft);
  iconv_close(toCodePage);
  return converted == static_cast<size_t>(-1) || outLeft != sizeof out - 1 ? -1 : out[0];
}

}  // namespace

int emitUnicodeUnit(unsigned unit, int up) {
  const int result = recorder::unicodeInput.load() ? 0 : windows1252Code(unit);
  if (Call* call = recorder::claim(Kind::Unicode)) {
    call->vk = static_cast<int>(unit);
    call->flags = up ? recorder::KEYEVENTF_KEYUP : 0;
    call->result = result;
  }
  return result;
}

void emitMouseEvent(unsigned flags, int dx, int dy, int wheel) {
  if (Call* call = recorder::claim(Kind::Mouse)) {
    call->flags = flags;
    call->dx = dx;
    call->dy = dy;
    call->data = wheel;
  }
}

void placePointer(int x, int y) {
  if (Call* call = recorder::claim(Kind::Pointer)) {
    call->dx = x;
    call->dy = y;
  }
}

void pauseTyping(int ms) {
  if (Call* call = recorder::claim(Kind::Pause)) call->data = ms;
}

KeyboardLayout layoutInFront() { return recorder::layoutInFront.load(); }

KeyboardLayout layoutForText() { return recorder::layoutInFront.load(); }

void inputMayMoveFocus() { recorder::record(Kind::FocusMayMove); }

int scanCodeOf(KeyboardLayout layout, int vk) {
  const int scan = usMapVirtualKey(vk);
  if (Call* call = recorder::claim(Kind::MapScan)) {
    call->vk = vk;
    call->result = scan;
    call->layout = layout;
  }
  return scan;
}

int virtualKeyAt(KeyboardLayout, int scan) { return usVirtualKeyAt(scan); }

LayoutKey keyForCharacter(KeyboardLayout layout, unsigned char c) {
  const int answer = recorder::noKey[c].load() ? -1 : usVkKeyScan(c);
  const int state = recorder::shiftState[c].load();
  LayoutKey key{answer < 0 ? NO_KEY : answer & 0xFF, answer < 0 ? 0 : state >= 0 ? state : answer >> 8, 0};
  if (answer >= 0 && recorder::deadKey[c].load()) key.flags |= LAYOUT_DEAD_KEY;
  // As the seam, it tells which keys Caps Lock flips only while it is on.
  if (answer >= 0 && recorder::capsLock.load() && (usCapsKey(c) || recorder::capsKey[c].load()))
    key.flags |= LAYOUT_CAPS_KEY;
  if (Call* call = recorder::claim(Kind::LayoutLookup)) {
    call->vk = c;
    call->result = answer < 0 ? -1 : answer | static_cast<int>(key.flags << 16);
    call->layout = layout;
  }
  return key;
}

int capsLockOn() { return recorder::capsLock.load() ? 1 : 0; }

int readSystemLanguage() {
  const int language = recorder::systemLanguage.load();
  if (Call* call = recorder::claim(Kind::SystemLanguage)) call->result = language;
  return language;
}

void yieldProcessor() { recorder::record(Kind::Yield); }

void armGlideTimer() { recorder::record(Kind::GlideArm); }

void stopGlideTimer() { recorder::record(Kind::GlideStop); }

int lockInterpreter() {
  if (recorder::lockHeldByThisThread()) {
    std::fprintf(stderr, "recorder: lockInterpreter called by the thread that already holds the lock\n");
    std::abort();
  }
  recorder::interpreterLock.lock();
  recorder::lockOwner.store(std::this_thread::get_id());
  return recorder::abandonedLock.exchange(false) ? 1 : 0;
}

void unlockInterpreter() {
  if (!recorder::lockHeldByThisThread()) {
    std::fprintf(stderr, "recorder: unlockInterpreter called by a thread that does not hold the lock\n");
    std::abort();
  }
  recorder::lockOwner.store(std::thread::id());
  recorder::interpreterLock.unlock();
}

void showMonitorText(const char* text) {
  Call* call = recorder::claim(Kind::MonitorText);
  if (!call) return;
  const size_t slot = recorder::nextText.fetch_add(1);
  if (slot >= recorder::TEXT_CAPACITY) {
    recorder::traceOverflowed.store(true);
    return;
  }
  std::strncpy(recorder::texts[slot], text, sizeof recorder::texts[slot] - 1);
  recorder::texts[slot][sizeof recorder::texts[slot] - 1] = '\0';
  call->text = static_cast<int>(slot);
}

void showHeldState(unsigned held) {
  recorder::heldShown.store(held);
  ++recorder::heldChanges;
}
