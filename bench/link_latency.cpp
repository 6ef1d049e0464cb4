// Measures the serial link under the serial bench (tests/bench/serial-bench.sh).
//
//   tests/bench/serial-bench.sh build/win64/modem-shim build/win64/bin/link_latency.exe [bytes]
//     the time from a byte written into the line to its byte callback, the CPU
//     time the process spends while the reader waits, and the same latency
//     for a bare blocking reader written only for comparison;
//   ... link_latency.exe span [runs]
//     64 KiB written no faster than a UART sends them at 115200 8N1: the
//     writer's span from first to last write against the reader's span from
//     first to last byte callback;
//   ... link_latency.exe close [closes]
//     closePort while the line keeps sending: how long each close takes, and
//     whether a byte or a status still arrives after it returned.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "latency_stats.h"
#include "comm_port.h"

namespace {

const DWORD ArrivalBoundMs = 2000;
const DWORD IdleMs = 10000;
const BYTE EndByte = 0xFF;

const int BurstSize = 65536;
const double LineBytesPerSecond = 115200 / 10.0;
// The span measurement writes byte i as i % PatternPeriod, so that a byte
// lost, repeated or out of place shows as a break in the sequence.
const int PatternPeriod = 251;

HANDLE arrived;
LARGE_INTEGER firstArrivalTime, arrivalTime;
volatile LONG arrivals;
volatile LONG statusReports;
int expectedByte;
LONG sequenceBreaks;
// Setting an event is a call into the Wine server, dearer than the link's
// own work per byte: the burst measurements poll the count instead.
volatile LONG signalEachByte = 1;

void stampArrival(int value) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  arrivalTime = now;
  if (value != expectedByte) sequenceBreaks++;
  expectedByte = (value + 1) % PatternPeriod;
  if (InterlockedIncrement(&arrivals) == 1) firstArrivalTime = now;
  if (signalEachByte) SetEvent(arrived);
}

void countStatus(int) { InterlockedIncrement(&statusReports); }

double secondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return ticksToMicroseconds(now.QuadPart - start.QuadPart) / 1e6;
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
  signalEachByte = 1;
  for (int attempt = 0; attempt < 40; attempt++) {
    ResetEvent(arrived);
    if (!writeByte(peer, 'S')) return 0;
    if (WaitForSingleObject(arrived, 250) == WAIT_OBJECT_0) {
      Sleep(200);
      signalEachByte = 0;
      return 1;
    }
  }
  return 0;
}

// Latencies in microseconds of count single bytes, each written after a
// pause so that the reader is back in its wait.
std::vector<double> measureLatencies(HANDLE peer, int count) {
  std::vector<double> latencies;
  signalEachByte = 1;
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

// Waits until count bytes have arrived or none came for the arrival bound.
int awaitArrivals(LONG count) {
  signalEachByte = 0;
  LONG seen = arrivals;
  DWORD progress = GetTickCount();
  while (arrivals < count) {
    Sleep(10);
    if (arrivals != seen) {
      seen = arrivals;
      progress = GetTickCount();
    } else if (GetTickCount() - progress > ArrivalBoundMs) {
      return 0;
    }
  }
  return 1;
}

double burstSeconds(HANDLE peer, int size) {
  std::vector<BYTE> data(size, 'b');
  arrivals = 0;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  DWORD written = 0;
  WriteFile(peer, data.data(), size, &written, 0);
  if (!awaitArrivals(size)) return -1;
  return ticksToMicroseconds(arrivalTime.QuadPart - start.QuadPart) / 1e6;
}

// Writes data into the line no faster than a UART sends it at 115200 8N1:
// each write carries what is due by then. Returns the seconds from the first
// write to the end of the last, -1 when a write fails.
double writeAtLineRate(HANDLE peer, const std::vector<BYTE>& data, volatile LONG* stop) {
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  size_t written = 0;
  while (written < data.size() && !(stop && *stop)) {
    size_t due = static_cast<size_t>(secondsSince(start) * LineBytesPerSecond) + 1;
    if (due > data.size()) due = data.size();
    if (due <= written) {
      Sleep(1);
      continue;
    }
    DWORD done = 0;
    if (!WriteFile(peer, &data[written], static_cast<DWORD>(due - written), &done, 0) || done == 0) return -1;
    written += done;
  }
  return secondsSince(start);
}

int openLink(CCommPort& link, const char* portName, HANDLE peer) {
  if (!link.openPort(portName, 9, 1)) {
    fprintf(stderr, "link_latency: cannot open %s\n", portName);
    return 0;
  }
  if (!waitForReader(peer)) {
    fprintf(stderr, "link_latency: the link delivers nothing\n");
    return 0;
  }
  return 1;
}

int measureSpans(const char* portName, HANDLE peer, int runs) {
  CCommPort link;
  link.setByteCallback(stampArrival);
  if (!openLink(link, portName, peer)) return 1;
  std::vector<BYTE> data(BurstSize);
  for (int i = 0; i < BurstSize; i++) data[i] = static_cast<BYTE>(i % PatternPeriod);
  int failures = 0;
  for (int run = 1; run <= runs; run++) {
    arrivals = 0;
    expectedByte = 0;
    sequenceBreaks = 0;
    double writer = writeAtLineRate(peer, data, 0);
    int whole = writer >= 0 && awaitArrivals(BurstSize);
    double reader = ticksToMicroseconds(arrivalTime.QuadPart - firstArrivalTime.QuadPart) / 1e6;
    printf("span run %d: %ld/%d bytes, %ld breaks in their order  writer %.3f s  reader %.3f s  reader/writer %.3f\n",
           run, static_cast<long>(arrivals), BurstSize, static_cast<long>(sequenceBreaks), writer, reader,
           writer > 0 ? reader / writer : 0);
    if (!whole || sequenceBreaks) failures++;
    Sleep(500);
  }
  link.closePort(1);
  return failures ? 1 : 0;
}

struct Stream {
  HANDLE peer;
  volatile LONG stop;
};

DWORD WINAPI streamIntoLine(LPVOID parameter) {
  Stream* stream = static_cast<Stream*>(parameter);
  std::vector<BYTE> data(BurstSize, 's');
  while (!stream->stop)
    if (writeAtLineRate(stream->peer, data, &stream->stop) < 0) return 1;
  return 0;
}

int measureCloses(const char* portName, HANDLE peer, int closes) {
  CCommPort link;
  link.setByteCallback(stampArrival);
  link.setStatusCallback(countStatus);
  Stream stream = {peer, 0};
  HANDLE writer = 0;
  std::vector<double> times;
  int faults = 0;
  for (int i = 1; i <= closes; i++) {
    if (!openLink(link, portName, peer)) break;
    if (!writer) writer = CreateThread(0, 0, streamIntoLine, &stream, 0, 0);
    LONG streamStart = arrivals;
    Sleep(300);
    LONG before = arrivals;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    link.closePort(1);
    double ms = secondsSince(start) * 1e3;
    LONG atReturn = arrivals;
    Sleep(200);
    LONG late = arrivals - atReturn;
    printf("close %d: %.2f ms  bytes in the 300 ms before: %ld  bytes after return: %ld  status reports: %ld\n", i,
           ms, static_cast<long>(before - streamStart), static_cast<long>(late), static_cast<long>(statusReports));
    times.push_back(ms);
    if (late || statusReports || before == streamStart) faults++;
    arrivals = 0;
  }
  stream.stop = 1;
  if (writer) {
    WaitForSingleObject(writer, INFINITE);
    CloseHandle(writer);
  }
  if (!times.empty())
    printf("close during a stream, %u closes: median %.2f ms  max %.2f ms\n", static_cast<unsigned>(times.size()),
           percentile(times, 0.5), percentile(times, 1.0));
  return faults || static_cast<int>(times.size()) != closes ? 1 : 0;
}

int measureLatency(const char* portName, HANDLE peer, int count) {
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
  double oursBurst = burstSeconds(peer, BurstSize);
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
  double bareBurst = burstSeconds(peer, BurstSize);
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
  return ours.size() == static_cast<size_t>(count) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* portName = getenv("TAVRIN_SERIAL_PORT");
  HANDLE peer = openPeer();
  if (!portName || peer == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "link_latency: run inside tests/bench/serial-bench.sh\n");
    return 2;
  }
  arrived = CreateEventA(0, FALSE, FALSE, 0);
  const char* mode = argc > 1 ? argv[1] : "";
  int result;
  if (strcmp(mode, "span") == 0)
    result = measureSpans(portName, peer, argc > 2 ? atoi(argv[2]) : 3);
  else if (strcmp(mode, "close") == 0)
    result = measureCloses(portName, peer, argc > 2 ? atoi(argv[2]) : 10);
  else
    result = measureLatency(portName, peer, argc > 1 ? atoi(argv[1]) : 1000);
  CloseHandle(peer);
  return result;
}
