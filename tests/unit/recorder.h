// The unit tests' implementation of interp/platform.h: every call is
// appended to a fixed trace (no heap allocation while recording) that tests
// read back and compare. The layout model is US English as Windows reports
// it (tools/replay/us_layout.h).
//
// Recording is safe from several threads at once; reading the trace is for
// after the recording threads have finished. lockInterpreter and
// unlockInterpreter are a std::mutex; a thread that takes the lock twice
// aborts the test program with a message instead of deadlocking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace recorder {

enum class Kind : uint8_t {
  Key,             // emitKeyEvent
  Mouse,           // emitMouseEvent
  Yield,           // yieldProcessor
  GlideArm,        // armGlideTimer
  GlideStop,       // stopGlideTimer
  MonitorText,     // showMonitorText
  MapScan,         // scanCodeOf (a query)
  LayoutLookup,    // keyForCharacter (a query)
  SystemLanguage,  // readSystemLanguage (a query)
  Unicode,         // emitUnicodeUnit
  Pointer,         // placePointer
  Pause,           // pauseTyping
  FocusMayMove,    // inputMayMoveFocus
};

// Bit masks of kinds, for the functions that select part of the trace.
inline unsigned kindBit(Kind k) { return 1u << static_cast<unsigned>(k); }
// What the platform is made to do: everything but the queries.
const unsigned OUTPUT_KINDS = ((1u << 6) - 1) | (7u << 9);
const unsigned QUERY_KINDS = 7u << 6;
const unsigned ALL_KINDS = OUTPUT_KINDS | QUERY_KINDS;

struct Call {
  Kind kind;
  bool lockHeld;   // the calling thread held the interpreter lock
  int vk;          // Key: virtual key. MapScan: the virtual key asked about.
                   // LayoutLookup: the character asked about. Unicode: the unit.
  int scan;        // Key
  unsigned flags;  // Key: KEYEVENTF_* bits. Mouse: MOUSEEVENTF_* bits.
                   // Unicode: KEYEVENTF_KEYUP for a key-up.
  uint32_t extra;  // Key
  int dx, dy;      // Mouse; Pointer: the pixel
  int data;        // Mouse: the wheel amount. Pause: milliseconds.
  int result;      // queries, Unicode: the answer that was given
  int text;        // MonitorText: index of the saved text (see monitorText)
  uintptr_t layout;  // MapScan, LayoutLookup: the layout asked
};

const size_t CAPACITY = 1u << 16;
const size_t TEXT_CAPACITY = 1024;

// Empties the trace and restores the defaults: system language 0x0409
// (US English), every character typed as the US layout types it, glide
// timer not armed.
void reset();

// The recorded calls, in order. count() stops at CAPACITY; a call beyond it
// is dropped and sets overflowed().
size_t count();
const Call& at(size_t i);
bool overflowed();
// The calls whose kind is in the mask, in order.
std::vector<Call> calls(unsigned kinds = OUTPUT_KINDS);

// The text handed to showMonitorText (at most 255 characters kept).
const char* monitorText(const Call& call);

// The last value handed to showHeldState and how many were handed since
// reset (kept apart from the trace of calls).
unsigned shownHeldState();
int heldStateChanges();

// Whether the glide timer is armed after the calls recorded so far.
bool glideArmed();

// What readSystemLanguage returns from now on.
void setSystemLanguage(int language);
// Without Unicode input (the Windows 95 family) emitUnicodeUnit sends
// nothing and answers with the unit's Windows-1252 code, or -1.
void setUnicodeInput(bool available);
// What layoutInFront and layoutForText answer from now on (0 after reset);
// every layout has the US English keys.
void setLayoutInFront(uintptr_t layout);
// Makes keyForCharacter(c) answer NO_KEY from now on, or undoes it.
void setNoKey(unsigned char c, bool noKey = true);
// Makes the key of c answer this shift state from now on.
void setShiftState(unsigned char c, int shiftState);
// Makes the key of c a dead key from now on.
void setDeadKey(unsigned char c);
// Makes Caps Lock flip the key of c from now on, as it does letters' keys.
void setCapsKey(unsigned char c);
// What capsLockOn answers from now on (off after reset).
void setCapsLock(bool on);
// Makes the next lockInterpreter report that the lock's last owner was
// terminated while holding it, as the Win32 mutex does with WAIT_ABANDONED.
void abandonNextLock();

// Whether the calling thread holds the interpreter lock now.
bool lockHeldByThisThread();

// One call as text. Key, Unicode, yield, mouse and glide calls read exactly
// as tavrin-replay prints them ("key down vk=0x41 scan=0x1e flags=0x0
// extra=0x001e0001", "unicode down u=0x00e9", "yield", "mouse flags=0x0002
// dx=0 dy=0", "mouse flags=0x0800 dx=0 dy=0 data=360" for the wheel,
// "mouse to x=200 y=100", "wait ms=500", "glide arm"; a Unicode unit refused for want of Unicode input
// adds " -> 0xe9" or " -> none");
// the others as "monitor \"text\"", "map vk=0x41 -> 0x1e",
// "layout c=0x41 -> 0x141" (flags from bit 16 on), "language -> 0x0409",
// "focus may move". A call made with the lock
// held is not marked; describeLocks adds " [locked]".
std::string describe(const Call& call, bool describeLocks = false);
// The selected calls, one line each (each line ends with a newline).
std::string describeCalls(unsigned kinds = OUTPUT_KINDS, bool describeLocks = false);

// The key events in short form, separated by single spaces: "+10" for a
// key-down of virtual key 0x10, "-41" for a key-up of 0x41, followed by "x"
// when sent as an extended key and "a" when the Alt context bit is set in
// the extra information ("+12a +58a -58a -12"). A Unicode unit sent reads
// "+u00e9" / "-u00e9". Yields, queries and the other calls are left out.
std::string keyStrokes();

// Checks that every key event (a Unicode unit sent included) is followed at once by exactly one yield and
// that no yield stands anywhere else; an empty string when it holds, else a
// description of the first place where it does not.
std::string checkYieldAfterEveryKeyEvent();

}  // namespace recorder
