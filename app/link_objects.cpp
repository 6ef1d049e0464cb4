#include "link_objects.h"

// One translation unit fixes the order: the serial link is constructed
// first and destroyed last, after the IrDA listener has stopped.
CCommPort commPort;
CIrDAServ irdaServ;
