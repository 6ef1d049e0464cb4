#include "comm_faults.h"

#include <winsock2.h>
#include <windows.h>

namespace {

volatile LONG activeFault = NO_COMM_FAULT;
volatile LONG lastInputQueue = 0;
volatile LONG overlappedReads = 0;
volatile LONG errorFreeRate = 0;

template <typename Function>
Function systemCall(const char* name, const char* library = "kernel32.dll") {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(library), name)));
}

// True, with the system's error set, when calls of this kind are to fail.
bool failing(CommFault fault, DWORD error = ERROR_GEN_FAILURE) {
  if (activeFault != fault) return false;
  SetLastError(error);
  return true;
}

BOOL WINAPI setCommTimeoutsStandIn(HANDLE port, LPCOMMTIMEOUTS timeouts) {
  if (failing(FAIL_SET_COMM_TIMEOUTS)) return FALSE;
  static BOOL(WINAPI * real)(HANDLE, LPCOMMTIMEOUTS) = systemCall<BOOL(WINAPI*)(HANDLE, LPCOMMTIMEOUTS)>("SetCommTimeouts");
  return real(port, timeouts);
}

BOOL WINAPI setCommStateStandIn(HANDLE port, LPDCB dcb) {
  if (failing(FAIL_SET_COMM_STATE)) return FALSE;
  static BOOL(WINAPI * real)(HANDLE, LPDCB) = systemCall<BOOL(WINAPI*)(HANDLE, LPDCB)>("SetCommState");
  return real(port, dcb);
}

BOOL WINAPI setupCommStandIn(HANDLE port, DWORD inputQueue, DWORD outputQueue) {
  InterlockedExchange(&lastInputQueue, static_cast<LONG>(inputQueue));
  static BOOL(WINAPI * real)(HANDLE, DWORD, DWORD) = systemCall<BOOL(WINAPI*)(HANDLE, DWORD, DWORD)>("SetupComm");
  return real(port, inputQueue, outputQueue);
}

BOOL WINAPI readFileStandIn(HANDLE file, LPVOID buffer, DWORD size, LPDWORD count, LPOVERLAPPED overlapped) {
  if (overlapped) InterlockedIncrement(&overlappedReads);
  static BOOL(WINAPI * real)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) =
      systemCall<BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED)>("ReadFile");
  return real(file, buffer, size, count, overlapped);
}

BOOL WINAPI clearCommErrorStandIn(HANDLE port, LPDWORD errors, LPCOMSTAT status) {
  static BOOL(WINAPI * real)(HANDLE, LPDWORD, LPCOMSTAT) =
      systemCall<BOOL(WINAPI*)(HANDLE, LPDWORD, LPCOMSTAT)>("ClearCommError");
  COMSTAT queued = {};
  if (!real(port, errors, &queued)) return FALSE;
  if (status) *status = queued;
  DCB line = {};
  line.DCBlength = sizeof line;
  if (errorFreeRate && errors && queued.cbInQue && GetCommState(port, &line) &&
      line.BaudRate != static_cast<DWORD>(errorFreeRate))
    *errors |= CE_FRAME;
  return TRUE;
}

SOCKET WINAPI acceptStandIn(SOCKET listening, sockaddr* address, int* length) {
  if (failing(FAIL_ACCEPT, WSAENETDOWN)) return INVALID_SOCKET;
  static SOCKET(WINAPI * real)(SOCKET, sockaddr*, int*) =
      systemCall<SOCKET(WINAPI*)(SOCKET, sockaddr*, int*)>("accept", "ws2_32.dll");
  return real(listening, address, length);
}

}  // namespace

unsigned long lastSetupCommInputQueue() { return static_cast<unsigned long>(lastInputQueue); }

unsigned long overlappedReadCount() { return static_cast<unsigned long>(overlappedReads); }

void setCommFault(CommFault fault) { InterlockedExchange(&activeFault, fault); }

void setLineErrorsExceptAt(unsigned rate) { InterlockedExchange(&errorFreeRate, static_cast<LONG>(rate)); }

// The link calls kernel32 through its import slots; defining the slots here
// takes the place of the import library's, so every call lands above.
#ifdef _WIN64
#define SET_COMM_TIMEOUTS_IMPORT "__imp_SetCommTimeouts"
#define SET_COMM_STATE_IMPORT "__imp_SetCommState"
#define SETUP_COMM_IMPORT "__imp_SetupComm"
#define READ_FILE_IMPORT "__imp_ReadFile"
#define ACCEPT_IMPORT "__imp_accept"
#define CLEAR_COMM_ERROR_IMPORT "__imp_ClearCommError"
#else
#define SET_COMM_TIMEOUTS_IMPORT "__imp__SetCommTimeouts@8"
#define SET_COMM_STATE_IMPORT "__imp__SetCommState@8"
#define SETUP_COMM_IMPORT "__imp__SetupComm@12"
#define READ_FILE_IMPORT "__imp__ReadFile@20"
#define ACCEPT_IMPORT "__imp__accept@12"
#define CLEAR_COMM_ERROR_IMPORT "__imp__ClearCommError@12"
#endif
extern "C" BOOL(WINAPI* setCommTimeoutsImport)(HANDLE, LPCOMMTIMEOUTS) asm(SET_COMM_TIMEOUTS_IMPORT);
BOOL(WINAPI* setCommTimeoutsImport)(HANDLE, LPCOMMTIMEOUTS) = setCommTimeoutsStandIn;
extern "C" BOOL(WINAPI* setCommStateImport)(HANDLE, LPDCB) asm(SET_COMM_STATE_IMPORT);
BOOL(WINAPI* setCommStateImport)(HANDLE, LPDCB) = setCommStateStandIn;
extern "C" BOOL(WINAPI* setupCommImport)(HANDLE, DWORD, DWORD) asm(SETUP_COMM_IMPORT);
BOOL(WINAPI* setupCommImport)(HANDLE, DWORD, DWORD) = setupCommStandIn;
extern "C" BOOL(WINAPI* readFileImport)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) asm(READ_FILE_IMPORT);
BOOL(WINAPI* readFileImport)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) = readFileStandIn;
extern "C" SOCKET(WINAPI* acceptImport)(SOCKET, sockaddr*, int*) asm(ACCEPT_IMPORT);
SOCKET(WINAPI* acceptImport)(SOCKET, sockaddr*, int*) = acceptStandIn;
extern "C" BOOL(WINAPI* clearCommErrorImport)(HANDLE, LPDWORD, LPCOMSTAT) asm(CLEAR_COMM_ERROR_IMPORT);
BOOL(WINAPI* clearCommErrorImport)(HANDLE, LPDWORD, LPCOMSTAT) = clearCommErrorStandIn;
