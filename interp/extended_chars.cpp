#include "extended_chars.h"

#include "interp.h"
#include "keystroke.h"
#include "platform.h"

std::atomic<int> interpretation{0};

const unsigned char AsciiToAnsiTable[128] = {
    // 0x80
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7,
    0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,
    // 0x90
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9,
    0xFF, 0xD6, 0xDC, 0xA2, 0xA3, 0xA5, 0x00, 0x83,
    // 0xA0
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA,
    0xBF, 0x00, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,
    // 0xB0..0xDF: box drawing and shading, nothing in ANSI
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xE0: Greek and mathematics; phi stands in for o-slash
    0x00, 0xDF, 0x00, 0x00, 0x00, 0x00, 0xB5, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x00, 0x00,
    // 0xF0
    0x00, 0xB1, 0x00, 0x00, 0x00, 0x00, 0xF7, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

namespace {

const int VK_ALT = 0x12;
const int VK_NUMPAD0 = 0x60;
const int ALT_BIT = 0x04;
const int LANG_GERMAN = 0x07;
const unsigned char ANSI_EURO = 0x80;
const unsigned char ANSI_C_CEDILLA = 0xC7;

void tapKeypadDigit(int digit) {
  sendKeyEvent(0, VK_NUMPAD0 + digit);
  sendKeyEvent(1, VK_NUMPAD0 + digit);
}

}  // namespace

void typeExtendedByte(unsigned char b) {
  if (b == 0xF0) b = 0x80;
  if (interpretation.load(std::memory_order_relaxed) == 0 && b >= 0x80) {
    b = AsciiToAnsiTable[b - 0x80];
    // On a German system the code that would give C-cedilla types the euro
    // sign (ANSI 0x80) instead. The language is asked only on this path.
    if (b == ANSI_C_CEDILLA && (readSystemLanguage() & 0xFF) == LANG_GERMAN) b = ANSI_EURO;
  }
  typeExtendedChar(b);
}

void typeExtendedChar(unsigned char v) {
  sendKeyEvent(0, VK_ALT);
  // The leading zero makes Windows read the code in the ANSI code page.
  tapKeypadDigit(0);
  tapKeypadDigit(v / 100);
  tapKeypadDigit(v % 100 / 10);
  tapKeypadDigit(v % 10);
  if (!(lockedModifiers & ALT_BIT)) sendKeyEvent(1, VK_ALT);
}
