#include "link_stop.h"

namespace {

LONG volatile stopsInProgress = 0;

}  // namespace

// Made on first use; the initialization of a local static is thread-safe.
HANDLE linkStopSignal() {
  static const HANDLE signal = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  return signal;
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
