// Window messages and timers of the main window.
#pragma once

// Posted by the shell for tray icon mouse actions.
#define MSG_TRAY_NOTIFY    0x8000
// Posted by the About monitor's echo from a link thread to the About box:
// new text is there for takeMonitorText.
#define MSG_MONITOR_TEXT   0x8001
// Posted by the links' status callbacks.
#define MSG_SERIAL_STATUS  0x8002
#define MSG_IRDA_STATUS    0x8003
// Posted by a link thread asking the UI thread to arm (wParam 1) or stop
// (wParam 0) the glide timer: only the window's own thread may set its timers.
#define MSG_GLIDE_TIMER    0x8004
// Posted from the thread about to send input: the foreground window in
// wParam runs as administrator and will not receive it.
#define MSG_INPUT_BLOCKED  0x8005
// Posted by the main window to itself for a device event of the selected
// port (wParam DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE).
#define MSG_PORT_EVENT     0x8006

// Posted by a link thread when what the device holds has changed; the
// main window reads it with takeHeldState.
#define MSG_HELD_STATE     0x8008

#define TIMER_PORT_RETRY   0
#define TIMER_PORT_RETRY_MS 5000
// The retry on the secure desktop, and just after the device came back from
// there: the port is free again within moments.
#define TIMER_PORT_RETRY_QUICK_MS 250
#define TIMER_MOUSE_GLIDE  1
#define TIMER_MOUSE_GLIDE_MS 125
// Whether the input desktop is still this program's: the safety net for
// systems that tell of no desktop switch.
#define TIMER_DESKTOP_CHECK 2
#define TIMER_DESKTOP_CHECK_MS 500
// Shows what the device holds once the tray's last change is 50 ms old.
#define TIMER_HELD_STATE   3
#define TIMER_HELD_STATE_MS 50
#define TIMER_SPLASH       104
#define TIMER_SPLASH_MS    3000

// Posted by the port search's worker to the Configure dialog: wParam the
// event (PortSearchEvent), lParam the number of the search it belongs to.
#define MSG_SEARCH_REPORT  0x8007

// Posted by the hand-over watcher of the person's Tavrin (app/hand_over.cpp):
// wParam 1 when a Tavrin on the secure desktop has taken the device, 0 when
// it has ended.
#define MSG_HAND_OVER      0x8010
// Posted by the desktop-switch hook: the input desktop may have changed.
#define MSG_DESKTOP_CHECK  0x8011
