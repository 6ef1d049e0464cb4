// Link-time stand-ins for the window procedure's tests: both link classes
// record what the window procedure asks of them and answer as scripted, and
// the shell's tray entry point records every record it is given.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

// Every link operation, in order: "closePort(0)", "openPort(COM3,5,1)",
// "changeBaud(7)", "stopListener", "startListener", and the callbacks as
// "serialBytes(set)", "serialStatus(null)", "irdaBytes(set)", "irdaStatus(null)".
extern std::vector<std::string> linkCalls;
// Called, when set, with each link operation as it is recorded and with
// each tray operation as "tray add", "tray modify" or "tray delete", so a
// test can see the order of the two and the state at each.
extern std::function<void(const std::string&)> onDoubleCall;
// Results of the next openPort and startListener calls; 0 means failure.
extern int nextOpenResult;
extern int nextStartResult;
// What isOpen answers: set by a successful openPort, cleared by closePort.
extern int portIsOpen;
// What readerFailed answers; 1 after a reset, as when a report is genuine.
// Like the real port, every openPort and closePort clears it.
extern int portReaderFailed;

// Product names openHelpPage was called with, in order.
extern std::vector<std::string> helpPagesOpened;

struct TrayCall {
  DWORD operation;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
  NOTIFYICONDATAW record;
};
extern std::vector<TrayCall> trayCalls;

// A text of a Unicode window or tray record as UTF-8, for comparisons.
std::string narrow(const wchar_t* text);

void resetDoubles();
