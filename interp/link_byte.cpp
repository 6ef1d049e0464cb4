#include "assembler.h"
#include "held_input.h"
#include "interp.h"
#include "monitor_echo.h"
#include "platform.h"
#include "unicode_text.h"

void onLinkByte(int byte) {
  const unsigned char b = static_cast<unsigned char>(byte & 0xFF);
  if (aboutOpen.load()) echoByte(b);
  enterInterpreter();
  if (takeUnicodeByte(b)) {
    // A character typed by the decoder ends the echo as a token would.
    if (aboutOpen.load() && utf8Count == 0) clearEcho();
    noteHeldState();
    unlockInterpreter();
    return;
  }
  const char* token = SequenceAssembler(b);
  if (token && token[0] != '\0') {
    if (aboutOpen.load()) clearEcho();
    dispatchToken(token);
  }
  noteHeldState();
  unlockInterpreter();
}
