// The serial port link: one COM port, 8N1, read on a worker that hands the
// bytes over one by one.
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
  // Stops the reader (serving messages sent to this thread meanwhile) and
  // closes the port; restore puts back the settings the port had before this
  // program first opened it in this run.
  void closePort(int restore);
  int isOpen() const;
  // 1 when the reader of the port as it is now has reported a failure;
  // cleared by every open and close, so a report that was under way while
  // the port was closed or replaced can be told from a current one.
  int readerFailed() const;
  void setByteCallback(ByteCallback callback);
  void setStatusCallback(StatusCallback callback);
  static int portCount();
  static int baudToIndex(int rate);

  virtual void run();

private:
  static DWORD WINAPI threadEntry(LPVOID self);
  int createPortEvents();
  void closePortEvents();
  void saveStateOnce(const char* portName);
  void saveState();
  int configureLine(int baudIndex);
  int startReaderThread();
  void stopReader();
  void restoreState();
  int awaitOverlapped();
  int readBurst(BYTE* buffer);
  DWORD queuedByteCount();
  int deliverBytes(const BYTE* bytes, DWORD count);
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
  volatile LONG readerFailure;
  // 1 while closePort runs.
  BYTE closing;
  // The port whose earlier settings are saved; stateSaved is 0 when none is.
  char savedPortName[16];
  BYTE stateSaved;
};
