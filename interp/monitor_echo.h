// The About monitor's echo of received bytes.
#pragma once

// The monitor text: a zero-terminated string from the first byte. Index 255
// is never written with anything but zero, so the text always ends inside.
extern char echoBuffer[256];
// Where the next echoed byte goes, 0..254.
extern int echoPos;

// Appends one received byte to the echo text and hands the text to the
// About box, all under the interpreter lock; nothing in it waits for the
// About box.
void echoByte(int byte);

// Empties the echo text. Called with the interpreter lock held.
void clearEcho();
