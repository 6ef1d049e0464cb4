// The serial port link: one COM port, 8N1, read byte by byte on a worker.
#pragma once

#include <windows.h>

#include "link_callbacks.h"

extern const DWORD BaudRateTable[10];
extern const char* const BaudRateNames[10];
extern const char* const ComPortNames[16];

class CCommPort {
public:
  CCommPort();
  ~CCommPort();

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
  // Fields are filled in by the link's implementation.
};
