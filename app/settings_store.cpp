#include "settings.h"

Settings settings;
int configureOpen = 0;
const char IrdaPortName[] = "IrDA";

// Placeholder until the settings store is built.
void configureSettings(bool) {}
