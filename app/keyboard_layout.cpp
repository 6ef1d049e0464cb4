#include "keyboard_layout.h"

#include "platform.h"

namespace {

const UINT DEAD_KEY_BIT = 0x80000000u;
// ToUnicodeEx leaves the keyboard state alone (Windows 10 1607 on).
const UINT KEEP_KEYBOARD_STATE = 0x4;

// Whether the key vk in the shift state (1 Shift, 2 Ctrl, 4 Alt) is a dead
// key. MapVirtualKeyExW answers for the key's plain state; a shifted or AltGr
// state only ToUnicodeEx can tell, which letters and digits never need.
bool isDeadKey(UINT vk, int shift, WCHAR character, HKL layout) {
  if (shift == 0) return (MapVirtualKeyExW(vk, MAPVK_VK_TO_CHAR, layout) & DEAD_KEY_BIT) != 0;
  if (IsCharAlphaNumericW(character)) return false;
  BYTE state[256] = {};
  if (shift & 1) state[VK_SHIFT] = 0x80;
  if (shift & 2) state[VK_CONTROL] = 0x80;
  if (shift & 4) state[VK_MENU] = 0x80;
  const UINT scan = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout);
  WCHAR text[4];
  if (ToUnicodeEx(vk, scan, state, text, 4, KEEP_KEYBOARD_STATE, layout) >= 0) return false;
  // Where the flag is not known the call left the dead key pending; the
  // same key once more types it and takes it away again.
  ToUnicodeEx(vk, scan, state, text, 4, KEEP_KEYBOARD_STATE, layout);
  return true;
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

int layoutKeyOf(WCHAR character, HKL layout) {
  const SHORT answer = VkKeyScanExW(character, layout);
  if (answer == -1) return -1;
  const UINT vk = LOBYTE(answer);
  const int shift = HIBYTE(answer);
  return static_cast<USHORT>(answer) | (isDeadKey(vk, shift, character, layout) ? LAYOUT_DEAD_KEY : 0);
}
