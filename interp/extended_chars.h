// Bytes 128..255, typed with Alt and the numeric keypad.
#pragma once

// The device's extended-ASCII set (IBM PC code page 437) as Windows ANSI
// codes, indexed by byte - 128; 0 where ANSI has no such character.
extern const unsigned char AsciiToAnsiTable[128];

// Maps a byte of 128 or above to an ANSI code (translating it first when the
// device sends extended ASCII) and types it.
void typeExtendedByte(unsigned char b);

// Types one character by its decimal code: Alt + keypad 0 + three digits.
void typeExtendedChar(unsigned char v);
