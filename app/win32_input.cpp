// The interpreter's seam on Win32: every operation of platform.h as the real
// system call.
#include <windows.h>

#include "app_windows.h"
#include "focus_answers.h"
#include "held_input.h"
#include "input_target.h"
#include "link_stop.h"
#include "messages.h"
#include "platform.h"

namespace {

// The interpreter lock. Created on first use by whichever thread gets there
// first; a thread that loses the race closes its own copy.
HANDLE volatile interpreterMutex = nullptr;

HANDLE interpreterLock() {
  HANDLE existing = interpreterMutex;
  if (existing) return existing;
  HANDLE created = CreateMutexA(nullptr, FALSE, nullptr);
  if (!created) return nullptr;
  existing = static_cast<HANDLE>(InterlockedCompareExchangePointer(
      const_cast<PVOID volatile*>(reinterpret_cast<PVOID volatile*>(&interpreterMutex)), created, nullptr));
  if (existing) {
    CloseHandle(created);
    return existing;
  }
  return created;
}

// The Windows 95 family has no Unicode input; GetVersion sets the top bit
// there.
bool hasUnicodeInput() { return (GetVersion() & 0x80000000u) == 0; }

// The unit's single-byte code in the ANSI code page, -1 when the code page
// has none (a best-fit stand-in would type a different character).
int ansiCodeOf(unsigned unit) {
  if (unit >= 0xD800 && unit <= 0xDFFF) return -1;
  const WCHAR wide = static_cast<WCHAR>(unit);
  char ansi[2];
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, ansi, sizeof ansi, nullptr, &usedDefault);
  if (length != 1 || usedDefault) return -1;
  return static_cast<unsigned char>(ansi[0]);
}

const LONG ABSOLUTE_RANGE = 65536;

// Normalized absolute coordinates put pixel p of n where
// p <= value * n / 65536 < p + 1. The smallest such value, rounded up, lands
// on p whether the system truncates or rounds that division.
LONG absoluteCoordinate(int pixel, int size) {
  if (size <= 1 || pixel <= 0) return 0;
  if (pixel > size - 1) pixel = size - 1;
  return static_cast<LONG>((static_cast<long long>(pixel) * ABSOLUTE_RANGE + size - 1) / size);
}

void postGlideRequest(WPARAM arm) {
  HWND window = mainWindow;
  if (window) PostMessageA(window, MSG_GLIDE_TIMER, arm, 0);
}

}  // namespace

void emitKeyEvent(int vk, int scan, unsigned flags, uint32_t extra) {
  checkInputTarget();
  noteSentKey(vk, (flags & KEYEVENTF_KEYUP) != 0);
  keybd_event(static_cast<BYTE>(vk), static_cast<BYTE>(scan), flags, extra);
}

int emitUnicodeUnit(unsigned unit, int up) {
  if (!hasUnicodeInput()) return ansiCodeOf(unit);
  checkInputTarget();
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wScan = static_cast<WORD>(unit);
  input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
  // Input the system refuses (a window of higher integrity has the focus)
  // cannot be retried; answering -1 keeps the interpreter from sending the
  // rest of the character, such as a lone low surrogate.
  return SendInput(1, &input, sizeof input) == 1 ? 0 : -1;
}

void emitMouseEvent(unsigned flags, int dx, int dy, int wheel) {
  checkInputTarget();
  mouse_event(flags, static_cast<DWORD>(dx), static_cast<DWORD>(dy), static_cast<DWORD>(wheel), 0);
}

// Absolute coordinates without MOUSEEVENTF_VIRTUALDESK cover the primary
// monitor, whose size the system metrics give.
void placePointer(int x, int y) {
  checkInputTarget();
  const LONG ax = absoluteCoordinate(x, GetSystemMetrics(SM_CXSCREEN));
  const LONG ay = absoluteCoordinate(y, GetSystemMetrics(SM_CYSCREEN));
  mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, static_cast<DWORD>(ax), static_cast<DWORD>(ay), 0, 0);
}

// Without the event there is nothing a stop could end the pause with: the
// pause is skipped rather than made one that a stop would have to wait for.
void pauseTyping(int ms) {
  HANDLE stopping = linkStopSignal();
  if (stopping) WaitForSingleObject(stopping, static_cast<DWORD>(ms));
}

int readSystemLanguage() { return GetSystemDefaultLangID(); }

void yieldProcessor() { Sleep(0); }

// Only the window's own thread may set or kill its timers, and these calls
// come from link threads: the main window does it on the UI thread.
void armGlideTimer() { postGlideRequest(1); }

void stopGlideTimer() { postGlideRequest(0); }

int lockInterpreter() {
  HANDLE mutex = interpreterLock();
  // Without a mutex there is nothing to wait on; the byte still goes through
  // rather than being lost.
  if (!mutex) return 0;
  // WAIT_ABANDONED means the last owner was terminated while holding the
  // lock; the lock is ours now and the caller releases what it stranded.
  return WaitForSingleObject(mutex, INFINITE) == WAIT_ABANDONED ? 1 : 0;
}

void unlockInterpreter() {
  HANDLE mutex = interpreterMutex;
  if (mutex) ReleaseMutex(mutex);
}

namespace {

// The About monitor's newest text, written by the link threads (one at a
// time, under the interpreter lock) and read by the About box on the UI
// thread, which never takes that lock: a device's pause holds it for
// seconds. The writer makes monitorVersion odd while it copies and even
// again after; a reader that saw the same even version before and after
// its copy has a whole text.
char monitorCopy[256];
LONG volatile monitorVersion = 0;
// Tries before a reader keeps what it has: a writer terminated inside its
// copy would leave the version odd for good, and a garbled line beats a
// frozen window.
const int MONITOR_READ_TRIES = 100;
// The About box that has a notice of the text on its way, null when none
// has: one notice at a time, since at 115200 baud a notice per byte would
// fill the window's queue. A box opened later gets its own.
HWND volatile noticedWindow = nullptr;

void publishMonitorText(const char* text) {
  InterlockedIncrement(&monitorVersion);
  lstrcpynA(monitorCopy, text, sizeof monitorCopy);
  InterlockedIncrement(&monitorVersion);
}

bool copyMonitorText(char* text, int size) {
  const LONG before = InterlockedCompareExchange(&monitorVersion, 0, 0);
  if (before & 1) return false;
  lstrcpynA(text, monitorCopy, size);
  return InterlockedCompareExchange(&monitorVersion, 0, 0) == before;
}

}  // namespace

void showMonitorText(const char* text) {
  HWND about = aboutWindow;
  if (!about) return;
  publishMonitorText(text);
  // A notice is posted, never sent: the link thread never waits for the UI
  // thread, so a link stop on the UI thread never waits for the window.
  HWND noticed = static_cast<HWND>(InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&noticedWindow), about));
  if (noticed != about && !PostMessageA(about, MSG_MONITOR_TEXT, 0, 0)) noticedWindow = nullptr;
}

void takeMonitorText(char* text, int size) {
  // Cleared before the copy is read: any text written after the read posts
  // a new notice.
  InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&noticedWindow), nullptr);
  if (size > 0) text[0] = 0;
  for (int i = 0; i < MONITOR_READ_TRIES; ++i) {
    if (copyMonitorText(text, size)) return;
    Sleep(0);
  }
}

namespace {

// What the device holds, as the link thread last published it, and whether
// the main window has a notice of it on its way: one at a time, as for the
// monitor text.
LONG volatile publishedHeld = 0;
LONG volatile heldNoticePosted = 0;

}  // namespace

void showHeldState(unsigned held) {
  InterlockedExchange(&publishedHeld, static_cast<LONG>(held));
  HWND window = mainWindow;
  if (!window || InterlockedExchange(&heldNoticePosted, 1)) return;
  if (!PostMessageA(window, MSG_HELD_STATE, 0, 0)) heldNoticePosted = 0;
}

unsigned takeHeldState() {
  // Cleared before the value is read: a change after the read posts anew.
  InterlockedExchange(&heldNoticePosted, 0);
  return static_cast<unsigned>(InterlockedCompareExchange(&publishedHeld, 0, 0));
}
