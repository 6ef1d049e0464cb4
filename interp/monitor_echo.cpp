#include "monitor_echo.h"

#include <cstring>

#include "held_input.h"
#include "interp.h"
#include "platform.h"

std::atomic<int> aboutOpen{0};

char echoBuffer[256];
int echoPos = 0;

namespace {

const int ESC = 27;
const char EscMarker[] = "<esc>";
const int MARKER_LENGTH = sizeof EscMarker - 1;
// Positions 0..254 hold text; 255 stays zero.
const int TEXT_END = 255;

// A marker that would need index 255 or beyond for its characters (arriving
// at 251..254) starts the text again from the beginning instead of being
// cut, so the monitor never shows half a marker. At 250 its terminator lands
// on index 255, which is zero anyway.
void appendMarker() {
  if (echoPos + MARKER_LENGTH > TEXT_END) echoPos = 0;
  std::memcpy(echoBuffer + echoPos, EscMarker, MARKER_LENGTH + 1);
  echoPos += MARKER_LENGTH;
}

void appendEcho(unsigned char byte) {
  if (byte == ESC) {
    appendMarker();
  } else {
    echoBuffer[echoPos] = static_cast<char>(byte);
    ++echoPos;
  }
  if (echoPos >= TEXT_END) echoPos = 0;
}

}  // namespace

void echoByte(int byte) {
  enterInterpreter();
  appendEcho(static_cast<unsigned char>(byte & 0xFF));
  // The About box takes its own copy, without the lock, and never makes this
  // thread wait, so a link stop never waits on the window.
  showMonitorText(echoBuffer);
  unlockInterpreter();
}

void clearEcho() {
  std::memset(echoBuffer, 0, sizeof echoBuffer);
  echoPos = 0;
}
