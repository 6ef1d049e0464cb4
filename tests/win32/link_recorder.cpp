#include "link_recorder.h"

namespace {

const int Capacity = 1 << 18;

// A critical section is held only for an append, never while a worker can
// be stopped or terminated.
struct Log {
  Log() { InitializeCriticalSection(&lock); }
  CRITICAL_SECTION lock;
  int entries[Capacity];
  int count = 0;
  int overflow = 0;
} records;

void append(int entry) {
  EnterCriticalSection(&records.lock);
  if (records.count < Capacity)
    records.entries[records.count++] = entry;
  else
    records.overflow = 1;
  LeaveCriticalSection(&records.lock);
}

}  // namespace

void recorderReset() {
  EnterCriticalSection(&records.lock);
  records.count = 0;
  records.overflow = 0;
  LeaveCriticalSection(&records.lock);
}

void recordByte(int byte) { append(byte); }

void recordStatus(int status) { append(StatusMark + status); }

int recorderCount() {
  EnterCriticalSection(&records.lock);
  int count = records.overflow ? Capacity + 1 : records.count;
  LeaveCriticalSection(&records.lock);
  return count;
}

std::vector<int> recorderEntries() {
  EnterCriticalSection(&records.lock);
  std::vector<int> copy(records.entries, records.entries + records.count);
  LeaveCriticalSection(&records.lock);
  return copy;
}

std::vector<int> recordedBytes() {
  std::vector<int> bytes;
  for (int entry : recorderEntries())
    if (entry < StatusMark) bytes.push_back(entry);
  return bytes;
}

int recordedStatusCount(int status) {
  int count = 0;
  for (int entry : recorderEntries())
    if (entry == StatusMark + status) count++;
  return count;
}

int waitForRecords(int count, DWORD timeoutMs) {
  return waitUntil([count] { return recorderCount() >= count; }, timeoutMs);
}

namespace {

HWND stoppingThreadWindow = nullptr;
volatile LONG callbackEntered = 0;
volatile LONG callbackReturned = 0;

}  // namespace

void blockOnStoppingThread(int) {
  InterlockedExchange(&callbackEntered, 1);
  SendMessageA(stoppingThreadWindow, WM_USER, 0, 0);
  InterlockedExchange(&callbackReturned, 1);
}

int blockedCallbackReady() {
  callbackEntered = 0;
  callbackReturned = 0;
  stoppingThreadWindow = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  return stoppingThreadWindow != nullptr;
}

int blockedCallbackEntered() { return callbackEntered; }

int blockedCallbackReturned() { return callbackReturned; }

void blockedCallbackDone() {
  DestroyWindow(stoppingThreadWindow);
  stoppingThreadWindow = nullptr;
}
