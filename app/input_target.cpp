#include "input_target.h"

#include <wtsapi32.h>

#include "app_windows.h"
#include "messages.h"
#include "tray_status.h"

namespace {

// The foreground window when it drops Tavrin's input, else null: written
// on the UI thread, read by every thread that sends input.
PVOID volatile blockedForeground = nullptr;
// The blocked window last posted; exchanged atomically, since key events
// come from the link threads and glide moves from the UI thread.
PVOID volatile lastPosted = nullptr;
HWINEVENTHOOK foregroundHook = nullptr;
HWINEVENTHOOK desktopHook = nullptr;
bool sessionEventsWanted = false;
HWINEVENTHOOK focusHook = nullptr;
// Every change of the foreground window or the keyboard focus the system
// reported: the seam's answers about the window in front serve until it
// moves.
LONG volatile focusChanges = 0;

// Windows already reported, UI thread only. Once full, the oldest entry
// gives way: a person rarely meets this many administrator windows.
const int RememberedWindows = 32;
HWND reported[RememberedWindows];
int nextReported = 0;

// The integrity level (the mandatory label's RID) of a token, 0 when it
// cannot be read.
DWORD integrityLevel(HANDLE token) {
  BYTE buffer[64];
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size)) return 0;
  PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
  if (!IsValidSid(sid)) return 0;
  return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1);
}

// Tavrin's own level, or MAXDWORD when it has uiAccess (Windows then lets
// its input through to every window) or its token cannot be read.
DWORD ownLevel() {
  static DWORD level = 0;
  if (level) return level;
  HANDLE token;
  DWORD found = MAXDWORD;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    DWORD uiAccess = 0, size = 0;
    bool hasUiAccess = GetTokenInformation(token, TokenUIAccess, &uiAccess, sizeof uiAccess, &size) && uiAccess;
    DWORD own = integrityLevel(token);
    if (!hasUiAccess && own) found = own;
    CloseHandle(token);
  }
  level = found;
  return level;
}

// True when the window's process runs above Tavrin. A process that refuses
// even to be queried counts as above: that is how an elevated process
// answers a normal one.
bool runsAbove(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (!processId) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  HANDLE token;
  bool above;
  if (OpenProcessToken(process, TOKEN_QUERY, &token)) {
    above = integrityLevel(token) > ownLevel();
    CloseHandle(token);
  } else {
    above = GetLastError() == ERROR_ACCESS_DENIED;
  }
  CloseHandle(process);
  return above;
}

void noteForeground(HWND window) {
  const bool blocked = window && ownLevel() != MAXDWORD && runsAbove(window);
  InterlockedExchangePointer(&blockedForeground, blocked ? window : nullptr);
}

void CALLBACK onForegroundEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
  InterlockedIncrement(&focusChanges);
  if (object == OBJID_WINDOW) noteForeground(window);
}

void CALLBACK onDesktopSwitch(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
  PostMessageA(mainWindow, MSG_DESKTOP_CHECK, 0, 0);
}

bool desktopName(HDESK desktop, wchar_t (&name)[64]) {
  DWORD needed = 0;
  return desktop && GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof name, &needed);
}

void CALLBACK onFocusEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) { InterlockedIncrement(&focusChanges); }

bool alreadyReported(HWND window) {
  for (HWND seen : reported)
    if (seen == window) return true;
  return false;
}

}  // namespace

void watchForeground() {
  // Out of context: the system queues the events to this thread's message
  // loop, which the modal dialogs keep running too.
  foregroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, onForegroundEvent, 0, 0,
                                   WINEVENT_OUTOFCONTEXT);
  focusHook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, onFocusEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
  noteForeground(GetForegroundWindow());
}

void stopWatchingForeground() {
  if (foregroundHook) UnhookWinEvent(foregroundHook);
  foregroundHook = nullptr;
  if (focusHook) UnhookWinEvent(focusHook);
  focusHook = nullptr;
  InterlockedExchangePointer(&blockedForeground, nullptr);
}

LONG focusChangeCount() { return focusChanges; }

void checkInputTarget() {
  PVOID blocked = blockedForeground;
  if (!blocked || InterlockedExchangePointer(&lastPosted, blocked) == blocked) return;
  HWND window = mainWindow;
  if (window) PostMessageA(window, MSG_INPUT_BLOCKED, reinterpret_cast<WPARAM>(blocked), 0);
}

void reportBlockedWindow(HWND window) {
  if (alreadyReported(window)) return;
  reported[nextReported] = window;
  nextReported = (nextReported + 1) % RememberedWindows;
  wchar_t title[256] = L"";
  GetWindowTextW(window, title, 256);
  showBlockedBalloon(title);
}

void watchDesktop(HWND window, bool sessionEvents) {
  // Windows 8 and later tell of every switch; the timer covers the others.
  desktopHook = SetWinEventHook(EVENT_SYSTEM_DESKTOPSWITCH, EVENT_SYSTEM_DESKTOPSWITCH, nullptr, onDesktopSwitch, 0, 0,
                                WINEVENT_OUTOFCONTEXT);
  SetTimer(window, TIMER_DESKTOP_CHECK, TIMER_DESKTOP_CHECK_MS, nullptr);
  sessionEventsWanted = sessionEvents && WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
}

void stopWatchingDesktop(HWND window) {
  if (desktopHook) UnhookWinEvent(desktopHook);
  desktopHook = nullptr;
  KillTimer(window, TIMER_DESKTOP_CHECK);
  if (sessionEventsWanted) WTSUnRegisterSessionNotification(window);
  sessionEventsWanted = false;
}

bool inputDesktopIsOurs() {
  HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (!input) return GetLastError() != ERROR_ACCESS_DENIED;
  wchar_t inputName[64], ownName[64];
  const bool known = desktopName(input, inputName) && desktopName(GetThreadDesktop(GetCurrentThreadId()), ownName);
  CloseDesktop(input);
  return !known || lstrcmpiW(inputName, ownName) == 0;
}
