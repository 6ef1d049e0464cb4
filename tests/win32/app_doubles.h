// Link-time stand-ins for the window procedure's tests: both link classes
// record what the window procedure asks of them and answer as scripted, and
// the shell's tray entry point records every record it is given.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// Every link operation, in order: "closePort(0)", "openPort(COM3,5,1)",
// "stopListener", "startListener".
extern std::vector<std::string> linkCalls;
// Results of the next openPort and startListener calls; 0 means failure.
extern int nextOpenResult;
extern int nextStartResult;
// What isOpen answers.
extern int portIsOpen;
// What readerFailed answers; 1 after a reset, as when a report is genuine.
// Like the real port, every openPort and closePort clears it.
extern int portReaderFailed;

// Product names openHelpPage was called with, in order.
extern std::vector<std::string> helpPagesOpened;

struct TrayCall {
  DWORD operation;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
  NOTIFYICONDATAA record;
};
extern std::vector<TrayCall> trayCalls;

void resetDoubles();
