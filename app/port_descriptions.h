// Device Manager's names of the serial ports that are present. UI thread.
#pragma once

#include "port_names.h"

const int PortDescriptionSize = 64;

// For every present port COMn of the Ports class, marks present[n - 1] and
// puts its friendly name ("USB Serial Port (COM7)") into descriptions[n - 1],
// cut to fit. Ports without a friendly name keep an empty description;
// nothing else is changed.
void findPortDescriptions(bool present[ComPortNameCount], char (*descriptions)[PortDescriptionSize]);
