#include "keyboard_layout.h"

#include "platform.h"

namespace {

const UINT DEAD_KEY_BIT = 0x80000000u;
// ToUnicodeEx leaves the keyboard state alone (Windows 10 1607 on).
const UINT KEEP_KEYBOARD_STATE = 0x4;

// What the key vk types in the shift state (1 Shift, 2 Ctrl, 4 Alt), with
// Caps Lock on or off: ToUnicodeEx's count, -1 for a dead key, and its first
// character in *typed.
int typedByKey(UINT vk, int shift, bool capsLock, HKL layout, WCHAR* typed) {
  BYTE state[256] = {};
  if (shift & 1) state[VK_SHIFT] = 0x80;
  if (shift & 2) state[VK_CONTROL] = 0x80;
  if (shift & 4) state[VK_MENU] = 0x80;
  if (capsLock) state[VK_CAPITAL] = 0x01;
  const UINT scan = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout);
  WCHAR text[4] = {};
  const int count = ToUnicodeEx(vk, scan, state, text, 4, KEEP_KEYBOARD_STATE, layout);
  *typed = text[0];
  // Where the flag is not known the call left the dead key pending; the
  // same key once more types it and takes it away again.
  if (count < 0) ToUnicodeEx(vk, scan, state, text, 4, KEEP_KEYBOARD_STATE, layout);
  return count;
}

// Whether the key vk in the shift state is a dead key. MapVirtualKeyExW
// answers for the key's plain state; a shifted or AltGr state only
// ToUnicodeEx can tell, which letters and digits never need.
bool isDeadKey(UINT vk, int shift, WCHAR character, HKL layout) {
  if (shift == 0) return (MapVirtualKeyExW(vk, MAPVK_VK_TO_CHAR, layout) & DEAD_KEY_BIT) != 0;
  WCHAR typed;
  return !IsCharAlphaNumericW(character) && typedByKey(vk, shift, false, layout, &typed) < 0;
}

// Whether Caps Lock inverts the Shift of the key: with it on, the same shift
// state types another character (the other case of a letter, or on French
// AZERTY "&" in place of "1").
bool isCapsKey(UINT vk, int shift, WCHAR character, HKL layout) {
  WCHAR typed;
  return typedByKey(vk, shift, true, layout, &typed) > 0 && typed != character;
}

}  // namespace

DWORD focusThread() {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND window = nullptr;
  if (GetGUIThreadInfo(0, &info)) window = info.hwndFocus ? info.hwndFocus : info.hwndActive;
  // A locked or switched desktop has no window in front.
  return window ? GetWindowThreadProcessId(window, nullptr) : 0;
}

LayoutKey layoutKeyOf(WCHAR character, HKL layout, bool askCapsLock) {
  const SHORT answer = VkKeyScanExW(character, layout);
  if (answer == -1) return LayoutKey{NO_KEY, 0, 0};
  LayoutKey key{LOBYTE(answer), HIBYTE(answer), 0};
  if (isDeadKey(key.vk, key.shiftState, character, layout))
    key.flags = LAYOUT_DEAD_KEY;
  else if (askCapsLock && isCapsKey(key.vk, key.shiftState, character, layout))
    key.flags = LAYOUT_CAPS_KEY;
  return key;
}
