#include "box_recorder.h"

#include <ostream>

static BoxRecorder* active = nullptr;

BoxRecorder::BoxRecorder(WPARAM command) : configureCommand(command) {
  active = this;
  handle = SetWindowsHookExA(WH_CALLWNDPROCRET, hook, nullptr, GetCurrentThreadId());
}

BoxRecorder::~BoxRecorder() {
  UnhookWindowsHookEx(handle);
  active = nullptr;
}

static std::string windowText(HWND window) {
  char text[1024];
  GetWindowTextA(window, text, sizeof text);
  return text;
}

static BoxIcon iconOf(HICON icon) {
  if (!icon) return BOX_NO_ICON;
  if (icon == LoadIcon(nullptr, IDI_INFORMATION)) return BOX_INFORMATION;
  if (icon == LoadIcon(nullptr, IDI_WARNING)) return BOX_WARNING;
  return BOX_OTHER_ICON;
}

// A message box holds one icon static and one text static; which ids they
// carry differs between systems, so they are told apart by style.
static BOOL CALLBACK readBoxChild(HWND child, LPARAM lParam) {
  RecordedBox* box = reinterpret_cast<RecordedBox*>(lParam);
  char className[32];
  GetClassNameA(child, className, sizeof className);
  if (lstrcmpiA(className, "Static") != 0) return TRUE;
  LONG style = GetWindowLongA(child, GWL_STYLE);
  if ((style & SS_TYPEMASK) == SS_ICON)
    box->icon = iconOf(reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)));
  else if (box->text.empty())
    box->text = windowText(child);
  return TRUE;
}

// Each dialog is read and answered as soon as its WM_INITDIALOG has been
// handled: the box's text and icon are set by then, and an end asked for
// there closes it before its modal loop waits on anything.
LRESULT CALLBACK BoxRecorder::hook(int code, WPARAM wParam, LPARAM lParam) {
  const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && active && call->message == WM_INITDIALOG) {
    HWND window = call->hwnd;
    char className[32];
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0) {
      std::string caption = windowText(window);
      if (caption == "Configure") {
        ++active->configureShown;
        if (active->configureCommand) PostMessageA(window, WM_COMMAND, active->configureCommand, 0);
      } else {
        RecordedBox box{"", caption, BOX_NO_ICON};
        EnumChildWindows(window, readBoxChild, reinterpret_cast<LPARAM>(&box));
        active->boxes.push_back(box);
        EndDialog(window, IDOK);
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

RecordedBox warningBox(const std::string& text) { return {text, "Error", BOX_WARNING}; }

RecordedBox noticeBox(const std::string& text, const std::string& caption) {
  return {text, caption, BOX_INFORMATION};
}

bool operator==(const RecordedBox& a, const RecordedBox& b) {
  return a.text == b.text && a.caption == b.caption && a.icon == b.icon;
}

void PrintTo(const RecordedBox& box, std::ostream* out) {
  static const char* const icons[] = {"no icon", "information", "warning", "other icon"};
  *out << "{\"" << box.text << "\", caption \"" << box.caption << "\", " << icons[box.icon] << "}";
}

void pumpMessages(int ms) {
  DWORD end = GetTickCount() + ms;
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}
