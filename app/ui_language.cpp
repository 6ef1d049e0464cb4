#include "ui_language.h"

#include <stdarg.h>

namespace {

const LANGID English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
// The languages carried besides English, each under its neutral sublanguage.
const WORD OtherLanguages[] = {LANG_GERMAN, LANG_FRENCH, LANG_SPANISH, LANG_DUTCH, LANG_ITALIAN, LANG_SWEDISH};
const int OtherLanguageCount = sizeof OtherLanguages / sizeof OtherLanguages[0];

const char* const LanguageCodes[] = {"en", "de", "fr", "es", "nl", "it", "sv"};

LANGID chosenLanguage = 0;

// The resource in the chosen language, else the English one.
const void* findResource(LPCWSTR type, int id, DWORD* size) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), uiLanguage());
  if (!found) found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), English);
  if (!found) return nullptr;
  if (size) *size = SizeofResource(module, found);
  return LockResource(LoadResource(module, found));
}

}  // namespace

LANGID tavrinLanguageFor(LANGID displayLanguage) {
  for (WORD language : OtherLanguages)
    if (PRIMARYLANGID(displayLanguage) == language) return MAKELANGID(language, SUBLANG_NEUTRAL);
  return English;
}

LANGID uiLanguage() {
  if (!chosenLanguage) chosenLanguage = tavrinLanguageFor(GetUserDefaultUILanguage());
  return chosenLanguage;
}

void setUiLanguage(LANGID language) { chosenLanguage = language; }

int uiLanguageIndex() {
  for (int i = 0; i < OtherLanguageCount; ++i)
    if (uiLanguage() == MAKELANGID(OtherLanguages[i], SUBLANG_NEUTRAL)) return i + 1;
  return 0;
}

const char* uiLanguageCode() { return LanguageCodes[uiLanguageIndex()]; }

// Resource types 6, 5 and 4 are strings, dialogs and menus.
// Strings come in blocks of sixteen, each a length and that many UTF-16
// units; LoadStringW would take the thread's language, not the chosen one.
int loadText(int id, wchar_t* buffer, int size) {
  buffer[0] = 0;
  DWORD blockSize = 0;
  const WCHAR* entry = static_cast<const WCHAR*>(findResource(MAKEINTRESOURCEW(6), id / 16 + 1, &blockSize));
  if (!entry) return 0;
  const WCHAR* end = entry + blockSize / sizeof(WCHAR);
  for (int skip = id % 16; skip > 0 && entry < end; --skip) entry += 1 + *entry;
  if (entry >= end) return 0;
  int length = *entry < size ? *entry : size - 1;
  if (entry + 1 + length > end) return 0;
  memcpy(buffer, entry + 1, length * sizeof(WCHAR));
  buffer[length] = 0;
  return length;
}

int formatText(wchar_t* out, int size, int id, ...) {
  wchar_t format[512];
  out[0] = 0;
  if (!loadText(id, format, 512)) return 0;
  va_list args;
  va_start(args, id);
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_STRING, format, 0, 0, out, size, &args);
  va_end(args);
  if (!length) out[0] = 0;
  // FormatMessageW writes a line break as CR LF; the texts keep the LF alone
  // that every other text of the program uses.
  int kept = 0;
  for (DWORD i = 0; i < length; ++i)
    if (!(out[i] == L'\r' && out[i + 1] == L'\n')) out[kept++] = out[i];
  out[kept] = 0;
  return kept;
}

void widen(const char* text, wchar_t* out, int size) {
  out[0] = 0;
  if (!text || !MultiByteToWideChar(CP_ACP, 0, text, -1, out, size)) {
    // Too long for out: the part that fits.
    if (text) MultiByteToWideChar(CP_ACP, 0, text, size - 1, out, size - 1);
    out[size - 1] = 0;
  }
}

INT_PTR showUiDialog(int id, HWND owner, DLGPROC procedure, LPARAM parameter) {
  const void* dialog = findResource(MAKEINTRESOURCEW(5), id, nullptr);
  if (!dialog) return -1;
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATEW>(dialog), owner,
                                 procedure, parameter);
}

HMENU loadUiMenu(int id) {
  const void* menu = findResource(MAKEINTRESOURCEW(4), id, nullptr);
  return menu ? LoadMenuIndirectW(menu) : nullptr;
}
