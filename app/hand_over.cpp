#include "hand_over.h"

#include <aclapi.h>
#include <sddl.h>
#include <stdio.h>
#include <wtsapi32.h>

#include "../links/worker_stop.h"
#include "input_target.h"
#include "lifecycle.h"
#include "link_settings.h"
#include "main_window.h"
#include "messages.h"

namespace {

// Room for any SID as text.
const int SidTextSize = 192;
// The person's Tavrin holds the claim only for the moment between learning
// that it is free and letting it go; a secure-desktop Tavrin waits that out.
const DWORD ClaimWaitMs = 2000;
// Objects that cannot be had yet are tried again this often.
const DWORD ObjectRetryMs = 1000;
const DWORD WatcherStopMs = 3000;

bool tokenUserSid(HANDLE token, char* out, int size) {
  BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD length = 0;
  if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length)) return false;
  char* text = nullptr;
  if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) return false;
  const bool fits = lstrlenA(text) < size;
  if (fits) lstrcpyA(out, text);
  LocalFree(text);
  return fits;
}

bool ownSid(char* out, int size) {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const bool found = tokenUserSid(token, out, size);
  CloseHandle(token);
  return found;
}

// The person signed in to this process's session. Only SYSTEM may ask for
// that token, and at the sign-in screen nobody is signed in: the process's
// own account stands in then, which is the person when it runs as them.
bool sessionUserSid(char* out, int size) {
  DWORD session = 0;
  HANDLE token = nullptr;
  if (ProcessIdToSessionId(GetCurrentProcessId(), &session) && WTSQueryUserToken(session, &token)) {
    const bool found = tokenUserSid(token, out, size);
    CloseHandle(token);
    if (found) return true;
  }
  return ownSid(out, size);
}

// The caller frees the descriptor with LocalFree.
bool handOverAttributes(const char* userSid, SECURITY_ATTRIBUTES* attributes) {
  char owner[SidTextSize], sddl[512];
  if (!ownSid(owner, sizeof owner) || !handOverDescriptor(owner, userSid, sddl, sizeof sddl)) return false;
  attributes->nLength = sizeof *attributes;
  attributes->bInheritHandle = FALSE;
  attributes->lpSecurityDescriptor = nullptr;
  return ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                              &attributes->lpSecurityDescriptor, nullptr) != FALSE;
}

bool ownedByTrustedAccount(HANDLE object, const char* userSid) {
  PSID owner = nullptr, user = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS)
    return false;
  const bool trusted = ConvertStringSidToSidA(userSid, &user) && trustedHandOverOwner(owner, user);
  if (user) LocalFree(user);
  LocalFree(descriptor);
  return trusted;
}

// Creates the named claim (a mutex) or request (an auto-reset event), or
// opens it when it exists and a trusted account owns it; null otherwise.
HANDLE createHandOverObject(bool claim, const char* userSid) {
  SECURITY_ATTRIBUTES attributes;
  if (!handOverAttributes(userSid, &attributes)) return nullptr;
  HANDLE object = claim ? CreateMutexA(&attributes, FALSE, HAND_OVER_CLAIM)
                        : CreateEventA(&attributes, FALSE, FALSE, HAND_OVER_REQUEST);
  const bool existed = object && GetLastError() == ERROR_ALREADY_EXISTS;
  LocalFree(attributes.lpSecurityDescriptor);
  if (existed && !ownedByTrustedAccount(object, userSid)) {
    CloseHandle(object);
    return nullptr;
  }
  return object;
}

// The person's side: the watcher and what it waits on.
HANDLE watcher = nullptr;
HANDLE watcherStop = nullptr;
HANDLE claimObject = nullptr;
HANDLE requestObject = nullptr;
HWND watcherWindow = nullptr;
char personSid[SidTextSize];

void postHandOver(WPARAM held) { PostMessageA(watcherWindow, MSG_HAND_OVER, held, 0); }

void closeObject(HANDLE& object) {
  if (object) CloseHandle(object);
  object = nullptr;
}

// True while another process holds the claim. A claim that was free, or
// abandoned, has just been taken by this wait: it is let go of at once,
// for the next secure-desktop Tavrin.
bool claimHeld() {
  const DWORD result = WaitForSingleObject(claimObject, 0);
  if (result == WAIT_TIMEOUT) return true;
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) ReleaseMutex(claimObject);
  return false;
}

// With the device handed over: waits until the claim is released or
// abandoned. False when the watcher is to stop.
bool awaitClaimEnd() {
  HANDLE handles[2] = {watcherStop, claimObject};
  const DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  if (result == WAIT_OBJECT_0) return false;
  if (result == WAIT_OBJECT_0 + 1 || result == WAIT_ABANDONED_0 + 1) ReleaseMutex(claimObject);
  // A wait that failed gives the device back too: the person's Tavrin is
  // their keyboard, and must not stay silent on a doubt.
  return true;
}

// Until the next request. Without both objects (an account squats on a
// name, or a secure-desktop Tavrin that started first keeps its claim from
// this user) the objects are tried again every second. False when the
// watcher is to stop.
bool awaitRequest() {
  HANDLE handles[2] = {watcherStop, requestObject};
  const DWORD bound = claimObject && requestObject ? INFINITE : ObjectRetryMs;
  const DWORD result = WaitForMultipleObjects(requestObject ? 2 : 1, handles, FALSE, bound);
  if (result == WAIT_FAILED) return WaitForSingleObject(watcherStop, ObjectRetryMs) == WAIT_TIMEOUT;
  return result != WAIT_OBJECT_0;
}

void openHandOverObjects() {
  if (!claimObject) claimObject = createHandOverObject(true, personSid);
  if (!requestObject) requestObject = createHandOverObject(false, personSid);
}

DWORD WINAPI watchClaim(LPVOID) {
  for (;;) {
    openHandOverObjects();
    if (claimObject && claimHeld()) {
      postHandOver(1);
      if (!awaitClaimEnd()) return 0;
      postHandOver(0);
      continue;
    }
    if (!awaitRequest()) return 0;
  }
}

// The secure desktop's side.
HANDLE heldClaim = nullptr;

// The session as its notifications tell, UI thread only.
bool sessionLocked = false;
// The secure desktop has been the input desktop since the start: Windows may
// start this Tavrin a moment before it switches there.
bool ownDesktopSeen = false;

}  // namespace

int handOverDescriptor(const char* ownerSid, const char* userSid, char* out, int size) {
  const int length = snprintf(out, size, "O:%sD:P(A;;GA;;;SY)(A;;GA;;;%s)", ownerSid, userSid);
  return length > 0 && length < size;
}

bool trustedHandOverOwner(PSID owner, PSID user) {
  if (!owner || !IsValidSid(owner)) return false;
  if (user && IsValidSid(user) && EqualSid(owner, user)) return true;
  return IsWellKnownSid(owner, WinLocalSystemSid) || IsWellKnownSid(owner, WinBuiltinAdministratorsSid);
}

bool watchForHandOver(HWND window) {
  if (watcher || !ownSid(personSid, sizeof personSid)) return false;
  watcherWindow = window;
  openHandOverObjects();
  const bool held = claimObject && claimHeld();
  watcherStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (watcherStop) watcher = CreateThread(nullptr, 0, watchClaim, nullptr, 0, nullptr);
  if (!watcher) closeObject(watcherStop);
  return held;
}

void stopWatchingForHandOver() {
  if (watcher) {
    SetEvent(watcherStop);
    endWorker(watcher, WatcherStopMs);
  }
  closeObject(watcher);
  closeObject(watcherStop);
  closeObject(claimObject);
  closeObject(requestObject);
}

int claimTheDevice() {
  char user[SidTextSize];
  if (heldClaim || !sessionUserSid(user, sizeof user)) return 0;
  HANDLE claim = createHandOverObject(true, user);
  if (!claim) return 0;
  const DWORD taken = WaitForSingleObject(claim, ClaimWaitMs);
  if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED) {
    CloseHandle(claim);
    return 0;
  }
  heldClaim = claim;
  // No request object: no person's Tavrin runs in this session (or it
  // polls, having none of its own).
  HANDLE request = OpenEventA(EVENT_MODIFY_STATE, FALSE, HAND_OVER_REQUEST);
  if (request) {
    SetEvent(request);
    CloseHandle(request);
  }
  return 1;
}

void releaseTheDevice() {
  if (!heldClaim) return;
  ReleaseMutex(heldClaim);
  closeObject(heldClaim);
}

void checkInputDesktop(HWND window) {
  const bool ours = inputDesktopIsOurs();
  if (onSecureDesktop()) {
    if (!ours && ownDesktopSeen) PostMessageA(window, WM_CLOSE, 0, 0);
    ownDesktopSeen = ownDesktopSeen || ours;
    return;
  }
  handOverDevice(PAUSE_OTHER_DESKTOP, sessionLocked || !ours);
}

void onSessionChange(HWND window, WPARAM event) {
  if (event != WTS_SESSION_LOCK && event != WTS_SESSION_UNLOCK) return;
  sessionLocked = event == WTS_SESSION_LOCK;
  checkInputDesktop(window);
}
