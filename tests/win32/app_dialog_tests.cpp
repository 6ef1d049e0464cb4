// The tray menu, the splash and the About box, driven from timer callbacks
// that run inside their modal loops.
#include "app_doubles.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../../res/resource.h"
#include "app_windows.h"
#include "interp.h"
#include "main_window.h"
#include "messages.h"
#include "settings.h"
#include "splash_about.h"
#include "tray_status.h"

namespace {

// Runs step on the UI thread every 100 ms while a modal loop runs, until
// the step returns true.
std::function<bool()> pendingStep;
UINT_PTR stepTimer = 0;

void CALLBACK runStep(HWND, UINT, UINT_PTR, DWORD) {
  if (pendingStep && pendingStep()) {
    KillTimer(nullptr, stepTimer);
    pendingStep = nullptr;
  }
}

void whileModal(std::function<bool()> step) {
  pendingStep = std::move(step);
  stepTimer = SetTimer(nullptr, 0, 100, runStep);
}

void stopStepping() {
  KillTimer(nullptr, stepTimer);
  pendingStep = nullptr;
}

struct WindowSearch {
  const char* className;
  HWND found;
};

BOOL CALLBACK matchVisibleClass(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  char name[32];
  GetClassNameA(window, name, sizeof name);
  if (IsWindowVisible(window) && lstrcmpA(name, search->className) == 0) search->found = window;
  return !search->found;
}

HWND findThreadWindow(const char* className) {
  WindowSearch search = {className, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), matchVisibleClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string controlText(HWND dialog, int id) {
  char text[256] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDoubles();
    settings.portName = "COM1";
    settings.baudRate = 1200;
    mainWindow = createMainWindow(GetModuleHandleA(nullptr));
    ASSERT_TRUE(mainWindow);
    addTrayIcon(mainWindow, GetModuleHandleA(nullptr));
    aboutOpen = 0;
    configureOpen = 0;
  }
  void TearDown() override {
    stopStepping();
    DestroyWindow(mainWindow);
    MSG quit;
    while (PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE)) {}
    mainWindow = nullptr;
  }
};

TEST_F(DialogTest, ButtonReleaseOverTheIconOpensTheMenuWithConfigureAsDefault) {
  const UINT releases[] = {WM_LBUTTONUP, WM_RBUTTONUP};
  for (UINT release : releases) {
    SCOPED_TRACE(release);
    std::string items;
    int defaultItem = -2;
    whileModal([&]() {
      HWND menuWindow = findThreadWindow("#32768");
      if (!menuWindow) return false;
      HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
      defaultItem = static_cast<int>(GetMenuDefaultItem(menu, TRUE, 0));
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[32] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        items += std::string(text) + "=" + std::to_string(static_cast<int>(GetMenuItemID(menu, i))) + ";";
      }
      EndMenu();
      return true;
    });
    SendMessageA(mainWindow, MSG_TRAY_NOTIFY, 0, release);
    stopStepping();
    EXPECT_EQ(defaultItem, 0);
    EXPECT_EQ(items, "Configure...=40001;=0;About...=40003;Help...=40005;=0;Exit=40002;");
    MSG after;
    EXPECT_TRUE(PeekMessageA(&after, mainWindow, MSG_TRAY_NOTIFY, MSG_TRAY_NOTIFY, PM_REMOVE));
  }
}

TEST_F(DialogTest, OtherTrayMouseMessagesOpenNoMenu) {
  bool menuSeen = false;
  whileModal([&]() {
    menuSeen = menuSeen || findThreadWindow("#32768");
    return false;
  });
  const UINT others[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, 0};
  for (UINT other : others) PostMessageA(mainWindow, MSG_TRAY_NOTIFY, 0, other);
  const DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start < 400) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  EXPECT_FALSE(menuSeen);
}

TEST_F(DialogTest, AboutBoxShowsAnEmptyMonitorEchoesTextAndClosesOnlyOnOk) {
  std::string initialMonitor, version, echoed;
  LRESULT brushBefore = 0, brushAfter = 0;
  bool openAfterEscape = false;
  int step = 0;
  whileModal([&]() {
    HWND about = aboutWindow;
    if (!about) return false;
    HWND monitor = GetDlgItem(about, IDC_MONITOR);
    HDC dc = GetDC(monitor);
    switch (step++) {
      case 0:
        initialMonitor = controlText(about, IDC_MONITOR);
        brushBefore = SendMessageA(about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(monitor));
        SendMessageA(about, MSG_MONITOR_TEXT, 0, reinterpret_cast<LPARAM>("<esc>enter."));
        echoed = controlText(about, IDC_MONITOR);
        brushAfter = SendMessageA(about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(monitor));
        SendMessageA(about, WM_COMMAND, IDCANCEL, 0);
        break;
      case 1:
        openAfterEscape = IsWindow(about) && aboutWindow == about;
        SendMessageA(about, WM_COMMAND, IDOK, 0);
        break;
    }
    ReleaseDC(monitor, dc);
    return step == 2;
  });
  showAboutBox();
  EXPECT_EQ(step, 2);
  EXPECT_EQ(initialMonitor, "");
  EXPECT_EQ(echoed, "<esc>enter.");
  EXPECT_EQ(brushBefore, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
  EXPECT_NE(brushAfter, brushBefore);
  EXPECT_TRUE(openAfterEscape);
  EXPECT_EQ(aboutWindow, nullptr);
  EXPECT_EQ(aboutOpen.load(), 0);
  EXPECT_EQ(aboutTransparent, 0);
}

TEST_F(DialogTest, AboutBoxControlsSitWhereTheLayoutPutsThem) {
  struct Placed {
    int id;
    RECT units;
    RECT actual;
  } placed[] = {{IDOK, {15, 135, 65, 149}, {}}, {IDC_MONITOR, {71, 136, 233, 150}, {}}};
  HWND dialog = nullptr;
  whileModal([&]() {
    dialog = aboutWindow;
    if (!dialog) return false;
    for (Placed& p : placed) {
      GetWindowRect(GetDlgItem(dialog, p.id), &p.actual);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&p.actual), 2);
      MapDialogRect(dialog, &p.units);
    }
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
  });
  showAboutBox();
  ASSERT_TRUE(dialog);
  for (const Placed& p : placed) {
    SCOPED_TRACE(p.id);
    EXPECT_EQ(p.actual.left, p.units.left);
    EXPECT_EQ(p.actual.top, p.units.top);
    EXPECT_EQ(p.actual.right, p.units.right);
    EXPECT_EQ(p.actual.bottom, p.units.bottom);
  }
}

TEST_F(DialogTest, AboutOpensNothingWhileItOrConfigureShows) {
  int* flags[] = {&configureOpen, nullptr};
  for (int* flag : flags) {
    bool dialogSeen = false;
    whileModal([&]() {
      dialogSeen = dialogSeen || findThreadWindow("#32770");
      return false;
    });
    if (flag) *flag = 1; else aboutOpen = 1;
    const DWORD start = GetTickCount();
    showAboutBox();
    EXPECT_LT(GetTickCount() - start, 100u);
    EXPECT_FALSE(dialogSeen);
    EXPECT_EQ(aboutWindow, nullptr);
    stopStepping();
    configureOpen = 0;
    aboutOpen = 0;
  }
}

// When the last dialog of this thread received WM_INITDIALOG, and when it
// began to hide.
DWORD dialogOpenedAt = 0;
DWORD dialogHiddenAt = 0;

LRESULT CALLBACK noteDialogTimes(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG) dialogOpenedAt = GetTickCount();
  if (code == HC_ACTION && call->message == WM_WINDOWPOSCHANGING && !dialogHiddenAt &&
      (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_HIDEWINDOW))
    dialogHiddenAt = GetTickCount();
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Times run from the dialog's opening (or from the click) to its hiding:
// Wine without a window manager then waits up to 2 s for the X window to be
// withdrawn, which is the bench's delay, not the program's.
TEST_F(DialogTest, SplashClosesAfterThreeSecondsOrAtOnceOnAClick) {
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, noteDialogTimes, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(hook);
  const struct {
    UINT click;
    DWORD least, most;
  } rows[] = {{0, 2950, 3500}, {WM_LBUTTONDOWN, 0, 300}, {WM_RBUTTONDOWN, 0, 300}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.click);
    std::string version;
    DWORD clickedAt = 0;
    whileModal([&]() {
      HWND splash = findThreadWindow("#32770");
      if (!splash) return false;
      char text[16] = "";
      for (HWND c = GetWindow(splash, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        GetWindowTextA(c, text, sizeof text);
        if (text[0]) version = text;
      }
      clickedAt = GetTickCount();
      if (row.click) PostMessageA(splash, row.click, 0, 0);
      return true;
    });
    dialogOpenedAt = dialogHiddenAt = 0;
    showSplash();
    stopStepping();
    ASSERT_NE(dialogOpenedAt, 0u);
    ASSERT_NE(dialogHiddenAt, 0u);
    const DWORD elapsed = dialogHiddenAt - (row.click ? clickedAt : dialogOpenedAt);
    EXPECT_GE(elapsed, row.least);
    EXPECT_LE(elapsed, row.most);
    EXPECT_EQ(version, "Ver 2.1");
  }
  UnhookWindowsHookEx(hook);
}

}  // namespace
