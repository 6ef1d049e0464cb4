#include "message_box.h"

#include <windows.h>

#include "../res/resource.h"
#include "ui_language.h"

void showNotice(int textId, int captionId) {
  wchar_t text[512];
  wchar_t caption[256];
  loadText(textId, text, 512);
  loadText(captionId, caption, 256);
  MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONINFORMATION);
}

void showWarning(int textId, const char* first, const char* second) {
  wchar_t firstText[MAX_PATH], secondText[MAX_PATH];
  wchar_t caption[256];
  wchar_t text[1024];
  widen(first ? first : "", firstText, MAX_PATH);
  widen(second ? second : "", secondText, MAX_PATH);
  loadText(IDS_ERROR_CAPTION, caption, 256);
  formatText(text, 1024, textId, firstText, secondText);
  MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONWARNING);
}
