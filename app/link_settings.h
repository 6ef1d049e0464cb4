// Bringing the serial link and the tray status into line with the settings.
// UI thread only.
#pragma once

class CCommPort;

// Keeps the open port and changes only its rate when the same port is still
// selected (previous is the selection before Configure, null at start-up);
// otherwise closes the port and opens the selected one unless it is IrDA or
// the link is paused.
void applyLinkSettings(CCommPort& port, const char* previous);

// While something else reads the serial ports, the link lets go of its
// port, and of what its device held, and nothing reopens it until every
// reason has ended: then the selected port opens again as after a failure.
enum LinkPauseReason {
  PAUSE_FIND_DEVICE = 1,     // Configure's search reads the ports
  PAUSE_SECURE_DESKTOP = 2,  // a Tavrin on the secure desktop has claimed the device
  PAUSE_OTHER_DESKTOP = 4,   // the input desktop is not this program's (locked, UAC)
};
// The reasons for which the device is handed over to the secure desktop.
const int PAUSE_HAND_OVER = PAUSE_SECURE_DESKTOP | PAUSE_OTHER_DESKTOP;
void pauseSerialLink(CCommPort& port, int reason);
void resumeSerialLink(CCommPort& port, int reason);
// True while any of reasons holds.
bool serialLinkPaused(int reasons = ~0);

// Lets go of everything the device held, on the UI thread, after its link
// has stopped. The release counts as part of the stop: a pause on the other
// link holds the interpreter lock and ends at once instead of holding the
// UI thread for up to 5 seconds.
void releaseAfterLinkStop();

// The tooltip for the current settings and port state (or for the device
// handed over to the secure desktop), composed into
// buffer (128 characters, what the tooltip holds). Returns 1 when it reports
// a port that failed to open.
int trayStatusText(const CCommPort& port, wchar_t* buffer);

// Rewrites the tooltip and removes the failure balloon; warns first when
// the selected serial port is not open.
void updateTrayStatus(const CCommPort& port);
