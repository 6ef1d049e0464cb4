// Wine has no integrity levels: these stand-ins for advapi32's import slots
// answer the integrity level of every process other than the test's own
// pseudo-handle as the test sets it, and the test's own as medium.
#pragma once

#include <windows.h>

// The level other processes' tokens report; SECURITY_MANDATORY_MEDIUM_RID
// until a test changes it.
extern DWORD otherProcessIntegrity;
