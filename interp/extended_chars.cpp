#include "extended_chars.h"

#include "interp.h"

std::atomic<int> interpretation{0};

// Placeholder until extended characters are built.
void typeExtendedByte(unsigned char) {}
void typeExtendedChar(unsigned char) {}
