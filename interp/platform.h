// The interpreter's only way out to the operating system.
//
// Three implementations are chosen at link time: app/win32_input.cpp (the real
// Win32 calls), the unit tests' recorder and tavrin-replay's printer. Keeping
// the choice at link time keeps the byte path free of indirection and keeps
// every Windows header out of interp/.
#pragma once

#include <cstdint>

// keybd_event: virtual key, scan code, KEYEVENTF_* flags, extra information.
void emitKeyEvent(int vk, int scan, unsigned flags, uint32_t extra);

// One UTF-16 unit as Unicode input (SendInput with KEYEVENTF_UNICODE), a
// key-down (up == 0) or a key-up. Returns 0 when it was sent. A system
// without Unicode input (the Windows 95 family) sends nothing and returns
// the unit's code in the ANSI code page (1..255), or -1 when the code page
// has no such character; a surrogate is always -1. A key-down the system
// refuses also gives -1: the rest of the character is then not sent.
int emitUnicodeUnit(unsigned unit, int up);

// mouse_event with extra information 0. wheel is the event's data: the
// wheel amount in multiples of WHEEL_DELTA (120) for MOUSEEVENTF_WHEEL and
// MOUSEEVENTF_HWHEEL, 0 for every other event.
void emitMouseEvent(unsigned flags, int dx, int dy, int wheel);

// Places the pointer on pixel (x, y) of the primary monitor, clamped to it,
// with one absolute move whose coordinates land exactly on that pixel.
void placePointer(int x, int y);

// Holds the calling link thread for ms milliseconds (1..5000) with the
// interpreter lock held, so everything that follows waits. Ends at once
// when a link is being stopped, so that a stop never waits for a pause.
void pauseTyping(int ms);

// A keyboard layout as the system names it (an HKL on Windows), handed back
// unchanged to the calls that take one.
typedef uintptr_t KeyboardLayout;

// The layout of the window that a key sent now lands in. The answer is kept
// until the focus or the foreground window changes, or until Tavrin's own
// input may have moved them (inputMayMoveFocus).
KeyboardLayout layoutInFront();

// layoutInFront for the next character of text: after input that may have
// moved the focus, first waits until the system has processed that input
// and the foreground has settled, at most about 100 ms after the input.
KeyboardLayout layoutForText();

// Tavrin has just sent input that may move the keyboard focus or change
// Caps Lock (a shortcut, Enter, Esc, Tab, Caps Lock, a click): no answer
// about the focus or Caps Lock taken before it serves after it, and the
// next character of text waits for the foreground to settle.
void inputMayMoveFocus();

// The scan code of virtual key vk on layout (MapVirtualKeyExW, virtual key to
// scan code), 0 if none.
int scanCodeOf(KeyboardLayout layout, int vk);

// The virtual key of the key with scan code scan on layout (MapVirtualKeyExW,
// scan code to virtual key), 0 if none.
int virtualKeyAt(KeyboardLayout layout, int scan);

// The bits of LayoutKey::shiftState that Tavrin can press; VkKeyScanExW may
// answer others that a layout defines for keys of its own.
const int SHIFT_STATE_SHIFT = 1;
const int SHIFT_STATE_CTRL = 2;
const int SHIFT_STATE_ALT = 4;

// LayoutKey::flags: the key is a dead key (pressed, it would wait for the
// next key and combine with it), and Caps Lock inverts the Shift of the key
// (letters, and on some layouts digits and signs; may be left out while Caps
// Lock is off, where it does not matter).
const unsigned LAYOUT_DEAD_KEY = 0x1;
const unsigned LAYOUT_CAPS_KEY = 0x2;

// vk of a LayoutKey when no key of the layout types the character.
const int NO_KEY = -1;

// The key that types a character on a layout.
struct LayoutKey {
  int vk;          // virtual key 0..255, or NO_KEY
  int shiftState;  // VkKeyScanExW's shift state: SHIFT_STATE_* and others
  unsigned flags;  // LAYOUT_DEAD_KEY, LAYOUT_CAPS_KEY
};

// The key that types the character c (U+0000..U+00FF) on layout.
LayoutKey keyForCharacter(KeyboardLayout layout, unsigned char c);

// 1 while Caps Lock is on, else 0. Never a reading older than Tavrin's own
// last Caps Lock key.
int capsLockOn();

// GetSystemDefaultLangID.
int readSystemLanguage();

// Sleep(0) after every key event, so the receiving application can run.
void yieldProcessor();

// Arms (or re-arms, restarting its period) and stops the 125 ms glide timer.
// The Win32 side forwards both to the UI thread, which owns the timer.
void armGlideTimer();
void stopGlideTimer();

// The one interpreter lock that serializes the two link threads. The Win32
// side uses a mutex object so that a worker terminated while holding it
// cannot silence the other link for good. Returns 1 when the lock's last
// owner ended while holding it (a terminated worker: what it pressed may be
// stranded), else 0.
int lockInterpreter();
void unlockInterpreter();

// Hands the About monitor's text to the About box, with the interpreter lock
// held. Never waits for the About box: the Win32 side keeps a copy and
// posts a notice, and the box reads the copy without the interpreter lock.
void showMonitorText(const char* text);

// Hands what the device holds (the value described in held_input.h) to the
// tray, with the interpreter lock held, each time it changes. Never waits:
// the Win32 side publishes the value and posts one notice to the main
// window.
void showHeldState(unsigned held);
