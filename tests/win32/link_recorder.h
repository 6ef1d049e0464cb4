// What the links hand to their callbacks, in the order it arrived: bytes
// (0..255) and statuses (StatusMark + LinkStatus) in one log, so that a test
// sees how the two interleave. Safe to call from any number of workers.
#pragma once

#include <windows.h>

#include <vector>

const int StatusMark = 0x100;

void recorderReset();
void recordByte(int byte);
void recordStatus(int status);
int recorderCount();
std::vector<int> recorderEntries();
std::vector<int> recordedBytes();
int recordedStatusCount(int status);

// Waits until the log holds at least count entries; 1 when it does.
int waitForRecords(int count, DWORD timeoutMs);

// Polls a condition every millisecond until it holds; 1 when it did.
template <typename Condition>
int waitUntil(Condition condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return 0;
    Sleep(1);
  }
  return 1;
}

// A byte callback that waits in SendMessage for a window of the thread that
// stops the link: a stop that serves sent messages lets it return by itself.
// blockedCallbackReady makes the window on the calling thread (0 when it
// cannot); blockedCallbackEntered and blockedCallbackReturned report what the
// callback did; blockedCallbackDone destroys the window.
void blockOnStoppingThread(int byte);
int blockedCallbackReady();
int blockedCallbackEntered();
int blockedCallbackReturned();
void blockedCallbackDone();
