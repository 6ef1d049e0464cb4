// Tavrin at sign-in and on the secure screens (the lock screen, User
// Account Control): the installer's registration of Tavrin as an assistive
// technology, the machine's sign-in list that names the ones Windows starts
// there, and the sign-in settings, which an administrator's choice copies
// from a person's own for the Tavrin that runs there.
#pragma once

#include <windows.h>

#define ACCESSIBILITY_PATH "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Accessibility"
#define AT_REGISTRATION_PATH ACCESSIBILITY_PATH "\\ATs\\Tavrin"
#define SIGN_IN_LIST_VALUE "Configuration"
#define SIGN_IN_SETTINGS_PATH "Software\\Morvane\\Tavrin\\SignIn"
#define SIGN_IN_NAME "Tavrin"

enum SignInAccess {
  SignInChangeable,          // registered, and the list may be written
  SignInNotInstalled,        // no registration: the zip, or another bitness
  SignInNeedsAdministrator,  // registered, but the list is read-only here
};

SignInAccess signInAccess();

// True when the sign-in list names Tavrin.
bool signInListNamesTavrin();

// Configure's choice, after OK: on writes the sign-in settings (port, rate,
// interpretation), then puts Tavrin on the list; off takes it off. A
// failure is shown to the user.
void saveSignInChoice(bool on, const char* port, unsigned baudRate, int interpretation);

// The installer's maintenance switches, run before anything else and
// without any window:
//   /signin-add [PORT BAUD INTERPRETATION]   the presets given (an empty
//       word leaves that value out) become the sign-in settings, then
//       Tavrin goes on the sign-in list;
//   /signin-remove   Tavrin comes off the list and the sign-in settings go.
// Returns the exit code (0 done, 1 failed), or -1 when commandLine (the
// arguments without the program's name) is not one of them.
int runSignInSwitch(const char* commandLine);
