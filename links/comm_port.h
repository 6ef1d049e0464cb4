// The serial port link: one COM port, 8N1, read byte by byte on a worker.
#pragma once

#include <windows.h>

#include "link_callbacks.h"
#include "port_names.h"

extern const DWORD BaudRateTable[10];
extern const char* const BaudRateNames[10];

// Receives only: nothing in the program sends to the device, so the link
// has no transmit queue.
class CCommPort {
public:
  CCommPort();
  ~CCommPort();

  // 1 when the port is open and configured (and its reader runs when asked
  // for); 0 on any failure. While a port is already open it returns 0 and
  // leaves that port, its settings and its reader untouched.
  int openPort(const char* portName, int baudIndex, int startReader);
  void changeBaud(int baudIndex);
  void closePort(int restore);
  int isOpen() const;
  void setByteCallback(ByteCallback callback);
  void setStatusCallback(StatusCallback callback);
  static int portCount();
  static int baudToIndex(int rate);

  virtual void run();

private:
  static DWORD WINAPI threadEntry(LPVOID self);
  int createPortEvents();
  void closePortEvents();
  void saveState();
  int configureLine(int baudIndex);
  int startReaderThread();
  void stopReader();
  void restoreState();
  int awaitOverlapped();
  int readBurst();
  void deliverByte(BYTE value);
  void reportFailure();

  ByteCallback volatile byteCallback;
  StatusCallback volatile statusCallback;
  HANDLE portHandle;
  OVERLAPPED commOverlapped;
  COMMTIMEOUTS savedTimeouts;
  DCB savedDcb;
  DWORD savedEventMask;
  DWORD savedTxQueueSize;
  DWORD savedRxQueueSize;
  BYTE opened;
  volatile LONG stopRequested;
  HANDLE readerThread;
  // Signalled by closePort next to stopRequested: wakes a reader that waits
  // for a read to complete, which clearing the event mask does not.
  HANDLE stopEvent;
};
