// Whether a link is being stopped, as one event for the whole process.
//
// A pause in the device's typing holds a link's worker inside its byte
// callback; the pause waits on this event, so that stopping either link
// ends it at once and the stop never waits for it (nor terminates a worker
// that holds the interpreter lock).
#pragma once

#include <windows.h>

// The manual-reset event that is set while any stop is in progress; null if
// it could not be created.
HANDLE linkStopSignal();

// Around every stop of a link: begin before the worker is woken, end once it
// has finished. Stops may overlap; the event stays set until the last ends.
void beginLinkStop();
void endLinkStop();
