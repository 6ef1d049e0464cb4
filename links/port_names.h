// The serial port names the program can select: "COM1" to "COM256".
#pragma once

// One constant name per port. A selection points at one of these, so two
// selections name the same port exactly when they are the same pointer.
const int ComPortNameCount = 256;
extern const char* const ComPortNames[ComPortNameCount];

// The constant name of the port that text names: "COM" in any case followed
// by the decimal port number, 1 to 256 (leading zeros allowed, as "COM09").
// Null when text names no such port.
const char* comPortName(const char* text);
