// The interpreter's seam on Win32: every operation of platform.h as the real
// system call.
#include <windows.h>

#include "app_windows.h"
#include "input_target.h"
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

void postGlideRequest(WPARAM arm) {
  HWND window = mainWindow;
  if (window) PostMessageA(window, MSG_GLIDE_TIMER, arm, 0);
}

}  // namespace

void emitKeyEvent(int vk, int scan, unsigned flags, uint32_t extra) {
  checkInputTarget();
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

void emitMouseEvent(unsigned flags, int dx, int dy) {
  checkInputTarget();
  mouse_event(flags, static_cast<DWORD>(dx), static_cast<DWORD>(dy), 0, 0);
}

int mapVirtualKeyToScan(int vk) { return static_cast<int>(MapVirtualKeyA(static_cast<UINT>(vk), 0)); }

int scanLayoutForChar(unsigned char c) {
  // SHORT to int keeps the sign: "no key" stays -1.
  const SHORT result = VkKeyScanA(static_cast<CHAR>(c));
  return result;
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

void showMonitorText(const char* text) {
  HWND about = aboutWindow;
  if (about) SendMessageA(about, MSG_MONITOR_TEXT, 0, reinterpret_cast<LPARAM>(text));
}
