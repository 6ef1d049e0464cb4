// Puts the whole interpreter back to its start-up state for a test: the
// assembler outside any sequence, no modifier pending or locked, no glide
// step, an empty monitor, ANSI Extended, and an empty recorder trace.
#pragma once

#include "assembler.h"
#include "held_input.h"
#include "interp.h"
#include "keystroke.h"
#include "monitor_echo.h"
#include "mouse_commands.h"
#include "platform.h"
#include "recorder.h"

inline void freshInterpreter(int interpretationSetting = 1) {
  aboutOpen = 0;
  resetSequenceAssembler();
  // Speed 0 with no direction clears the glide step without touching the
  // timer.
  runMouseCommand(",mougo,");
  pendingModifiers = 0;
  lockedModifiers = 0;
  altHeld = 0;
  extendedKeyFlag = 0;
  forgetHeldInput();
  lockInterpreter();
  clearEcho();
  unlockInterpreter();
  interpretation = interpretationSetting;
  recorder::reset();
}

inline void feed(const char* bytes, size_t length) {
  for (size_t i = 0; i < length; ++i) onLinkByte(static_cast<unsigned char>(bytes[i]));
}

template <size_t N>
void feed(const char (&bytes)[N]) {
  feed(bytes, N - 1);
}
