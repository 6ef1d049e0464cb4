// The hand-over of the device between the person's Tavrin and the Tavrin
// that Windows starts on the secure desktop (the sign-in and lock screens,
// User Account Control) of the same session. Only one program at a time can
// hold a COM port, so the person's Tavrin lets go while the other runs.
//
// Two named kernel objects of the session carry it:
//  - the claim, a mutex that the secure-desktop Tavrin holds for as long as
//    it runs. Held, the device belongs to the secure desktop; released or
//    abandoned (its holder ended, killed without warning included), it is
//    the person's again.
//  - the request, an event that the person's Tavrin creates and waits on.
//    The secure-desktop Tavrin sets it right after taking the claim, so the
//    person's Tavrin looks at the claim at once instead of polling it.
// Both are created with a descriptor that lets SYSTEM and the session's user
// alone open them: no other account can make Tavrin let go.
#pragma once

#include <windows.h>

#define HAND_OVER_CLAIM   "Tavrin.SecureDesktopHasTheDevice"
#define HAND_OVER_REQUEST "Tavrin.LetGoOfTheDevice"

// The descriptor of both objects in SDDL: owned by ownerSid, with a
// protected DACL (nothing inherited) that grants full access to SYSTEM and
// to userSid, and to nobody else. Both are SID strings ("S-1-5-18").
// Returns 0 when the text does not fit size characters.
int handOverDescriptor(const char* ownerSid, const char* userSid, char* out, int size);

// True when an object of that owner may make the person's Tavrin let go:
// one of SYSTEM's, the Administrators' or the person's own (user). Any other
// owner created the name first to squat on it.
bool trustedHandOverOwner(PSID owner, PSID user);

// The person's Tavrin, from the UI thread: a worker that posts
// MSG_HAND_OVER to window, wParam 1 when a secure-desktop Tavrin holds the
// claim and 0 when that one has ended. Returns true when a secure-desktop
// Tavrin that started first holds the claim already (the worker posts 1
// for it too).
bool watchForHandOver(HWND window);
void stopWatchingForHandOver();

// The secure-desktop Tavrin, on the UI thread (which owns the claim until
// releaseTheDevice or the end of the process): takes the claim and asks the
// person's Tavrin to let go. Returns 0 when the claim could not be taken;
// the port is then only retried.
int claimTheDevice();
void releaseTheDevice();

// UI thread, for MSG_DESKTOP_CHECK and its timer: the secure-desktop Tavrin
// ends (closes window) once its desktop, having taken the input, no longer
// does; the person's hands the device over while the input desktop is
// another or the session is locked.
void checkInputDesktop(HWND window);
// UI thread, for WM_WTSSESSION_CHANGE: notes a lock or unlock and checks.
void onSessionChange(HWND window, WPARAM event);
