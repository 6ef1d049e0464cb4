// The language Tavrin shows itself in, and every text, dialog and menu
// loaded in it. One program carries all its languages; each resource is
// looked up by the chosen language and falls back to English.
#pragma once

#include <windows.h>

// Tavrin's language for a Windows display language: the same language
// where Tavrin has it (any country), English otherwise.
LANGID tavrinLanguageFor(LANGID displayLanguage);

// The language in use: chosen from the user's display language on first
// use, or the one set last.
LANGID uiLanguage();
void setUiLanguage(LANGID language);

// The language in use as its place among Tavrin's languages (English 0,
// then German, French, Spanish, Dutch, Italian, Swedish) and as its code
// ("en", "de", ...), which the help page's pieces are filed under.
int uiLanguageIndex();
const char* uiLanguageCode();

// Loads string id into buffer (at most size - 1 characters, always
// terminated). Returns the length, 0 when the string is missing.
int loadText(int id, wchar_t* buffer, int size);

// String id with its numbered placeholders (%1, %2!u!, ...) filled from the
// arguments, as FormatMessageW reads them. Returns the length, 0 on failure
// (out then holds the empty text).
int formatText(wchar_t* out, int size, int id, ...);

// An ANSI text (a port, a registry path) as a wide one, cut to fit.
void widen(const char* text, wchar_t* out, int size);

// Dialog id in the chosen language, modal, as DialogBoxParamW.
INT_PTR showUiDialog(int id, HWND owner, DLGPROC procedure, LPARAM parameter);

// Menu id in the chosen language; the caller destroys it.
HMENU loadUiMenu(int id);
