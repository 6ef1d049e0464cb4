#include "monitor_echo.h"

#include "interp.h"

std::atomic<int> aboutOpen{0};

// Placeholder until the About monitor is built.
void echoByte(int) {}
void clearEcho() {}
