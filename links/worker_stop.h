// Ending a link's worker thread once its stop has been asked for.
#pragma once

#include <windows.h>

// Waits up to boundMs for thread to end. Messages sent to this thread's
// windows are served while it waits: a byte callback of the worker may be
// waiting in SendMessage for one of them, and neither side would ever go on.
// A worker still running at the bound is terminated as the last resort and
// then waited for, so that nothing it uses is freed while it still runs.
// Returns 1 when the worker ended by itself, 0 when it was terminated.
int endWorker(HANDLE thread, DWORD boundMs);
