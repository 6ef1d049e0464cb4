// Link-time stand-ins for the settings tests: registry writes and deletes
// that fail on purpose for one value name, a help page recorder, and the two
// link objects that the program's entry point defines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Value name whose write (or delete) fails, or null for none.
extern const char* failingValueName;
// Names of the values written through the store, in order.
extern std::vector<std::string> writtenValues;

extern int helpPageOpened;

// The LSA secret calls, in order: "store NAME=TEXT" or "delete NAME". A store
// of the secret named by failingValueName fails.
extern std::vector<std::string> secretCalls;

// The tooltip the tray record holds now.
std::string trayTip();

void resetStandIns();

// A clean start for a settings test: no program values in the registry,
// fresh stand-ins, an empty settings record, interpretation 1 and the
// platform facts of the running system.
void startFromCleanSettings();
