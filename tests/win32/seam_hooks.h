// Observes the real seam the way the system's own input tests do: low-level
// keyboard and mouse hooks in this process record every event, a bounded
// wait lets the input settle, and one comparison per table row names what
// differs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct HookRecord {
  enum Kind { KEY, MOUSE } kind;
  WPARAM message;  // mouse: WM_MOUSEMOVE, WM_LBUTTONDOWN, ...; key: not compared
  DWORD vk;
  DWORD scan;
  DWORD flags;  // LLKHF_* or LLMHF_*
  ULONG_PTR extra;
  POINT pt;
  int wheel;  // mouse wheel messages: the signed amount; otherwise 0
  // When set, the record also matches under Wine (ntdll exports
  // wine_get_version) with this scan code, extra information and flags
  // (knownFlags 0: the same flags), because Wine is known to give them; the
  // note says why.
  const char* knownDifference;
  DWORD knownScan;
  ULONG_PTR knownExtra;
  DWORD knownFlags;
};

// The key flags the tests compare: the ones the seam decides. LLKHF_ALTDOWN
// is the system's reading of its own key state and is shown, not compared.
const DWORD COMPARED_KEY_FLAGS = LLKHF_EXTENDED | LLKHF_INJECTED | LLKHF_UP;

HookRecord keyDown(DWORD vk, DWORD scan, ULONG_PTR extra, DWORD flags = 0);
HookRecord keyUp(DWORD vk, DWORD scan, ULONG_PTR extra, DWORD flags = 0);
HookRecord mouseAt(WPARAM message, LONG x, LONG y);
// WM_MOUSEWHEEL or WM_MOUSEHWHEEL with its amount (120 a notch).
HookRecord wheelAt(WPARAM message, LONG x, LONG y, int amount);

// Installs both hooks on a thread of their own that pumps messages for
// them, so the thread that injects input never has to.
class HookRecorder {
 public:
  HookRecorder();
  ~HookRecorder();
  bool installed() const { return ready; }
  void clear();
  size_t count() const;
  // Waits until no new record has arrived for settleMs, at most limitMs,
  // pumping this thread's messages meanwhile; returns what was recorded.
  std::vector<HookRecord> settle(DWORD settleMs = 150, DWORD limitMs = 3000);

 private:
  static DWORD WINAPI hookThread(LPVOID self);
  HANDLE thread = nullptr;
  DWORD threadId = 0;
  HANDLE started = nullptr;
  bool ready = false;
};

// Empty when actual matches expected; otherwise one line per difference,
// each naming the row and labelling the record missing or spurious. Known
// platform differences that were taken are listed in *notes.
std::string compareRecords(const char* row, const std::vector<HookRecord>& expected,
                           const std::vector<HookRecord>& actual, std::string* notes);

std::string describe(const HookRecord& record);

// Pumps this thread's messages for ms milliseconds. With typing, key
// messages are translated into characters and everything goes through the
// Unicode functions, as a Unicode window's thread does.
void pumpMessagesFor(DWORD ms, bool typing = false);
