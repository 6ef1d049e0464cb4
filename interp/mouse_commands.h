// Mouse commands: tokens that begin with a comma.
#pragma once

struct GlideDelta {
  int dx;
  int dy;
};

void runMouseCommand(const char* token);
int buttonEventFlags(const char* name, int up);
void parseGlideDirection(const char** text, int* dx, int* dy);
GlideDelta currentGlideDelta();
