// The entry point: one instance, the hidden window and its tray icon, the
// splash, both links wired to the interpreter, the settings, the loop, and
// the shutdown in the order that keeps every link quiet before it goes.
// First: the links need winsock2.h ahead of windows.h.
#include "link_objects.h"

#include "../res/resource.h"
#include "app_windows.h"
#include "interp.h"
#include "main_window.h"
#include "message_box.h"
#include "messages.h"
#include "settings.h"
#include "splash_about.h"
#include "tray_status.h"

namespace {

const char ProductName[] = "Tavrin";

HANDLE instanceMutex = nullptr;

// Returns true when another instance already runs (and has been told so to
// the user). Without a mutex at all the program runs unguarded.
bool anotherInstanceRuns() {
  instanceMutex = CreateMutexA(nullptr, TRUE, ProductName);
  if (!instanceMutex || GetLastError() != ERROR_ALREADY_EXISTS) return false;
  char message[256];
  char suffix[32];
  lstrcpynA(message, ProductName, sizeof message);
  loadText(IDS_ALREADY_RUNNING, suffix, sizeof suffix);
  lstrcatA(message, suffix);
  MessageBoxA(nullptr, message, ProductName, MB_OK | MB_ICONINFORMATION);
  return true;
}

void connectLinks() {
  commPort.setByteCallback(onLinkByte);
  commPort.setStatusCallback(postSerialStatus);
  irdaServ.setByteCallback(onLinkByte);
  irdaServ.setStatusCallback(postIrdaStatus);
}

void runMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void shutDown() {
  // From here on the links drop what they receive and report nothing.
  commPort.setByteCallback(nullptr);
  commPort.setStatusCallback(nullptr);
  irdaServ.setByteCallback(nullptr);
  irdaServ.setStatusCallback(nullptr);
  KillTimer(mainWindow, TIMER_PORT_RETRY);
  KillTimer(mainWindow, TIMER_MOUSE_GLIDE);
  if (instanceMutex) ReleaseMutex(instanceMutex);
  // The log-on password must not outlive the program in its memory.
  SecureZeroMemory(settings.userName, sizeof settings.userName);
  SecureZeroMemory(settings.password, sizeof settings.password);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (anotherInstanceRuns()) return 0;
  mainWindow = createMainWindow(instance);
  addTrayIcon(mainWindow, instance);
  showSplash();
  connectLinks();
  // A listener that cannot start stays off for the run: only a running one
  // reports status.
  irdaServ.startListener();
  configureSettings(true);
  runMessageLoop();
  shutDown();
  return 0;
}
