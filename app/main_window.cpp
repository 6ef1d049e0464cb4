// First: the links need winsock2.h ahead of windows.h.
#include "link_objects.h"

#include "main_window.h"

#include <dbt.h>

#include "../res/resource.h"
#include "app_windows.h"
#include "hand_over.h"
#include "held_input.h"
#include "held_status.h"
#include "help_page.h"
#include "input_target.h"
#include "interp.h"
#include "lifecycle.h"
#include "link_settings.h"
#include "messages.h"
#include "settings.h"
#include "splash_about.h"
#include "tray_status.h"
#include "ui_language.h"

HWND mainWindow = nullptr;
HINSTANCE appInstance = nullptr;

namespace {

const char ProductName[] = "Tavrin";

// Broadcast by the shell when it (re)starts; its tray has forgotten our icon.
UINT taskbarCreatedMessage = 0;

bool irdaSelected() { return settings.portName == IrdaPortName; }

// A paused link's port is someone else's for the moment: nothing opens it.
int openSelectedPort() {
  if (serialLinkPaused()) return 0;
  return commPort.openPort(settings.portName, CCommPort::baudToIndex(static_cast<int>(settings.baudRate)), 1);
}

// The menu opens at point; one opened from the keyboard gives the focus
// back to the notification area when it closes.
void showTrayMenu(HWND window, POINT point, bool fromKeyboard) {
  HMENU menu = loadUiMenu(IDM_TRAY);
  if (!menu) return;
  HMENU popup = GetSubMenu(menu, 0);
  SetMenuDefaultItem(popup, 0, TRUE);
  // Without the foreground the menu would not close when the user clicks
  // elsewhere; the posted message afterwards lets it close cleanly.
  SetForegroundWindow(window);
  TrackPopupMenu(popup, 0, point.x, point.y, 0, window, nullptr);
  PostMessageA(window, MSG_TRAY_NOTIFY, 0, 0);
  DestroyMenu(menu);
  if (fromKeyboard) focusTrayIcon();
}

// With version 4 the shell follows a right click with WM_CONTEXTMENU and a
// left one with NIN_SELECT: the menu opens once, on WM_CONTEXTMENU and on
// the left button's release. Enter or Space on the icon (NIN_KEYSELECT)
// and the context-menu key open it at the icon, whose place is in wParam.
void onTrayNotify(HWND window, WPARAM wParam, LPARAM lParam) {
  POINT point = {0, 0};
  if (trayUsesVersion4()) {
    point.x = static_cast<short>(LOWORD(wParam));
    point.y = static_cast<short>(HIWORD(wParam));
  } else {
    GetCursorPos(&point);
  }
  switch (LOWORD(lParam)) {
    case WM_RBUTTONUP:
      // Older shells send no WM_CONTEXTMENU.
      if (!trayUsesVersion4()) showTrayMenu(window, point, false);
      break;
    case WM_LBUTTONUP:
      showTrayMenu(window, point, false);
      break;
    case WM_CONTEXTMENU:
    case NIN_KEYSELECT:
      showTrayMenu(window, point, true);
      break;
    case WM_LBUTTONDBLCLK:
      configureSettings(false);
      break;
  }
}

// The flag of an IrDA listener that failed and could not be restarted; the
// retry timer restarts it.
bool irdaDown = false;

bool retryWanted() { return irdaDown || (!commPort.isOpen() && !irdaSelected()); }

// Ticks left at the quick period after the device came back from the
// secure desktop.
const int QuickRetryCount = 2000 / TIMER_PORT_RETRY_QUICK_MS;
int quickRetries = 0;

UINT retryPeriod() {
  return onSecureDesktop() || quickRetries > 0 ? TIMER_PORT_RETRY_QUICK_MS : TIMER_PORT_RETRY_MS;
}

void settleRetryTimer(HWND window) {
  if (retryWanted()) {
    SetTimer(window, TIMER_PORT_RETRY, retryPeriod(), nullptr);
  } else {
    KillTimer(window, TIMER_PORT_RETRY);
    quickRetries = 0;
  }
}

// Opens the selected port; when that fails the tray says so and the retry
// timer keeps trying.
void openOrRetry(HWND window) {
  if (openSelectedPort())
    showPortStatus(settings.portName, settings.baudRate);
  else
    showLinkFailure(settings.portName);
  settleRetryTimer(window);
}

// Brings the serial port back after it failed: closed without restoring,
// everything its device held let go of, reopened, and retried on a timer
// while it cannot be opened.
void handleSerialFailure(HWND window) {
  // A report that was under way while the user switched to IrDA: the serial
  // port is meant to be closed, so there is nothing to bring back.
  if (irdaSelected()) return;
  commPort.closePort(0);
  releaseAfterLinkStop();
  if (openSelectedPort()) {
    settleRetryTimer(window);
    return;
  }
  showLinkFailure(settings.portName);
  settleRetryTimer(window);
}

// An IrDA listener that failed (its worker has let go of what the peer held
// before reporting) is restarted; one that cannot start is named in the
// balloon, without touching a serial port that works, and retried.
void restartIrda(HWND window) {
  irdaServ.stopListener();
  // A worker terminated by the stop may have left a key down.
  releaseAfterLinkStop();
  irdaDown = !irdaServ.startListener();
  if (irdaDown) showLinkFailure(IrdaPortName, commPort.isOpen() != 0);
  settleRetryTimer(window);
}

void onPortRetryTick(HWND window) {
  if (quickRetries > 0) --quickRetries;
  if (irdaDown) {
    irdaServ.stopListener();
    irdaDown = !irdaServ.startListener();
  }
  // The settings may have opened the port (or chosen IrDA) in the meantime:
  // then the open port stays as it is.
  if (!commPort.isOpen() && !irdaSelected() && openSelectedPort())
    showPortStatus(settings.portName, settings.baudRate);
  settleRetryTimer(window);
}

// True when a port device event names the selected port, in any case.
bool namesSelectedPort(LPARAM data) {
  const DEV_BROADCAST_HDR* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (!header || header->dbch_devicetype != DBT_DEVTYP_PORT) return false;
  const char* port = comPortName(reinterpret_cast<const DEV_BROADCAST_PORT_A*>(header)->dbcp_name);
  return port && port == settings.portName;
}

// The system sends device events, and a link stop serves sent messages
// while it waits for its worker: the event is handled later, on its own,
// by a posted MSG_PORT_EVENT.
void onDeviceChange(HWND window, WPARAM event, LPARAM data) {
  if ((event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) && namesSelectedPort(data))
    PostMessageA(window, MSG_PORT_EVENT, event, 0);
}

// An adapter plugged back is opened at once rather than at the next retry
// tick; one pulled out is a link failure at once rather than when (or if)
// its reader notices. The arrival of a port that is open means its handle
// lost its driver without a removal: that port has failed too.
void onPortEvent(HWND window, WPARAM event) {
  if (irdaSelected() || serialLinkPaused()) return;
  if (event == DBT_DEVICEARRIVAL && !commPort.isOpen())
    openOrRetry(window);
  else if (commPort.isOpen())
    handleSerialFailure(window);
}

void onIrdaStatus(HWND window, WPARAM status) {
  // A report from the listener stopped for the hand-over.
  if (serialLinkPaused(PAUSE_HAND_OVER)) return;
  if (status == LINK_FAILURE)
    restartIrda(window);
  else if (status == LINK_CONNECTED)
    showIrdaStatus();
}

void onGlideTimerRequest(HWND window, WPARAM arm) {
  if (arm)
    SetTimer(window, TIMER_MOUSE_GLIDE, TIMER_MOUSE_GLIDE_MS, nullptr);
  else
    KillTimer(window, TIMER_MOUSE_GLIDE);
}

void onTimer(HWND window, WPARAM id) {
  if (id == TIMER_PORT_RETRY)
    onPortRetryTick(window);
  else if (id == TIMER_MOUSE_GLIDE)
    glideTick();
  else if (id == TIMER_DESKTOP_CHECK)
    checkInputDesktop(window);
  else if (id == TIMER_HELD_STATE)
    onHeldStateTimer(window);
}

void onCommand(HWND window, WPARAM command) {
  switch (command) {
    case IDM_CONFIGURE:
      configureSettings(false);
      break;
    case IDM_ABOUT:
      showAboutBox();
      break;
    case IDM_HELP:
      openHelpPage(ProductName);
      break;
    case IDM_EXIT:
      PostMessageA(window, WM_CLOSE, 0, 0);
      break;
  }
}

// The system may end the process as soon as WM_ENDSESSION returns, so the
// whole shutdown happens here and now; the window then goes as after Exit.
void onEndSession(HWND window, WPARAM ending) {
  if (!ending) return;
  // A second notice, served while the shutdown waits for a link's worker,
  // leaves the window to the shutdown under way.
  if (shutDown()) DestroyWindow(window);
}

// What would open a link or arm a timer. Once the shutdown has begun none
// of it is acted on: it would undo what the shutdown did.
bool reopensALink(UINT message, WPARAM wParam) {
  switch (message) {
    case MSG_SERIAL_STATUS:
    case MSG_IRDA_STATUS:
    case MSG_PORT_EVENT:
    case MSG_HAND_OVER:
    case MSG_DESKTOP_CHECK:
    case WM_WTSSESSION_CHANGE:
    case WM_TIMER:
    case WM_DEVICECHANGE:
      return true;
    case MSG_GLIDE_TIMER:
      return wParam != 0;
  }
  return false;
}

}  // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (shuttingDown() && reopensALink(message, wParam)) return message == WM_DEVICECHANGE ? TRUE : 0;
  switch (message) {
    case MSG_TRAY_NOTIFY:
      onTrayNotify(window, wParam, lParam);
      return 0;
    case MSG_SERIAL_STATUS:
      // A report from a reader that has been stopped since (Configure closed
      // or replaced the port) would close a healthy port: only the port's
      // current reader counts.
      if (commPort.readerFailed()) handleSerialFailure(window);
      return 0;
    case MSG_IRDA_STATUS:
      onIrdaStatus(window, wParam);
      return 0;
    case MSG_PORT_EVENT:
      onPortEvent(window, wParam);
      return 0;
    case MSG_GLIDE_TIMER:
      onGlideTimerRequest(window, wParam);
      return 0;
    case MSG_HELD_STATE:
      onHeldStateNotice(window);
      return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETHIGHCONTRAST) redrawHeldIcon();
      return DefWindowProcW(window, message, wParam, lParam);
    case MSG_INPUT_BLOCKED:
      reportBlockedWindow(reinterpret_cast<HWND>(wParam));
      return 0;
    case MSG_HAND_OVER:
      handOverDevice(PAUSE_SECURE_DESKTOP, wParam != 0);
      return 0;
    case MSG_DESKTOP_CHECK:
      checkInputDesktop(window);
      return 0;
    case WM_WTSSESSION_CHANGE:
      onSessionChange(window, wParam);
      return 0;
    case WM_TIMER:
      onTimer(window, wParam);
      return 0;
    case WM_DEVICECHANGE:
      onDeviceChange(window, wParam, lParam);
      return TRUE;
    case WM_COMMAND:
      onCommand(window, wParam);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      onEndSession(window, wParam);
      return 0;
    case WM_DESTROY:
      removeTrayIcon();
      PostQuitMessage(0);
      return 0;
  }
  if (taskbarCreatedMessage && message == taskbarCreatedMessage) {
    readdTrayIcon();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND createMainWindow(HINSTANCE instance) {
  appInstance = instance;
  taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
  WNDCLASSW windowClass = {};
  windowClass.style = CS_BYTEALIGNCLIENT;
  windowClass.lpfnWndProc = mainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAIN));
  windowClass.lpszClassName = L"Tavrin";
  RegisterClassW(&windowClass);
  // A tool window never gets a taskbar button; it is never shown either.
  return CreateWindowExW(WS_EX_TOOLWINDOW, L"Tavrin", L"Tavrin", WS_MINIMIZE, 0, 0, 1, 1, nullptr, nullptr,
                         instance, nullptr);
}

void reopenSerialLink() {
  if (!shuttingDown() && !irdaSelected() && !commPort.isOpen()) openOrRetry(mainWindow);
}

void settleLinkRetry() {
  if (!shuttingDown()) settleRetryTimer(mainWindow);
}

void postSerialStatus(int status) { PostMessageA(mainWindow, MSG_SERIAL_STATUS, status, 0); }

// An IrDA peer that has gone leaves what it held; the listener accepts the
// next peer as soon as this returns, so the release happens here, on its
// thread, before any byte of the next one.
void postIrdaStatus(int status) {
  if (status != LINK_CONNECTED) releaseHeldInput();
  PostMessageA(mainWindow, MSG_IRDA_STATUS, status, 0);
}

void handOverDevice(int reason, bool away) {
  if (shuttingDown() || serialLinkPaused(reason) == away) return;
  const bool wasAway = serialLinkPaused(PAUSE_HAND_OVER);
  if (away) {
    pauseSerialLink(commPort, reason);
  } else {
    // A Tavrin killed on the secure desktop may close its port only after
    // its claim was found abandoned.
    quickRetries = QuickRetryCount;
    resumeSerialLink(commPort, reason);
  }
  if (serialLinkPaused(PAUSE_HAND_OVER) == wasAway) return;
  if (away) {
    irdaServ.stopListener();
    irdaDown = false;
    // Also when only the IrDA link was up; nothing is sent twice.
    releaseAfterLinkStop();
    updateTrayStatus(commPort);
  } else {
    startIrdaLink(false);
    if (irdaSelected()) showIrdaStatus();
  }
  settleRetryTimer(mainWindow);
}

void startIrdaLink(bool retried) {
  irdaDown = !irdaServ.startListener() && retried;
  settleRetryTimer(mainWindow);
}
