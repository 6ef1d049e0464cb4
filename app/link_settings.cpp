#include "link_settings.h"

#include <stdio.h>
#include <string.h>

#include "../links/comm_port.h"
#include "../res/resource.h"
#include "app_windows.h"
#include "held_input.h"
#include "message_box.h"
#include "messages.h"
#include "settings.h"
#include "tray_status.h"

static bool irdaSelected() {
  return settings.portName && _stricmp(settings.portName, IrdaPortName) == 0;
}

// The retry timer of a failed link stops once the settings leave nothing to
// retry: its tick must never reopen a port that is already open. A failed
// open keeps it armed, so the selected port is still retried.
static void stopRetryWhenSettled(const CCommPort& port) {
  if (port.isOpen() || irdaSelected()) KillTimer(mainWindow, TIMER_PORT_RETRY);
}

void applyLinkSettings(CCommPort& port, const char* previous) {
  int baudIndex = CCommPort::baudToIndex(static_cast<int>(settings.baudRate));
  if (settings.portName == previous && port.isOpen()) {
    port.changeBaud(baudIndex);
  } else {
    port.closePort(1);
    // A reader terminated in the middle of a key leaves it down: let go now.
    settleInterpreter();
    if (!irdaSelected()) port.openPort(settings.portName, baudIndex, 1);
  }
  stopRetryWhenSettled(port);
}

// "Tavrin" followed by a string-table suffix of at most 31 characters.
static void productWithSuffix(int suffixId, char* text) {
  char suffix[32];
  loadText(suffixId, suffix, sizeof suffix);
  snprintf(text, 256, "Tavrin%s", suffix);
}

int trayStatusText(const CCommPort& port, char* buffer) {
  char format[256];
  if (port.isOpen()) {
    productWithSuffix(IDS_PORT_STATUS, format);
    snprintf(buffer, 256, format, settings.portName, static_cast<int>(settings.baudRate));
    return 0;
  }
  if (!irdaSelected()) {
    productWithSuffix(IDS_PLEASE_CONFIGURE, buffer);
    return 1;
  }
  snprintf(buffer, 256, "Tavrin: IrDA");
  return 0;
}

void updateTrayStatus(const CCommPort& port) {
  char tip[256];
  if (trayStatusText(port, tip)) showWarning(IDS_UNABLE_TO_OPEN, settings.portName);
  showTrayText(tip);
}
