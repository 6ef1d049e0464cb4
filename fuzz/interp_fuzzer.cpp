// Feeds arbitrary bytes through onLinkByte and checks the interpreter's
// invariants after every byte. The first byte of an input chooses the
// setting (ANSI or ASCII Extended, or Unicode text), the system language
// (German or not), whether the About box is open, how many glide ticks
// follow, whether the system has Unicode input and whether Caps Lock is on.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assembler.h"
#include "held_input.h"
#include "fuzz_platform.h"
#include "interp.h"
#include "keystroke.h"
#include "monitor_echo.h"
#include "mouse_commands.h"
#include "platform.h"
#include "unicode_text.h"

namespace {

const ModifierSet KNOWN_MODIFIERS = MODIFIER_CTRL | MODIFIER_SHIFT | MODIFIER_ALT | MODIFIER_WIN;
const int GLIDE_LIMIT = 10;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void checkInvariants() {
  if (fuzzLockHeld()) fail("interpreter lock still held between bytes");
  if (pendingModifiers & ~KNOWN_MODIFIERS) fail("unknown bit in pendingModifiers");
  if (lockedModifiers & ~KNOWN_MODIFIERS) fail("unknown bit in lockedModifiers");
  if (extendedKeyFlag != 0) fail("extendedKeyFlag left set between operations");
  if (altHeld != 0 && altHeld != 1) fail("altHeld neither 0 nor 1");
  if (assemblerState != ASSEMBLER_NORMAL && assemblerState != ASSEMBLER_ESCAPE) fail("unknown assembler state");
  if (!std::memchr(CommandBuffer, 0, sizeof CommandBuffer)) fail("CommandBuffer not terminated within 64 bytes");
  if (writePos < 0 || writePos > COMMAND_LIMIT) fail("assembler write position out of range");
  if (commandStart != 0) fail("assembler command start moved");
  if (utf8Count < 0 || utf8Count >= 4 || (utf8Count > 0 && utf8Count >= utf8Length))
    fail("UTF-8 decoder holds a complete or impossible sequence between bytes");
  if (utf8Count > 0 && (interpretation != INTERPRETATION_UNICODE || assemblerState != ASSEMBLER_NORMAL))
    fail("UTF-8 sequence pending outside Unicode text's normal state");
  if (fuzzUnicodeUnfinished()) fail("a character left half typed between bytes");
  const GlideDelta step = currentGlideDelta();
  if (step.dx < -GLIDE_LIMIT || step.dx > GLIDE_LIMIT || step.dy < -GLIDE_LIMIT || step.dy > GLIDE_LIMIT)
    fail("glide step beyond 10 per tick");
  if (echoBuffer[255] != 0) fail("echo buffer's last byte not zero");
  if (echoPos < 0 || echoPos > 254) fail("echo position out of range");
}

// The state at start-up, so that every input runs alike and a finding
// reproduces from its input alone.
void startFresh() {
  aboutOpen = 0;
  lockInterpreter();
  resetSequenceAssembler();
  pendingModifiers = 0;
  lockedModifiers = 0;
  altHeld = 0;
  extendedKeyFlag = 0;
  forgetHeldInput();
  clearEcho();
  runMouseCommand(",mougo,");
  unlockInterpreter();
  fuzzResetPlatform();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  startFresh();
  const uint8_t setting = data[0];
  interpretation = (setting & 0x20) ? INTERPRETATION_UNICODE : (setting & 1);
  fuzzSetUnicodeInput((setting & 0x40) == 0);
  fuzzSetCapsLock((setting & 0x80) != 0);
  fuzzSetSystemLanguage((setting & 2) ? 0x0407 : 0x0409);
  aboutOpen = (setting & 4) ? 1 : 0;
  const int ticks = (setting >> 3) & 3;

  for (size_t i = 1; i < size; ++i) {
    onLinkByte(data[i]);
    checkInvariants();
  }
  for (int i = 0; i < ticks && fuzzGlideArmed(); ++i) {
    fuzzSetInGlideTick(true);
    glideTick();
    fuzzSetInGlideTick(false);
  }
  checkInvariants();
  return 0;
}
