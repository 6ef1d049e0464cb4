// The tray menu, the splash and the About box, driven from timer callbacks
// that run inside their modal loops.
#include "app_doubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "../../links/comm_port.h"
#include "../../res/resource.h"
#include "app_windows.h"
#include "box_recorder.h"
#include "interp.h"
#include "lifecycle.h"
#include "main_window.h"
#include "messages.h"
#include "platform.h"
#include "registry_fixture.h"
#include "settings.h"
#include "splash_about.h"
#include "tray_status.h"

namespace {

using Calls = std::vector<std::string>;

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

// With NOTIFYICON_VERSION_4 (the recording tray takes it) the shell gives
// the icon's place in wParam; a right click arrives as WM_CONTEXTMENU, the
// keyboard as NIN_KEYSELECT or WM_CONTEXTMENU, and the keyboard's menu
// hands the focus back to the notification area.
TEST_F(DialogTest, LeftReleaseKeySelectAndContextMenuOpenTheMenuAtTheIcon) {
  const struct {
    UINT event;
    bool keyboard;
  } rows[] = {{WM_LBUTTONUP, false}, {WM_CONTEXTMENU, true}, {NIN_KEYSELECT, true}};
  ASSERT_TRUE(trayUsesVersion4());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.event);
    std::string items;
    int defaultItem = -2;
    RECT placed = {};
    whileModal([&]() {
      HWND menuWindow = findThreadWindow("#32768");
      if (!menuWindow) return false;
      GetWindowRect(menuWindow, &placed);
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
    trayCalls.clear();
    SendMessageA(mainWindow, MSG_TRAY_NOTIFY, MAKEWPARAM(200, 150), MAKELPARAM(row.event, 0));
    stopStepping();
    EXPECT_EQ(defaultItem, 0);
    EXPECT_EQ(items, "Configure...=40001;=0;About...=40003;Help...=40005;=0;Exit=40002;");
    EXPECT_EQ(placed.left, 200);
    EXPECT_EQ(placed.top, 150);
    EXPECT_EQ(!trayCalls.empty() && trayCalls.back().operation == NIM_SETFOCUS, row.keyboard);
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
  const UINT others[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_RBUTTONUP, NIN_SELECT, 0};
  for (UINT other : others) PostMessageA(mainWindow, MSG_TRAY_NOTIFY, 0, other);
  const DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start < 400) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  EXPECT_FALSE(menuSeen);
}

TEST_F(DialogTest, AboutBoxIsNamedShowsAnEmptyMonitorEchoesTextAndClosesOnEscape) {
  std::string initialMonitor, caption(64, 0), echoed;
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
        caption.resize(GetWindowTextA(about, &caption[0], 64));
        initialMonitor = controlText(about, IDC_MONITOR);
        brushBefore = SendMessageA(about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(monitor));
        showMonitorText("<esc>enter.");
        SendMessageA(about, MSG_MONITOR_TEXT, 0, 0);
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
  EXPECT_EQ(step, 1);
  EXPECT_EQ(caption, "About Tavrin");
  EXPECT_EQ(initialMonitor, "");
  EXPECT_EQ(echoed, "<esc>enter.");
  EXPECT_EQ(brushBefore, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
  EXPECT_NE(brushAfter, brushBefore);
  EXPECT_FALSE(openAfterEscape);
  EXPECT_EQ(aboutWindow, nullptr);
  EXPECT_EQ(aboutOpen.load(), 0);
  EXPECT_EQ(aboutTransparent, 0);
}

// A device's pause holds the interpreter lock on its link's thread; the
// About box answers another thread at once and shows the bytes before it.
DWORD WINAPI pauseTheDevice(LPVOID) {
  for (const char* b = "\x1b,wait,3000."; *b; ++b) onLinkByte(static_cast<unsigned char>(*b));
  return 0;
}

char probedText[256];
DWORD probeMs = 0;

DWORD WINAPI probeTheMonitor(LPVOID) {
  Sleep(800);  // well inside the pause
  const DWORD start = GetTickCount();
  SendMessageTimeoutA(GetDlgItem(aboutWindow, IDC_MONITOR), WM_GETTEXT, sizeof probedText,
                      reinterpret_cast<LPARAM>(probedText), SMTO_BLOCK, 10000, nullptr);
  probeMs = GetTickCount() - start;
  return 0;
}

TEST_F(DialogTest, AboutBoxAnswersWithin100MsWhileTheDevicePauses) {
  HANDLE threads[2] = {};
  whileModal([&]() {
    if (!aboutWindow) return false;
    if (!threads[0]) {
      threads[0] = CreateThread(nullptr, 0, pauseTheDevice, nullptr, 0, nullptr);
      threads[1] = CreateThread(nullptr, 0, probeTheMonitor, nullptr, 0, nullptr);
    } else if (WaitForSingleObject(threads[1], 0) == WAIT_OBJECT_0) {
      SendMessageA(aboutWindow, WM_COMMAND, IDOK, 0);
      return true;
    }
    return false;
  });
  showAboutBox();
  ASSERT_TRUE(threads[0] && threads[1]);
  WaitForMultipleObjects(2, threads, TRUE, 5000);
  for (HANDLE thread : threads) CloseHandle(thread);
  EXPECT_LT(probeMs, 100u) << "the About box waited for the pause";
  EXPECT_STREQ(probedText, "<esc>,wait,3000.");
}

// Pixels of a dialog's client area as its window shows them, 0x00RRGGBB.
struct Capture {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;
  // Pixels in r (client coordinates, right and bottom excluded) as bright
  // as the picture's white lettering.
  int brightIn(const RECT& r) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const DWORD p = pixels[static_cast<size_t>(y) * width + x];
        if ((p >> 16 & 0xFF) >= 0xD0 && (p >> 8 & 0xFF) >= 0xD0 && (p & 0xFF) >= 0xD0) ++n;
      }
    return n;
  }
};

Capture captureClient(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Capture c;
  RECT client;
  GetClientRect(window, &client);
  c.width = client.right;
  c.height = client.bottom;
  c.pixels.resize(static_cast<size_t>(c.width) * c.height);
  HDC source = GetDC(window);
  HDC memory = CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = c.width;
  info.bmiHeader.biHeight = -c.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, c.width, c.height, source, 0, 0, SRCCOPY);
  GdiFlush();
  memcpy(c.pixels.data(), bits, c.pixels.size() * sizeof(DWORD));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return c;
}

RECT controlRect(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The picture behind the About box must keep its lettering away from the
// monitor line: the empty line is transparent, and the strip between OK
// and the line shows the picture whatever the line holds.
TEST_F(DialogTest, AboutMonitorShowsNothingOfThePictureThroughOrBesideIt) {
  int brightThroughEmptyLine = -1, brightBesideText = -1, brightOutsideControls = -1;
  int step = 0;
  whileModal([&]() {
    HWND about = aboutWindow;
    if (!about || step++ < 2) return false;
    const RECT monitor = controlRect(about, IDC_MONITOR);
    const RECT ok = controlRect(about, IDOK);
    brightThroughEmptyLine = captureClient(about).brightIn(monitor);
    showMonitorText("x");
    SendMessageA(about, MSG_MONITOR_TEXT, 0, 0);
    const Capture shown = captureClient(about);
    brightBesideText = shown.brightIn(RECT{ok.right, monitor.top, monitor.left, monitor.bottom});
    // The picture's own white lettering elsewhere proves the capture sees it.
    brightOutsideControls = shown.brightIn(RECT{0, 0, shown.width, ok.top});
    SendMessageA(about, WM_COMMAND, IDOK, 0);
    return true;
  });
  showAboutBox();
  EXPECT_EQ(brightThroughEmptyLine, 0);
  EXPECT_EQ(brightBesideText, 0);
  EXPECT_GT(brightOutsideControls, 100);
}

// Relative luminance of an sRGB colour given as 0x00RRGGBB.
double luminance(DWORD rgb) {
  double sum = 0;
  const double weights[] = {0.2126, 0.7152, 0.0722};
  for (int i = 0; i < 3; ++i) {
    const double c = ((rgb >> (16 - 8 * i)) & 0xFF) / 255.0;
    sum += weights[i] * (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return sum;
}

// The version label's colour against the lightest pixel of the picture
// under it: at least 4.5 to 1.
TEST_F(DialogTest, TextOnThePictureContrastsWithItAtLeastFourAndAHalfToOne) {
  COLORREF text = 0;
  double lightest = 1;
  whileModal([&]() {
    HWND about = aboutWindow;
    if (!about) return false;
    HWND label = GetDlgItem(about, IDC_VERSION);
    HDC dc = GetDC(label);
    SendMessageA(about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
    text = GetTextColor(dc);
    ReleaseDC(label, dc);
    const RECT r = controlRect(about, IDC_VERSION);
    ShowWindow(label, SW_HIDE);
    const Capture picture = captureClient(about);
    lightest = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        lightest = std::max(lightest, luminance(picture.pixels[static_cast<size_t>(y) * picture.width + x]));
    SendMessageA(about, WM_COMMAND, IDOK, 0);
    return true;
  });
  showAboutBox();
  const DWORD rgb = GetRValue(text) << 16 | GetGValue(text) << 8 | GetBValue(text);
  EXPECT_GE((luminance(rgb) + 0.05) / (lightest + 0.05), 4.5);
}

TEST_F(DialogTest, AboutBoxControlsSitWhereTheLayoutPutsThem) {
  struct Placed {
    int id;
    RECT units;
    RECT actual;
  } placed[] = {{IDOK, {15, 135, 65, 149}, {}}, {IDC_MONITOR, {71, 136, 213, 150}, {}}};
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
    EXPECT_EQ(version, "Ver 2.2") << "the label comes from the version resource";
  }
  UnhookWindowsHookEx(hook);
}

// Start-up: the registration for a restart by the system (RESTART_NO_REBOOT:
// the log-on's Run value covers a reboot), the window and its icon, the
// splash while nothing is wired yet, then the links' callbacks before any
// link runs, the IrDA listener, and last the stored settings with the
// serial port.
TEST_F(DialogTest, StartUpShowsIconAndSplashBeforeWiringTheLinksThenOpensTheStoredPort) {
  clearProgramRegistry();
  putText(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port", "COM3");
  putDword(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud", 9600);
  putDword(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Interpretation", 1);
  interpretation = 0;
  // The fixture's window goes; its WM_QUIT would end the splash at once.
  DestroyWindow(mainWindow);
  MSG quit;
  while (PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE)) {}
  resetDoubles();
  Calls seen;
  onDoubleCall = [&](const std::string& call) { seen.push_back(call); };
  whileModal([&]() {
    HWND splash = findThreadWindow("#32770");
    if (!splash) return false;
    seen.push_back("splash");
    PostMessageA(splash, WM_LBUTTONDOWN, 0, 0);
    return true;
  });
  HWND window = startUp(GetModuleHandleA(nullptr));
  onDoubleCall = nullptr;
  clearProgramRegistry();
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(window, mainWindow);
  EXPECT_EQ(seen, (Calls{"restart(no args,8)", "tray add", "splash", "serialBytes(set)", "serialStatus(set)", "irdaBytes(set)",
                         "irdaStatus(set)", "startListener", "closePort(1)", "openPort(COM3,5,1)", "tray modify"}));
  EXPECT_EQ(interpretation.load(), 1);
  EXPECT_EQ(narrow(trayIconData.szTip), "Tavrin: COM3 @ 9600 Baud");
}

struct ConfigureCase {
  const char* what;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  const char* port;  // chosen in the dialog
  const char* rate;
  int button;
  Calls links;
  const char* portAfter;
  unsigned rateAfter;
};

// Configure as the tray opens it, with COM3 open at 9600.
TEST_F(DialogTest, ConfigureFromTheTrayChangesTheLinkOnlyAsTheSettingsDo) {
  const ConfigureCase rows[] = {
      {"double-click, OK on the same port: only the rate", MSG_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK, "COM3", "19200",
       IDOK, {"changeBaud(6)"}, "COM3", 19200},
      {"Configure..., OK on another port: closed with restore, the new one opened", WM_COMMAND, 40001, 0, "COM5",
       "9600", IDOK, {"closePort(1)", "openPort(COM5,5,1)"}, "COM5", 9600},
      {"OK on IrDA: the serial port closes with restore", WM_COMMAND, 40001, 0, "IrDA", "9600", IDOK,
       {"closePort(1)"}, "IrDA", 9600},
      {"Cancel touches no link", MSG_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK, "COM5", "115200", IDCANCEL, {}, "COM3", 9600},
  };
  for (const ConfigureCase& row : rows) {
    SCOPED_TRACE(row.what);
    // The settings key exists after the first run; OK writes into it.
    clearProgramRegistry();
    putText(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port", "COM3");
    BoxRecorder boxes;
    settings.portName = ComPortNames[2];
    settings.baudRate = 9600;
    portIsOpen = 1;
    linkCalls.clear();
    bool shown = false;
    whileModal([&]() {
      HWND dialog = findThreadWindow("#32770");
      char title[32] = "";
      if (dialog) GetWindowTextA(dialog, title, sizeof title);
      if (std::string(title) != "Configure") return false;
      shown = true;
      SendDlgItemMessageA(dialog, IDC_PORT, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(row.port));
      SendDlgItemMessageA(dialog, IDC_BAUD, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(row.rate));
      PostMessageA(dialog, WM_COMMAND, row.button, 0);
      return true;
    });
    SendMessageA(mainWindow, row.message, row.wParam, row.lParam);
    stopStepping();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
    EXPECT_EQ(linkCalls, row.links);
    EXPECT_STREQ(settings.portName, row.portAfter);
    EXPECT_EQ(settings.baudRate, row.rateAfter);
  }
  clearProgramRegistry();
}

}  // namespace
