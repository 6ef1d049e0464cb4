// Bytes 128..255, typed with Alt and the numeric keypad.
#pragma once

void typeExtendedByte(unsigned char b);
void typeExtendedChar(unsigned char v);
