#include "configure_dialog.h"

#include <stdio.h>
#include <string.h>

#include "../interp/interp.h"
#include "../links/comm_port.h"
#include "../res/resource.h"
#include "message_box.h"
#include "settings.h"
#include "settings_store.h"

static const int BaudRateCount = 10;
static const int TextLimit = 257;

static void fillPortList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_PORT);
  SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(IrdaPortName));
  for (int n = 0; n < CCommPort::portCount(); ++n)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ComPortNames[n]));
  // Selects the first entry that begins with the name, so COM1 before COM10.
  SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(settings.portName));
}

static void fillBaudList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_BAUD);
  for (int i = 0; i < BaudRateCount; ++i)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(BaudRateNames[i]));
  char rate[16];
  snprintf(rate, sizeof rate, "%u", settings.baudRate);
  SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(rate));
}

static void setFieldText(HWND dialog, int id, const char* text) {
  HWND field = GetDlgItem(dialog, id);
  SendMessageA(field, EM_LIMITTEXT, TextLimit, 0);
  SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

static void initDialog(HWND dialog) {
  if (!settings.portName) settings.portName = ComPortNames[0];
  if (settings.baudRate == 0) settings.baudRate = 1200;
  fillPortList(dialog);
  fillBaudList(dialog);
  CheckDlgButton(dialog, IDC_RUN_AT_STARTUP, settings.runAtStartup ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_AUTO_LOGON, settings.autoLogon ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, interpretation ? IDC_ANSI_EXTENDED : IDC_ASCII_EXTENDED, BST_CHECKED);
  setFieldText(dialog, IDC_USER, settings.userName);
  setFieldText(dialog, IDC_PASSWORD, settings.password);
  // Posted, not sent: the enabling rules run once the dialog is showing.
  PostMessageA(dialog, WM_COMMAND, IDC_RUN_AT_STARTUP, 0);
  PostMessageA(dialog, WM_COMMAND, IDC_AUTO_LOGON, 0);
}

static bool isChecked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

static void runAtStartupClicked(HWND dialog) {
  bool on = isChecked(dialog, IDC_RUN_AT_STARTUP);
  EnableWindow(GetDlgItem(dialog, IDC_AUTO_LOGON), on);
  if (!on) CheckDlgButton(dialog, IDC_AUTO_LOGON, BST_UNCHECKED);
  PostMessageA(dialog, WM_COMMAND, IDC_AUTO_LOGON, 0);
}

static void autoLogonClicked(HWND dialog) {
  bool on = isChecked(dialog, IDC_AUTO_LOGON);
  if (ntFamily) {
    static const int logonControls[] = {IDC_USER_LABEL, IDC_USER, IDC_PASSWORD_LABEL, IDC_PASSWORD};
    for (int id : logonControls) EnableWindow(GetDlgItem(dialog, id), on);
    // Unchecking forgets a typed password; checking again shows the stored one.
    SendMessageA(GetDlgItem(dialog, IDC_PASSWORD), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(on ? settings.password : ""));
    return;
  }
  if (!on) return;
  CheckDlgButton(dialog, IDC_AUTO_LOGON, BST_UNCHECKED);
  EnableWindow(GetDlgItem(dialog, IDC_AUTO_LOGON), FALSE);
  showNotice(IDS_TWEAKUI, IDS_NOT_AVAILABLE);
}

// Only a selected list entry counts; the port box's typed text is never read.
static const char* selectedPort(HWND dialog) {
  LRESULT s = SendDlgItemMessageA(dialog, IDC_PORT, CB_GETCURSEL, 0, 0);
  if (s == CB_ERR || s > CCommPort::portCount()) return ComPortNames[0];
  if (s == 0) return IrdaPortName;
  return ComPortNames[s - 1];
}

static unsigned selectedRate(HWND dialog) {
  LRESULT b = SendDlgItemMessageA(dialog, IDC_BAUD, CB_GETCURSEL, 0, 0);
  if (b == CB_ERR || b < 0 || b >= BaudRateCount) return 1200;
  return BaudRateTable[b];
}

static void okClicked(HWND dialog) {
  settings.portName = selectedPort(dialog);
  settings.baudRate = selectedRate(dialog);
  settings.runAtStartup = isChecked(dialog, IDC_RUN_AT_STARTUP);
  settings.autoLogon = isChecked(dialog, IDC_AUTO_LOGON);
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
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    case IDC_RUN_AT_STARTUP: runAtStartupClicked(dialog); return TRUE;
    case IDC_AUTO_LOGON: autoLogonClicked(dialog); return TRUE;
    case IDC_ASCII_EXTENDED: interpretation = 0; return TRUE;
    case IDC_ANSI_EXTENDED: interpretation = 1; return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK configureDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    initDialog(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND) return handleCommand(dialog, wParam);
  return FALSE;
}

INT_PTR runConfigureDialog() {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONFIGURE), nullptr,
                         configureDialogProc, 0);
}
