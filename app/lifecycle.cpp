// First: the links need winsock2.h ahead of windows.h.
#include "link_objects.h"

#include "lifecycle.h"

#include "../links/port_search.h"

#include "app_windows.h"
#include "held_input.h"
#include "input_target.h"
#include "interp.h"
#include "main_window.h"
#include "messages.h"
#include "settings.h"
#include "splash_about.h"
#include "tray_status.h"

HANDLE instanceMutex = nullptr;

namespace {

bool shutDownDone = false;

void connectLinks() {
  commPort.setByteCallback(onLinkByte);
  commPort.setStatusCallback(postSerialStatus);
  irdaServ.setByteCallback(onLinkByte);
  irdaServ.setStatusCallback(postIrdaStatus);
}

void disconnectLinks() {
  commPort.setByteCallback(nullptr);
  commPort.setStatusCallback(nullptr);
  irdaServ.setByteCallback(nullptr);
  irdaServ.setStatusCallback(nullptr);
}

// A silent upgrade closes the program through the Restart Manager, which
// starts it again only when it is registered; so does Windows after a crash
// or a hang. Not after a reboot: the log-on's Run value starts it then, and a
// second copy would meet the first. A failure leaves the program running as
// before, only without that return.
void registerForRestart() {
  RegisterApplicationRestart(nullptr, RESTART_NO_REBOOT);
}

}  // namespace

HWND startUp(HINSTANCE instance) {
  registerForRestart();
  mainWindow = createMainWindow(instance);
  addTrayIcon(mainWindow, instance);
  watchForeground();
  showSplash();
  // The session may have ended while the splash showed: the shutdown has
  // run, and nothing may open a link after it.
  if (shutDownDone) return mainWindow;
  connectLinks();
  // A listener that cannot start stays off for the run: only a running one
  // reports status.
  irdaServ.startListener();
  configureSettings(true);
  return mainWindow;
}

bool shuttingDown() { return shutDownDone; }

int shutDown() {
  if (shutDownDone) return 0;
  shutDownDone = true;
  disconnectLinks();
  // A stop waits for the worker, so a byte in flight has finished (or its
  // worker was terminated) when these return.
  irdaServ.stopListener();
  commPort.closePort(1);
  // Find my device may hold ports of its own (Configure ends afterwards).
  stopPortSearch();
  KillTimer(mainWindow, TIMER_PORT_RETRY);
  KillTimer(mainWindow, TIMER_MOUSE_GLIDE);
  // The icon goes before the release: a held button let go over it would
  // otherwise be a click on it, and the shell's notification, delivered
  // while the removal waits for the shell, would open the tray menu.
  removeTrayIcon();
  stopWatchingForeground();
  // Locked Ctrl, Alt, Shift and Win, ",moulock" buttons and anything a
  // terminated worker stranded: the next person at the computer would find
  // every click a Ctrl-drag.
  releaseHeldInput();
  if (instanceMutex) ReleaseMutex(instanceMutex);
  // The log-on password must not outlive the program in its memory.
  SecureZeroMemory(settings.userName, sizeof settings.userName);
  SecureZeroMemory(settings.password, sizeof settings.password);
  return 1;
}
