// Finding the serial port a device sends on, and its rate: every given port
// is opened and its bytes examined, none typed. One search at a time, run
// by a worker thread that reports through a callback, as the links do.
#pragma once

#include <windows.h>

enum PortSearchEvent {
  // Bytes arrived on port; the other ports are closed and the rates tried.
  SEARCH_FOUND = 1,
  // The rest end the search, with every port closed again.
  // The port's bytes read clean, as text or commands, at rate.
  SEARCH_RATE_FOUND = 2,
  // The port reported no line errors at any rate, or none read clean: rate
  // is the one the search began with.
  SEARCH_RATE_UNKNOWN = 3,
  // Nothing arrived on any port within the bound.
  SEARCH_SILENT = 4,
  // Not one of the ports opened.
  SEARCH_NO_PORTS = 5
};

// Called on the search's worker; port is one of the names given to the
// search (null for the last two events), rate the rate found or kept.
typedef void (*PortSearchCallback)(int event, const char* port, unsigned rate);

// Listens on those of the count ports that open, at firstRate, for at most
// boundMs. Returns 1 when the search started; 0 when one runs already or
// its worker cannot start. UI thread.
int startPortSearch(const char* const* ports, int count, unsigned firstRate, DWORD boundMs,
                    PortSearchCallback callback);

// Ends the search at once: its worker ends, every port it opened gets back
// the line settings it had and is closed, and nothing is reported after
// this returns (a report already posted is the caller's to drop). Serves
// messages sent to this thread while it waits. Does nothing when no search
// runs. UI thread.
void stopPortSearch();

// 1 from a successful start until the stop.
int portSearchRunning();
