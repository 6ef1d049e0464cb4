// A Windows-side helper for the end-to-end tests of Tavrin.exe: it finds the
// windows the program shows (Wine's tray, the tray's tooltip, the popup
// menu, message boxes and dialogs), prints what they say and pokes them.
//
//   tray-driver windows                  visible top-level windows
//   tray-driver tray                     screen rectangle of the tray window
//   tray-driver tooltip                  text of the tooltip that shows
//   tray-driver tooltips                 texts of every tooltip and balloon
//   tray-driver tips                     the tray icons' tip texts, read from
//                                        the tooltip controls without a hover
//   tray-driver tip-during CLASS MS      waits up to MS for a window of CLASS,
//                                        then prints the tray icons' tip texts
//                                        at once, read from the tooltip
//                                        controls without a hover, if that
//                                        window still shows (exit 3 if not)
//   tray-driver menu                     the open popup menu's items
//   tray-driver menu-keys KEY...         posts keys (down, up, enter, esc) to it
//   tray-driver texts TITLE              texts of a dialog's controls
//   tray-driver press TITLE ID           WM_COMMAND ID to that dialog
//   tray-driver layout TITLE             every visible control of that dialog
//                                        as "id|inside|fits|left,top,right,bottom":
//                                        inside the client area (1 or 0), its
//                                        text fits the control (1, 0, or - for
//                                        kinds not measured), client coordinates
//   (an empty TITLE matches any dialog)
//   tray-driver wait CLASS [TITLE] [MS]  waits until such a window shows
//   tray-driver gone CLASS [TITLE] [MS]  waits until no such window shows
//   tray-driver exit                     Exit, as the tray menu's command
//   tray-driver end-session              the system's log-off messages to
//                                        Tavrin's hidden window, as Windows
//                                        sends them; prints the answer to
//                                        WM_QUERYENDSESSION and how long
//                                        WM_ENDSESSION took
//   tray-driver hand-over MS             waits up to MS for a Tavrin on the
//                                        secure desktop to claim the device,
//                                        then up to 2 s for the injected
//                                        release of Ctrl and the left button;
//                                        prints "watching" once its hooks are
//                                        in, then "let go N ms after the claim"
//
// Exit code 0 when the window was found (and the action done), or for
// "gone" when it no longer shows; 1 otherwise, 2 for a command not known.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../../app/hand_over.h"

namespace {

struct Search {
  const char* className;  // null: any class
  const char* title;      // null: any title
  HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
  Search* search = reinterpret_cast<Search*>(data);
  char name[64] = "";
  char title[256] = "";
  if (!IsWindowVisible(window)) return TRUE;
  GetClassNameA(window, name, sizeof name);
  GetWindowTextA(window, title, sizeof title);
  if (search->className && lstrcmpiA(name, search->className) != 0) return TRUE;
  if (search->title && strcmp(title, search->title) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

HWND findVisible(const char* className, const char* title) {
  Search search = {className, title, nullptr};
  EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Wine's tray window in a desktop without a taskbar.
HWND findTray() {
  HWND tray = findVisible(nullptr, "Wine System Tray");
  return tray ? tray : findVisible("Shell_TrayWnd", nullptr);
}

BOOL CALLBACK printWindow(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  char name[64] = "";
  char title[256] = "";
  RECT r;
  GetClassNameA(window, name, sizeof name);
  GetWindowTextA(window, title, sizeof title);
  GetWindowRect(window, &r);
  printf("%s|%s|%ld,%ld,%ld,%ld\n", name, title, r.left, r.top, r.right, r.bottom);
  return TRUE;
}

int listWindows() {
  EnumWindows(printWindow, 0);
  return 0;
}

int printTray() {
  HWND tray = findTray();
  if (!tray) return 1;
  RECT r;
  GetWindowRect(tray, &r);
  printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  return 0;
}

// The hover tip, not a balloon: balloons are tooltip windows too.
BOOL CALLBACK matchHoverTip(HWND window, LPARAM data) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (!IsWindowVisible(window) || lstrcmpiA(name, "tooltips_class32") != 0) return TRUE;
  if (GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON) return TRUE;
  *reinterpret_cast<HWND*>(data) = window;
  return FALSE;
}

int printTooltip() {
  HWND tip = nullptr;
  EnumWindows(matchHoverTip, reinterpret_cast<LPARAM>(&tip));
  if (!tip) return 1;
  // The tooltip control answers WM_GETTEXT with the text it shows.
  char text[256] = "";
  SendMessageA(tip, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  printf("%s\n", text);
  return 0;
}

BOOL CALLBACK printTooltipText(HWND window, LPARAM found) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (!IsWindowVisible(window) || lstrcmpiA(name, "tooltips_class32") != 0) return TRUE;
  char text[256] = "";
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  printf("%s\n--\n", text);
  ++*reinterpret_cast<int*>(found);
  return TRUE;
}

int printTooltips() {
  int found = 0;
  EnumWindows(printTooltipText, reinterpret_cast<LPARAM>(&found));
  return found ? 0 : 1;
}

int printMenu() {
  HWND menuWindow = findVisible("#32768", nullptr);
  if (!menuWindow) return 1;
  RECT r;
  GetWindowRect(menuWindow, &r);
  printf("window %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
  const int count = menu ? GetMenuItemCount(menu) : -1;
  for (int i = 0; i < count; ++i) {
    char text[64] = "";
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    const bool isDefault = GetMenuDefaultItem(menu, TRUE, 0) == static_cast<UINT>(i);
    printf("item %d %u %s%s\n", i, GetMenuItemID(menu, i), text, isDefault ? " (default)" : "");
  }
  return 0;
}

int postMenuKeys(int count, char** keys) {
  HWND menuWindow = findVisible("#32768", nullptr);
  if (!menuWindow) return 1;
  for (int i = 0; i < count; ++i) {
    WPARAM key = 0;
    if (!strcmp(keys[i], "down")) key = VK_DOWN;
    else if (!strcmp(keys[i], "up")) key = VK_UP;
    else if (!strcmp(keys[i], "enter")) key = VK_RETURN;
    else if (!strcmp(keys[i], "esc")) key = VK_ESCAPE;
    else return 2;
    // The menu's tracking loop reads keys from its thread's queue.
    PostMessageA(menuWindow, WM_KEYDOWN, key, 1);
    PostMessageA(menuWindow, WM_KEYUP, key, 0xC0000001);
    Sleep(100);
  }
  return 0;
}

// Asked with WM_GETTEXT: GetWindowText of another process's window gives
// only its caption, which a combo box's or an edit field's text is not.
BOOL CALLBACK printControl(HWND control, LPARAM) {
  char text[256] = "";
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      &ignored);
  printf("%d|%s\n", GetDlgCtrlID(control), text);
  return TRUE;
}

int printTexts(const char* title) {
  HWND dialog = findVisible("#32770", title);
  if (!dialog) return 1;
  EnumChildWindows(dialog, printControl, 0);
  return 0;
}

// The dialogs' font as the dialog manager makes it for this screen: a font
// handle of another process cannot be selected here.
HFONT dialogFont() {
  static HFONT font = nullptr;
  if (font) return font;
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Shell Dlg 2");
  return font;
}

// Whether a static text, check box, radio button, push button or group box
// shows its whole text in the dialogs' font: -1 for the other kinds.
int textFits(HWND control) {
  char name[32] = "";
  wchar_t text[512] = L"";
  GetClassNameA(control, name, sizeof name);
  GetWindowTextW(control, text, 512);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  const LONG kind = style & BS_TYPEMASK;
  const bool button = lstrcmpiA(name, "Button") == 0;
  const bool checkable =
      button && (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX || kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON);
  const bool oneLine = button && (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_GROUPBOX);
  const bool statik = lstrcmpiA(name, "Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT;
  if (!checkable && !oneLine && !statik) return -1;
  RECT client;
  GetClientRect(control, &client);
  // The box beside a button's text and the gap after it; a push button's
  // and a group box's frame on both sides.
  if (checkable) client.right -= GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE);
  if (oneLine) client.right -= 4 * GetSystemMetrics(SM_CXEDGE);
  RECT needed = {0, 0, client.right, 0};
  HDC dc = GetDC(control);
  HGDIOBJ previous = SelectObject(dc, dialogFont());
  // A check box with BS_MULTILINE wraps its text as a static text does.
  const bool wraps = statik || (checkable && (style & BS_MULTILINE));
  DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | (wraps ? 0 : DT_SINGLELINE));
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  return needed.right <= client.right && needed.bottom <= client.bottom;
}

struct Layout {
  HWND dialog;
  RECT client;
};

BOOL CALLBACK printPlacement(HWND control, LPARAM data) {
  const Layout* layout = reinterpret_cast<const Layout*>(data);
  if (!IsWindowVisible(control) || GetParent(control) != layout->dialog) return TRUE;
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, layout->dialog, reinterpret_cast<POINT*>(&r), 2);
  const RECT& c = layout->client;
  const bool inside = r.left >= c.left && r.top >= c.top && r.right <= c.right && r.bottom <= c.bottom;
  const int fits = textFits(control);
  printf("%d|%d|%s|%ld,%ld,%ld,%ld\n", GetDlgCtrlID(control), inside ? 1 : 0, fits < 0 ? "-" : fits ? "1" : "0",
         r.left, r.top, r.right, r.bottom);
  return TRUE;
}

int printLayout(const char* title) {
  Layout layout = {findVisible("#32770", title), {}};
  if (!layout.dialog) return 1;
  GetClientRect(layout.dialog, &layout.client);
  EnumChildWindows(layout.dialog, printPlacement, reinterpret_cast<LPARAM>(&layout));
  return 0;
}

int pressButton(const char* title, int id) {
  HWND dialog = findVisible("#32770", title);
  if (!dialog) return 1;
  PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
  return 0;
}

// Polls until such a window shows (shown = true) or no longer shows, at most
// `milliseconds`.
int waitFor(const char* className, const char* title, DWORD milliseconds, bool shown) {
  const DWORD start = GetTickCount();
  do {
    if ((findVisible(className, title) != nullptr) == shown) return 0;
    Sleep(20);
  } while (GetTickCount() - start < milliseconds);
  return 1;
}

// The hidden main window is never visible: found by its class and title.
HWND findTavrin() { return FindWindowA("Tavrin", "Tavrin"); }

int postExit() {
  HWND window = findTavrin();
  return window && PostMessageA(window, WM_COMMAND, 40002, 0) ? 0 : 1;
}

// Sent, as Windows does; the program must have done its work when the
// second message returns.
int endSession() {
  HWND window = findTavrin();
  if (!window) return 1;
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer))
    return 1;
  printf("query %lu\n", static_cast<unsigned long>(answer));
  if (!answer) return 1;
  DWORD_PTR ignored = 0;
  const DWORD start = GetTickCount();
  if (!SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, &ignored))
    return 1;
  printf("ended in %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
  return 0;
}

DWORD ctrlUpAt = 0, leftUpAt = 0;

LRESULT CALLBACK noteCtrlUp(int code, WPARAM message, LPARAM lParam) {
  const KBDLLHOOKSTRUCT* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && !ctrlUpAt && (key->flags & LLKHF_INJECTED) && (key->flags & LLKHF_UP) &&
      (key->vkCode == VK_CONTROL || key->vkCode == VK_LCONTROL))
    ctrlUpAt = GetTickCount();
  return CallNextHookEx(nullptr, code, message, lParam);
}

LRESULT CALLBACK noteLeftUp(int code, WPARAM message, LPARAM lParam) {
  const MSLLHOOKSTRUCT* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && !leftUpAt && message == WM_LBUTTONUP && (event->flags & LLMHF_INJECTED))
    leftUpAt = GetTickCount();
  return CallNextHookEx(nullptr, code, message, lParam);
}

// The hooks are called through this thread's queue.
void pumpFor(DWORD milliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// A free claim is taken by the wait itself, and let go of at once.
bool claimHeldElsewhere(HANDLE claim) {
  const DWORD result = WaitForSingleObject(claim, 0);
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) ReleaseMutex(claim);
  return result == WAIT_TIMEOUT;
}

// Waits up to `bound` for the claim, then up to 2 s for both releases: the
// claim's time, or 0 when none came.
DWORD watchHandOver(HANDLE claim, DWORD bound) {
  DWORD claimedAt = 0;
  for (const DWORD start = GetTickCount(); !claimedAt && GetTickCount() - start < bound; pumpFor(1))
    if (claimHeldElsewhere(claim)) claimedAt = GetTickCount();
  while (claimedAt && (!ctrlUpAt || !leftUpAt) && GetTickCount() - claimedAt < 2000) pumpFor(5);
  return claimedAt;
}

int timeHandOver(DWORD bound) {
  ctrlUpAt = leftUpAt = 0;
  HANDLE claim = OpenMutexA(SYNCHRONIZE, FALSE, HAND_OVER_CLAIM);
  HINSTANCE self = GetModuleHandleA(nullptr);
  HHOOK keys = SetWindowsHookExA(WH_KEYBOARD_LL, noteCtrlUp, self, 0);
  HHOOK mouse = SetWindowsHookExA(WH_MOUSE_LL, noteLeftUp, self, 0);
  const bool watching = claim && keys && mouse;
  if (watching) {
    printf("watching\n");
    fflush(stdout);
  }
  const DWORD claimedAt = watching ? watchHandOver(claim, bound) : 0;
  // A hook left in would hold up every input event of the desktop while a
  // serving driver waits for its next command.
  if (keys) UnhookWindowsHookEx(keys);
  if (mouse) UnhookWindowsHookEx(mouse);
  if (claim) CloseHandle(claim);
  if (!claimedAt || !ctrlUpAt || !leftUpAt) return 1;
  const DWORD last = ctrlUpAt > leftUpAt ? ctrlUpAt : leftUpAt;
  printf("let go %ld ms after the claim\n", static_cast<long>(last - claimedAt));
  return 0;
}

// Each tool's text of a tooltip control in another process (the tray's):
// the control reads and writes the structures in its own memory, so they
// are made there.
void printToolTexts(HWND control) {
  DWORD pid = 0;
  GetWindowThreadProcessId(control, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return;
  wchar_t text[256];
  char* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(TTTOOLINFOW) + sizeof text, MEM_COMMIT, PAGE_READWRITE));
  const int count = remote ? static_cast<int>(SendMessageW(control, TTM_GETTOOLCOUNT, 0, 0)) : 0;
  for (int i = 0; i < count; i++) {
    TTTOOLINFOW info = {};
    info.cbSize = sizeof info;
    WriteProcessMemory(process, remote, &info, sizeof info, nullptr);
    if (!SendMessageW(control, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote))) continue;
    ReadProcessMemory(process, remote, &info, sizeof info, nullptr);
    info.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof info);
    WriteProcessMemory(process, remote, &info, sizeof info, nullptr);
    SendMessageW(control, TTM_GETTEXTW, ARRAYSIZE(text), reinterpret_cast<LPARAM>(remote));
    memset(text, 0, sizeof text);
    ReadProcessMemory(process, remote + sizeof info, text, sizeof text - sizeof text[0], nullptr);
    char utf8[1024];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    printf("%s\n", utf8);
  }
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
}

BOOL CALLBACK printTrayTipTexts(HWND window, LPARAM trayProcess) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != static_cast<DWORD>(trayProcess) || lstrcmpiA(name, "tooltips_class32") != 0) return TRUE;
  if (!(GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON)) printToolTexts(window);
  return TRUE;
}

// What the tray's icons say, without moving the mouse: a hover takes its
// time, and the window under a button the device holds down may have the
// mouse captured.
int printTrayTips() {
  DWORD trayProcess = 0;
  GetWindowThreadProcessId(findTray(), &trayProcess);
  if (!trayProcess) return 1;
  EnumWindows(printTrayTipTexts, trayProcess);
  fflush(stdout);
  return 0;
}

// What the tray's icons say at the moment a window of className shows: on
// a loaded machine a hover takes longer than a short-lived window shows.
int printTipDuring(const char* className, DWORD milliseconds) {
  if (waitFor(className, nullptr, milliseconds, true) || printTrayTips()) return 1;
  return findVisible(className, nullptr) ? 0 : 3;
}

int runCommand(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* command = argv[1];
  if (!strcmp(command, "windows")) return listWindows();
  if (!strcmp(command, "tray")) return printTray();
  if (!strcmp(command, "tooltip")) return printTooltip();
  if (!strcmp(command, "tooltips")) return printTooltips();
  if (!strcmp(command, "tips")) return printTrayTips();
  if (!strcmp(command, "tip-during") && argc == 4) return printTipDuring(argv[2], static_cast<DWORD>(atoi(argv[3])));
  if (!strcmp(command, "menu")) return printMenu();
  if (!strcmp(command, "menu-keys")) return postMenuKeys(argc - 2, argv + 2);
  // An empty title stands for any: the About box, say, whichever caption it has.
  const char* title = argc >= 3 && argv[2][0] ? argv[2] : nullptr;
  if (!strcmp(command, "texts") && argc == 3) return printTexts(title);
  if (!strcmp(command, "exit")) return postExit();
  if (!strcmp(command, "end-session")) return endSession();
  if (!strcmp(command, "hand-over") && argc == 3) return timeHandOver(static_cast<DWORD>(atoi(argv[2])));
  if (!strcmp(command, "layout") && argc == 3) return printLayout(title);
  if (!strcmp(command, "press") && argc == 4) return pressButton(title, atoi(argv[3]));
  if ((!strcmp(command, "wait") || !strcmp(command, "gone")) && argc >= 3) {
    const char* windowTitle = argc >= 4 && argv[3][0] ? argv[3] : nullptr;
    return waitFor(argv[2], windowTitle, argc >= 5 ? static_cast<DWORD>(atoi(argv[4])) : 10000, command[0] == 'w');
  }
  return 2;
}

// A line of UTF-8 in the ANSI code page, as Wine hands a command line's
// words to a program: the titles compared are ANSI too.
void toAnsi(char* line, size_t size) {
  wchar_t wide[4096];
  if (!MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, ARRAYSIZE(wide))) return;
  WideCharToMultiByte(CP_ACP, 0, wide, -1, line, static_cast<int>(size), nullptr, nullptr);
}

// Splits a command line at the bytes 0x1F into words[1..], after the
// program's name in words[0]: the argv that the command would have had.
int splitCommand(char* line, char** words, int capacity) {
  static char program[] = "tray-driver";
  words[0] = program;
  int count = 1;
  for (char* word = line; count < capacity;) {
    words[count++] = word;
    char* separator = strchr(word, '\x1f');
    if (!separator) break;
    *separator = '\0';
    word = separator + 1;
  }
  return count;
}

int serve() {
  char line[4096];
  while (fgets(line, sizeof line, stdin)) {
    line[strcspn(line, "\r\n")] = '\0';
    toAnsi(line, sizeof line);
    char* words[16];
    printf("\x1e%d\n", runCommand(splitCommand(line, words, ARRAYSIZE(words)), words));
    fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && !strcmp(argv[1], "serve")) return serve();
  return runCommand(argc, argv);
}
