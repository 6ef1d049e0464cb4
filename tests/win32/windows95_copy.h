// Running a test program again as the Windows 95 family: Wine reports that
// family to a program whose per-program version is "win98", read when the
// process starts. The setting is made for this program's file name only and
// removed when the copy ends, so it never outlives the run.
#pragma once

// Whether this process sees itself on the Windows 95 family.
bool isWindows95Family();

// Starts this program again with arguments appended to its command line,
// as the Windows 95 family, and waits for it at most two minutes. Returns
// its exit code, or 1 when it could not be started or did not end in time.
int runCopyAsWindows95Family(const char* arguments = "");

// The exit code of a copy that cannot run its checks here: the test
// programs' "skipped" code, which the parent reports as a skip rather than
// counting it as a pass.
const int CopySkipped = 77;

// Ends the copy with CopySkipped after saying why on standard error.
[[noreturn]] void skipCopy(const char* reason);
