// The commands in tokens that begin with a comma: the mouse commands, and
// ",clear" and ",wait," that act on what the device holds and on its timing.
#pragma once

struct GlideDelta {
  int dx;
  int dy;
};

// Runs the command in a token that begins with "," and is longer than
// one character; a token that names no command does nothing.
void runMouseCommand(const char* token);

// The mouse event flag that presses (up == 0) or releases the button named
// by the whole of name ("left", "middle", "right", any case); 0 otherwise.
int buttonEventFlags(const char* name, int up);

// Reads a lower-case direction word with its comma ("upleft,") at the front
// of *text into a unit step and moves *text past it; (0, 0) and *text
// unchanged when the text begins with no direction word.
void parseGlideDirection(const char** text, int* dx, int* dy);

// The glide step as one consistent pair (both components from the same
// glide command).
GlideDelta currentGlideDelta();
