#include "focus_answers.h"

#include <windows.h>

#include "input_target.h"
#include "keyboard_layout.h"
#include "platform.h"

namespace {

// After Tavrin's own focus-moving input the next character of text waits,
// at most SETTLE_LIMIT_MS after that input, for the system to process it
// and for the window switch it may cause; once the focus has moved to
// another thread, SETTLE_QUIET_MS without a further move ends the wait.
const DWORD SETTLE_LIMIT_MS = 100;
const DWORD SETTLE_QUIET_MS = 10;
const DWORD SETTLE_POLL_MS = 2;

// Which thread has the focus and the Caps Lock toggle each cost a round trip
// to the system (50 to 90 us apiece under Wine on a busy machine, more than
// the whole lookup may add to a key), so their answers are kept until the
// system reports a change of the focus or the foreground window (counted by
// input_target.cpp's WinEvent hook) or Tavrin's own input may have moved
// the focus. The layout's own answers are asked for every character. All of
// it is used under the interpreter lock.
struct FocusAnswer {
  bool known;
  LONG changes;  // focusChangeCount() when asked
  DWORD thread;  // the thread with the keyboard focus, 0 for none
  HKL layout;    // its keyboard layout
};

struct CapsAnswer {
  bool known;
  LONG changes;
  int on;
};

FocusAnswer focus = {};
CapsAnswer caps = {};

// Tavrin's focus-moving input that the next character still waits for:
// when it was sent, and the thread that had the focus before it (0 when
// that was not known).
bool settling = false;
DWORD settleStart = 0;
DWORD threadBefore = 0;

// The last key event sent, whose processing by the system the wait looks for.
int sentVk = 0;
bool sentDown = false;

void askFocus() {
  focus.changes = focusChangeCount();
  focus.thread = focusThread();
  focus.layout = GetKeyboardLayout(focus.thread);
  focus.known = true;
}

DWORD elapsedSince(DWORD start) { return GetTickCount() - start; }

bool settleTimeLeft() { return elapsedSince(settleStart) < SETTLE_LIMIT_MS; }

// The asynchronous key state changes when the system takes the event from
// its input queue, after every low-level hook has seen it.
bool lastKeyProcessed() { return sentVk == 0 || ((GetAsyncKeyState(sentVk) & 0x8000) != 0) == sentDown; }

// Follows the thread with the focus until it has stayed put for
// SETTLE_QUIET_MS after a switch, or until the limit. A switch later than
// that is seen through the focus events.
void awaitSettledFocus() {
  DWORD thread = threadBefore ? threadBefore : focusThread();
  bool switched = false;
  DWORD lastSwitch = 0;
  while (settleTimeLeft()) {
    const DWORD now = focusThread();
    if (now != thread) {
      thread = now;
      switched = true;
      lastSwitch = GetTickCount();
    } else if (switched && elapsedSince(lastSwitch) >= SETTLE_QUIET_MS) {
      return;
    }
    Sleep(SETTLE_POLL_MS);
  }
}

void settleIfPending() {
  if (!settling) return;
  settling = false;
  while (!lastKeyProcessed() && settleTimeLeft()) Sleep(1);
  awaitSettledFocus();
  focus.known = false;
  caps.known = false;
}

}  // namespace

void noteSentKey(int vk, int up) {
  sentVk = vk;
  sentDown = !up;
}

void inputMayMoveFocus() {
  threadBefore = focus.known ? focus.thread : 0;
  settling = true;
  settleStart = GetTickCount();
  focus.known = false;
  caps.known = false;
}

KeyboardLayout layoutInFront() {
  if (!focus.known || focus.changes != focusChangeCount()) askFocus();
  return reinterpret_cast<KeyboardLayout>(focus.layout);
}

KeyboardLayout layoutForText() {
  settleIfPending();
  return layoutInFront();
}

// The toggle of the lock keys is the same for every thread, the link's too.
int capsLockOn() {
  settleIfPending();
  if (!caps.known || caps.changes != focusChangeCount())
    caps = CapsAnswer{true, focusChangeCount(), (GetKeyState(VK_CAPITAL) & 1) ? 1 : 0};
  return caps.on;
}

LayoutKey keyForCharacter(KeyboardLayout layout, unsigned char c) {
  // Which keys Caps Lock flips matters only while it is on.
  return layoutKeyOf(c, reinterpret_cast<HKL>(layout), capsLockOn() != 0);
}

int scanCodeOf(KeyboardLayout layout, int vk) {
  return static_cast<int>(MapVirtualKeyExW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC, reinterpret_cast<HKL>(layout)));
}

int virtualKeyAt(KeyboardLayout layout, int scan) {
  return static_cast<int>(MapVirtualKeyExW(static_cast<UINT>(scan), MAPVK_VSC_TO_VK, reinterpret_cast<HKL>(layout)));
}
