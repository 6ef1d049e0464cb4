#include "message_box.h"

#include <stdarg.h>
#include <stdio.h>
#include <windows.h>

#include "../res/resource.h"

int loadText(int id, char* buffer, int size) {
  buffer[0] = 0;
  return LoadStringA(GetModuleHandleA(nullptr), id, buffer, size);
}

void showNotice(int textId, int captionId) {
  char text[256];
  char caption[16];
  loadText(textId, text, sizeof text);
  loadText(captionId, caption, sizeof caption);
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONINFORMATION);
}

void showWarning(int textId, ...) {
  char format[256];
  char caption[16];
  char text[256];
  loadText(textId, format, sizeof format);
  loadText(IDS_ERROR_CAPTION, caption, sizeof caption);
  va_list args;
  va_start(args, textId);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONWARNING);
}
