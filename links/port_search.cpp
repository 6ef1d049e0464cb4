// The port search: a worker that polls every port it could open until one
// receives, then tries that port's rates. It reads with time-outs that
// return at once and waits on its stop event between polls, so a stop ends
// it within one poll.
#include "port_search.h"

#include <stdio.h>
#include <string.h>

#include "device_line.h"
#include "port_names.h"
#include "worker_stop.h"

namespace {

struct SearchedPort {
  const char* name;
  HANDLE handle;
  DCB savedLine;
  COMMTIMEOUTS savedTimeouts;
};

// What one stretch of listening brought.
struct Sample {
  DWORD bytes;
  DWORD plainBytes;
  bool lineErrors;
};

const DWORD PollMs = 20;
const DWORD StopBoundMs = 3000;
// A rate is judged on this many bytes, or on what came within the window.
const DWORD RateSampleBytes = 16;
const DWORD RateWindowMs = 1500;
// What a wrong rate gives on a real UART.
const DWORD LineErrorFlags = CE_FRAME | CE_RXPARITY | CE_BREAK;
const unsigned RatesToTry[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
const int RateCount = sizeof RatesToTry / sizeof RatesToTry[0];

SearchedPort searched[ComPortNameCount];
int searchedCount = 0;
const char* requested[ComPortNameCount];
int requestedCount = 0;
unsigned firstRate = 0;
DWORD boundMs = 0;
PortSearchCallback report = nullptr;
HANDLE stopEvent = nullptr;
HANDLE worker = nullptr;

bool stopAsked(DWORD waitMs) { return WaitForSingleObject(stopEvent, waitMs) == WAIT_OBJECT_0; }

// The link's own line at rate, and nothing queued or flagged from before.
bool setLine(HANDLE port, unsigned rate) {
  DCB line;
  memset(&line, 0, sizeof line);
  line.DCBlength = sizeof line;
  if (!GetCommState(port, &line)) return false;
  setDeviceLine(line, rate);
  if (!SetCommState(port, &line)) return false;
  PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR);
  DWORD errors = 0;
  ClearCommError(port, &errors, nullptr);
  return true;
}

bool openSearchedPort(SearchedPort& port, const char* name) {
  char path[24];
  snprintf(path, sizeof path, "\\\\.\\%s", name);
  HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  COMMTIMEOUTS immediate = {MAXDWORD, 0, 0, 0, 0};
  port.savedLine.DCBlength = sizeof port.savedLine;
  if (!GetCommState(handle, &port.savedLine) || !GetCommTimeouts(handle, &port.savedTimeouts) ||
      !SetCommTimeouts(handle, &immediate) || !setLine(handle, firstRate)) {
    CloseHandle(handle);
    return false;
  }
  port.name = name;
  port.handle = handle;
  return true;
}

// The port belongs to another program or to the link once the search is
// done: it gets back what it had.
void closeSearchedPort(SearchedPort& port) {
  if (!port.handle) return;
  PurgeComm(port.handle, PURGE_RXABORT | PURGE_RXCLEAR);
  SetCommTimeouts(port.handle, &port.savedTimeouts);
  SetCommState(port.handle, &port.savedLine);
  CloseHandle(port.handle);
  port.handle = nullptr;
}

void closeAllPorts() {
  for (int i = 0; i < searchedCount; ++i) closeSearchedPort(searched[i]);
}

// Text and the escape that starts a command; a wrong rate on a real UART
// gives mostly control and upper-half bytes.
bool plainByte(BYTE b) { return (b >= 0x20 && b < 0x7F) || b == '\r' || b == '\n' || b == '\t' || b == '\b' || b == 27; }

// Adds what the port holds now to sample; the bytes are read and dropped.
void takeBytes(HANDLE port, Sample& sample) {
  DWORD errors = 0;
  COMSTAT status;
  memset(&status, 0, sizeof status);
  if (!ClearCommError(port, &errors, &status)) return;
  if (errors & LineErrorFlags) sample.lineErrors = true;
  if (status.cbInQue == 0) return;
  BYTE bytes[256];
  DWORD got = 0;
  if (!ReadFile(port, bytes, status.cbInQue < sizeof bytes ? status.cbInQue : sizeof bytes, &got, nullptr)) return;
  sample.bytes += got;
  for (DWORD i = 0; i < got; ++i)
    if (plainByte(bytes[i])) ++sample.plainBytes;
}

bool readsAsText(const Sample& s) { return s.bytes > 0 && !s.lineErrors && s.plainBytes * 4 >= s.bytes * 3; }

// The first port that receives, or null when none did within the bound or
// a stop came first (stopped then says so).
SearchedPort* firstPortReceiving(bool& stopped) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < boundMs) {
    for (int i = 0; i < searchedCount; ++i) {
      Sample sample = {0, 0, false};
      takeBytes(searched[i].handle, sample);
      if (sample.bytes) return &searched[i];
    }
    if ((stopped = stopAsked(PollMs))) return nullptr;
  }
  return nullptr;
}

// Listens at rate until enough bytes, a line error or the end of the window.
bool tryRate(HANDLE port, unsigned rate, Sample& sample) {
  sample = Sample{0, 0, false};
  if (!setLine(port, rate)) return true;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < RateWindowMs && sample.bytes < RateSampleBytes && !sample.lineErrors) {
    if (stopAsked(PollMs)) return false;
    takeBytes(port, sample);
  }
  // Errors of the last bytes read show at the next look.
  takeBytes(port, sample);
  return true;
}

// The first rate (in the order tried) whose bytes read clean, once some
// rate has shown a line error: only a real UART shows one, and only there
// does a clean rate tell anything. 0 when no rate can be told; -1 on a stop.
long findRate(HANDLE port) {
  unsigned rates[RateCount + 1] = {firstRate};
  int count = 1;
  for (unsigned rate : RatesToTry)
    if (rate != firstRate) rates[count++] = rate;
  bool errorsSeen = false;
  unsigned clean = 0;
  for (int i = 0; i < count; ++i) {
    Sample sample;
    if (!tryRate(port, rates[i], sample)) return -1;
    errorsSeen = errorsSeen || sample.lineErrors;
    if (!clean && readsAsText(sample)) clean = rates[i];
    if (errorsSeen && clean) return clean;
  }
  return 0;
}

// Ports are closed before the last report: the caller reopens its link on it.
void search() {
  searchedCount = 0;
  for (int i = 0; i < requestedCount && !stopAsked(0); ++i)
    if (openSearchedPort(searched[searchedCount], requested[i])) ++searchedCount;
  if (searchedCount == 0) {
    if (!stopAsked(0)) report(SEARCH_NO_PORTS, nullptr, firstRate);
    return;
  }
  bool stopped = false;
  SearchedPort* found = firstPortReceiving(stopped);
  if (!found) {
    closeAllPorts();
    if (!stopped) report(SEARCH_SILENT, nullptr, firstRate);
    return;
  }
  for (int i = 0; i < searchedCount; ++i)
    if (&searched[i] != found) closeSearchedPort(searched[i]);
  report(SEARCH_FOUND, found->name, firstRate);
  const long rate = findRate(found->handle);
  const char* name = found->name;
  closeSearchedPort(*found);
  if (rate > 0)
    report(SEARCH_RATE_FOUND, name, static_cast<unsigned>(rate));
  else if (rate == 0)
    report(SEARCH_RATE_UNKNOWN, name, firstRate);
}

DWORD WINAPI searchEntry(LPVOID) {
  search();
  return 0;
}

}  // namespace

int startPortSearch(const char* const* ports, int count, unsigned rate, DWORD bound, PortSearchCallback callback) {
  if (worker || !callback) return 0;
  requestedCount = count < ComPortNameCount ? count : ComPortNameCount;
  memcpy(requested, ports, requestedCount * sizeof *ports);
  firstRate = rate;
  boundMs = bound;
  report = callback;
  searchedCount = 0;
  stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (stopEvent) worker = CreateThread(nullptr, 0, searchEntry, nullptr, 0, nullptr);
  if (worker) return 1;
  if (stopEvent) CloseHandle(stopEvent);
  stopEvent = nullptr;
  return 0;
}

void stopPortSearch() {
  if (!worker) return;
  SetEvent(stopEvent);
  endWorker(worker, StopBoundMs);
  CloseHandle(worker);
  worker = nullptr;
  // A worker terminated as the last resort leaves its ports open.
  closeAllPorts();
  CloseHandle(stopEvent);
  stopEvent = nullptr;
}

int portSearchRunning() { return worker != nullptr; }
