// Interpretation 2, "Unicode (UTF-8)": bytes 128..255 read as UTF-8 and
// each character typed as Unicode input, one key-down and key-up per UTF-16
// unit. What is not valid UTF-8 types as Windows-1252, byte by byte.
#pragma once

const int INTERPRETATION_UNICODE = 2;

// The Unicode character of each Windows-1252 byte 0x80..0x9F; 0 for the
// five bytes that code page leaves unassigned. From 0xA0 up a byte is its
// own character.
extern const unsigned short Windows1252Upper[32];

// The UTF-8 sequence collected so far in the normal state: its bytes, how
// many have arrived (0 when none is pending) and how many it needs.
extern unsigned char utf8Bytes[4];
extern int utf8Count;
extern int utf8Length;

// Offers one byte to the UTF-8 decoder, before the assembler sees it.
// A pending sequence that the byte does not continue is typed first as its
// Windows-1252 characters. Returns 1 when the byte was taken (a part of a
// sequence, a complete character, or an invalid byte typed as 1252), 0 when
// the assembler is to handle it as usual. Takes bytes only in interpretation
// 2 while the assembler is outside a sequence.
int takeUnicodeByte(unsigned char byte);

// Types the leading UTF-8 character of a token whose first byte is 128 or
// above; an invalid or incomplete one types the first byte as 1252.
void typeUnicodeToken(const char* token);

// Types one character as Unicode input. Where the system has no Unicode
// input the seam gives its ANSI code instead, which goes out by Alt and the
// keypad, or nothing when the code page lacks it.
void typeUnicodeChar(unsigned codePoint);

// Types one UTF-16 unit as Unicode input, key-down and key-up. Returns 0
// when it went out; where the system has no Unicode input nothing is sent
// and the answer is the unit's ANSI code (1..255), or -1.
int sendUnicodeUnit(unsigned unit);

// Nothing pending, as at start-up.
void resetUnicodeDecoder();
