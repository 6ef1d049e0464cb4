#include "tray_status.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include "../res/resource.h"
#include "message_box.h"
#include "messages.h"
#include "settings.h"

// The record sizes the shell versions read, as the 32-bit shell knows them:
// 88 (no balloon), 488 (balloon), 504 (balloon and GUID). The layouts give
// the right figures for 64-bit programs too.
#ifndef _WIN64
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "record without balloon");
static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "record with balloon");
static_assert(NOTIFYICONDATAA_V3_SIZE == 504, "record with balloon and GUID");
#endif

NOTIFYICONDATAA trayIconData;

namespace {

const char ProductName[] = "Tavrin";
const UINT BALLOON_TIMEOUT_MS = 15000;
// The balloon keeps at most this many characters of its text.
const int BALLOON_TEXT_MAX = 63;
// From the icon's adding to its removal.
bool iconShown = false;
// The shell took NOTIFYICON_VERSION_4 (Vista and later): it then tells of
// the keyboard too, and gives the icon's place with every notification.
bool version4 = false;

// Copies text into a fixed field, cut to fit and always terminated.
template <size_t N>
void copyField(char (&field)[N], const char* text) {
  lstrcpynA(field, text, N);
}

void clearBalloon() {
  if (!trayHasBalloon()) return;
  trayIconData.uFlags &= ~NIF_INFO;
  trayIconData.szInfo[0] = 0;
}

}  // namespace

void getModuleVersion(const char* dllName, DWORD* major, DWORD* minor) {
  if (major) *major = 0;
  if (minor) *minor = 0;
  HMODULE library = LoadLibraryA(dllName);
  if (!library) return;
  DLLGETVERSIONPROC getVersion =
      reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetVersion")));
  if (getVersion) {
    DLLVERSIONINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (SUCCEEDED(getVersion(&info))) {
      if (major) *major = info.dwMajorVersion;
      if (minor) *minor = info.dwMinorVersion;
    }
  }
  FreeLibrary(library);
}

DWORD trayRecordSize(DWORD shellMajor) {
  if (shellMajor >= 6) return NOTIFYICONDATAA_V3_SIZE;
  if (shellMajor == 5) return NOTIFYICONDATAA_V2_SIZE;
  return NOTIFYICONDATAA_V1_SIZE;
}

bool trayHasBalloon() { return trayIconData.cbSize >= NOTIFYICONDATAA_V2_SIZE; }

void addTrayIcon(HWND window, HINSTANCE instance) {
  DWORD shellMajor = 0;
  getModuleVersion("Shell32.dll", &shellMajor, nullptr);
  memset(&trayIconData, 0, sizeof trayIconData);
  trayIconData.cbSize = trayRecordSize(shellMajor);
  trayIconData.hWnd = window;
  trayIconData.uID = 0;
  // The image made for the size the shell draws, rather than the large one
  // scaled down: the icon carries one for every scale.
  trayIconData.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                     LR_SHARED));
  trayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  trayIconData.uCallbackMessage = MSG_TRAY_NOTIFY;
  copyField(trayIconData.szTip, ProductName);
  if (trayHasBalloon()) {
    trayIconData.dwInfoFlags = NIIF_NOSOUND;
    trayIconData.uTimeout = BALLOON_TIMEOUT_MS;
    copyField(trayIconData.szInfoTitle, ProductName);
  }
  Shell_NotifyIconA(NIM_ADD, &trayIconData);
  iconShown = true;
  askForVersion4();
}

// The version shares its field with the balloon's time-out, which is put
// back once the shell has read it. Shells before Vista refuse version 4.
void askForVersion4() {
  version4 = false;
  if (trayIconData.cbSize < NOTIFYICONDATAA_V3_SIZE) return;
  trayIconData.uVersion = NOTIFYICON_VERSION_4;
  version4 = Shell_NotifyIconA(NIM_SETVERSION, &trayIconData) != FALSE;
  trayIconData.uTimeout = BALLOON_TIMEOUT_MS;
}

bool trayUsesVersion4() { return version4; }

void focusTrayIcon() {
  if (iconShown) Shell_NotifyIconA(NIM_SETFOCUS, &trayIconData);
}

void readdTrayIcon() {
  if (!iconShown) return;
  Shell_NotifyIconA(NIM_ADD, &trayIconData);
  askForVersion4();
}

void removeTrayIcon() {
  // Both the end of the session and the window's destruction remove it.
  if (!iconShown) return;
  iconShown = false;
  trayIconData.uFlags = 0;
  Shell_NotifyIconA(NIM_DELETE, &trayIconData);
}

char* composeProductText(int suffixId, char* buffer, int size) {
  // A suffix longer than 31 characters is cut: the record never needs more.
  char suffix[32];
  loadText(suffixId, suffix, sizeof suffix);
  snprintf(buffer, size, "%s%s", ProductName, suffix);
  return buffer;
}

void showTrayText(const char* tip) {
  copyField(trayIconData.szTip, tip);
  clearBalloon();
  Shell_NotifyIconA(NIM_MODIFY, &trayIconData);
}

void showPortStatus(const char* portName, unsigned baudRate) {
  char format[256];
  char text[256];
  composeProductText(IDS_PORT_STATUS, format, sizeof format);
  snprintf(text, sizeof text, format, portName, static_cast<int>(baudRate));
  showTrayText(text);
}

void showIrdaStatus() {
  char text[64];
  snprintf(text, sizeof text, "%s: %s", ProductName, IrdaPortName);
  showTrayText(text);
}

void showLinkFailure(const char* linkName, bool keepTip) {
  char text[256];
  if (!keepTip) copyField(trayIconData.szTip, composeProductText(IDS_PLEASE_CONFIGURE, text, sizeof text));
  if (trayHasBalloon()) {
    char format[256];
    char balloon[100];
    loadText(IDS_UNABLE_TO_OPEN, format, sizeof format);
    snprintf(balloon, sizeof balloon, format, linkName ? linkName : "");
    lstrcpynA(trayIconData.szInfo, balloon, BALLOON_TEXT_MAX + 1);
    trayIconData.uFlags |= NIF_INFO;
  }
  Shell_NotifyIconA(NIM_MODIFY, &trayIconData);
}

void showBlockedBalloon(const char* title) {
  if (!trayHasBalloon()) return;
  // Longer than the suffixes composeProductText takes.
  char suffix[128];
  char format[160];
  loadText(IDS_BLOCKED_WINDOW, suffix, sizeof suffix);
  snprintf(format, sizeof format, "%s%s", ProductName, suffix);
  // What the text holds besides the title ("%s" gives way to it).
  const int room = static_cast<int>(sizeof trayIconData.szInfo) - 1 - (static_cast<int>(strlen(format)) - 2);
  char shortTitle[sizeof trayIconData.szInfo];
  if (static_cast<int>(strlen(title)) > room)
    snprintf(shortTitle, sizeof shortTitle, "%.*s...", room - 3, title);
  else
    lstrcpynA(shortTitle, title, sizeof shortTitle);
  const NOTIFYICONDATAA kept = trayIconData;
  snprintf(trayIconData.szInfo, sizeof trayIconData.szInfo, format, shortTitle);
  trayIconData.uFlags |= NIF_INFO;
  Shell_NotifyIconA(NIM_MODIFY, &trayIconData);
  trayIconData = kept;
}
