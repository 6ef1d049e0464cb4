#include "tray_status.h"

#include <shlwapi.h>
#include <string.h>

#include "../res/resource.h"
#include "ui_language.h"
#include "messages.h"
#include "settings.h"

// The record sizes the shell versions read, as the 32-bit shell knows them:
// 152 (no balloon), 936 (balloon), 952 (balloon and GUID). The layouts give
// the right figures for 64-bit programs too.
#ifndef _WIN64
static_assert(NOTIFYICONDATAW_V1_SIZE == 152, "record without balloon");
static_assert(NOTIFYICONDATAW_V2_SIZE == 936, "record with balloon");
static_assert(NOTIFYICONDATAW_V3_SIZE == 952, "record with balloon and GUID");
#endif

NOTIFYICONDATAW trayIconData;

namespace {

const wchar_t ProductName[] = L"Tavrin";
const UINT BALLOON_TIMEOUT_MS = 15000;
// From the icon's adding to its removal.
bool iconShown = false;
// The shell took NOTIFYICON_VERSION_4 (Vista and later): it then tells of
// the keyboard too, and gives the icon's place with every notification.
bool version4 = false;

// Copies text into a fixed field, cut to fit and always terminated.
template <size_t N>
void copyField(wchar_t (&field)[N], const wchar_t* text) {
  lstrcpynW(field, text, N);
}

// The tooltip is the link's status, then on a line of its own the sentence
// of what the device holds, when it holds anything.
wchar_t statusTip[ARRAYSIZE(trayIconData.szTip)];
wchar_t heldSentence[ARRAYSIZE(trayIconData.szTip)];
// The program's own icon, shown while nothing is held.
HICON programIcon = nullptr;

void composeTip() {
  copyField(trayIconData.szTip, statusTip);
  if (!heldSentence[0]) return;
  // Shells before Windows 2000 read 64 characters of it.
  const int tipSize = trayHasBalloon() ? static_cast<int>(ARRAYSIZE(trayIconData.szTip)) : 64;
  const int room = tipSize - lstrlenW(statusTip) - 2;
  // A sentence cut short would say something else: it goes whole or not at
  // all (the translations are made to fit behind the longest status).
  if (lstrlenW(heldSentence) > room) return;
  lstrcatW(trayIconData.szTip, L"\n");
  lstrcatW(trayIconData.szTip, heldSentence);
}

// The record changes whether or not the icon shows; the shell hears of it
// only while it does (never on the secure desktop).
void modifyIcon() {
  if (iconShown) Shell_NotifyIconW(NIM_MODIFY, &trayIconData);
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
  if (shellMajor >= 6) return NOTIFYICONDATAW_V3_SIZE;
  if (shellMajor == 5) return NOTIFYICONDATAW_V2_SIZE;
  return NOTIFYICONDATAW_V1_SIZE;
}

bool trayHasBalloon() { return trayIconData.cbSize >= NOTIFYICONDATAW_V2_SIZE; }

void addTrayIcon(HWND window, HINSTANCE instance) {
  DWORD shellMajor = 0;
  getModuleVersion("Shell32.dll", &shellMajor, nullptr);
  memset(&trayIconData, 0, sizeof trayIconData);
  trayIconData.cbSize = trayRecordSize(shellMajor);
  trayIconData.hWnd = window;
  trayIconData.uID = 0;
  // The image made for the size the shell draws, rather than the large one
  // scaled down: the icon carries one for every scale.
  programIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                              LR_SHARED));
  trayIconData.hIcon = programIcon;
  trayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  trayIconData.uCallbackMessage = MSG_TRAY_NOTIFY;
  copyField(statusTip, ProductName);
  heldSentence[0] = 0;
  composeTip();
  if (trayHasBalloon()) {
    trayIconData.dwInfoFlags = NIIF_NOSOUND;
    trayIconData.uTimeout = BALLOON_TIMEOUT_MS;
    copyField(trayIconData.szInfoTitle, ProductName);
  }
  Shell_NotifyIconW(NIM_ADD, &trayIconData);
  iconShown = true;
  askForVersion4();
}

// The version shares its field with the balloon's time-out, which is put
// back once the shell has read it. Shells before Vista refuse version 4.
void askForVersion4() {
  version4 = false;
  if (trayIconData.cbSize < NOTIFYICONDATAW_V3_SIZE) return;
  trayIconData.uVersion = NOTIFYICON_VERSION_4;
  version4 = Shell_NotifyIconW(NIM_SETVERSION, &trayIconData) != FALSE;
  trayIconData.uTimeout = BALLOON_TIMEOUT_MS;
}

bool trayUsesVersion4() { return version4; }

void focusTrayIcon() {
  if (iconShown) Shell_NotifyIconW(NIM_SETFOCUS, &trayIconData);
}

void readdTrayIcon() {
  if (!iconShown) return;
  Shell_NotifyIconW(NIM_ADD, &trayIconData);
  askForVersion4();
}

void removeTrayIcon() {
  // Both the end of the session and the window's destruction remove it.
  if (!iconShown) return;
  iconShown = false;
  trayIconData.uFlags = 0;
  Shell_NotifyIconW(NIM_DELETE, &trayIconData);
}

void showTrayText(const wchar_t* tip) {
  copyField(statusTip, tip);
  composeTip();
  clearBalloon();
  modifyIcon();
}

void showPortStatus(const char* portName, unsigned baudRate) {
  wchar_t port[MAX_PATH], text[128];
  widen(portName, port, MAX_PATH);
  formatText(text, 128, IDS_PORT_STATUS, port, baudRate);
  showTrayText(text);
}

void showIrdaStatus() {
  wchar_t text[128];
  loadText(IDS_IRDA_STATUS, text, 128);
  showTrayText(text);
}

void showLinkFailure(const char* linkName, bool keepTip) {
  if (!keepTip) loadText(IDS_PLEASE_CONFIGURE, statusTip, ARRAYSIZE(statusTip));
  composeTip();
  if (trayHasBalloon()) {
    wchar_t link[MAX_PATH];
    widen(linkName ? linkName : "", link, MAX_PATH);
    formatText(trayIconData.szInfo, ARRAYSIZE(trayIconData.szInfo), IDS_UNABLE_TO_OPEN, link);
    trayIconData.uFlags |= NIF_INFO;
  }
  modifyIcon();
}

void showBlockedBalloon(const wchar_t* title) {
  if (!iconShown || !trayHasBalloon()) return;
  wchar_t format[256];
  const int formatLength = loadText(IDS_BLOCKED_WINDOW, format, 256);
  // What the text holds besides the title ("%1" gives way to it).
  const int room = static_cast<int>(ARRAYSIZE(trayIconData.szInfo)) - 1 - (formatLength - 2);
  wchar_t shortTitle[ARRAYSIZE(trayIconData.szInfo)];
  lstrcpynW(shortTitle, title, ARRAYSIZE(shortTitle));
  if (lstrlenW(title) > room && room > 3) lstrcpyW(shortTitle + room - 3, L"...");
  const NOTIFYICONDATAW kept = trayIconData;
  formatText(trayIconData.szInfo, ARRAYSIZE(trayIconData.szInfo), IDS_BLOCKED_WINDOW, shortTitle);
  trayIconData.uFlags |= NIF_INFO;
  Shell_NotifyIconW(NIM_MODIFY, &trayIconData);
  trayIconData = kept;
}

void showTrayHeld(const wchar_t* sentence, HICON icon) {
  copyField(heldSentence, sentence);
  composeTip();
  trayIconData.hIcon = icon ? icon : programIcon;
  if (!iconShown) return;
  // A failure balloon already shown is not shown again for this.
  const UINT flags = trayIconData.uFlags;
  trayIconData.uFlags &= ~NIF_INFO;
  Shell_NotifyIconW(NIM_MODIFY, &trayIconData);
  trayIconData.uFlags = flags;
}
