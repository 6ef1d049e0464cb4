// The serial ports the system reports as present. UI thread only.
#pragma once

#include "port_names.h"

// Marks present[n - 1] for every port COMn listed under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM; values whose data names no port from
// COM1 to COM256 are passed over. Entries not listed are left as they are.
void findSystemPorts(bool present[ComPortNameCount]);
