// A Windows-side helper for the end-to-end tests: a probe window that shows
// what reaches it as typing and what a low-level mouse hook sees, a recorder
// of every injected key event, the keyboard layout of the running system,
// and a way to pick an entry of a dialog's list.
//
//   input-probe window OUTFILE        shows the probe window with the focus
//                                     and rewrites OUTFILE every 100 ms: the
//                                     typed text, a line "--mouse--", then one
//                                     line per injected mouse event
//                                     ("down left", "up right", "move X Y"),
//                                     a line "--keys--", then one line per
//                                     injected modifier key event ("down
//                                     ctrl", "up win"); it takes the focus
//                                     back when it loses it
//   input-probe keys OUTFILE          shows an empty window with the focus
//                                     and appends to OUTFILE, every 100 ms,
//                                     one line per injected key event that a
//                                     low-level keyboard hook sees, in
//                                     tavrin-replay's words ("key down vk=0x41
//                                     scan=0x1e flags=0x0 extra=0x001e0001",
//                                     flags being the keybd_event flags
//                                     extended 0x1 and up 0x2)
//   input-probe layout OUTFILE        writes the keyboard layout of this
//                                     thread as tavrin-replay --layout reads
//                                     it: the key of every character
//                                     U+0000..U+00FF as Tavrin asks for it, a
//                                     dead line for each dead key, a caps
//                                     line for each key Caps Lock flips, and
//                                     MapVirtualKeyExW(vk, 0) of every
//                                     virtual key
//   input-probe select TITLE ID ENTRY selects an entry of the list ID in
//                                     the dialog TITLE: by its index when
//                                     ENTRY is a number (CB_SETCURSEL), else
//                                     the first that begins with ENTRY
//                                     (CB_SELECTSTRING)
//   input-probe unicode-window OUTFILE
//                                     as window, with a Unicode edit field
//                                     and message loop; the text is written
//                                     as UTF-8
//   input-probe list OUTFILE          shows a scrollable list of 200 entries
//                                     with the focus and rewrites OUTFILE
//                                     every 100 ms: "rect L T R B" (its
//                                     client area on the screen), "item H"
//                                     (entry height), "wheellines N" (lines
//                                     a wheel notch scrolls), "top N" (first
//                                     entry shown), "selected N", a line
//                                     "--keys--", then one line per injected
//                                     key-down, "down 0x41 TIME" (the
//                                     event's time in ms)
//
// Exit code 0 on success, 1 otherwise.
#include <windows.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "keyboard_layout.h"
#include "platform.h"

namespace {

const char* outputPath = nullptr;
HWND editField = nullptr;
bool unicodeText = false;
std::string mouseRecords;

LRESULT CALLBACK mouseHook(int code, WPARAM message, LPARAM lParam) {
  const MSLLHOOKSTRUCT* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && (event->flags & LLMHF_INJECTED)) {
    char record[64] = "";
    switch (message) {
      case WM_LBUTTONDOWN: strcpy(record, "down left"); break;
      case WM_LBUTTONUP: strcpy(record, "up left"); break;
      case WM_RBUTTONDOWN: strcpy(record, "down right"); break;
      case WM_RBUTTONUP: strcpy(record, "up right"); break;
      case WM_MBUTTONDOWN: strcpy(record, "down middle"); break;
      case WM_MBUTTONUP: strcpy(record, "up middle"); break;
      case WM_MOUSEMOVE:
        snprintf(record, sizeof record, "move %ld %ld", event->pt.x, event->pt.y);
        break;
    }
    if (record[0]) mouseRecords += std::string(record) + "\n";
  }
  return CallNextHookEx(nullptr, code, message, lParam);
}

std::string unicodeFieldText() {
  const int length = GetWindowTextLengthW(editField);
  std::wstring wide(length + 1, L'\0');
  GetWindowTextW(editField, &wide[0], length + 1);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return "";
  std::string text(bytes, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &text[0], bytes, nullptr, nullptr);
  text.resize(bytes - 1);
  return text;
}

std::string modifierRecords;

const char* modifierName(DWORD vk) {
  switch (vk) {
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: return "ctrl";
    case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT: return "shift";
    case VK_MENU: case VK_LMENU: case VK_RMENU: return "alt";
    case VK_LWIN: case VK_RWIN: return "win";
  }
  return nullptr;
}

// Modifiers only: whether the device left one held is what is checked.
LRESULT CALLBACK modifierHook(int code, WPARAM message, LPARAM lParam) {
  const KBDLLHOOKSTRUCT* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  const char* name = modifierName(event->vkCode);
  if (code == HC_ACTION && (event->flags & LLKHF_INJECTED) && name)
    modifierRecords += std::string((event->flags & LLKHF_UP) ? "up " : "down ") + name + "\n";
  return CallNextHookEx(nullptr, code, message, lParam);
}

std::string fieldText() {
  if (unicodeText) return unicodeFieldText();
  int length = GetWindowTextLengthA(editField);
  std::string text(length + 1, '\0');
  GetWindowTextA(editField, &text[0], length + 1);
  text.resize(length);
  return text;
}

void writeOutput() {
  const std::string text = fieldText();
  std::string temporary = std::string(outputPath) + ".tmp";
  FILE* file = fopen(temporary.c_str(), "wb");
  if (!file) return;
  fprintf(file, "%s\n--mouse--\n%s--keys--\n%s", text.c_str(), mouseRecords.c_str(), modifierRecords.c_str());
  fclose(file);
  MoveFileExA(temporary.c_str(), outputPath, MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      // Balloons and tray clicks may take the activation: typing must keep
      // landing here.
      if (GetForegroundWindow() != window) {
        SetForegroundWindow(window);
        SetFocus(editField);
      }
      writeOutput();
      return 0;
    case WM_SETFOCUS: SetFocus(editField); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A visible top-level window of its own class, for the probe's modes.
HWND createTopWindow(const char* className, const char* title, WNDPROC procedure, int width, int height) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = className;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, width, height, nullptr,
                         nullptr, instance, nullptr);
}

int runProbeWindow(const char* path) {
  outputPath = path;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND window = createTopWindow("TavrinProbe", "Tavrin probe", probeProc, 500, 300);
  const DWORD editStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL;
  editField = unicodeText ? CreateWindowExW(0, L"EDIT", L"", editStyle, 0, 0, 480, 260, window, nullptr, instance, nullptr)
                          : CreateWindowExA(0, "EDIT", "", editStyle, 0, 0, 480, 260, window, nullptr, instance, nullptr);
  if (!window || !editField) return 1;
  SetWindowsHookExA(WH_MOUSE_LL, mouseHook, instance, 0);
  SetWindowsHookExA(WH_KEYBOARD_LL, modifierHook, instance, 0);
  SetForegroundWindow(window);
  SetFocus(editField);
  SetTimer(window, 1, 100, nullptr);
  MSG msg;
  // Characters beyond the ANSI code page reach a Unicode window only
  // through the Unicode message functions.
  while ((unicodeText ? GetMessageW(&msg, nullptr, 0, 0) : GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    if (unicodeText)
      DispatchMessageW(&msg);
    else
      DispatchMessageA(&msg);
  }
  return 0;
}

// --- keys: the key events a low-level hook sees.

std::string keyRecords;

// The hook only formats into memory: a hook that is slow to return is
// skipped by the system, and its event would be missing from the record.
LRESULT CALLBACK keyHook(int code, WPARAM message, LPARAM lParam) {
  const KBDLLHOOKSTRUCT* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && (event->flags & LLKHF_INJECTED)) {
    const bool isUp = (event->flags & LLKHF_UP) != 0;
    const unsigned flags = ((event->flags & LLKHF_EXTENDED) ? KEYEVENTF_EXTENDEDKEY : 0) |
                           (isUp ? KEYEVENTF_KEYUP : 0);
    char record[96];
    snprintf(record, sizeof record, "key %s vk=0x%02lx scan=0x%02lx flags=0x%x extra=0x%08llx\n",
             isUp ? "up" : "down", event->vkCode, event->scanCode, flags,
             static_cast<unsigned long long>(event->dwExtraInfo));
    keyRecords += record;
  }
  return CallNextHookEx(nullptr, code, message, lParam);
}

// Appends what was recorded since the last call; kept for the next call when
// the file cannot be opened now.
void appendKeyRecords() {
  if (keyRecords.empty()) return;
  FILE* file = fopen(outputPath, "ab");
  if (!file) return;
  fwrite(keyRecords.data(), 1, keyRecords.size(), file);
  fclose(file);
  keyRecords.clear();
}

LRESULT CALLBACK keysProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (GetForegroundWindow() != window) SetForegroundWindow(window);
      appendKeyRecords();
      return 0;
    // The keys end here: Alt alone would open the window menu, Alt+F4 would
    // close the recorder.
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_KEYMENU) return 0;
      break;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// An empty window takes the typing and swallows it, so that no key the
// recorded device sends edits text or opens anything.
int runKeyRecorder(const char* path) {
  outputPath = path;
  FILE* file = fopen(path, "wb");
  if (!file) return 1;
  fclose(file);
  HWND window = createTopWindow("TavrinKeyRecorder", "Tavrin key recorder", keysProc, 400, 200);
  if (!window || !SetWindowsHookExA(WH_KEYBOARD_LL, keyHook, GetModuleHandleA(nullptr), 0)) return 1;
  SetForegroundWindow(window);
  SetTimer(window, 1, 100, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

// --- list: a scrollable list for the wheel, the pointer and key timing.

HWND listBox = nullptr;
std::string timedKeys;

LRESULT CALLBACK timedKeyHook(int code, WPARAM message, LPARAM lParam) {
  const KBDLLHOOKSTRUCT* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && (event->flags & LLKHF_INJECTED) && !(event->flags & LLKHF_UP)) {
    char record[48];
    snprintf(record, sizeof record, "down 0x%02lx %lu\n", event->vkCode, static_cast<unsigned long>(event->time));
    timedKeys += record;
  }
  return CallNextHookEx(nullptr, code, message, lParam);
}

void writeListState() {
  RECT client;
  GetClientRect(listBox, &client);
  MapWindowPoints(listBox, nullptr, reinterpret_cast<POINT*>(&client), 2);
  UINT wheelLines = 0;
  SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &wheelLines, 0);
  std::string temporary = std::string(outputPath) + ".tmp";
  FILE* file = fopen(temporary.c_str(), "wb");
  if (!file) return;
  fprintf(file, "rect %ld %ld %ld %ld\nitem %ld\nwheellines %u\ntop %ld\nselected %ld\n--keys--\n%s", client.left,
          client.top, client.right, client.bottom, static_cast<long>(SendMessageA(listBox, LB_GETITEMHEIGHT, 0, 0)),
          wheelLines, static_cast<long>(SendMessageA(listBox, LB_GETTOPINDEX, 0, 0)),
          static_cast<long>(SendMessageA(listBox, LB_GETCURSEL, 0, 0)), timedKeys.c_str());
  fclose(file);
  MoveFileExA(temporary.c_str(), outputPath, MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK listProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (GetForegroundWindow() != window) {
        SetForegroundWindow(window);
        SetFocus(listBox);
      }
      writeListState();
      return 0;
    case WM_SETFOCUS: SetFocus(listBox); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int runListProbe(const char* path) {
  outputPath = path;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND window = createTopWindow("TavrinListProbe", "Tavrin list probe", listProc, 500, 300);
  listBox = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 480,
                            260, window, nullptr, instance, nullptr);
  if (!window || !listBox || !SetWindowsHookExA(WH_KEYBOARD_LL, timedKeyHook, instance, 0)) return 1;
  for (int i = 0; i < 200; ++i) {
    char entry[16];
    snprintf(entry, sizeof entry, "entry %d", i);
    SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  }
  SetForegroundWindow(window);
  SetFocus(listBox);
  SetTimer(window, 1, 100, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

// --- layout: the table tavrin-replay --layout reads.

int writeLayout(const char* path) {
  FILE* file = fopen(path, "wb");
  if (!file) return 1;
  HKL layout = GetKeyboardLayout(0);
  std::string dead, caps;
  fprintf(file, "# The keyboard layout of the system this was written on, for tavrin-replay --layout.\n"
                "# char BYTE VkKeyScanExW(BYTE): -1 for no key, else shift state and virtual key\n");
  for (int c = 0; c < 256; ++c) {
    const LayoutKey key = layoutKeyOf(static_cast<WCHAR>(c), layout, true);
    if (key.vk == NO_KEY) {
      fprintf(file, "char 0x%02x -1\n", c);
      continue;
    }
    fprintf(file, "char 0x%02x 0x%04x\n", c, static_cast<unsigned>(key.shiftState << 8 | key.vk));
    char byte[8];
    snprintf(byte, sizeof byte, " 0x%02x\n", c);
    if (key.flags & LAYOUT_DEAD_KEY) dead += std::string("dead") + byte;
    if (key.flags & LAYOUT_CAPS_KEY) caps += std::string("caps") + byte;
  }
  fprintf(file, "# the key of BYTE is a dead key\n%s# Caps Lock inverts the Shift of the key of BYTE\n%s", dead.c_str(),
          caps.c_str());
  fprintf(file, "# scan VK MapVirtualKeyExW(VK, 0)\n");
  for (int vk = 0; vk < 256; ++vk) fprintf(file, "scan 0x%02x 0x%02x\n", vk, MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout));
  return fclose(file) == 0 ? 0 : 1;
}

int selectEntry(const char* title, int id, const char* entry) {
  HWND dialog = FindWindowA("#32770", title);
  if (!dialog) return 1;
  if (!isdigit(static_cast<unsigned char>(entry[0])))
    return SendDlgItemMessageA(dialog, id, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(entry)) == CB_ERR;
  const int index = atoi(entry);
  LRESULT result = SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index, 0);
  return result == index ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "window") == 0) return runProbeWindow(argv[2]);
  if (argc == 3 && strcmp(argv[1], "keys") == 0) return runKeyRecorder(argv[2]);
  if (argc == 3 && strcmp(argv[1], "layout") == 0) return writeLayout(argv[2]);
  if (argc == 3 && strcmp(argv[1], "list") == 0) return runListProbe(argv[2]);
  if (argc == 5 && strcmp(argv[1], "select") == 0)
    return selectEntry(argv[2], atoi(argv[3]), argv[4]);
  if (argc == 3 && strcmp(argv[1], "unicode-window") == 0) {
    unicodeText = true;
    return runProbeWindow(argv[2]);
  }
  fprintf(stderr,
          "usage: input-probe window OUTFILE | unicode-window OUTFILE | list OUTFILE | keys OUTFILE | layout OUTFILE"
          " | select TITLE ID ENTRY\n");
  return 2;
}
