#include "worker_stop.h"

namespace {

// A terminated thread is signalled once the system has finished with it;
// this bounds that wait should the termination itself go wrong.
const DWORD TerminationBoundMs = 1000;

void serveSentMessages() {
  MSG message;
  // Peeking delivers the messages sent to this thread; posted ones stay
  // queued for the caller's own loop.
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

int endWorker(HANDLE thread, DWORD boundMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= boundMs) break;
    const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, boundMs - elapsed, QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0) return 1;
    if (woken != WAIT_OBJECT_0 + 1) break;
    serveSentMessages();
  }
  if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) return 1;
  TerminateThread(thread, 0);
  WaitForSingleObject(thread, TerminationBoundMs);
  return 0;
}
