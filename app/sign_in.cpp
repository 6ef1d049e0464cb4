#include "sign_in.h"

#include <stdlib.h>
#include <string.h>

#include "../res/resource.h"
#include "message_box.h"
#include "settings_store.h"
#include "sign_in_list.h"

namespace {

// Room for the list as Windows and other programs leave it; a longer one is
// refused rather than cut, which would drop their names.
const DWORD ListSize = 1024;

// Windows reads the registration and the list in its own registry view: a
// 32-bit Tavrin on 64-bit Windows must not write them under Wow6432Node.
const REGSAM NativeView = KEY_WOW64_64KEY;

bool openAccessibility(const char* path, REGSAM access, HKEY* key) {
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access | NativeView, key) == ERROR_SUCCESS;
}

// The list as it is; a missing value is an empty list.
bool readList(HKEY key, char (&list)[ListSize]) {
  DWORD size = ListSize - 1;
  memset(list, 0, ListSize);
  LONG result = RegQueryValueExA(key, SIGN_IN_LIST_VALUE, nullptr, nullptr, reinterpret_cast<BYTE*>(list), &size);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

// Puts Tavrin on the list (on) or takes it off. Returns false on failure.
bool editList(bool on) {
  HKEY key;
  if (!openAccessibility(ACCESSIBILITY_PATH, KEY_QUERY_VALUE | KEY_SET_VALUE, &key)) return false;
  char list[ListSize], edited[ListSize];
  bool done = readList(key, list) &&
              (on ? addToSignInList(list, SIGN_IN_NAME, edited, ListSize)
                  : removeFromSignInList(list, SIGN_IN_NAME, edited, ListSize));
  if (done && strcmp(list, edited) != 0)
    done = writeRegistryValue(key, SIGN_IN_LIST_VALUE, REG_SZ, edited, static_cast<DWORD>(strlen(edited) + 1));
  RegCloseKey(key);
  return done;
}

// The values given (a null port, a zero rate, a negative interpretation
// leave theirs out), with the types of a person's own settings. Returns the
// name of the value that failed, or null.
const char* writeSignInSettings(const char* port, DWORD baudRate, int interpretation) {
  if (!port && !baudRate && interpretation < 0) return nullptr;
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SIGN_IN_SETTINGS_PATH, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return SIGN_IN_SETTINGS_PATH;
  const char* failed = nullptr;
  DWORD number = static_cast<DWORD>(interpretation);
  if (baudRate && !writeRegistryValue(key, "Baud", REG_DWORD, &baudRate, sizeof baudRate))
    failed = "Baud";
  else if (port && !writeRegistryValue(key, "Port", REG_SZ, port, static_cast<DWORD>(strlen(port) + 1)))
    failed = "Port";
  else if (interpretation >= 0 && !writeRegistryValue(key, "Interpretation", REG_DWORD, &number, sizeof number))
    failed = "Interpretation";
  RegCloseKey(key);
  return failed;
}

// Splits the command line into words; a word in double quotes may hold
// blanks or be empty. Returns the number of words, or more than `most` when
// there are more words or one is too long for its buffer (cut there).
int splitWords(const char* line, char (*words)[32], int most) {
  int count = 0;
  for (const char* at = line;;) {
    while (*at == ' ' || *at == '\t') ++at;
    if (!*at) return count;
    if (count == most) return most + 1;
    char* word = words[count++];
    size_t length = 0;
    bool quoted = false;
    for (; *at && (quoted || (*at != ' ' && *at != '\t')); ++at) {
      if (*at == '"') {
        quoted = !quoted;
      } else if (length + 1 < sizeof words[0]) {
        word[length++] = *at;
      } else {
        word[length] = 0;
        return most + 1;
      }
    }
    word[length] = 0;
  }
}

// A whole decimal number up to `most`, or -1.
long wholeNumber(const char* text, long most) {
  char* end = nullptr;
  long value = strtol(text, &end, 10);
  return *text >= '0' && *text <= '9' && !*end && value <= most ? value : -1;
}

// The installer's presets, each as the installer gave it or an empty word.
int addForInstaller(char (*presets)[32], int count) {
  const char* port = nullptr;
  long baud = 0, interpretation = -1;
  if (count > 0 && presets[0][0] && !(port = portNamedBy(presets[0]))) return 1;
  if (count > 1 && presets[1][0] && (baud = wholeNumber(presets[1], 0x7FFFFFFF)) <= 0) return 1;
  if (count > 2 && presets[2][0] && (interpretation = wholeNumber(presets[2], 2)) < 0) return 1;
  if (writeSignInSettings(port, static_cast<DWORD>(baud), static_cast<int>(interpretation))) return 1;
  return editList(true) ? 0 : 1;
}

// The settings key has no keys under it, so RegDeleteKeyA takes it on
// every Windows.
int removeForInstaller() {
  if (!editList(false)) return 1;
  LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, SIGN_IN_SETTINGS_PATH);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

}  // namespace

SignInAccess signInAccess() {
  HKEY key;
  if (!openAccessibility(AT_REGISTRATION_PATH, KEY_QUERY_VALUE, &key)) return SignInNotInstalled;
  RegCloseKey(key);
  // The same test as for the automatic log-on: the key opens for writing
  // only to an administrator.
  if (!openAccessibility(ACCESSIBILITY_PATH, KEY_QUERY_VALUE | KEY_SET_VALUE, &key)) return SignInNeedsAdministrator;
  RegCloseKey(key);
  return SignInChangeable;
}

bool signInListNamesTavrin() {
  HKEY key;
  if (!openAccessibility(ACCESSIBILITY_PATH, KEY_QUERY_VALUE, &key)) return false;
  char list[ListSize];
  bool named = readList(key, list) && signInListHas(list, SIGN_IN_NAME);
  RegCloseKey(key);
  return named;
}

void saveSignInChoice(bool on, const char* port, unsigned baudRate, int interpretation) {
  // The settings first: the list never names Tavrin with settings older
  // than the person's.
  const char* failed = on ? writeSignInSettings(port, baudRate, interpretation) : nullptr;
  if (!failed && !editList(on)) failed = SIGN_IN_LIST_VALUE;
  if (failed) showWarning(IDS_SAVE_FAILED, failed);
}

int runSignInSwitch(const char* commandLine) {
  char words[4][32];
  const int count = splitWords(commandLine ? commandLine : "", words, 4);
  if (count == 0) return -1;
  const bool add = _stricmp(words[0], "/signin-add") == 0;
  const bool remove = _stricmp(words[0], "/signin-remove") == 0;
  if (!add && !remove) return -1;
  if (count > 4 || (remove && count > 1)) return 1;
  return add ? addForInstaller(words + 1, count - 1) : removeForInstaller();
}
