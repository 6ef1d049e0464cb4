// The IrDA link: a stream socket listener serving one connection at a time.
#pragma once

#include <winsock2.h>
#include <af_irda.h>
#include <windows.h>

#include "link_callbacks.h"

extern const SOCKADDR_IRDA IrdaServiceAddress;

class CIrDAServ {
public:
  // The address to bind; tests pass a loopback TCP address.
  explicit CIrDAServ(const sockaddr* address = reinterpret_cast<const sockaddr*>(&IrdaServiceAddress),
                     int addressLength = sizeof(SOCKADDR_IRDA));
  ~CIrDAServ();

  int startListener();
  void stopListener();
  void setByteCallback(ByteCallback callback);
  void setStatusCallback(StatusCallback callback);

  virtual void run();

private:
  static DWORD WINAPI threadEntry(LPVOID self);
  // Fields are filled in by the link's implementation.
};
