// Measures the serial link under the serial bench (tools/serial-bench.sh):
// the time from a byte written into the line to its byte callback, the CPU
// time the process spends while the reader waits, and the same latency for a
// bare blocking reader written only for comparison.
//
//   tools/serial-bench.sh build/win64/modem-shim build/win64/bin/link_latency.exe [bytes]
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "comm_port.h"

namespace {

const DWORD ArrivalBoundMs = 2000;
const DWORD IdleMs = 10000;
const BYTE EndByte = 0xFF;

HANDLE arrived;
LARGE_INTEGER arrivalTime;
volatile LONG arrivals;

void stampArrival(int) {
  QueryPerformanceCounter(&arrivalTime);
  InterlockedIncrement(&arrivals);
  SetEvent(arrived);
}

double ticksToMicroseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return ticks * 1e6 / frequency.QuadPart;
}

HANDLE openPeer() {
  const char* peer = getenv("TAVRIN_SERIAL_PEER");
  return peer ? CreateFileA(peer, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0)
              : INVALID_HANDLE_VALUE;
}

int writeByte(HANDLE peer, BYTE value) {
  DWORD written = 0;
  return WriteFile(peer, &value, 1, &written, 0) && written == 1;
}

// Writes a byte until one arrives: the reader then runs past its start-up purge.
int waitForReader(HANDLE peer) {
  for (int attempt = 0; attempt < 40; attempt++) {
    ResetEvent(arrived);
    if (!writeByte(peer, 'S')) return 0;
    if (WaitForSingleObject(arrived, 250) == WAIT_OBJECT_0) {
      Sleep(200);
      return 1;
    }
  }
  return 0;
}

// Latencies in microseconds of count single bytes, each written after a
// pause so that the reader is back in its wait.
std::vector<double> measureLatencies(HANDLE peer, int count) {
  std::vector<double> latencies;
  for (int i = 0; i < count; i++) {
    Sleep(2);
    ResetEvent(arrived);
    LARGE_INTEGER sent;
    QueryPerformanceCounter(&sent);
    if (!writeByte(peer, static_cast<BYTE>('a' + i % 26))) break;
    if (WaitForSingleObject(arrived, ArrivalBoundMs) != WAIT_OBJECT_0) break;
    latencies.push_back(ticksToMicroseconds(arrivalTime.QuadPart - sent.QuadPart));
  }
  return latencies;
}

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t index = static_cast<size_t>(fraction * (values.size() - 1) + 0.5);
  return values[index];
}

double processCpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  ULARGE_INTEGER k, u;
  k.LowPart = kernel.dwLowDateTime;
  k.HighPart = kernel.dwHighDateTime;
  u.LowPart = user.dwLowDateTime;
  u.HighPart = user.dwHighDateTime;
  return (k.QuadPart + u.QuadPart) / 1e4;
}

double idleCpuMs(DWORD idleMs) {
  double before = processCpuMs();
  Sleep(idleMs);
  return processCpuMs() - before;
}

// The bare reader: a synchronous handle whose reads wait for one byte.
DWORD WINAPI bareReader(LPVOID handle) {
  for (;;) {
    BYTE value = 0;
    DWORD count = 0;
    if (!ReadFile(handle, &value, 1, &count, 0)) return 1;
    if (count == 0) continue;
    if (value == EndByte) return 0;
    stampArrival(value);
  }
}

HANDLE openBarePort(const char* portName) {
  char path[32];
  wsprintfA(path, "\\\\.\\%s", portName);
  HANDLE port = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, 0, OPEN_EXISTING, 0, 0);
  if (port == INVALID_HANDLE_VALUE) return port;
  DCB dcb;
  ZeroMemory(&dcb, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  GetCommState(port, &dcb);
  dcb.BaudRate = 115200;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  SetCommState(port, &dcb);
  COMMTIMEOUTS waitForever = {0, 0, 0, 0, 0};
  SetCommTimeouts(port, &waitForever);
  return port;
}

void report(const char* what, const std::vector<double>& latencies, int wanted) {
  printf("%-12s %4u/%d bytes  median %8.1f us  p99 %8.1f us  max %8.1f us\n", what,
         static_cast<unsigned>(latencies.size()), wanted, percentile(latencies, 0.5),
         percentile(latencies, 0.99), percentile(latencies, 1.0));
}

double burstSeconds(HANDLE peer, int size) {
  std::vector<BYTE> data(size, 'b');
  arrivals = 0;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  DWORD written = 0;
  WriteFile(peer, data.data(), size, &written, 0);
  while (arrivals < size) {
    if (WaitForSingleObject(arrived, ArrivalBoundMs) != WAIT_OBJECT_0 && arrivals < size) return -1;
  }
  QueryPerformanceCounter(&end);
  return ticksToMicroseconds(end.QuadPart - start.QuadPart) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? atoi(argv[1]) : 1000;
  const char* portName = getenv("TAVRIN_SERIAL_PORT");
  HANDLE peer = openPeer();
  if (!portName || peer == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "link_latency: run inside tools/serial-bench.sh\n");
    return 2;
  }
  arrived = CreateEventA(0, FALSE, FALSE, 0);

  DWORD busyStart = GetTickCount();
  double cpuBefore = processCpuMs();
  while (GetTickCount() - busyStart < 1000) {
  }
  printf("calibration: 1000 ms of busy loop counted as %.0f ms of process CPU time\n",
         processCpuMs() - cpuBefore);

  CCommPort link;
  link.setByteCallback(stampArrival);
  if (!link.openPort(portName, 9, 1)) {
    fprintf(stderr, "link_latency: cannot open %s\n", portName);
    return 1;
  }
  printf("idle, reader waiting for its first event: %.1f ms CPU in %lu ms\n", idleCpuMs(IdleMs), IdleMs);
  if (!waitForReader(peer)) {
    fprintf(stderr, "link_latency: the link delivers nothing\n");
    return 1;
  }
  std::vector<double> ours = measureLatencies(peer, count);
  printf("idle, reader waiting after bytes:        %.1f ms CPU in %lu ms\n", idleCpuMs(IdleMs), IdleMs);
  double oursBurst = burstSeconds(peer, 65536);
  link.closePort(1);

  HANDLE bare = openBarePort(portName);
  if (bare == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "link_latency: cannot open %s for the bare reader\n", portName);
    return 1;
  }
  HANDLE bareThread = CreateThread(0, 0, bareReader, bare, 0, 0);
  SetThreadPriority(bareThread, THREAD_PRIORITY_ABOVE_NORMAL);
  waitForReader(peer);
  std::vector<double> bareLatencies = measureLatencies(peer, count);
  printf("idle, bare reader waiting:               %.1f ms CPU in %lu ms\n", idleCpuMs(IdleMs), IdleMs);
  double bareBurst = burstSeconds(peer, 65536);
  writeByte(peer, EndByte);
  if (WaitForSingleObject(bareThread, ArrivalBoundMs) == WAIT_TIMEOUT) TerminateThread(bareThread, 0);
  CloseHandle(bareThread);
  CloseHandle(bare);

  report("link", ours, count);
  report("bare reader", bareLatencies, count);
  if (!bareLatencies.empty() && !ours.empty())
    printf("ratio link/bare: median %.2f  p99 %.2f\n",
           percentile(ours, 0.5) / percentile(bareLatencies, 0.5),
           percentile(ours, 0.99) / percentile(bareLatencies, 0.99));
  printf("64 KiB burst: link %.2f s, bare reader %.2f s\n", oursBurst, bareBurst);
  CloseHandle(peer);
  return ours.size() == static_cast<size_t>(count) ? 0 : 1;
}
