#include "seam_hooks.h"

#include <cstdio>

namespace {

CRITICAL_SECTION recordLock;
std::vector<HookRecord>* records = nullptr;
HHOOK keyboardHook = nullptr;
HHOOK mouseHook = nullptr;

struct LockInit {
  LockInit() { InitializeCriticalSection(&recordLock); }
} lockInit;

void append(const HookRecord& record) {
  EnterCriticalSection(&recordLock);
  if (records) records->push_back(record);
  LeaveCriticalSection(&recordLock);
}

LRESULT CALLBACK recordKey(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION) {
    const KBDLLHOOKSTRUCT* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    HookRecord record{};
    record.kind = HookRecord::KEY;
    record.message = message;
    record.vk = key->vkCode;
    record.scan = key->scanCode;
    record.flags = key->flags;
    record.extra = key->dwExtraInfo;
    append(record);
  }
  return CallNextHookEx(nullptr, code, message, data);
}

LRESULT CALLBACK recordMouse(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION) {
    const MSLLHOOKSTRUCT* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    HookRecord record{};
    record.kind = HookRecord::MOUSE;
    record.message = message;
    record.flags = mouse->flags;
    record.extra = mouse->dwExtraInfo;
    record.pt = mouse->pt;
    if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL)
      record.wheel = static_cast<short>(HIWORD(mouse->mouseData));
    append(record);
  }
  return CallNextHookEx(nullptr, code, message, data);
}

size_t recordCount() {
  EnterCriticalSection(&recordLock);
  size_t count = records ? records->size() : 0;
  LeaveCriticalSection(&recordLock);
  return count;
}

const char* mouseMessageName(WPARAM message) {
  switch (message) {
    case WM_MOUSEMOVE: return "move";
    case WM_LBUTTONDOWN: return "left down";
    case WM_LBUTTONUP: return "left up";
    case WM_RBUTTONDOWN: return "right down";
    case WM_RBUTTONUP: return "right up";
    case WM_MBUTTONDOWN: return "middle down";
    case WM_MBUTTONUP: return "middle up";
    case WM_MOUSEWHEEL: return "wheel";
    case WM_MOUSEHWHEEL: return "sideways wheel";
    default: return "other";
  }
}

// The known differences are Wine's: on Windows every record must match as
// expected.
bool runsUnderWine() {
  static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

bool sameRecord(const HookRecord& expected, const HookRecord& actual, bool* tookKnown) {
  *tookKnown = false;
  if (expected.kind != actual.kind) return false;
  if (expected.kind == HookRecord::MOUSE)
    return expected.message == actual.message && expected.flags == actual.flags &&
           expected.extra == actual.extra && expected.pt.x == actual.pt.x && expected.pt.y == actual.pt.y &&
           expected.wheel == actual.wheel;
  if (expected.vk != actual.vk) return false;
  const DWORD flags = actual.flags & COMPARED_KEY_FLAGS;
  if ((expected.flags & COMPARED_KEY_FLAGS) == flags && expected.scan == actual.scan && expected.extra == actual.extra)
    return true;
  if (!expected.knownDifference || !runsUnderWine()) return false;
  const DWORD knownFlags = (expected.knownFlags ? expected.knownFlags : expected.flags) & COMPARED_KEY_FLAGS;
  if (knownFlags == flags && expected.knownScan == actual.scan && expected.knownExtra == actual.extra) {
    *tookKnown = true;
    return true;
  }
  return false;
}

}  // namespace

HookRecord keyDown(DWORD vk, DWORD scan, ULONG_PTR extra, DWORD flags) {
  HookRecord record{};
  record.kind = HookRecord::KEY;
  record.vk = vk;
  record.scan = scan;
  record.flags = flags | LLKHF_INJECTED;
  record.extra = extra;
  return record;
}

HookRecord keyUp(DWORD vk, DWORD scan, ULONG_PTR extra, DWORD flags) {
  return keyDown(vk, scan, extra, flags | LLKHF_UP);
}

HookRecord mouseAt(WPARAM message, LONG x, LONG y) {
  HookRecord record{};
  record.kind = HookRecord::MOUSE;
  record.message = message;
  record.flags = LLMHF_INJECTED;
  record.pt.x = x;
  record.pt.y = y;
  return record;
}

HookRecord wheelAt(WPARAM message, LONG x, LONG y, int amount) {
  HookRecord record = mouseAt(message, x, y);
  record.wheel = amount;
  return record;
}

std::string describe(const HookRecord& r) {
  char text[160];
  if (r.kind == HookRecord::KEY)
    std::snprintf(text, sizeof text, "key %s vk=0x%02lx scan=0x%02lx flags=0x%02lx extra=0x%08lx",
                  (r.flags & LLKHF_UP) ? "up" : "down", static_cast<unsigned long>(r.vk),
                  static_cast<unsigned long>(r.scan), static_cast<unsigned long>(r.flags),
                  static_cast<unsigned long>(r.extra));
  else
    std::snprintf(text, sizeof text, "mouse %s at (%ld, %ld) flags=0x%lx extra=0x%lx wheel=%d",
                  mouseMessageName(r.message), static_cast<long>(r.pt.x), static_cast<long>(r.pt.y),
                  static_cast<unsigned long>(r.flags), static_cast<unsigned long>(r.extra), r.wheel);
  return text;
}

// A record of expected that turns up later in actual marks the actual ones
// before it as spurious; one that never turns up is missing.
std::string compareRecords(const char* row, const std::vector<HookRecord>& expected,
                           const std::vector<HookRecord>& actual, std::string* notes) {
  std::string report;
  size_t a = 0;
  for (size_t e = 0; e < expected.size(); ++e) {
    bool known = false;
    size_t found = a;
    while (found < actual.size() && !sameRecord(expected[e], actual[found], &known)) ++found;
    if (found == actual.size()) {
      report += std::string("row \"") + row + "\": missing  " + describe(expected[e]) + "\n";
      continue;
    }
    for (; a < found; ++a) report += std::string("row \"") + row + "\": spurious " + describe(actual[a]) + "\n";
    if (known && notes) {
      const std::string note = std::string("row \"") + row + "\": known difference: " + expected[e].knownDifference + "\n";
      if (notes->find(note) == std::string::npos) *notes += note;
    }
    ++a;
  }
  for (; a < actual.size(); ++a) report += std::string("row \"") + row + "\": spurious " + describe(actual[a]) + "\n";
  return report;
}

HookRecorder::HookRecorder() {
  EnterCriticalSection(&recordLock);
  records = new std::vector<HookRecord>;
  LeaveCriticalSection(&recordLock);
  started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread = CreateThread(nullptr, 0, hookThread, this, 0, &threadId);
  if (thread && started) WaitForSingleObject(started, 5000);
}

HookRecorder::~HookRecorder() {
  if (thread) {
    PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
  }
  if (started) CloseHandle(started);
  EnterCriticalSection(&recordLock);
  delete records;
  records = nullptr;
  LeaveCriticalSection(&recordLock);
}

DWORD WINAPI HookRecorder::hookThread(LPVOID param) {
  HookRecorder* self = static_cast<HookRecorder*>(param);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue, for WM_QUIT
  HINSTANCE instance = GetModuleHandleA(nullptr);
  keyboardHook = SetWindowsHookExA(WH_KEYBOARD_LL, recordKey, instance, 0);
  mouseHook = SetWindowsHookExA(WH_MOUSE_LL, recordMouse, instance, 0);
  self->ready = keyboardHook && mouseHook;
  SetEvent(self->started);
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  if (keyboardHook) UnhookWindowsHookEx(keyboardHook);
  if (mouseHook) UnhookWindowsHookEx(mouseHook);
  keyboardHook = mouseHook = nullptr;
  return 0;
}

void HookRecorder::clear() {
  EnterCriticalSection(&recordLock);
  records->clear();
  LeaveCriticalSection(&recordLock);
}

size_t HookRecorder::count() const { return recordCount(); }

std::vector<HookRecord> HookRecorder::settle(DWORD settleMs, DWORD limitMs) {
  const DWORD start = GetTickCount();
  size_t seen = recordCount();
  DWORD quietSince = GetTickCount();
  while (GetTickCount() - start < limitMs) {
    pumpMessagesFor(20);
    size_t now = recordCount();
    if (now != seen) {
      seen = now;
      quietSince = GetTickCount();
    } else if (GetTickCount() - quietSince >= settleMs) {
      break;
    }
  }
  EnterCriticalSection(&recordLock);
  std::vector<HookRecord> copy = *records;
  LeaveCriticalSection(&recordLock);
  return copy;
}

void pumpMessagesFor(DWORD ms, bool typing) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    if (typing) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    } else {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
  }
}
