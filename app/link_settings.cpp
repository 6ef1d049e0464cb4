#include "link_settings.h"

#include <stdio.h>
#include <string.h>

#include "../links/comm_port.h"
#include "../links/link_stop.h"
#include "../res/resource.h"
#include "app_windows.h"
#include "held_input.h"
#include "lifecycle.h"
#include "main_window.h"
#include "message_box.h"
#include "messages.h"
#include "settings.h"
#include "tray_status.h"

static bool irdaSelected() {
  return settings.portName && _stricmp(settings.portName, IrdaPortName) == 0;
}

void releaseAfterLinkStop() {
  beginLinkStop();
  releaseHeldInput();
  endLinkStop();
}

static bool serialPaused = false;

bool serialLinkPaused() { return serialPaused; }

void pauseSerialLink(CCommPort& port) {
  if (serialPaused) return;
  serialPaused = true;
  const int wasOpen = port.isOpen();
  port.closePort(1);
  if (wasOpen) releaseAfterLinkStop();
}

void resumeSerialLink(CCommPort& port) {
  if (!serialPaused) return;
  serialPaused = false;
  if (!port.isOpen()) reopenSerialLink();
}

void applyLinkSettings(CCommPort& port, const char* previous) {
  // The session ended while the dialog showed: the port stays closed.
  if (shuttingDown()) return;
  int baudIndex = CCommPort::baudToIndex(static_cast<int>(settings.baudRate));
  if (settings.portName == previous && port.isOpen()) {
    port.changeBaud(baudIndex);
  } else {
    const int wasOpen = port.isOpen();
    port.closePort(1);
    // The device on the closed port holds nothing any more.
    if (wasOpen) releaseAfterLinkStop();
    if (!irdaSelected()) port.openPort(settings.portName, baudIndex, 1);
  }
  // A failed open is retried; an open port or IrDA leaves nothing to retry.
  settleLinkRetry();
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
  if (trayStatusText(port, tip)) {
    showWarning(IDS_UNABLE_TO_OPEN, settings.portName);
    // The retry may have opened the port while the warning showed.
    trayStatusText(port, tip);
  }
  showTrayText(tip);
}
