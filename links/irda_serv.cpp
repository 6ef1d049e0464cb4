// The IrDA link: binds the service, accepts one connection at a time on a
// listener thread and hands every received byte to the byte callback.
#include "irda_serv.h"

#include <string.h>

#include "link_stop.h"
#include "worker_stop.h"

const SOCKADDR_IRDA IrdaServiceAddress = {AF_IRDA, {0, 0, 0, 0}, "VeZIDED"};

namespace {

static_assert(sizeof(SOCKADDR_IRDA) == 32, "the IrDA service address has its Win32 size");

const DWORD StopBoundMs = 3000;

// Takes the socket out of its field, leaving INVALID_SOCKET, in one
// indivisible step: when the stopping thread and the listener's clean-up
// race, only the side that got the socket closes it.
SOCKET takeSocket(volatile SOCKET* field) {
  return reinterpret_cast<SOCKET>(InterlockedExchangePointer(
      reinterpret_cast<PVOID volatile*>(field), reinterpret_cast<PVOID>(INVALID_SOCKET)));
}

void closeListening(volatile SOCKET* field) {
  SOCKET taken = takeSocket(field);
  if (taken != INVALID_SOCKET) closesocket(taken);
}

void closeConnection(volatile SOCKET* field) {
  SOCKET taken = takeSocket(field);
  if (taken == INVALID_SOCKET) return;
  shutdown(taken, SD_BOTH);
  closesocket(taken);
}

}  // namespace

CIrDAServ::CIrDAServ(const sockaddr* address, int addressLength)
    : listenSocket(INVALID_SOCKET),
      clientSocket(INVALID_SOCKET),
      serviceAddressLength(0),
      stopRequested(0),
      stopping(0),
      listenerThread(INVALID_HANDLE_VALUE),
      byteCallback(0),
      statusCallback(0) {
  memset(&serviceAddress, 0, sizeof serviceAddress);
  memset(receiveBuffer, 0, sizeof receiveBuffer);
  if (address && addressLength > 0 && static_cast<size_t>(addressLength) <= sizeof serviceAddress) {
    memcpy(&serviceAddress, address, addressLength);
    serviceAddressLength = addressLength;
  }
  // A failure shows later: startListener cannot make its socket.
  WSAStartup(0x0002, &wsaData);
}

CIrDAServ::~CIrDAServ() {
  stopListener();
  WSACleanup();
}

void CIrDAServ::setByteCallback(ByteCallback callback) { byteCallback = callback; }

void CIrDAServ::setStatusCallback(StatusCallback callback) { statusCallback = callback; }

int CIrDAServ::startListener() {
  if (listenerThread != INVALID_HANDLE_VALUE || serviceAddressLength == 0) return 0;
  SOCKET bound = socket(serviceAddress.any.ss_family, SOCK_STREAM, 0);
  if (bound == INVALID_SOCKET) return 0;
  int reuse = 1;
  setsockopt(bound, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
  if (bind(bound, reinterpret_cast<const sockaddr*>(&serviceAddress), serviceAddressLength) ==
      SOCKET_ERROR) {
    closesocket(bound);
    return 0;
  }
  listenSocket = bound;
  HANDLE thread = CreateThread(0, 0, threadEntry, this, 0, 0);
  if (!thread) {
    closeListening(&listenSocket);
    return 0;
  }
  listenerThread = thread;
  return 1;
}

void CIrDAServ::stopListener() {
  // A stop asked for while this one waits for the listener (a message it
  // serves meanwhile) is left to this one.
  if (stopping) return;
  stopping = 1;
  InterlockedExchange(&stopRequested, 1);
  // Ends a pause the listener (or the other link) is in.
  beginLinkStop();
  // Closing the sockets wakes a listener blocked in accept or recv.
  closeConnection(&clientSocket);
  closeListening(&listenSocket);
  if (listenerThread != INVALID_HANDLE_VALUE) {
    endWorker(listenerThread, StopBoundMs);
    CloseHandle(listenerThread);
    listenerThread = INVALID_HANDLE_VALUE;
  }
  InterlockedExchange(&stopRequested, 0);
  endLinkStop();
  stopping = 0;
}

DWORD WINAPI CIrDAServ::threadEntry(LPVOID self) {
  static_cast<CIrDAServ*>(self)->run();
  return 0;
}

// A listen or accept that fails ends the listener as a failure of the link
// (restarting it is the program's business); while a stop is under way it is
// the stop closing the socket.
void CIrDAServ::run() {
  if (listenSocket == INVALID_SOCKET) return;
  if (listen(listenSocket, 1) == SOCKET_ERROR) {
    closeListening(&listenSocket);
    if (!stopRequested) reportStatus(LINK_FAILURE);
    return;
  }
  while (!stopRequested) {
    if (!acceptConnection()) {
      closeListening(&listenSocket);
      if (!stopRequested) reportStatus(LINK_FAILURE);
      return;
    }
    if (stopRequested) break;
    reportStatus(LINK_CONNECTED);
    int ending = receiveUntilEnd();
    if (stopRequested) break;
    if (ending != 0) {
      // The listener has ended by the time its failure is told: a peer that
      // calls after the report finds no one listening.
      closeConnection(&clientSocket);
      closeListening(&listenSocket);
      reportStatus(LINK_FAILURE);
      return;
    }
    reportStatus(LINK_DISCONNECTED);
    closeConnection(&clientSocket);
  }
  closeConnection(&clientSocket);
  closeListening(&listenSocket);
}

// Waits for the next peer and publishes its socket. The exchange is a full
// barrier, so either a concurrent stop finds the socket and closes it, or the
// caller's next look at stopRequested sees the stop.
int CIrDAServ::acceptConnection() {
  SOCKET accepted = accept(listenSocket, 0, 0);
  if (accepted == INVALID_SOCKET) return 0;
  InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&clientSocket),
                             reinterpret_cast<PVOID>(accepted));
  return 1;
}

// Delivers the connection's bytes until recv ends it; returns what ended it:
// 0 for an orderly close or a stop, SOCKET_ERROR for a failure. A stop is
// honoured between any two bytes, so a close need not wait for a burst.
int CIrDAServ::receiveUntilEnd() {
  for (;;) {
    int count = recv(clientSocket, receiveBuffer, sizeof receiveBuffer, 0);
    if (count <= 0) return count;
    for (int i = 0; i < count; i++) {
      if (stopRequested) return 0;
      ByteCallback callback = byteCallback;
      if (callback) callback(static_cast<unsigned char>(receiveBuffer[i]));
    }
  }
}

void CIrDAServ::reportStatus(int status) {
  StatusCallback callback = statusCallback;
  if (callback) callback(status);
}
