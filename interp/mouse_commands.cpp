#include "mouse_commands.h"

#include "interp.h"

// Placeholder until mouse commands are built.
void runMouseCommand(const char*) {}
int buttonEventFlags(const char*, int) { return 0; }
void parseGlideDirection(const char**, int* dx, int* dy) { *dx = 0; *dy = 0; }
GlideDelta currentGlideDelta() { return GlideDelta{0, 0}; }
void glideTick() {}
