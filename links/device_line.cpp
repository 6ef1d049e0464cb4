#include "device_line.h"

#include <string.h>

namespace {

static_assert(sizeof(DCB) == 28, "the line settings record has its Win32 size");

// The flag word follows DCBlength and BaudRate. Keeping fTXContinueOnXoff
// and the reserved bits, it ends with fBinary, fParity, DTR and RTS enabled
// and every flow-control and error-handling flag cleared.
const size_t DcbFlagsOffset = 2 * sizeof(DWORD);
const DWORD DcbFlagsKept = 0xFFFF9093;
const DWORD DcbFlagsSet = 0x00001013;

void setLineFlags(DCB& dcb) {
  DWORD flags;
  memcpy(&flags, reinterpret_cast<char*>(&dcb) + DcbFlagsOffset, sizeof flags);
  flags = (flags & DcbFlagsKept) | DcbFlagsSet;
  memcpy(reinterpret_cast<char*>(&dcb) + DcbFlagsOffset, &flags, sizeof flags);
}

}  // namespace

void setDeviceLine(DCB& dcb, DWORD rate) {
  dcb.BaudRate = rate;
  setLineFlags(dcb);
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
}
