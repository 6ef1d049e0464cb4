#include "splash_about.h"

#include "../res/resource.h"
#include "app_windows.h"
#include "interp.h"
#include "main_window.h"
#include "messages.h"
#include "settings.h"

HWND volatile aboutWindow = nullptr;
int aboutTransparent = 0;

namespace {

// Static controls then leave the picture behind them visible.
INT_PTR paintTransparently(WPARAM deviceContext) {
  SetBkMode(reinterpret_cast<HDC>(deviceContext), TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

// The colour of the picture's top left pixel. The older static control
// filled the frame around its centred picture with it; the visual-style one
// of common controls 6 (the manifest asks for it) leaves the frame to the
// dialog, which paints it in this colour instead.
HBRUSH pictureFrameBrush() {
  static HBRUSH brush = nullptr;
  if (brush) return brush;
  COLORREF colour = GetSysColor(COLOR_3DFACE);
  HBITMAP picture = LoadBitmapA(appInstance, MAKEINTRESOURCEA(IDB_SPLASH));
  HDC memory = CreateCompatibleDC(nullptr);
  if (picture && memory) {
    HGDIOBJ previous = SelectObject(memory, picture);
    const COLORREF corner = GetPixel(memory, 0, 0);
    if (corner != CLR_INVALID) colour = corner;
    SelectObject(memory, previous);
  }
  if (memory) DeleteDC(memory);
  if (picture) DeleteObject(picture);
  brush = CreateSolidBrush(colour);
  return brush;
}

}  // namespace

void showSplash() {
  DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_SPLASH), nullptr, splashDialogProc, 0);
}

void showAboutBox() {
  if (aboutOpen || configureOpen) return;
  aboutOpen = 1;
  DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, aboutDialogProc, 0);
  // The box may also have ended without OK (the program's end).
  aboutWindow = nullptr;
  aboutOpen = 0;
}

INT_PTR CALLBACK splashDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
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
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(pictureFrameBrush());
  }
  return 0;
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      aboutTransparent = 1;
      SetDlgItemTextA(dialog, IDC_MONITOR, "");
      aboutWindow = dialog;
      return 0;
    case WM_COMMAND:
      // Only OK (or Enter) closes the box; Esc does not.
      if (wParam == IDOK) {
        aboutWindow = nullptr;
        EndDialog(dialog, IDOK);
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      // Once text has arrived the monitor line is redrawn on every byte, and
      // a transparent line would pile each text on top of the last.
      return aboutTransparent ? paintTransparently(wParam) : 0;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(pictureFrameBrush());
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
