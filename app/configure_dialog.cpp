#include "configure_dialog.h"

#include <stdio.h>
#include <string.h>

#include "../interp/interp.h"
#include "../links/comm_port.h"
#include "../res/resource.h"
#include "configure_search.h"
#include "message_box.h"
#include "messages.h"
#include "port_descriptions.h"
#include "settings.h"
#include "settings_store.h"
#include "sign_in.h"
#include "system_ports.h"
#include "ui_language.h"

static const int BaudRateCount = 10;
static const int TextLimit = 257;
// False on the NT family when the automatic log-on values cannot be
// written (not an administrator): their controls are then greyed.
static bool logonChangeable = true;

// The entry's text shows the port; its item data is the port's constant
// name, which is what a selection stands for.
static void addPort(HWND list, const char* name, const char* text) {
  LRESULT entry = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  if (entry >= 0) SendMessageA(list, CB_SETITEMDATA, entry, reinterpret_cast<LPARAM>(name));
}

// "COM7 (USB Serial Port)" from the friendly name "USB Serial Port (COM7)",
// whose own mention of the port goes.
static void describePort(const char* name, const char* friendlyName, char* text, int size) {
  char own[24];
  char description[PortDescriptionSize];
  lstrcpynA(description, friendlyName, sizeof description);
  snprintf(own, sizeof own, " (%s)", name);
  const size_t length = strlen(description), ownLength = strlen(own);
  if (length > ownLength && lstrcmpiA(description + length - ownLength, own) == 0)
    description[length - ownLength] = 0;
  wchar_t wideName[24], wideDescription[PortDescriptionSize], wideText[PortDescriptionSize + 32];
  widen(name, wideName, 24);
  widen(description, wideDescription, PortDescriptionSize);
  formatText(wideText, PortDescriptionSize + 32, IDS_PORT_WITH_NAME, wideName, wideDescription);
  if (!WideCharToMultiByte(CP_ACP, 0, wideText, -1, text, size, nullptr, nullptr)) text[0] = 0;
}

// The dropped list as wide as its widest entry: a port's name from Device
// Manager is longer than the box.
static void fitDroppedWidth(HWND list) {
  HDC dc = GetDC(list);
  if (!dc) return;
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  for (LRESULT entry = 0; entry < count; ++entry) {
    char text[PortDescriptionSize + 32] = "";
    SIZE size = {0, 0};
    if (SendMessageA(list, CB_GETLBTEXTLEN, entry, 0) >= static_cast<LRESULT>(sizeof text)) continue;
    SendMessageA(list, CB_GETLBTEXT, entry, reinterpret_cast<LPARAM>(text));
    if (GetTextExtentPoint32A(dc, text, lstrlenA(text), &size) && size.cx > widest) widest = size.cx;
  }
  SelectObject(dc, previous);
  ReleaseDC(list, dc);
  SendMessageA(list, CB_SETDROPPEDWIDTH, widest + GetSystemMetrics(SM_CXVSCROLL) + 4 * GetSystemMetrics(SM_CXEDGE), 0);
}

// The ports that are present first, with their names from Device Manager
// where there are any; then "IrDA" and the rest of COM1 to COM16.
static void fillPortList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_PORT);
  bool present[ComPortNameCount] = {};
  static char descriptions[ComPortNameCount][PortDescriptionSize];
  memset(descriptions, 0, sizeof descriptions);
  findSystemPorts(present);
  findPortDescriptions(present, descriptions);
  for (int n = 0; n < ComPortNameCount; ++n) {
    if (!present[n]) continue;
    char text[PortDescriptionSize + 32];
    if (descriptions[n][0])
      describePort(ComPortNames[n], descriptions[n], text, sizeof text);
    else
      lstrcpynA(text, ComPortNames[n], sizeof text);
    addPort(list, ComPortNames[n], text);
  }
  addPort(list, IrdaPortName, IrdaPortName);
  for (int n = 0; n < CCommPort::portCount(); ++n)
    if (!present[n]) addPort(list, ComPortNames[n], ComPortNames[n]);
  fitDroppedWidth(list);
  // A port that is not listed (its adapter unplugged, say) still shows, as
  // typed text.
  if (!selectPortEntry(dialog, settings.portName)) SetWindowTextA(list, settings.portName);
}

int selectPortEntry(HWND dialog, const char* port) {
  const LRESULT count = SendDlgItemMessageA(dialog, IDC_PORT, CB_GETCOUNT, 0, 0);
  for (LRESULT entry = 0; entry < count; ++entry)
    if (reinterpret_cast<const char*>(SendDlgItemMessageA(dialog, IDC_PORT, CB_GETITEMDATA, entry, 0)) == port) {
      SendDlgItemMessageA(dialog, IDC_PORT, CB_SETCURSEL, entry, 0);
      return 1;
    }
  return 0;
}

void selectRate(HWND dialog, unsigned rate) {
  char text[16];
  snprintf(text, sizeof text, "%u", rate);
  SendDlgItemMessageA(dialog, IDC_BAUD, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
}

static void fillBaudList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_BAUD);
  for (int i = 0; i < BaudRateCount; ++i)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(BaudRateNames[i]));
  selectRate(dialog, settings.baudRate);
}

static void setFieldText(HWND dialog, int id, const char* text) {
  HWND field = GetDlgItem(dialog, id);
  SendMessageA(field, EM_LIMITTEXT, TextLimit, 0);
  SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// A stored value other than 0, 1 and 2 shows as ANSI Extended, as any
// nonzero value always has.
static int interpretationButton(int value) {
  if (value == 0) return IDC_ASCII_EXTENDED;
  return value == 2 ? IDC_UNICODE_TEXT : IDC_ANSI_EXTENDED;
}

// Ticked while the sign-in list names Tavrin. Greyed, with a note that
// says why, where it cannot be changed: the zip (nothing registered) or a
// user who is not an administrator.
static void showSignInChoice(HWND dialog) {
  const SignInAccess access = ntFamily ? signInAccess() : SignInNotInstalled;
  CheckDlgButton(dialog, IDC_SIGN_IN, signInListNamesTavrin() ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(dialog, IDC_SIGN_IN), access == SignInChangeable);
  HWND note = GetDlgItem(dialog, IDC_SIGN_IN_NOTE);
  if (access != SignInChangeable) {
    wchar_t text[256];
    loadText(access == SignInNotInstalled ? IDS_SIGN_IN_NOT_INSTALLED : IDS_SIGN_IN_NEEDS_ADMIN, text, 256);
    SetWindowTextW(note, text);
  }
  ShowWindow(note, access == SignInChangeable ? SW_HIDE : SW_SHOW);
}

static void initDialog(HWND dialog) {
  if (!settings.portName) settings.portName = ComPortNames[0];
  if (settings.baudRate == 0) settings.baudRate = 1200;
  fillPortList(dialog);
  fillBaudList(dialog);
  CheckDlgButton(dialog, IDC_RUN_AT_STARTUP, settings.runAtStartup ? BST_CHECKED : BST_UNCHECKED);
  // The installer's all-users value starts the program at every log-on:
  // only the administrator's package can take it away.
  if (runForAllUsers) {
    CheckDlgButton(dialog, IDC_RUN_AT_STARTUP, BST_CHECKED);
    EnableWindow(GetDlgItem(dialog, IDC_RUN_AT_STARTUP), FALSE);
  }
  CheckDlgButton(dialog, IDC_AUTO_LOGON, settings.autoLogon ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, interpretationButton(interpretation), BST_CHECKED);
  CheckDlgButton(dialog, IDC_PLAY_SOUNDS, settings.playSounds ? BST_CHECKED : BST_UNCHECKED);
  setFieldText(dialog, IDC_USER, settings.userName);
  // The stored password is never shown: an empty box keeps it.
  setFieldText(dialog, IDC_PASSWORD, "");
  logonChangeable = !ntFamily || autoLogonWritable();
  ShowWindow(GetDlgItem(dialog, IDC_LOGON_NOTE), logonChangeable ? SW_HIDE : SW_SHOW);
  showSignInChoice(dialog);
  // Posted, not sent: the enabling rules run once the dialog is showing.
  PostMessageA(dialog, WM_COMMAND, IDC_RUN_AT_STARTUP, 0);
  PostMessageA(dialog, WM_COMMAND, IDC_AUTO_LOGON, 0);
}

static bool isChecked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

static void runAtStartupClicked(HWND dialog) {
  bool on = isChecked(dialog, IDC_RUN_AT_STARTUP);
  EnableWindow(GetDlgItem(dialog, IDC_AUTO_LOGON), on && logonChangeable);
  if (!on && logonChangeable) CheckDlgButton(dialog, IDC_AUTO_LOGON, BST_UNCHECKED);
  PostMessageA(dialog, WM_COMMAND, IDC_AUTO_LOGON, 0);
}

static void autoLogonClicked(HWND dialog) {
  bool on = isChecked(dialog, IDC_AUTO_LOGON);
  if (ntFamily) {
    static const int logonControls[] = {IDC_USER_LABEL, IDC_USER, IDC_PASSWORD_LABEL, IDC_PASSWORD};
    for (int id : logonControls) EnableWindow(GetDlgItem(dialog, id), on && logonChangeable);
    // Unchecking forgets a typed password.
    SendMessageA(GetDlgItem(dialog, IDC_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    return;
  }
  if (!on) return;
  CheckDlgButton(dialog, IDC_AUTO_LOGON, BST_UNCHECKED);
  EnableWindow(GetDlgItem(dialog, IDC_AUTO_LOGON), FALSE);
  showNotice(IDS_TWEAKUI, IDS_NOT_AVAILABLE);
}

static const char* selectedPort(HWND dialog) {
  LRESULT s = SendDlgItemMessageA(dialog, IDC_PORT, CB_GETCURSEL, 0, 0);
  if (s == CB_ERR) return nullptr;
  return reinterpret_cast<const char*>(SendDlgItemMessageA(dialog, IDC_PORT, CB_GETITEMDATA, s, 0));
}

// A port named in the box's text is taken as typed, listed or not; other
// text leaves the choice to the list's selection, and without one to COM1.
static const char* chosenPort(HWND dialog) {
  char typed[32] = {0};
  HWND box = GetDlgItem(dialog, IDC_PORT);
  const char* port = nullptr;
  if (GetWindowTextLengthA(box) < static_cast<int>(sizeof typed)) {
    GetWindowTextA(box, typed, sizeof typed);
    port = portNamedBy(typed);
  }
  if (!port) port = selectedPort(dialog);
  return port ? port : ComPortNames[0];
}

unsigned selectedRate(HWND dialog) {
  LRESULT b = SendDlgItemMessageA(dialog, IDC_BAUD, CB_GETCURSEL, 0, 0);
  if (b == CB_ERR || b < 0 || b >= BaudRateCount) return 1200;
  return BaudRateTable[b];
}

// The interpretation takes effect with OK, as every other setting does.
static int checkedInterpretation(HWND dialog) {
  if (isChecked(dialog, IDC_ASCII_EXTENDED)) return 0;
  return isChecked(dialog, IDC_UNICODE_TEXT) ? 2 : 1;
}

static void okClicked(HWND dialog) {
  stopFinding(dialog);
  settings.portName = chosenPort(dialog);
  interpretation = checkedInterpretation(dialog);
  settings.baudRate = selectedRate(dialog);
  settings.runAtStartup = isChecked(dialog, IDC_RUN_AT_STARTUP);
  settings.autoLogon = isChecked(dialog, IDC_AUTO_LOGON);
  settings.signIn = !IsWindowEnabled(GetDlgItem(dialog, IDC_SIGN_IN)) ? SignInLeft
                    : isChecked(dialog, IDC_SIGN_IN)                 ? SignInOn
                                                                     : SignInOff;
  settings.playSounds = isChecked(dialog, IDC_PLAY_SOUNDS);
  SendDlgItemMessageA(dialog, IDC_USER, WM_GETTEXT, sizeof settings.userName,
                      reinterpret_cast<LPARAM>(settings.userName));
  if (settings.autoLogon)
    SendDlgItemMessageA(dialog, IDC_PASSWORD, WM_GETTEXT, sizeof settings.password,
                        reinterpret_cast<LPARAM>(settings.password));
  else
    memset(settings.password, 0, sizeof settings.password);
  EndDialog(dialog, IDOK);
}

// Commands count only with a zero notification code, as clicks and the
// dialog's own posted commands give.
static BOOL handleCommand(HWND dialog, WPARAM command) {
  switch (command) {
    case IDOK: okClicked(dialog); return TRUE;
    case IDCANCEL:
      stopFinding(dialog);
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case IDC_RUN_AT_STARTUP: runAtStartupClicked(dialog); return TRUE;
    case IDC_AUTO_LOGON: autoLogonClicked(dialog); return TRUE;
    case IDC_FIND: findClicked(dialog); return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK configureDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initDialog(dialog);
      // The focus starts on the first control, the port list, not on a
      // button that a stray Space from the device would press.
      SetFocus(GetDlgItem(dialog, IDC_PORT));
      return FALSE;
    case WM_COMMAND:
      return handleCommand(dialog, wParam);
    case MSG_SEARCH_REPORT:
      onSearchReport(dialog, wParam, lParam);
      return TRUE;
    case WM_DESTROY:
      // However the dialog goes, a search under way stops with it.
      stopFinding(dialog);
      return FALSE;
  }
  return FALSE;
}

INT_PTR runConfigureDialog() {
  return showUiDialog(IDD_CONFIGURE, nullptr, configureDialogProc, 0);
}
