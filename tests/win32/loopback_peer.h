// A peer for the IrDA listener over loopback TCP: the listener binds a
// loopback address in place of the IrDA service, and the test connects to it.
#pragma once

#include <winsock2.h>

// Socket library started for the lifetime of the object.
struct SocketLibrary {
  SocketLibrary();
  ~SocketLibrary();
};

// A loopback address on a port that was free a moment ago.
sockaddr_in freeLoopbackAddress();

// Connects to the address; INVALID_SOCKET when refused. The listener
// listens only once its thread runs, so a refusal is retried for retryMs.
SOCKET connectPeer(const sockaddr_in& address, DWORD retryMs = 2000);
int sendAll(SOCKET peer, const char* data, int size);
// Orderly close: the listener's recv returns 0.
void closePeer(SOCKET peer);
// Abortive close: the listener's recv fails.
void resetPeer(SOCKET peer);
