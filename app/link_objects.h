// The two device links, one of each for the whole run. Defined in main.cpp,
// the serial link first, so that static destruction stops the IrDA listener
// before it closes the serial port.
#pragma once

#include "../links/comm_port.h"
#include "../links/irda_serv.h"

extern CCommPort commPort;
extern CIrDAServ irdaServ;
