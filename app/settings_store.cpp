#include "settings_store.h"

#include <string.h>

#include "../interp/interp.h"
#include "../links/comm_port.h"
#include "../res/resource.h"
#include "help_page.h"
#include "logon_secret.h"
#include "message_box.h"
#include "settings.h"
#include "sign_in.h"

Settings settings;
int configureOpen = 0;
const char IrdaPortName[] = "IrDA";

bool ntFamily = true;
HKEY settingsRoot = HKEY_CURRENT_USER;
const char* settingsRootName = "HKEY_CURRENT_USER";
bool runForAllUsers = false;
// The load found machine defaults but no settings key of the user's own.
static bool startedFromMachineDefaults = false;

static const unsigned DefaultBaudRate = 1200;
static const int DefaultInterpretation = 1;
static const DWORD PortValueLimit = 7;

void findPlatformFacts() {
  OSVERSIONINFOA version;
  memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  ntFamily = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  settingsRoot = ntFamily ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  settingsRootName = ntFamily ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

static int openKey(HKEY root, const char* path, HKEY* key) {
  return RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key) == ERROR_SUCCESS;
}

static int createKey(HKEY root, const char* path, HKEY* key) {
  return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                         nullptr, key, nullptr) == ERROR_SUCCESS;
}

// Succeeds only when the value exists and its data fits within limit bytes;
// the bytes are taken as they are, whatever the value's type.
static int readValue(HKEY key, const char* name, void* data, DWORD limit) {
  DWORD size = limit;
  return RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE*>(data), &size) ==
         ERROR_SUCCESS;
}

// Reads a text that must fit the whole buffer with its terminating zero. A
// value that does not fit, or whose data carries no terminator, leaves the
// buffer empty rather than half filled.
static void readText(HKEY key, const char* name, char* buffer, DWORD size) {
  if (!readValue(key, name, buffer, size) || buffer[size - 1] != 0) memset(buffer, 0, size);
}

// The Run value counts as present whatever the length of the path it holds:
// a long path must neither read as absent at start-up nor escape deletion.
static int valueExists(HKEY key, const char* name) {
  DWORD size = 0;
  return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

static int writeText(HKEY key, const char* name, const char* text) {
  return writeRegistryValue(key, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

static int writeNumber(HKEY key, const char* name, DWORD number) {
  return writeRegistryValue(key, name, REG_DWORD, &number, sizeof number);
}

// Keys an installer owns are opened for reading only: a standard user may
// not write under HKEY_LOCAL_MACHINE, and an open for full access would fail.
static HKEY openMachineKey(const char* path) {
  HKEY key;
  if (!ntFamily || RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

static bool allUsersRunValueExists() {
  HKEY key = openMachineKey(RUN_PATH);
  if (!key) return false;
  bool exists = valueExists(key, RUN_VALUE);
  RegCloseKey(key);
  return exists;
}

// The program's own full path in quotes, as the Run value holds it: the
// current directory is not the program's folder when the program was
// started at log-in, and the quotes keep a space in the path from making
// the system start another program ("C:\Program.exe"). Returns the length,
// or 0 when the path does not fit: a path cut short names no program.
static DWORD quotedProgramPath(char (&command)[MAX_PATH + 3]) {
  const DWORD pathRoom = MAX_PATH + 1;
  command[0] = '"';
  DWORD length = GetModuleFileNameA(nullptr, command + 1, pathRoom);
  if (length == 0 || length >= pathRoom) return 0;
  command[length + 1] = '"';
  command[length + 2] = 0;
  return length + 2;
}

// Quoted or not, in any case, as the file system compares names. A value
// too long to be a path names no program of this one's.
static bool runValueNamesThisProgram(HKEY key) {
  char own[MAX_PATH + 3];
  DWORD length = quotedProgramPath(own);
  if (length == 0) return true;
  char stored[MAX_PATH + 3] = {0};
  if (!readValue(key, RUN_VALUE, stored, sizeof stored - 1)) return false;
  if (lstrcmpiA(stored, own) == 0) return true;
  own[length - 1] = 0;
  return lstrcmpiA(stored, own + 1) == 0;
}

static int writeRunValue(HKEY key) {
  char command[MAX_PATH + 3];
  if (!quotedProgramPath(command)) return 0;
  return writeText(key, RUN_VALUE, command);
}

// A per-user value that names another program (a moved folder, the package
// of the other bitness) starts nothing, or another copy, while Configure
// shows it ticked. It is pointed at this program; while the all-users value
// exists it goes whatever it names, since that value already starts the
// program once. Failures are as silent as the rest of the load.
static void mendRunValue(HKEY key) {
  if (!valueExists(key, RUN_VALUE)) return;
  if (runForAllUsers) {
    deleteRegistryValue(key, RUN_VALUE);
    return;
  }
  if (!runValueNamesThisProgram(key)) settings.runAtStartup = writeRunValue(key);
}

static void loadRunAtStartup() {
  runForAllUsers = allUsersRunValueExists();
  if (runForAllUsers) settings.runAtStartup = true;
  HKEY key;
  if (!openKey(settingsRoot, RUN_PATH, &key)) return;
  if (!runForAllUsers) settings.runAtStartup = valueExists(key, RUN_VALUE);
  mendRunValue(key);
  RegCloseKey(key);
}

// What the Winlogon key held at start-up or after the last save: OK writes
// the log-on values only when the dialog changed one of them, since the key
// opens for writing only to an administrator.
static bool storedAutoLogon = false;
static char storedUserName[257];

// Read-only: the Winlogon key opens for reading to every user. The password
// is not read: the Configure dialog never shows it, and Windows keeps it
// where no program of the user can read it.
static void loadAutoLogon() {
  memset(settings.userName, 0, sizeof settings.userName);
  memset(settings.password, 0, sizeof settings.password);
  settings.autoLogon = false;
  HKEY key;
  if (ntFamily && RegOpenKeyExA(HKEY_LOCAL_MACHINE, WINLOGON_PATH, 0, KEY_QUERY_VALUE, &key) ==
                      ERROR_SUCCESS) {
    char autoAdminLogon[101] = {0};
    if (readValue(key, "AutoAdminLogon", autoAdminLogon, 100))
      settings.autoLogon = strcmp(autoAdminLogon, "0") != 0;
    readText(key, "DefaultUserName", settings.userName, sizeof settings.userName);
    RegCloseKey(key);
  }
  storedAutoLogon = settings.autoLogon;
  memcpy(storedUserName, settings.userName, sizeof storedUserName);
}

// The value from the user's key, else from the machine defaults; either
// key may be null.
static int readSetting(HKEY own, HKEY machine, const char* name, void* data, DWORD limit) {
  return (own && readValue(own, name, data, limit)) || (machine && readValue(machine, name, data, limit));
}

// Sets the three values, and the choice of sounds, each from the first key
// that holds it or to its built-in default. Returns how many of the three
// were found.
static int loadSettingValues(HKEY own, HKEY machine) {
  DWORD baud = 0;
  int baudRead = readSetting(own, machine, "Baud", &baud, sizeof baud);
  settings.baudRate = baudRead ? baud : DefaultBaudRate;
  DWORD interp = 0;
  int interpRead = readSetting(own, machine, "Interpretation", &interp, sizeof interp);
  interpretation = interpRead ? static_cast<int>(interp) : DefaultInterpretation;
  // Room for the longest name, "COM256", and its terminating zero.
  char port[PortValueLimit + 1] = {0};
  int portRead = readSetting(own, machine, "Port", port, PortValueLimit);
  settings.portName = parsePortName(portRead ? port : "");
  // On unless turned off: settings stored before the choice existed lack it.
  DWORD sounds = 1;
  readSetting(own, machine, "Sounds", &sounds, sizeof sounds);
  settings.playSounds = sounds != 0;
  return baudRead + interpRead + portRead;
}

int loadSettings() {
  loadRunAtStartup();
  loadAutoLogon();
  HKEY own = nullptr;
  if (!openKey(settingsRoot, SETTINGS_PATH, &own)) own = nullptr;
  // On the Windows 95 family the user's settings are the machine's already.
  HKEY machine = openMachineKey(SETTINGS_PATH);
  int found = loadSettingValues(own, machine);
  if (machine) RegCloseKey(machine);
  startedFromMachineDefaults = !own && found > 0;
  if (!own) return found > 0;
  RegCloseKey(own);
  return 1;
}

void loadSignInSettings() {
  findPlatformFacts();
  HKEY signIn = openMachineKey(SIGNIN_SETTINGS_PATH);
  HKEY machine = openMachineKey(SETTINGS_PATH);
  loadSettingValues(signIn, machine);
  if (signIn) RegCloseKey(signIn);
  if (machine) RegCloseKey(machine);
}

const char* portNamedBy(const char* text) {
  const char* port = comPortName(text);
  if (port) return port;
  return _stricmp(text, IrdaPortName) == 0 ? IrdaPortName : nullptr;
}

const char* parsePortName(const char* text) {
  const char* port = portNamedBy(text);
  return port ? port : ComPortNames[0];
}

// Writes Baud, Port, Interpretation and Sounds in that order; returns the
// name of the first value that could not be written, or null.
static const char* writeSettingValues(HKEY key) {
  if (!writeNumber(key, "Baud", settings.baudRate)) return "Baud";
  if (!writeText(key, "Port", settings.portName)) return "Port";
  if (!writeNumber(key, "Interpretation", static_cast<DWORD>(interpretation.load())))
    return "Interpretation";
  if (!writeNumber(key, "Sounds", settings.playSounds ? 1 : 0)) return "Sounds";
  return nullptr;
}

void writeDefaultSettings() {
  openHelpPage("Tavrin");
  showNotice(IDS_CREATING_HELP, IDS_HELP_CAPTION);
  settings.portName = ComPortNames[0];
  settings.baudRate = DefaultBaudRate;
  interpretation = DefaultInterpretation;
  settings.playSounds = true;
  HKEY key;
  if (!createKey(settingsRoot, SETTINGS_PATH, &key)) {
    showWarning(IDS_CREATE_SETTINGS_KEY, settingsRootName, SETTINGS_PATH);
  } else {
    const char* failed = writeSettingValues(key);
    if (failed) showWarning(IDS_DEFAULTS_SAVE_FAILED, failed);
    RegCloseKey(key);
  }
  if (!createKey(settingsRoot, RUN_PATH, &key))
    showWarning(IDS_CREATE_RUN_KEY, settingsRootName, RUN_PATH);
  else
    RegCloseKey(key);
}

static int deleteRunValue(HKEY key) {
  if (!valueExists(key, RUN_VALUE)) return 1;
  return deleteRegistryValue(key, RUN_VALUE);
}

// Returns 0 when the settings key did not open: the Run value is then
// left as it is. A user who started from the machine defaults has no key
// of their own until this first OK creates it; any other missing key is
// reported.
static int saveSettingsKey() {
  HKEY key;
  int opened = startedFromMachineDefaults ? createKey(settingsRoot, SETTINGS_PATH, &key)
                                          : openKey(settingsRoot, SETTINGS_PATH, &key);
  if (!opened) {
    showWarning(IDS_SETTINGS_KEY_ACCESS, settingsRootName, SETTINGS_PATH);
    return 0;
  }
  startedFromMachineDefaults = false;
  const char* failed = writeSettingValues(key);
  if (failed) showWarning(IDS_SAVE_FAILED, failed);
  RegCloseKey(key);
  return 1;
}

// Under the all-users value a per-user one would start a second copy at
// log-on: it is removed rather than written. The Run key is created when
// missing, as it is for a user who started from the machine defaults.
static void saveRunValue() {
  HKEY key;
  if (!createKey(settingsRoot, RUN_PATH, &key)) {
    showWarning(IDS_RUN_KEY_ACCESS, settingsRootName, RUN_PATH);
    return;
  }
  bool wanted = settings.runAtStartup && !runForAllUsers;
  int done = wanted ? writeRunValue(key) : deleteRunValue(key);
  if (!done) showWarning(IDS_STARTUP_KEY_FAILED);
  RegCloseKey(key);
}

// Opens the Winlogon key for what saving does to it.
static int openWinlogonForWriting(HKEY* key) {
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, WINLOGON_PATH, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key) ==
         ERROR_SUCCESS;
}

bool autoLogonWritable() {
  HKEY key;
  if (!openWinlogonForWriting(&key)) return false;
  RegCloseKey(key);
  return true;
}

// A typed password counts as a change; an empty one keeps the stored one.
static bool autoLogonChanged() {
  return settings.autoLogon != storedAutoLogon || strcmp(settings.userName, storedUserName) != 0 ||
         (settings.autoLogon && settings.password[0]);
}

// The password goes into the secret, never into the registry: a value left
// in plain text by an earlier version is deleted once the secret holds the
// new one, or when automatic log-on is turned off. Until then Windows still
// honours it. Returns 0 on failure.
static int savePassword(HKEY key) {
  if (settings.autoLogon && !settings.password[0]) return 1;
  int done = settings.autoLogon ? storeLogonSecret(settings.password) : deleteLogonSecret();
  if (done && valueExists(key, "DefaultPassword")) done = deleteRegistryValue(key, "DefaultPassword");
  return done;
}

static const char* writeWinlogonValues(HKEY key) {
  const char* flag = settings.autoLogon ? "1" : "0";
  if (!writeText(key, "AutoAdminLogon", flag)) return "AutoAdminLogon";
  if (!writeText(key, "ForceAutoLogon", flag)) return "ForceAutoLogon";
  if (!writeText(key, "DefaultUserName", settings.userName)) return "DefaultUserName";
  if (!savePassword(key)) return LOGON_SECRET_NAME;
  return nullptr;
}

static void saveAutoLogon() {
  if (!autoLogonChanged()) return;
  HKEY key;
  if (!openWinlogonForWriting(&key)) {
    showWarning(IDS_AUTOLOGIN_KEY_ACCESS, "HKEY_LOCAL_MACHINE", WINLOGON_PATH);
    return;
  }
  const char* failed = writeWinlogonValues(key);
  RegCloseKey(key);
  if (failed) {
    showWarning(IDS_SAVE_FAILED, failed);
    return;
  }
  storedAutoLogon = settings.autoLogon;
  memcpy(storedUserName, settings.userName, sizeof storedUserName);
}

void saveSettings() {
  if (saveSettingsKey()) saveRunValue();
  if (ntFamily) saveAutoLogon();
  if (settings.signIn != SignInLeft)
    saveSignInChoice(settings.signIn == SignInOn, settings.portName, settings.baudRate, interpretation);
  // The typed password has been stored or has failed to be: either way it
  // is not kept in memory.
  SecureZeroMemory(settings.password, sizeof settings.password);
}
