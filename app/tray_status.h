// The tray icon's record and the texts it shows. UI thread only.
#pragma once

#include <windows.h>
#include <shellapi.h>

// Laid out at the largest size the program knows; cbSize tells the shell
// how much of it to read.
extern NOTIFYICONDATAW trayIconData;

// DllGetVersion of a system library. Both outputs are set to 0 first and
// stay 0 when the library, the export or the call fails; either may be null.
void getModuleVersion(const char* dllName, DWORD* major, DWORD* minor);

// The record size the shell of this major version understands.
DWORD trayRecordSize(DWORD shellMajor);

// True when the record carries the balloon fields.
bool trayHasBalloon();

// Fills the record for window and adds the icon, showing "Tavrin".
void addTrayIcon(HWND window, HINSTANCE instance);
// Adds the icon again with whatever it shows now: the shell has restarted.
void readdTrayIcon();
// Asks the shell for NOTIFYICON_VERSION_4 notifications (after every add).
void askForVersion4();
// True when the shell took it: the event is then in the low word of lParam
// and the icon's place (or the click's) in wParam.
bool trayUsesVersion4();
// Gives the keyboard focus back to the notification area.
void focusTrayIcon();
// Removes the icon for good (the window is closing).
void removeTrayIcon();

// The texts below go into the record, and reach the shell only while the
// icon shows: never on the secure desktop, nor after the icon's removal.

// The tooltip becomes tip (cut to what szTip holds), any balloon goes.
void showTrayText(const wchar_t* tip);

// The tooltip of an open serial port: "Tavrin: COM2 @ 9600 Baud".
void showPortStatus(const char* portName, unsigned baudRate);

// The tooltip of the IrDA link: "Tavrin: IrDA".
void showIrdaStatus();

// A link could not be brought back: "Tavrin: Please configure" (unless keepTip:
// the tooltip still tells of a link that works) and, where the record has
// the balloon fields, a balloon naming the failed link ("COM3", "IrDA").
void showLinkFailure(const char* linkName, bool keepTip = false);

// A balloon saying that the window titled title drops Tavrin's input; the
// title is cut to fit. The tooltip and any link failure balloon stay as
// they are for the next status update.
void showBlockedBalloon(const wchar_t* title);

// What the device holds: sentence on a line of its own after the link's
// status (nothing when empty: the tooltip is then the status alone), and
// icon in place of the program's own (null for the program's own). The
// caller keeps icon alive until the next call.
void showTrayHeld(const wchar_t* sentence, HICON icon);
