// A Windows-side helper for the end-to-end tests of the settings: a probe
// window that shows what reaches it as typing and what a low-level mouse
// hook sees, and a way to pick an entry of a dialog's list.
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
//   input-probe select TITLE ID INDEX selects entry INDEX of the list ID in
//                                     the dialog TITLE (CB_SETCURSEL)
//
// Exit code 0 on success, 1 otherwise.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

const char* outputPath = nullptr;
HWND editField = nullptr;
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

std::string keyRecords;

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
LRESULT CALLBACK keyboardHook(int code, WPARAM message, LPARAM lParam) {
  const KBDLLHOOKSTRUCT* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  const char* name = modifierName(event->vkCode);
  if (code == HC_ACTION && (event->flags & LLKHF_INJECTED) && name)
    keyRecords += std::string((event->flags & LLKHF_UP) ? "up " : "down ") + name + "\n";
  return CallNextHookEx(nullptr, code, message, lParam);
}

void writeOutput() {
  int length = GetWindowTextLengthA(editField);
  std::string text(length + 1, '\0');
  GetWindowTextA(editField, &text[0], length + 1);
  text.resize(length);
  std::string temporary = std::string(outputPath) + ".tmp";
  FILE* file = fopen(temporary.c_str(), "wb");
  if (!file) return;
  fprintf(file, "%s\n--mouse--\n%s--keys--\n%s", text.c_str(), mouseRecords.c_str(), keyRecords.c_str());
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

int runProbeWindow(const char* path) {
  outputPath = path;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = probeProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "TavrinProbe";
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "TavrinProbe", "Tavrin probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                100, 100, 500, 300, nullptr, nullptr, instance, nullptr);
  editField = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL,
                              0, 0, 480, 260, window, nullptr, instance, nullptr);
  if (!window || !editField) return 1;
  SetWindowsHookExA(WH_MOUSE_LL, mouseHook, instance, 0);
  SetWindowsHookExA(WH_KEYBOARD_LL, keyboardHook, instance, 0);
  SetForegroundWindow(window);
  SetFocus(editField);
  SetTimer(window, 1, 100, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

int selectEntry(const char* title, int id, int index) {
  HWND dialog = FindWindowA("#32770", title);
  if (!dialog) return 1;
  LRESULT result = SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index, 0);
  return result == index ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "window") == 0) return runProbeWindow(argv[2]);
  if (argc == 5 && strcmp(argv[1], "select") == 0)
    return selectEntry(argv[2], atoi(argv[3]), atoi(argv[4]));
  fprintf(stderr, "usage: input-probe window OUTFILE | select TITLE ID INDEX\n");
  return 2;
}
