// The two device links, one of each for the whole run. Defined in link_objects.cpp,
// the serial link first, so that static destruction stops the IrDA listener
// before it closes the serial port.
#pragma once

// The IrDA header brings winsock2.h, which must come before windows.h.
#include "../links/irda_serv.h"
#include "../links/comm_port.h"

extern CCommPort commPort;
extern CIrDAServ irdaServ;
