#include "link_settings.h"

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
#include "ui_language.h"

static bool irdaSelected() {
  return settings.portName && _stricmp(settings.portName, IrdaPortName) == 0;
}

void releaseAfterLinkStop() {
  beginLinkStop();
  releaseHeldInput();
  endLinkStop();
}

static int pauseReasons = 0;

bool serialLinkPaused(int reasons) { return (pauseReasons & reasons) != 0; }

void pauseSerialLink(CCommPort& port, int reason) {
  const int before = pauseReasons;
  pauseReasons |= reason;
  if (before) return;
  const int wasOpen = port.isOpen();
  port.closePort(1);
  if (wasOpen) releaseAfterLinkStop();
}

void resumeSerialLink(CCommPort& port, int reason) {
  if (!pauseReasons) return;
  pauseReasons &= ~reason;
  if (!pauseReasons && !port.isOpen()) reopenSerialLink();
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
    if (!irdaSelected() && !serialLinkPaused()) port.openPort(settings.portName, baudIndex, 1);
  }
  // A failed open is retried; an open port or IrDA leaves nothing to retry.
  settleLinkRetry();
}

int trayStatusText(const CCommPort& port, wchar_t* buffer) {
  if (serialLinkPaused(PAUSE_HAND_OVER)) {
    loadText(IDS_SECURE_DESKTOP_STATUS, buffer, 128);
    return 0;
  }
  if (port.isOpen()) {
    wchar_t portName[MAX_PATH];
    widen(settings.portName, portName, MAX_PATH);
    formatText(buffer, 128, IDS_PORT_STATUS, portName, settings.baudRate);
    return 0;
  }
  const bool irda = irdaSelected();
  loadText(irda ? IDS_IRDA_STATUS : IDS_PLEASE_CONFIGURE, buffer, 128);
  return irda ? 0 : 1;
}

void updateTrayStatus(const CCommPort& port) {
  wchar_t tip[128];
  if (trayStatusText(port, tip)) {
    showWarning(IDS_UNABLE_TO_OPEN, settings.portName);
    // The retry may have opened the port while the warning showed.
    trayStatusText(port, tip);
  }
  showTrayText(tip);
}
