#include "unicode_text.h"

#include "assembler.h"
#include "extended_chars.h"
#include "held_input.h"
#include "interp.h"
#include "keystroke.h"
#include "platform.h"

const unsigned short Windows1252Upper[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

unsigned char utf8Bytes[4];
int utf8Count = 0;
int utf8Length = 0;

namespace {

const unsigned SURROGATE_HIGH = 0xD800;
const unsigned SURROGATE_LOW = 0xDC00;

// The length of the sequence a lead byte starts; 0 for a byte that starts
// none (a continuation byte, the overlong leads 0xC0 and 0xC1, and 0xF5 up,
// which would pass U+10FFFF).
int sequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Whether byte may stand at index (1..3) of the sequence that lead starts.
// The second byte's range shuts out overlong forms, the surrogates
// (0xED 0xA0..) and code points above U+10FFFF (0xF4 0x90..), so a sequence
// that is complete is always valid.
bool continues(unsigned char lead, int index, unsigned char byte) {
  unsigned char low = 0x80, high = 0xBF;
  if (index == 1) {
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  return byte >= low && byte <= high;
}

unsigned decode(const unsigned char* bytes, int length) {
  static const unsigned char LeadMask[5] = {0, 0, 0x1F, 0x0F, 0x07};
  unsigned codePoint = bytes[0] & LeadMask[length];
  for (int i = 1; i < length; ++i) codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
  return codePoint;
}

void typeWindows1252(unsigned char byte) {
  const unsigned codePoint = byte >= 0xA0 ? byte : Windows1252Upper[byte - 0x80];
  if (codePoint) typeUnicodeChar(codePoint);
}

void flushPending() {
  const int count = utf8Count;
  utf8Count = 0;
  for (int i = 0; i < count; ++i) typeWindows1252(utf8Bytes[i]);
}

bool continuesPending(unsigned char byte) {
  return interpretation.load(std::memory_order_relaxed) == INTERPRETATION_UNICODE &&
         continues(utf8Bytes[0], utf8Count, byte);
}

}  // namespace

int takeUnicodeByte(unsigned char byte) {
  if (utf8Count > 0) {
    if (continuesPending(byte)) {
      utf8Bytes[utf8Count++] = byte;
      if (utf8Count == utf8Length) {
        utf8Count = 0;
        typeUnicodeChar(decode(utf8Bytes, utf8Length));
      }
      return 1;
    }
    // Cut short: nothing of it is lost, and the byte that cut it in takes
    // effect as usual below.
    flushPending();
  }
  if (byte < 0x80 || assemblerState != ASSEMBLER_NORMAL ||
      interpretation.load(std::memory_order_relaxed) != INTERPRETATION_UNICODE)
    return 0;
  const int length = sequenceLength(byte);
  if (length == 0) {
    typeWindows1252(byte);
    return 1;
  }
  utf8Bytes[0] = byte;
  utf8Count = 1;
  utf8Length = length;
  return 1;
}

void typeUnicodeToken(const char* token) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(token);
  const int length = sequenceLength(bytes[0]);
  // The terminating NUL continues nothing, so a short token stops the loop.
  int i = 1;
  while (i < length && continues(bytes[0], i, bytes[i])) ++i;
  if (length > 0 && i == length) {
    typeUnicodeChar(decode(bytes, length));
  } else {
    typeWindows1252(bytes[0]);
  }
}

int sendUnicodeUnit(unsigned unit) {
  // The key-down is recorded before it goes out, so a release after a
  // worker terminated in between sends its key-up.
  noteUnicodeUnit(unit, 0);
  const int ansi = emitUnicodeUnit(unit, 0);
  if (ansi != 0) {
    noteUnicodeUnit(unit, 1);
    return ansi;
  }
  yieldProcessor();
  noteUnicodeUnit(unit, 1);
  emitUnicodeUnit(unit, 1);
  yieldProcessor();
  return 0;
}

void typeUnicodeChar(unsigned codePoint) {
  // Under Ctrl, Alt or Win no Unicode unit goes out: a character of the
  // layouts' range is a key, any other types nothing.
  if (shortcutPending()) {
    if (codePoint <= 0xFF)
      typeKey(static_cast<int>(codePoint));
    else
      pendingModifiers = 0;
    return;
  }
  unsigned units[2] = {codePoint, 0};
  int count = 1;
  if (codePoint >= 0x10000) {
    const unsigned offset = codePoint - 0x10000;
    units[0] = SURROGATE_HIGH + (offset >> 10);
    units[1] = SURROGATE_LOW + (offset & 0x3FF);
    count = 2;
  }
  for (int i = 0; i < count; ++i) {
    // Without Unicode input the seam sends nothing and answers with the
    // character's ANSI code, or -1 when the code page lacks it (always for
    // a surrogate): the character is then typed that way or not at all.
    const int ansi = sendUnicodeUnit(units[i]);
    if (ansi != 0) {
      if (ansi > 0) typeExtendedChar(static_cast<unsigned char>(ansi));
      return;
    }
  }
}

void resetUnicodeDecoder() {
  utf8Count = 0;
  utf8Length = 0;
}
