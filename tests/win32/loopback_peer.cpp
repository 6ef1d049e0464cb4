#include "loopback_peer.h"

#include <string.h>

SocketLibrary::SocketLibrary() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}

SocketLibrary::~SocketLibrary() { WSACleanup(); }

sockaddr_in freeLoopbackAddress() {
  sockaddr_in address;
  memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
  int length = sizeof address;
  if (probe != INVALID_SOCKET && bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(probe);
  return address;
}

SOCKET connectPeer(const sockaddr_in& address, DWORD retryMs) {
  DWORD start = GetTickCount();
  for (;;) {
    SOCKET peer = socket(AF_INET, SOCK_STREAM, 0);
    if (peer == INVALID_SOCKET) return peer;
    if (connect(peer, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return peer;
    closesocket(peer);
    if (GetTickCount() - start >= retryMs) return INVALID_SOCKET;
    Sleep(5);
  }
}

int sendAll(SOCKET peer, const char* data, int size) {
  while (size > 0) {
    int sent = send(peer, data, size, 0);
    if (sent <= 0) return 0;
    data += sent;
    size -= sent;
  }
  return 1;
}

void closePeer(SOCKET peer) {
  shutdown(peer, SD_SEND);
  closesocket(peer);
}

void resetPeer(SOCKET peer) {
  linger abortive = {1, 0};
  setsockopt(peer, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof abortive);
  closesocket(peer);
}
