#include "assembler.h"

#include <cstring>

#include "extended_chars.h"
#include "interp.h"
#include "key_names.h"
#include "keystroke.h"
#include "mouse_commands.h"
#include "unicode_text.h"

int assemblerState = ASSEMBLER_NORMAL;
char CommandBuffer[64];
int commandStart = 0;
int writePos = 0;

namespace {

const unsigned char ESC = 27;
const unsigned char SPACE = ' ';
const unsigned char FULL_STOP = '.';

const int VK_CONTROL = 0x11;
const int VK_MENU = 0x12;
const int VK_LWIN = 0x5B;

enum ModifierCommand { LOCK, RELEASE, HOLD, COMBINE };

struct CommandWord {
  const char* test;  // lower case; the sequence must begin with it
  int stripped;      // characters dropped before the modifier names
  ModifierCommand command;
};

// Tried in this order. ",lock" and ",rel" are recognised without their
// comma, but the comma's place is stripped all the same.
const CommandWord CommandWords[] = {
    {",lock", 6, LOCK},
    {",rel", 5, RELEASE},
    {",hold,", 6, HOLD},
    {",combine,", 9, COMBINE},
};

struct ModifierName {
  const char* name;  // lower case
  ModifierSet bit;
};

// Tried in this order, each as a prefix: "altgr" reads as alt, then "gr".
const ModifierName ModifierNames[] = {
    {"alt", MODIFIER_ALT},       {"ralt", MODIFIER_ALT},         {"lalt", MODIFIER_ALT},
    {"ctrl", MODIFIER_CTRL},     {"lctrl", MODIFIER_CTRL},       {"rctrl", MODIFIER_CTRL},
    {"control", MODIFIER_CTRL},  {"lcontrol", MODIFIER_CTRL},    {"rcontrol", MODIFIER_CTRL},
    {"shift", MODIFIER_SHIFT},   {"lshift", MODIFIER_SHIFT},     {"rshift", MODIFIER_SHIFT},
    {"leftwinkey", MODIFIER_WIN}, {"rightwinkey", MODIFIER_WIN},
};

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive test that text begins with word (lower case); returns the
// word's length, or 0 when it does not.
int prefixLength(const char* text, const char* word) {
  int n = 0;
  for (; word[n]; ++n)
    if (lowerAscii(text[n]) != word[n]) return 0;
  return n;
}

bool isPlainControlByte(unsigned char byte) {
  return byte >= 1 && byte <= 31 && byte != 8 && byte != 9 && byte != 10 && byte != 12 && byte != 13;
}

const char* yieldCharacter(unsigned char byte) {
  // Control bytes other than BS, TAB, LF, FF and CR stand for the letter or
  // sign 0x40 above them.
  if (isPlainControlByte(byte)) byte |= 0x40;
  CommandBuffer[0] = static_cast<char>(byte);
  CommandBuffer[1] = '\0';
  return CommandBuffer;
}

void lockModifier(ModifierSet bit) {
  // A locked Shift takes effect through the presses around every key; the
  // others go down now, once.
  if (!(lockedModifiers & bit)) {
    if (bit == MODIFIER_CTRL) sendKeyEvent(0, VK_CONTROL);
    if (bit == MODIFIER_ALT) sendKeyEvent(0, VK_MENU);
    if (bit == MODIFIER_WIN) {
      extendedKeyFlag = 1;
      sendKeyEvent(0, VK_LWIN);
      extendedKeyFlag = 0;
    }
  }
  lockedModifiers |= bit;
}

const ModifierName* matchModifierName(const char* text) {
  for (const ModifierName& m : ModifierNames)
    if (prefixLength(text, m.name)) return &m;
  return nullptr;
}

// Reads the modifier names at the front of names, applying the command to
// each. Returns the text after the last name.
const char* runModifierNames(ModifierCommand command, const char* names) {
  ModifierSet releaseMask = 0;
  const ModifierName* m;
  while ((m = matchModifierName(names)) != nullptr) {
    names += std::strlen(m->name);
    if (*names == ',') ++names;
    switch (command) {
      case LOCK:
        lockModifier(m->bit);
        break;
      case RELEASE:
        releaseMask |= m->bit;
        break;
      case HOLD:
      case COMBINE:
        pendingModifiers ^= m->bit;
        break;
    }
  }
  if (command == RELEASE) releaseLocked(releaseMask);
  return names;
}

const char* evaluateSequence() {
  const char* sequence = CommandBuffer + commandStart;
  // A byte 0 inside the sequence ends its text there.
  const int length = static_cast<int>(std::strlen(sequence));
  for (const CommandWord& word : CommandWords) {
    if (!prefixLength(sequence, word.test)) continue;
    // A bare ",lock" or ",rel" is shorter than what is stripped: its list of
    // names is empty, not whatever an older sequence left behind the end.
    const int stripped = word.stripped < length ? word.stripped : length;
    const char* rest = runModifierNames(word.command, sequence + stripped);
    if (word.command != COMBINE) return nullptr;
    std::memmove(CommandBuffer, rest, std::strlen(rest) + 1);
    return CommandBuffer;
  }
  return sequence;
}

const char* assembleNormal(unsigned char byte) {
  commandStart = 0;
  writePos = 0;
  if (byte == ESC) {
    assemblerState = ASSEMBLER_ESCAPE;
    CommandBuffer[0] = '\0';
    return nullptr;
  }
  return yieldCharacter(byte);
}

const char* assembleEscape(unsigned char byte) {
  if (byte == ESC) {
    commandStart = 0;
    writePos = 0;
    CommandBuffer[0] = '\0';
    return nullptr;
  }
  if (byte == SPACE) return nullptr;
  if (byte != FULL_STOP && writePos < COMMAND_LIMIT) {
    CommandBuffer[writePos++] = static_cast<char>(byte);
    CommandBuffer[writePos] = '\0';
    return nullptr;
  }
  // A full stop, or any other byte once the sequence is full (that byte is
  // dropped), ends the sequence.
  CommandBuffer[writePos] = '\0';
  assemblerState = ASSEMBLER_NORMAL;
  return evaluateSequence();
}

}  // namespace

const char* SequenceAssembler(unsigned char byte) {
  if (assemblerState == ASSEMBLER_ESCAPE) return assembleEscape(byte);
  return assembleNormal(byte);
}

void dispatchToken(const char* token) {
  const unsigned char first = static_cast<unsigned char>(token[0]);
  if (first == ',' && token[1] != '\0') {
    runMouseCommand(token);
    return;
  }
  if (first >= 128) {
    // Unicode text types the token's whole leading character; the other
    // interpretations take only its first byte.
    if (interpretation.load(std::memory_order_relaxed) == INTERPRETATION_UNICODE)
      typeUnicodeToken(token);
    else
      typeExtendedByte(first);
    return;
  }
  KeyCode code;
  lookupKeyName(&code, token);
  typeKey(code);
}

void resetSequenceAssembler() {
  assemblerState = ASSEMBLER_NORMAL;
  commandStart = 0;
  writePos = 0;
  std::memset(CommandBuffer, 0, sizeof CommandBuffer);
  resetUnicodeDecoder();
}
