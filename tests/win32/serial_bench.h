// The serial test bench of tests/bench/serial-bench.sh, seen from the Windows side:
// the COM port wired to a pseudo-terminal, its other end and the bench's
// commands.
#pragma once

#include <windows.h>

#include <string>

// 1 when the program runs inside the bench (its environment is set).
int serialBenchPresent();
const char* serialBenchPort();

// Carries out a bench command ("hangup", "connect", "stty") and returns its
// reply; an empty string when the bench did not answer within the bound.
std::string serialBenchCommand(const char* command);

// The other end of the line: what is written there arrives at the port.
HANDLE openLinePeer();
int writeLinePeer(HANDLE peer, const void* data, DWORD size);

// A device that keeps talking: a thread writes into the line, a few bytes
// every millisecond or so (about the rate of 115200 baud), until stopped.
struct LineStream {
  HANDLE peer;
  volatile LONG stop;
  HANDLE thread;
};
int startLineStream(LineStream* stream, HANDLE peer);
// 1 when the writer has ended.
int stopLineStream(LineStream* stream);

// A second handle on the port (Wine allows one), for reading its settings.
HANDLE openPortForInspection();

// 1 under Wine, where a few platform differences are expected.
int runningOnWine();

// Makes sure the port's reader runs before a test counts bytes: bytes that
// arrive before the reader starts are purged. Writes a marker byte until the
// recorder sees one, lets late markers land, then clears the recorder.
// 1 on success.
int syncSerialReader(HANDLE peer);
