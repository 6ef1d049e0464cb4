// The About monitor's echo of received bytes.
#pragma once

// Appends one received byte to the echo text and hands the text to the
// About box. Takes the interpreter lock only while it changes the text, so
// the wait for the About box happens with no lock held.
void echoByte(int byte);

// Empties the echo text. Called with the interpreter lock held.
void clearEcho();
