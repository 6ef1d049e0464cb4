#include "splash_about.h"

#include <string.h>

#include "../res/resource.h"
#include "app_windows.h"
#include "interp.h"
#include "main_window.h"
#include "messages.h"
#include "settings.h"
#include "ui_language.h"

HWND volatile aboutWindow = nullptr;
int aboutTransparent = 0;

namespace {

// White on the picture, which is dark blue where text lies on it (its
// lightest pixel there, 27/59/97, gives 11:1).
const COLORREF PictureTextColour = RGB(255, 255, 255);

// A high contrast theme: the dialogs then show the theme's own colours,
// without the picture.
bool highContrast() {
  HIGHCONTRASTA setting;
  memset(&setting, 0, sizeof setting);
  setting.cbSize = sizeof setting;
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
         (setting.dwFlags & HCF_HIGHCONTRASTON);
}

INT_PTR paintInSystemColours(WPARAM deviceContext) {
  HDC dc = reinterpret_cast<HDC>(deviceContext);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

// Static controls then leave the picture behind them visible.
INT_PTR paintTransparently(WPARAM deviceContext) {
  if (highContrast()) return paintInSystemColours(deviceContext);
  SetTextColor(reinterpret_cast<HDC>(deviceContext), PictureTextColour);
  SetBkMode(reinterpret_cast<HDC>(deviceContext), TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

// The picture stretched over the whole control, so that it fills the frame
// at every scale and the version label, placed in dialog units, stays on it.
INT_PTR drawPicture(const DRAWITEMSTRUCT* item) {
  if (highContrast()) {
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
    return TRUE;
  }
  static HBITMAP picture = LoadBitmapA(appInstance, MAKEINTRESOURCEA(IDB_SPLASH));
  BITMAP size;
  HDC memory = CreateCompatibleDC(item->hDC);
  if (picture && memory && GetObjectA(picture, sizeof size, &size)) {
    HGDIOBJ previous = SelectObject(memory, picture);
    SetStretchBltMode(item->hDC, HALFTONE);
    SetBrushOrgEx(item->hDC, 0, 0, nullptr);
    const RECT& r = item->rcItem;
    StretchBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, size.bmWidth,
               size.bmHeight, SRCCOPY);
    SelectObject(memory, previous);
  }
  if (memory) DeleteDC(memory);
  return TRUE;
}

// "Ver 2.1" for every 2.1.x: the major and minor product version of the
// program's own version resource. Without one the template's text stays.
void showVersionLabel(HWND dialog) {
  HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
  const void* data = found ? LockResource(LoadResource(appInstance, found)) : nullptr;
  const DWORD size = found ? SizeofResource(appInstance, found) : 0;
  // VerQueryValueA wants a writable copy of the block.
  static char copy[4096];
  if (!data || size == 0 || size > sizeof copy) return;
  memcpy(copy, data, size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(copy, "\\", reinterpret_cast<void**>(&info), &length) || length < sizeof *info) return;
  wchar_t label[32];
  if (formatText(label, 32, IDS_VERSION_LABEL, static_cast<unsigned>(HIWORD(info->dwProductVersionMS)),
                 static_cast<unsigned>(LOWORD(info->dwProductVersionMS))))
    SetDlgItemTextW(dialog, IDC_VERSION, label);
}

}  // namespace

void showSplash() {
  showUiDialog(IDD_SPLASH, nullptr, splashDialogProc, 0);
}

void showAboutBox() {
  if (aboutOpen || configureOpen) return;
  aboutOpen = 1;
  showUiDialog(IDD_ABOUT, nullptr, aboutDialogProc, 0);
  // The box may also have ended without OK (the program's end).
  aboutWindow = nullptr;
  aboutOpen = 0;
}

INT_PTR CALLBACK splashDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      showVersionLabel(dialog);
      SetTimer(dialog, TIMER_SPLASH, TIMER_SPLASH_MS, nullptr);
      return 1;
    case WM_TIMER:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      KillTimer(dialog, TIMER_SPLASH);
      EndDialog(dialog, static_cast<INT_PTR>(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return paintTransparently(wParam);
    case WM_DRAWITEM:
      return drawPicture(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
  }
  return 0;
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      showVersionLabel(dialog);
      aboutTransparent = 1;
      SetDlgItemTextA(dialog, IDC_MONITOR, "");
      aboutWindow = dialog;
      return 0;
    case WM_COMMAND:
      // OK, Enter and Esc close the box.
      if (wParam == IDOK || wParam == IDCANCEL) {
        aboutWindow = nullptr;
        EndDialog(dialog, IDOK);
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      // Once text has arrived the monitor line is redrawn on every byte, and
      // a transparent line would pile each text on top of the last.
      return aboutTransparent ? paintTransparently(wParam) : paintInSystemColours(wParam);
    case WM_DRAWITEM:
      return drawPicture(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case MSG_MONITOR_TEXT: {
      char text[256];
      takeMonitorText(text, sizeof text);
      aboutTransparent = 0;
      SetDlgItemTextA(dialog, IDC_MONITOR, text);
      return 0;
    }
  }
  return 0;
}
