// Runs one command line that opens the help page.
#pragma once

// Starts commandLine (no application name, handles not inherited, the
// caller's environment and directory, its window minimized) and lets it run
// on its own. Returns 1 when the process was created, 0 otherwise.
int runHelpCommand(const char* commandLine);
