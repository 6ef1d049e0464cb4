// The IrDA link: a stream socket listener serving one connection at a time.
#pragma once

#include <winsock2.h>
#include <af_irda.h>
#include <windows.h>

#include "link_callbacks.h"

extern const SOCKADDR_IRDA IrdaServiceAddress;

class CIrDAServ {
public:
  // The address to bind; tests pass a loopback TCP address. The socket is
  // made in the address's own family.
  explicit CIrDAServ(const sockaddr* address = reinterpret_cast<const sockaddr*>(&IrdaServiceAddress),
                     int addressLength = sizeof(SOCKADDR_IRDA));
  ~CIrDAServ();

  // 1 when the socket is bound and the listener runs, else 0 with nothing
  // left open. While a listener thread is held (running or ended and not yet
  // stopped) it returns 0 and leaves it untouched.
  int startListener();
  // Stops the listener (serving messages sent to this thread meanwhile);
  // afterwards startListener may start it again.
  void stopListener();
  void setByteCallback(ByteCallback callback);
  void setStatusCallback(StatusCallback callback);

  virtual void run();

private:
  static DWORD WINAPI threadEntry(LPVOID self);
  int acceptConnection();
  int receiveUntilEnd();
  void reportStatus(int status);

  WSADATA wsaData;
  volatile SOCKET listenSocket;
  volatile SOCKET clientSocket;
  union {
    SOCKADDR_IRDA irda;
    sockaddr_storage any;
  } serviceAddress;
  int serviceAddressLength;
  char receiveBuffer[100];
  volatile LONG stopRequested;
  // 1 while stopListener runs.
  BYTE stopping;
  HANDLE listenerThread;
  ByteCallback volatile byteCallback;
  StatusCallback volatile statusCallback;
};
