#include "app_doubles.h"

#include <stdio.h>
#include <string.h>

#include "../../links/comm_port.h"
#include "../../links/irda_serv.h"

std::vector<std::string> linkCalls;
int nextOpenResult = 1;
int nextStartResult = 1;
int portIsOpen = 0;
std::vector<TrayCall> trayCalls;
std::vector<std::string> helpPagesOpened;

void resetDoubles() {
  helpPagesOpened.clear();
  linkCalls.clear();
  nextOpenResult = 1;
  nextStartResult = 1;
  portIsOpen = 0;
  trayCalls.clear();
}

// The port names come from the links library's own table (port_names.cpp):
// selections are compared by pointer, so there must be only one copy.
const DWORD BaudRateTable[10] = {110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
const char* const BaudRateNames[10] = {"110", "300", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
const SOCKADDR_IRDA IrdaServiceAddress = {AF_IRDA, {0, 0, 0, 0}, "VeZIDED"};

CCommPort::CCommPort() {}
CCommPort::~CCommPort() {}

int CCommPort::openPort(const char* portName, int baudIndex, int startReader) {
  char call[64];
  snprintf(call, sizeof call, "openPort(%s,%d,%d)", portName, baudIndex, startReader);
  linkCalls.push_back(call);
  return nextOpenResult;
}

void CCommPort::changeBaud(int baudIndex) { linkCalls.push_back("changeBaud(" + std::to_string(baudIndex) + ")"); }
void CCommPort::closePort(int restore) { linkCalls.push_back("closePort(" + std::to_string(restore) + ")"); }
int CCommPort::isOpen() const { return portIsOpen; }
void CCommPort::setByteCallback(ByteCallback) {}
void CCommPort::setStatusCallback(StatusCallback) {}
int CCommPort::portCount() { return 16; }

int CCommPort::baudToIndex(int rate) {
  for (int i = 0; i < 10; ++i)
    if (BaudRateTable[i] == static_cast<DWORD>(rate)) return i;
  return -1;
}

void CCommPort::run() {}

CIrDAServ::CIrDAServ(const sockaddr*, int) {}
CIrDAServ::~CIrDAServ() {}

int CIrDAServ::startListener() {
  linkCalls.push_back("startListener");
  return nextStartResult;
}

void CIrDAServ::stopListener() { linkCalls.push_back("stopListener"); }
void CIrDAServ::setByteCallback(ByteCallback) {}
void CIrDAServ::setStatusCallback(StatusCallback) {}
void CIrDAServ::run() {}

// Writing the page and starting a browser belong to the help page's tests.
void openHelpPage(const char* productName) { helpPagesOpened.push_back(productName); }

// The program calls the shell through its import table; this definition of
// the import slot takes the place of the one in the import library, so every
// call lands here and no real tray is involved.
static BOOL WINAPI recordNotifyIcon(DWORD operation, PNOTIFYICONDATAA record) {
  TrayCall call;
  call.operation = operation;
  memcpy(&call.record, record, sizeof call.record);
  trayCalls.push_back(call);
  return TRUE;
}

#ifdef _WIN64
#define NOTIFY_ICON_IMPORT "__imp_Shell_NotifyIconA"
#else
#define NOTIFY_ICON_IMPORT "__imp__Shell_NotifyIconA@8"
#endif
extern "C" BOOL(WINAPI* notifyIconImport)(DWORD, PNOTIFYICONDATAA) asm(NOTIFY_ICON_IMPORT);
BOOL(WINAPI* notifyIconImport)(DWORD, PNOTIFYICONDATAA) = recordNotifyIcon;
