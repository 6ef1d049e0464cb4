#include "help_opener.h"

#include <windows.h>

#include <cstring>

int runHelpCommand(const char* commandLine) {
  // CreateProcessA may write into the command line: give it a copy.
  char command[256];
  if (std::strlen(commandLine) >= sizeof command) return 0;
  std::strcpy(command, commandLine);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_MINIMIZE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0;
  // The page's viewer runs on its own; nothing waits for it.
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 1;
}
