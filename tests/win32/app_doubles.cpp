#include "app_doubles.h"

#include <stdio.h>
#include <string.h>

#include "../../links/comm_port.h"
#include "../../links/irda_serv.h"

std::vector<std::string> linkCalls;
std::function<void(const std::string&)> onDoubleCall;
int nextOpenResult = 1;
int nextStartResult = 1;
int portIsOpen = 0;
int portReaderFailed = 1;
std::vector<TrayCall> trayCalls;
std::vector<std::string> helpPagesOpened;

void resetDoubles() {
  helpPagesOpened.clear();
  linkCalls.clear();
  onDoubleCall = nullptr;
  nextOpenResult = 1;
  nextStartResult = 1;
  portIsOpen = 0;
  portReaderFailed = 1;
  trayCalls.clear();
}

// The port names come from the links library's own table (port_names.cpp):
// selections are compared by pointer, so there must be only one copy.
const DWORD BaudRateTable[10] = {110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
const char* const BaudRateNames[10] = {"110", "300", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
const SOCKADDR_IRDA IrdaServiceAddress = {AF_IRDA, {0, 0, 0, 0}, "VeZIDED"};

static void recordLinkCall(const std::string& call) {
  linkCalls.push_back(call);
  if (onDoubleCall) onDoubleCall(call);
}

static std::string callbackCall(const char* name, bool set) {
  return std::string(name) + (set ? "(set)" : "(null)");
}

CCommPort::CCommPort() {}
CCommPort::~CCommPort() {}

int CCommPort::openPort(const char* portName, int baudIndex, int startReader) {
  char call[64];
  snprintf(call, sizeof call, "openPort(%s,%d,%d)", portName, baudIndex, startReader);
  recordLinkCall(call);
  portReaderFailed = 0;
  if (nextOpenResult) portIsOpen = 1;
  return nextOpenResult;
}

void CCommPort::changeBaud(int baudIndex) { recordLinkCall("changeBaud(" + std::to_string(baudIndex) + ")"); }
void CCommPort::closePort(int restore) {
  recordLinkCall("closePort(" + std::to_string(restore) + ")");
  portReaderFailed = 0;
  portIsOpen = 0;
}
int CCommPort::isOpen() const { return portIsOpen; }
int CCommPort::readerFailed() const { return portReaderFailed; }
void CCommPort::setByteCallback(ByteCallback callback) { recordLinkCall(callbackCall("serialBytes", callback)); }
void CCommPort::setStatusCallback(StatusCallback callback) { recordLinkCall(callbackCall("serialStatus", callback)); }
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
  recordLinkCall("startListener");
  return nextStartResult;
}

void CIrDAServ::stopListener() { recordLinkCall("stopListener"); }
void CIrDAServ::setByteCallback(ByteCallback callback) { recordLinkCall(callbackCall("irdaBytes", callback)); }
void CIrDAServ::setStatusCallback(StatusCallback callback) { recordLinkCall(callbackCall("irdaStatus", callback)); }
void CIrDAServ::run() {}

// Writing the page and starting a browser belong to the help page's tests.
void openHelpPage(const char* productName) { helpPagesOpened.push_back(productName); }

// The program calls the shell through its import table; this definition of
// the import slot takes the place of the one in the import library, so every
// call lands here and no real tray is involved.
static BOOL WINAPI recordNotifyIcon(DWORD operation, PNOTIFYICONDATAW record) {
  TrayCall call;
  call.operation = operation;
  memcpy(&call.record, record, sizeof call.record);
  trayCalls.push_back(call);
  static const char* const names[] = {"tray add", "tray modify", "tray delete"};
  if (onDoubleCall && operation <= NIM_DELETE) onDoubleCall(names[operation]);
  return TRUE;
}

// Wine has no Restart Manager: the registration is recorded as a call.
static HRESULT WINAPI recordRestartRegistration(PCWSTR commandLine, DWORD flags) {
  if (onDoubleCall)
    onDoubleCall("restart(" + std::string(commandLine ? "args" : "no args") + "," + std::to_string(flags) + ")");
  return S_OK;
}

#ifdef _WIN64
#define NOTIFY_ICON_IMPORT "__imp_Shell_NotifyIconW"
#define RESTART_IMPORT "__imp_RegisterApplicationRestart"
#else
#define NOTIFY_ICON_IMPORT "__imp__Shell_NotifyIconW@8"
#define RESTART_IMPORT "__imp__RegisterApplicationRestart@8"
#endif
extern "C" BOOL(WINAPI* notifyIconImport)(DWORD, PNOTIFYICONDATAW) asm(NOTIFY_ICON_IMPORT);
BOOL(WINAPI* notifyIconImport)(DWORD, PNOTIFYICONDATAW) = recordNotifyIcon;
extern "C" HRESULT(WINAPI* restartImport)(PCWSTR, DWORD) asm(RESTART_IMPORT);
HRESULT(WINAPI* restartImport)(PCWSTR, DWORD) = recordRestartRegistration;

std::string narrow(const wchar_t* text) {
  char utf8[1024];
  if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr)) return "";
  return utf8;
}
