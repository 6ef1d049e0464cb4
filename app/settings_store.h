// The settings' registry store: where each value lives and how it is read
// and written. UI thread only.
#pragma once

#include <windows.h>

#define SETTINGS_PATH "Software\\Morvane\\Tavrin"
// Under HKEY_LOCAL_MACHINE: the settings of the secure desktop's Tavrin.
#define SIGNIN_SETTINGS_PATH "Software\\Morvane\\Tavrin\\SignIn"
#define RUN_PATH      "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
#define WINLOGON_PATH "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"
#define RUN_VALUE     "Tavrin"

// True on the NT family; the Windows 95 family keeps its settings under
// HKEY_LOCAL_MACHINE and has no automatic log-on here.
extern bool ntFamily;
extern HKEY settingsRoot;
extern const char* settingsRootName;
// True while the installer's all-users Run value "Tavrin" exists (NT family,
// HKEY_LOCAL_MACHINE): the program then starts at every log-on whatever the
// user's own choice, and no per-user Run value is written.
extern bool runForAllUsers;

// Works out ntFamily and settingsRoot from the running system.
void findPlatformFacts();

// Start-up load. Each value comes from the user's settings key, else from
// the machine defaults an installer wrote under HKEY_LOCAL_MACHINE (NT
// family), else from the built-in defaults. Returns 1 when the user's key or
// a machine default exists, 0 on the first run. A per-user Run value that
// names another program is pointed at this one, or removed while the
// all-users value exists.
int loadSettings();
// The secure desktop's load: each value from the sign-in settings, else
// from the machine defaults, else the built-in default. Reads and writes
// nothing else: no Run value, no log-on values, no settings of a person.
void loadSignInSettings();
// First run: opens the help page, stores the defaults, creates the Run key.
void writeDefaultSettings();
// After OK in Configure: settings key, Run value, the automatic log-on
// values where the dialog changed them, and the sign-in choice where the
// dialog let it be changed. Wipes the typed password.
void saveSettings();
// True when the automatic log-on values can be written (an administrator).
bool autoLogonWritable();
// The constant name of the port that text names: "COMn" for n from 1 to 256
// or "IrDA", in any case; null for any other text.
const char* portNamedBy(const char* text);
// A stored "Port" text (at most 6 characters) to one of the constant names,
// as portNamedBy reads it; anything else is COM1.
const char* parsePortName(const char* text);

// The two registry changes whose failure the user is told about value by
// value. Separate so that a test can link a stand-in that fails on purpose.
int writeRegistryValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size);
int deleteRegistryValue(HKEY key, const char* name);
