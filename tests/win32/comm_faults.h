// Link-time stand-ins for calls the serial link makes while it opens a port
// and reads, and for the IrDA listener's accept: they forward to the system
// unless a test makes them fail (the reads are counted), the way to provoke an open that fails after the
// port handle exists on a line (a pseudo-terminal) that accepts every
// setting, and an accept that fails on a listening socket.
#pragma once

enum CommFault { NO_COMM_FAULT, FAIL_SET_COMM_TIMEOUTS, FAIL_SET_COMM_STATE, FAIL_ACCEPT };

// Every call of the chosen kind fails until the fault is set back to none.
void setCommFault(CommFault fault);

// The input queue size of the last SetupComm call, which Wine takes without
// acting on it; 0 before any.
unsigned long lastSetupCommInputQueue();

// The overlapped ReadFile calls the process has made (the serial reader's
// reads; the tests' own reads are not overlapped).
unsigned long overlappedReadCount();

// While rate is not 0, ClearCommError reports a framing error whenever bytes
// are queued on a port whose line runs at another rate: a real UART's answer
// to a device sending at rate. 0 puts back the system's answer.
void setLineErrorsExceptAt(unsigned rate);
