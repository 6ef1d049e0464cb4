// First: the links need winsock2.h ahead of windows.h.
#include "link_objects.h"

#include "configure_search.h"


#include "../links/comm_port.h"
#include "../links/port_search.h"
#include "../res/resource.h"
#include "configure_dialog.h"
#include "link_settings.h"
#include "messages.h"
#include "settings.h"
#include "ui_language.h"

namespace {

const DWORD SearchBoundMs = 20000;

bool searching = false;
HWND searchDialog = nullptr;
// Reports of a search stopped since are still queued: each carries the
// number of its search, and only the current one's count.
volatile LONG searchNumber = 0;
// Written by the search's worker before it posts its report.
const char* volatile reportedPort = nullptr;
volatile unsigned reportedRate = 0;

void postReport(int event, const char* port, unsigned rate) {
  if (port) reportedPort = port;
  reportedRate = rate;
  PostMessageA(searchDialog, MSG_SEARCH_REPORT, event, searchNumber);
}

// String textId, formatted with the port (%1) and the rate (%2) where it
// names them.
void showStatus(HWND dialog, int textId) {
  wchar_t port[MAX_PATH], text[512];
  widen(reportedPort, port, MAX_PATH);
  formatText(text, 512, textId, port, reportedRate);
  SetDlgItemTextW(dialog, IDC_SEARCH_STATUS, text);
}

void showButtonText(HWND dialog, int textId) {
  wchar_t text[64];
  loadText(textId, text, 64);
  SetDlgItemTextW(dialog, IDC_FIND, text);
}

// Every port the list offers; IrDA is not a serial port.
int listedPorts(HWND dialog, const char** ports) {
  int count = 0;
  const LRESULT entries = SendDlgItemMessageA(dialog, IDC_PORT, CB_GETCOUNT, 0, 0);
  for (LRESULT entry = 0; entry < entries && count < ComPortNameCount; ++entry) {
    const char* port = reinterpret_cast<const char*>(SendDlgItemMessageA(dialog, IDC_PORT, CB_GETITEMDATA, entry, 0));
    if (port && port != IrdaPortName) ports[count++] = port;
  }
  return count;
}

void endSearch(HWND dialog) {
  stopPortSearch();
  searching = false;
  resumeSerialLink(commPort, PAUSE_FIND_DEVICE);
  showButtonText(dialog, IDS_FIND_DEVICE);
}

void startSearch(HWND dialog) {
  const char* ports[ComPortNameCount];
  const int count = listedPorts(dialog, ports);
  // The search reads the selected port too: the link lets go of it first.
  pauseSerialLink(commPort, PAUSE_FIND_DEVICE);
  searchDialog = dialog;
  InterlockedIncrement(&searchNumber);
  reportedPort = nullptr;
  if (!startPortSearch(ports, count, selectedRate(dialog), SearchBoundMs, postReport)) {
    resumeSerialLink(commPort, PAUSE_FIND_DEVICE);
    showStatus(dialog, IDS_SEARCH_NOT_STARTED);
    return;
  }
  searching = true;
  showButtonText(dialog, IDS_STOP_FINDING);
  showStatus(dialog, IDS_SEARCH_LISTENING);
}

}  // namespace

void findClicked(HWND dialog) {
  if (!searching) {
    startSearch(dialog);
    return;
  }
  endSearch(dialog);
  showStatus(dialog, IDS_SEARCH_STOPPED);
}

// The port found is selected, and the rate where one was told; nothing is
// stored until OK.
void onSearchReport(HWND dialog, WPARAM event, LPARAM search) {
  if (!searching || search != searchNumber) return;
  if (event != SEARCH_FOUND) endSearch(dialog);
  if (reportedPort) selectPortEntry(dialog, reportedPort);
  switch (event) {
    case SEARCH_FOUND: showStatus(dialog, IDS_SEARCH_FOUND); break;
    case SEARCH_RATE_FOUND:
      selectRate(dialog, reportedRate);
      showStatus(dialog, IDS_SEARCH_RATE);
      break;
    case SEARCH_RATE_UNKNOWN: showStatus(dialog, IDS_SEARCH_RATE_UNKNOWN); break;
    case SEARCH_SILENT: showStatus(dialog, IDS_SEARCH_SILENT); break;
    case SEARCH_NO_PORTS: showStatus(dialog, IDS_SEARCH_NO_PORTS); break;
  }
}

void stopFinding(HWND dialog) {
  if (searching) endSearch(dialog);
}
