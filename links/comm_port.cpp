// The serial port link: opening and configuring the port, the reader thread
// and closing with or without putting the earlier settings back.
#include "comm_port.h"

#include <string.h>

#include "device_line.h"
#include "link_stop.h"
#include "worker_stop.h"

const DWORD BaudRateTable[10] = {110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
const char* const BaudRateNames[10] = {"110",  "300",   "1200",  "2400",  "4800",
                                       "9600", "19200", "38400", "57600", "115200"};

namespace {

const DWORD DcbLength = sizeof(DCB);

const DWORD LinkEventMask = EV_RXCHAR | EV_TXEMPTY | EV_CTS;
const DWORD QueueSize = 1024;
// The input queue holds what a device sends during the longest pause in its
// typing (5 s at 115200 baud, 8N1: 57,600 bytes), with room to spare.
const DWORD InputQueueSize = 65536;
// One read takes up to this much of what is queued: at least the driver's
// input queue, so that a wake-up empties it.
const DWORD ReadBufferSize = 4096;
const DWORD PurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
const DWORD StopBoundMs = 3000;
const size_t DevicePathSize = 20;
const size_t PortNameLimit = 15;

}  // namespace

CCommPort::CCommPort()
    : byteCallback(0),
      statusCallback(0),
      portHandle(0),
      savedEventMask(0),
      savedTxQueueSize(0),
      savedRxQueueSize(0),
      opened(0),
      stopRequested(0),
      readerThread(0),
      stopEvent(0),
      readerFailure(0),
      closing(0),
      stateSaved(0) {
  memset(&commOverlapped, 0, sizeof commOverlapped);
  memset(&savedTimeouts, 0, sizeof savedTimeouts);
  memset(&savedDcb, 0, sizeof savedDcb);
  memset(savedPortName, 0, sizeof savedPortName);
}

CCommPort::~CCommPort() {
  if (opened) closePort(1);
}

int CCommPort::portCount() { return 16; }

int CCommPort::baudToIndex(int rate) {
  for (int i = 0; i < 10; i++)
    if (rate == static_cast<int>(BaudRateTable[i])) return i;
  return 5;
}

int CCommPort::isOpen() const { return opened; }

int CCommPort::readerFailed() const { return readerFailure != 0; }

void CCommPort::setByteCallback(ByteCallback callback) { byteCallback = callback; }

void CCommPort::setStatusCallback(StatusCallback callback) { statusCallback = callback; }

int CCommPort::openPort(const char* portName, int baudIndex, int startReader) {
  // A port already open (or failed and not yet closed) is left exactly as it is.
  if (portHandle) return 0;
  if (!portName || baudIndex < 0 || baudIndex > 9) return 0;

  char path[DevicePathSize];
  memset(path, 0, sizeof path);
  memcpy(path, "\\\\.\\", 4);
  strncat(path, portName, PortNameLimit);

  HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, 0, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, 0);
  if (handle == INVALID_HANDLE_VALUE) {
    portHandle = 0;
    return 0;
  }
  portHandle = handle;
  if (!createPortEvents()) {
    CloseHandle(portHandle);
    portHandle = 0;
    return 0;
  }
  InterlockedExchange(&readerFailure, 0);
  saveStateOnce(portName);
  SetCommMask(portHandle, LinkEventMask);
  SetupComm(portHandle, InputQueueSize, QueueSize);
  if (!configureLine(baudIndex) || (startReader && !startReaderThread())) {
    // The earlier settings are deliberately not put back on this path.
    CloseHandle(portHandle);
    portHandle = 0;
    closePortEvents();
    return 0;
  }
  opened = 1;
  return 1;
}

int CCommPort::startReaderThread() {
  // Bytes that arrived before the reader starts are discarded here, before
  // the open reports success, rather than by the reader itself: a reader
  // that got going late would also throw away what the device sent after it
  // saw the port open.
  PurgeComm(portHandle, PurgeAll);
  readerThread = CreateThread(0, 0, threadEntry, this, 0, 0);
  return readerThread != 0;
}

int CCommPort::createPortEvents() {
  memset(&commOverlapped, 0, sizeof commOverlapped);
  commOverlapped.hEvent = CreateEventA(0, TRUE, FALSE, 0);
  if (!commOverlapped.hEvent) return 0;
  stopEvent = CreateEventA(0, TRUE, FALSE, 0);
  if (!stopEvent) {
    CloseHandle(commOverlapped.hEvent);
    commOverlapped.hEvent = 0;
    return 0;
  }
  return 1;
}

void CCommPort::closePortEvents() {
  CloseHandle(commOverlapped.hEvent);
  commOverlapped.hEvent = 0;
  CloseHandle(stopEvent);
  stopEvent = 0;
}

// The settings to restore are those the port had before this program first
// opened it: a reopen after a failure finds the program's own settings on
// the line, and keeps the ones saved at the first open.
void CCommPort::saveStateOnce(const char* portName) {
  if (stateSaved && lstrcmpiA(savedPortName, portName) == 0) return;
  saveState();
  lstrcpynA(savedPortName, portName, sizeof savedPortName);
  stateSaved = 1;
}

void CCommPort::saveState() {
  COMMPROP properties;
  memset(&properties, 0, sizeof properties);
  GetCommProperties(portHandle, &properties);
  savedTxQueueSize = properties.dwCurrentTxQueue;
  savedRxQueueSize = properties.dwCurrentRxQueue;
  GetCommMask(portHandle, &savedEventMask);
  GetCommTimeouts(portHandle, &savedTimeouts);
  savedDcb.DCBlength = DcbLength;
  GetCommState(portHandle, &savedDcb);
}

int CCommPort::configureLine(int baudIndex) {
  // Reads return at once with whatever has arrived.
  COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0};
  if (!SetCommTimeouts(portHandle, &timeouts)) return 0;

  DCB dcb;
  memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = DcbLength;
  GetCommState(portHandle, &dcb);
  setDeviceLine(dcb, BaudRateTable[baudIndex]);
  return SetCommState(portHandle, &dcb) ? 1 : 0;
}

void CCommPort::changeBaud(int baudIndex) {
  if (!portHandle || baudIndex < 0 || baudIndex > 9) return;
  DCB dcb;
  memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = DcbLength;
  GetCommState(portHandle, &dcb);
  dcb.BaudRate = BaudRateTable[baudIndex];
  SetCommState(portHandle, &dcb);
}

void CCommPort::closePort(int restore) {
  // A close asked for while this one waits for the reader (a message it
  // serves meanwhile) is left to this one, which finishes it.
  if (!portHandle || closing) return;
  closing = 1;
  if (readerThread) stopReader();
  if (restore) {
    restoreState();
    // Once put back, the settings on the line are the earlier ones again.
    stateSaved = 0;
  }
  CloseHandle(portHandle);
  portHandle = 0;
  opened = 0;
  closePortEvents();
  // Whatever the stopped reader reported belongs to a port that is gone.
  InterlockedExchange(&readerFailure, 0);
  closing = 0;
}

void CCommPort::stopReader() {
  InterlockedExchange(&stopRequested, 1);
  // Ends a pause the reader (or the other link) is in.
  beginLinkStop();
  // An empty mask completes a pending event wait; the stop event also wakes
  // a reader waiting for a read.
  SetCommMask(portHandle, 0);
  SetEvent(stopEvent);
  endWorker(readerThread, StopBoundMs);
  CloseHandle(readerThread);
  readerThread = 0;
  ResetEvent(stopEvent);
  InterlockedExchange(&stopRequested, 0);
  endLinkStop();
}

void CCommPort::restoreState() {
  PurgeComm(portHandle, PurgeAll);
  SetupComm(portHandle, savedRxQueueSize, savedTxQueueSize);
  SetCommMask(portHandle, savedEventMask);
  SetCommTimeouts(portHandle, &savedTimeouts);
  SetCommState(portHandle, &savedDcb);
}

DWORD WINAPI CCommPort::threadEntry(LPVOID self) {
  static_cast<CCommPort*>(self)->run();
  return 0;
}

void CCommPort::run() {
  if (!portHandle) return;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  BYTE buffer[ReadBufferSize];
  // Bytes may have arrived since the open discarded the earlier ones and
  // before the first wait could see them: take them first.
  if (!readBurst(buffer)) return;
  while (!stopRequested) {
    DWORD mask = 0;
    if (!WaitCommEvent(portHandle, &mask, &commOverlapped)) {
      if (GetLastError() != ERROR_IO_PENDING) {
        reportFailure();
        return;
      }
      if (!awaitOverlapped()) return;
      ResetEvent(commOverlapped.hEvent);
    }
    if (mask == 0) {
      // An empty mask is how a close wakes the wait; otherwise the port failed.
      if (!stopRequested) reportFailure();
      return;
    }
    if ((mask & EV_RXCHAR) && !readBurst(buffer)) return;
  }
}

// Waits for the overlapped call in flight to finish. Returns 1 when it did;
// 0 when a stop was requested first, after cancelling the call, so that it
// no longer writes into the reader's buffers.
int CCommPort::awaitOverlapped() {
  HANDLE wakers[2] = {commOverlapped.hEvent, stopEvent};
  if (WaitForMultipleObjects(2, wakers, FALSE, INFINITE) == WAIT_OBJECT_0) return 1;
  CancelIo(portHandle);
  DWORD ignored;
  GetOverlappedResult(portHandle, &commOverlapped, &ignored, TRUE);
  return 0;
}

// Reads what is queued, one read per round, and delivers it byte by byte
// until a read brings nothing. A read reported as pending still owns the
// bytes it completes with, so it is waited for and its bytes delivered
// before anything else is read or waited for. Returns 0 when a stop ended
// the burst.
int CCommPort::readBurst(BYTE* buffer) {
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(portHandle, buffer, queuedByteCount(), &count, &commOverlapped)) {
      if (GetLastError() != ERROR_IO_PENDING) return 1;
      if (!awaitOverlapped()) return 0;
      if (!GetOverlappedResult(portHandle, &commOverlapped, &count, FALSE)) return 1;
    }
    if (count == 0) return 1;
    if (!deliverBytes(buffer, count)) return 0;
  }
}

// How much the next read asks for: all that the driver holds, as much as the
// buffer takes. One byte when the driver cannot tell or holds nothing: that
// read brings what arrived in the meantime or nothing (Wine leaves it
// pending until the next byte, which readBurst waits for like any other).
DWORD CCommPort::queuedByteCount() {
  DWORD errors = 0;
  COMSTAT status;
  memset(&status, 0, sizeof status);
  if (!ClearCommError(portHandle, &errors, &status) || status.cbInQue == 0) return 1;
  return status.cbInQue < ReadBufferSize ? status.cbInQue : ReadBufferSize;
}

// Hands the bytes over one by one and in order; a stop request is honoured
// between any two of them, so a close need not wait for a long burst.
// Returns 0 when it stopped.
int CCommPort::deliverBytes(const BYTE* bytes, DWORD count) {
  for (DWORD i = 0; i < count; i++) {
    if (stopRequested) return 0;
    ByteCallback callback = byteCallback;
    if (callback) callback(bytes[i]);
  }
  return 1;
}

// A failing wait during a stop that was asked for is the stop itself (the
// close cleared the event mask), not a failure of the line.
void CCommPort::reportFailure() {
  if (stopRequested) return;
  InterlockedExchange(&readerFailure, 1);
  StatusCallback callback = statusCallback;
  if (callback) callback(LINK_FAILURE);
}
