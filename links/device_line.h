// The line a device is read on, shared by the serial link and the port
// search, so that a port found by the search is listened to exactly as the
// link will listen to it.
#pragma once

#include <windows.h>

// Sets dcb to 8N1 at rate, DTR and RTS on, no flow control and no error
// handling that would stop the line; the other fields stay as read.
void setDeviceLine(DCB& dcb, DWORD rate);
