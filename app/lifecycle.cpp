// First: the links need winsock2.h ahead of windows.h.
#include "link_objects.h"

#include "lifecycle.h"

#include "../links/port_search.h"

#include "app_windows.h"
#include "hand_over.h"
#include "held_input.h"
#include "input_target.h"
#include "interp.h"
#include "link_settings.h"
#include "main_window.h"
#include "messages.h"
#include "settings.h"
#include "settings_store.h"
#include "splash_about.h"
#include "tray_status.h"

HANDLE instanceMutex = nullptr;

namespace {

bool shutDownDone = false;
bool secureDesktop = false;

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

HWND startForThePerson(HINSTANCE instance) {
  registerForRestart();
  mainWindow = createMainWindow(instance);
  addTrayIcon(mainWindow, instance);
  watchForeground();
  watchDesktop(mainWindow, true);
  showSplash();
  // The session may have ended while the splash showed: the shutdown has
  // run, and nothing may open a link after it.
  if (shutDownDone) return mainWindow;
  connectLinks();
  // A secure-desktop Tavrin that started first keeps the device: neither
  // link is tried until it ends.
  if (watchForHandOver(mainWindow)) handOverDevice(PAUSE_SECURE_DESKTOP, true);
  // A listener that cannot start stays off for the run: only a running one
  // reports status.
  if (!serialLinkPaused(PAUSE_HAND_OVER)) startIrdaLink(false);
  configureSettings(true);
  return mainWindow;
}

// No restart registration: Windows starts this Tavrin with each secure
// desktop, and ends it with the desktop.
HWND startOnSecureDesktop(HINSTANCE instance) {
  mainWindow = createMainWindow(instance);
  // The layout of the window in front follows its focus here too.
  watchForeground();
  watchDesktop(mainWindow, false);
  connectLinks();
  // The person's Tavrin lets go of the port when asked; until it has, the
  // retry timer tries it every 250 ms.
  claimTheDevice();
  loadSignInSettings();
  applyLinkSettings(commPort, nullptr);
  if (settings.portName == IrdaPortName) startIrdaLink(true);
  return mainWindow;
}

}  // namespace

HWND startUp(HINSTANCE instance, RunMode mode) {
  secureDesktop = mode == SECURE_DESKTOP_MODE;
  return secureDesktop ? startOnSecureDesktop(instance) : startForThePerson(instance);
}

bool onSecureDesktop() { return secureDesktop; }

bool shuttingDown() { return shutDownDone; }

int shutDown() {
  if (shutDownDone) return 0;
  shutDownDone = true;
  disconnectLinks();
  stopWatchingForHandOver();
  // A stop waits for the worker, so a byte in flight has finished (or its
  // worker was terminated) when these return.
  irdaServ.stopListener();
  commPort.closePort(1);
  // Find my device may hold ports of its own (Configure ends afterwards).
  stopPortSearch();
  KillTimer(mainWindow, TIMER_PORT_RETRY);
  KillTimer(mainWindow, TIMER_MOUSE_GLIDE);
  stopWatchingDesktop(mainWindow);
  // The icon goes before the release: a held button let go over it would
  // otherwise be a click on it, and the shell's notification, delivered
  // while the removal waits for the shell, would open the tray menu.
  removeTrayIcon();
  stopWatchingForeground();
  // Locked Ctrl, Alt, Shift and Win, ",moulock" buttons and anything a
  // terminated worker stranded: the next person at the computer would find
  // every click a Ctrl-drag.
  releaseHeldInput();
  releaseTheDevice();
  if (instanceMutex) ReleaseMutex(instanceMutex);
  // The log-on password must not outlive the program in its memory.
  SecureZeroMemory(settings.userName, sizeof settings.userName);
  SecureZeroMemory(settings.password, sizeof settings.password);
  return 1;
}
