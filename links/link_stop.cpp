#include "link_stop.h"

namespace {

HANDLE volatile stopSignal = nullptr;
LONG volatile stopsInProgress = 0;

}  // namespace

// Created on first use by whichever thread gets there first; a thread that
// loses the race closes its own copy.
HANDLE linkStopSignal() {
  HANDLE existing = stopSignal;
  if (existing) return existing;
  HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!created) return nullptr;
  existing = static_cast<HANDLE>(InterlockedCompareExchangePointer(
      const_cast<PVOID volatile*>(reinterpret_cast<PVOID volatile*>(&stopSignal)), created, nullptr));
  if (existing) {
    CloseHandle(created);
    return existing;
  }
  return created;
}

void beginLinkStop() {
  InterlockedIncrement(&stopsInProgress);
  HANDLE signal = linkStopSignal();
  if (signal) SetEvent(signal);
}

void endLinkStop() {
  HANDLE signal = linkStopSignal();
  if (InterlockedDecrement(&stopsInProgress) > 0 || !signal) return;
  ResetEvent(signal);
  // A stop that began between the count and the reset must still find the
  // event set.
  if (stopsInProgress > 0) SetEvent(signal);
}
