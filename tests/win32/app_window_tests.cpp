// The main window procedure driven by posted messages, with the links and
// the shell's tray replaced at link time (app_doubles.cpp).
#include "app_doubles.h"

#include <aclapi.h>
#include <dbt.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <string.h>

#include <functional>

#include "../../links/comm_port.h"
#include "app_windows.h"
#include "assembler.h"
#include "hand_over.h"
#include "held_input.h"
#include "input_target.h"
#include "integrity_stand_ins.h"
#include "interp.h"
#include "platform.h"
#include "keystroke.h"
#include "lifecycle.h"
#include "link_objects.h"
#include "link_settings.h"
#include "main_window.h"
#include "messages.h"
#include "settings.h"
#include "tray_status.h"

namespace {

using Calls = std::vector<std::string>;

const char PleaseConfigure[] = "Tavrin: Please configure";
const char Com3At9600[] = "Tavrin: COM3 @ 9600 Baud";

// Dispatches everything that is waiting, timers that are due included.
void pumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void deliver(UINT message, WPARAM wParam, LPARAM lParam = 0) {
  PostMessageA(mainWindow, message, wParam, lParam);
  pumpMessages();
}

// A port device event as the system broadcasts it; returns the window
// procedure's answer.
LRESULT sendPortEvent(WPARAM event, const char* name, DWORD deviceType = DBT_DEVTYP_PORT) {
  struct {
    DEV_BROADCAST_PORT_A port;
    char rest[16];
  } record = {};
  record.port.dbcp_size = sizeof record.port + static_cast<DWORD>(strlen(name));
  record.port.dbcp_devicetype = deviceType;
  strcpy(record.port.dbcp_name, name);
  LRESULT answer = SendMessageA(mainWindow, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&record));
  pumpMessages();
  return answer;
}

// True when the timer was armed; it is gone afterwards.
bool timerWasArmed(UINT id) { return KillTimer(mainWindow, id) != 0; }

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDoubles();
    settings.portName = ComPortNames[2];
    settings.baudRate = 9600;
    mainWindow = createMainWindow(GetModuleHandleA(nullptr));
    ASSERT_TRUE(mainWindow);
    addTrayIcon(mainWindow, GetModuleHandleA(nullptr));
    showPortStatus(settings.portName, settings.baudRate);
    trayCalls.clear();
  }

  void TearDown() override {
    DestroyWindow(mainWindow);
    MSG quit;
    while (PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE)) {}
    mainWindow = nullptr;
  }

  // The current reader reports a failure and the port cannot be reopened.
  void failSerialLink() {
    portReaderFailed = 1;
    nextOpenResult = 0;
    deliver(MSG_SERIAL_STATUS, LINK_FAILURE);
    linkCalls.clear();
    trayCalls.clear();
  }
};

TEST(TrayRecordTest, SizeFollowsTheShellsMajorVersion) {
  const struct {
    DWORD major, size;
  } rows[] = {{0, NOTIFYICONDATAW_V1_SIZE}, {4, NOTIFYICONDATAW_V1_SIZE}, {5, NOTIFYICONDATAW_V2_SIZE},
              {6, NOTIFYICONDATAW_V3_SIZE}, {10, NOTIFYICONDATAW_V3_SIZE}};
  for (const auto& row : rows) EXPECT_EQ(trayRecordSize(row.major), row.size) << "major " << row.major;
}

TEST(TrayRecordTest, ModuleVersionComesFromDllGetVersionOrIsZero) {
  const struct {
    const char* library;
    bool hasVersion;
  } rows[] = {{"Shell32.dll", true}, {"kernel32.dll", false}, {"no-such-library.dll", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.library);
    DWORD major = 99, minor = 99;
    getModuleVersion(row.library, &major, &minor);
    if (row.hasVersion) {
      EXPECT_GE(major, 5u);
    } else {
      EXPECT_EQ(major, 0u);
      EXPECT_EQ(minor, 0u);
    }
    getModuleVersion(row.library, nullptr, nullptr);
  }
}

TEST_F(MainWindowTest, AddingTheIconFillsTheRecordForTheShellsVersion) {
  addTrayIcon(mainWindow, GetModuleHandleA(nullptr));
  ASSERT_EQ(trayCalls.size(), 2u);
  EXPECT_EQ(trayCalls[1].operation, static_cast<DWORD>(NIM_SETVERSION));
  EXPECT_EQ(trayCalls[1].record.uVersion, static_cast<UINT>(NOTIFYICON_VERSION_4));
  EXPECT_EQ(trayIconData.uTimeout, 15000u) << "the balloon's time-out, which shares the version's field";
  const NOTIFYICONDATAW& added = trayCalls[0].record;
  DWORD major = 0;
  getModuleVersion("Shell32.dll", &major, nullptr);
  EXPECT_EQ(trayCalls[0].operation, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(added.cbSize, trayRecordSize(major));
  EXPECT_EQ(added.hWnd, mainWindow);
  EXPECT_EQ(added.uID, 0u);
  EXPECT_EQ(added.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(added.uCallbackMessage, static_cast<UINT>(MSG_TRAY_NOTIFY));
  ICONINFO icon{};
  ASSERT_TRUE(GetIconInfo(added.hIcon, &icon));
  BITMAP colour{};
  GetObjectA(icon.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, GetSystemMetrics(SM_CXSMICON)) << "the image made for the tray's size";
  DeleteObject(icon.hbmColor);
  DeleteObject(icon.hbmMask);
  EXPECT_EQ(narrow(added.szTip), "Tavrin");
  EXPECT_EQ(narrow(added.szInfo), "");
  EXPECT_EQ(narrow(added.szInfoTitle), "Tavrin");
  EXPECT_EQ(added.uTimeout, 15000u);
  EXPECT_EQ(added.dwInfoFlags, static_cast<DWORD>(NIIF_NOSOUND));
  EXPECT_EQ(added.dwState | added.dwStateMask, 0u);
}

TEST_F(MainWindowTest, SerialFailureWhoseReopenSucceedsChangesNothingVisible) {
  deliver(MSG_SERIAL_STATUS, LINK_FAILURE);
  EXPECT_EQ(linkCalls, (Calls{"closePort(0)", "openPort(COM3,5,1)"}));
  EXPECT_TRUE(trayCalls.empty());
  EXPECT_EQ(narrow(trayIconData.szTip), Com3At9600);
  EXPECT_FALSE(timerWasArmed(TIMER_PORT_RETRY));
}

TEST_F(MainWindowTest, FailedReopenAsksToConfigureNamesThePortAndArmsTheRetry) {
  const struct {
    int port;
    const char* balloon;
  } rows[] = {
      {2, "Unable to open COM3\nPlease check communications settings."},
      {15, "Unable to open COM16\nPlease check communications settings."},
      {255, "Unable to open COM256\nPlease check communications settings."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.balloon);
    settings.portName = ComPortNames[row.port];
    nextOpenResult = 0;
    portReaderFailed = 1;
    trayCalls.clear();
    deliver(MSG_SERIAL_STATUS, LINK_FAILURE);
    ASSERT_EQ(trayCalls.size(), 1u);
    const NOTIFYICONDATAW& shown = trayCalls[0].record;
    EXPECT_EQ(trayCalls[0].operation, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(narrow(shown.szTip), PleaseConfigure);
    EXPECT_EQ(narrow(shown.szInfo), row.balloon);
    EXPECT_EQ(narrow(shown.szInfoTitle), "Tavrin");
    EXPECT_EQ(shown.dwInfoFlags, static_cast<DWORD>(NIIF_NOSOUND));
    EXPECT_EQ(shown.uTimeout, 15000u);
    EXPECT_EQ(shown.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO));
    EXPECT_TRUE(timerWasArmed(TIMER_PORT_RETRY));
  }
}

TEST_F(MainWindowTest, BalloonShowsALongPortNameWhole) {
  settings.portName = "COM-A-PORT-NAME-FAR-LONGER-THAN-ANY-REAL-ONE";
  failSerialLink();
  EXPECT_EQ(narrow(trayIconData.szInfo),
            "Unable to open COM-A-PORT-NAME-FAR-LONGER-THAN-ANY-REAL-ONE\nPlease check communications settings.");
}

TEST_F(MainWindowTest, RecordWithoutBalloonFieldsShowsTheFailureOnlyInTheTooltip) {
  trayIconData.cbSize = trayRecordSize(4);
  nextOpenResult = 0;
  deliver(MSG_SERIAL_STATUS, LINK_FAILURE);
  ASSERT_EQ(trayCalls.size(), 1u);
  EXPECT_EQ(narrow(trayCalls[0].record.szTip), PleaseConfigure);
  EXPECT_EQ(narrow(trayCalls[0].record.szInfo), "");
  EXPECT_EQ(trayCalls[0].record.uFlags & NIF_INFO, 0u);
}

TEST_F(MainWindowTest, RetryComesEveryFiveSecondsAndItsSuccessRestoresThePortStatus) {
  const DWORD failedAt = GetTickCount();
  failSerialLink();
  nextOpenResult = 1;
  while (linkCalls.empty() && GetTickCount() - failedAt < 8000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    pumpMessages();
  }
  const DWORD elapsed = GetTickCount() - failedAt;
  EXPECT_GE(elapsed, 4900u);
  EXPECT_LE(elapsed, 6000u);
  EXPECT_EQ(linkCalls, (Calls{"openPort(COM3,5,1)"}));
  ASSERT_EQ(trayCalls.size(), 1u);
  EXPECT_EQ(narrow(trayCalls[0].record.szTip), Com3At9600);
  EXPECT_EQ(narrow(trayCalls[0].record.szInfo), "");
  EXPECT_EQ(trayCalls[0].record.uFlags & NIF_INFO, 0u);
  EXPECT_FALSE(timerWasArmed(TIMER_PORT_RETRY));
}

TEST_F(MainWindowTest, FailedRetryChangesNothingAndKeepsTheTimer) {
  failSerialLink();
  deliver(WM_TIMER, TIMER_PORT_RETRY);
  EXPECT_EQ(linkCalls, (Calls{"openPort(COM3,5,1)"}));
  EXPECT_TRUE(trayCalls.empty());
  EXPECT_EQ(narrow(trayIconData.szTip), PleaseConfigure);
  EXPECT_TRUE(timerWasArmed(TIMER_PORT_RETRY));
}

TEST_F(MainWindowTest, RetryAfterTheSettingsReopenedThePortLeavesItAlone) {
  failSerialLink();
  portIsOpen = 1;
  deliver(WM_TIMER, TIMER_PORT_RETRY);
  EXPECT_TRUE(linkCalls.empty());
  EXPECT_FALSE(timerWasArmed(TIMER_PORT_RETRY));
}

TEST_F(MainWindowTest, SerialReportThatIsNoLongerCurrentIsIgnored) {
  const struct {
    const char* situation;
    const char* portName;
    int readerFailed;
  } rows[] = {
      {"IrDA chosen meanwhile", IrdaPortName, 1},
      {"port closed or replaced since the report", ComPortNames[2], 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.situation);
    settings.portName = row.portName;
    portReaderFailed = row.readerFailed;
    nextOpenResult = 0;
    deliver(MSG_SERIAL_STATUS, LINK_FAILURE);
    EXPECT_TRUE(linkCalls.empty());
    EXPECT_TRUE(trayCalls.empty());
    EXPECT_FALSE(timerWasArmed(TIMER_PORT_RETRY));
  }
}

// The old reader's report is still queued when Configure switches ports: the
// new port must not be closed by it.
TEST_F(MainWindowTest, ReportQueuedBeforeThePortWasReplacedLeavesTheNewPortOpen) {
  PostMessageA(mainWindow, MSG_SERIAL_STATUS, LINK_FAILURE, 0);
  commPort.closePort(1);
  commPort.openPort(ComPortNames[3], 5, 1);
  pumpMessages();
  EXPECT_EQ(linkCalls, (Calls{"closePort(1)", "openPort(COM4,5,1)"}));
  EXPECT_TRUE(trayCalls.empty());
}

// A failed restart names IrDA, never the serial port that works, keeps the
// open port's tooltip, and leaves the restart to the retry timer.
TEST_F(MainWindowTest, IrdaFailureRestartsTheListenerAndTheRetryRestartsOneThatCannotStart) {
  const struct {
    int startResult;
    int portOpen;
    const char* tip;
    const char* balloon;
    bool retry;
  } rows[] = {{1, 1, Com3At9600, "", false},
              {0, 1, Com3At9600, "Unable to open IrDA\nPlease check communications settings.", true},
              {0, 0, PleaseConfigure, "Unable to open IrDA\nPlease check communications settings.", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.startResult + 2 * row.portOpen);
    showPortStatus(settings.portName, settings.baudRate);
    linkCalls.clear();
    portIsOpen = row.portOpen;
    nextOpenResult = 0;
    nextStartResult = row.startResult;
    deliver(MSG_IRDA_STATUS, LINK_FAILURE);
    EXPECT_EQ(linkCalls, (Calls{"stopListener", "startListener"}));
    EXPECT_EQ(narrow(trayIconData.szTip), row.tip);
    EXPECT_EQ(narrow(trayIconData.szInfo), row.balloon);
    if (!row.retry) {
      EXPECT_FALSE(timerWasArmed(TIMER_PORT_RETRY));
      continue;
    }
    // The tick restarts the listener, and once it runs there is nothing left
    // to retry while the serial port is open.
    linkCalls.clear();
    nextStartResult = 1;
    portIsOpen = 1;
    deliver(WM_TIMER, TIMER_PORT_RETRY);
    EXPECT_EQ(linkCalls, (Calls{"stopListener", "startListener"}));
    EXPECT_FALSE(timerWasArmed(TIMER_PORT_RETRY));
  }
}

TEST_F(MainWindowTest, IrdaPeerConnectingShowsIrdaAndDisconnectingChangesNothing) {
  failSerialLink();
  KillTimer(mainWindow, TIMER_PORT_RETRY);
  deliver(MSG_IRDA_STATUS, LINK_CONNECTED);
  EXPECT_EQ(narrow(trayIconData.szTip), "Tavrin: IrDA");
  EXPECT_EQ(narrow(trayIconData.szInfo), "");
  EXPECT_EQ(trayIconData.uFlags & NIF_INFO, 0u);
  deliver(MSG_IRDA_STATUS, LINK_DISCONNECTED);
  EXPECT_EQ(trayCalls.size(), 1u);
  EXPECT_EQ(narrow(trayIconData.szTip), "Tavrin: IrDA");
  EXPECT_TRUE(linkCalls.empty());
}

TEST_F(MainWindowTest, TaskbarCreatedAddsTheIconAgainWithItsCurrentTooltip) {
  failSerialLink();
  SendMessageA(mainWindow, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  ASSERT_EQ(trayCalls.size(), 2u);
  EXPECT_EQ(trayCalls[1].operation, static_cast<DWORD>(NIM_SETVERSION)) << "the new shell knows no version either";
  EXPECT_EQ(trayCalls[0].operation, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(trayCalls[0].record.hWnd, mainWindow);
  EXPECT_EQ(trayCalls[0].record.uCallbackMessage, static_cast<UINT>(MSG_TRAY_NOTIFY));
  EXPECT_TRUE(trayCalls[0].record.hIcon);
  EXPECT_EQ(narrow(trayCalls[0].record.szTip), PleaseConfigure);
  KillTimer(mainWindow, TIMER_PORT_RETRY);
}

TEST_F(MainWindowTest, ExitRemovesTheIconAndEndsTheLoop) {
  PostMessageA(mainWindow, WM_COMMAND, 40002, 0);
  MSG message;
  int quitCode = -1;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  if (message.message == WM_QUIT) quitCode = static_cast<int>(message.wParam);
  EXPECT_EQ(quitCode, 0);
  EXPECT_FALSE(IsWindow(mainWindow));
  ASSERT_FALSE(trayCalls.empty());
  EXPECT_EQ(trayCalls.back().operation, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(trayCalls.back().record.uFlags, 0u);
}

// What the device holds, as the interpreter has told the system.
std::string deviceHolds() {
  if (keyIsPressed(VK_CONTROL) && buttonsLocked() == BUTTON_LEFT && lockedModifiers == MODIFIER_CTRL) return "held";
  if (keyIsPressed(VK_CONTROL) || buttonsPressed() || lockedModifiers) return "partly held";
  return "released";
}

// The shutdown runs once per process: its tests run in a process of their
// own (app.cmake) and this one holds the whole path.
class ShutDownTest : public MainWindowTest {};

// A message served while a link stops (a device event, a status report, a
// retry tick, a glide request) reaches the window during the shutdown.
void deliverReopeningMessages() {
  deliver(MSG_SERIAL_STATUS, LINK_FAILURE);
  deliver(MSG_IRDA_STATUS, LINK_FAILURE);
  deliver(MSG_PORT_EVENT, DBT_DEVICEARRIVAL);
  sendPortEvent(DBT_DEVICEARRIVAL, "COM3");
  deliver(WM_TIMER, TIMER_PORT_RETRY);
  deliver(MSG_GLIDE_TIMER, 1);
}

TEST_F(ShutDownTest, SessionEndStopsTheLinksThenReleasesWhatTheDeviceHoldsAndEndsTheProgramOnce) {
  for (const char* b = "\x1b,lock,ctrl.\x1b,moulock."; *b; ++b) onLinkByte(static_cast<unsigned char>(*b));
  ASSERT_EQ(deviceHolds(), "held");
  portIsOpen = 1;
  deliver(MSG_GLIDE_TIMER, 1);
  std::vector<std::string> seen;
  bool reopenedAfterShutdown = false;
  onDoubleCall = [&](const std::string& call) {
    seen.push_back(call + ": " + deviceHolds());
    if (call == "closePort(1)") {
      nextOpenResult = 1;
      portReaderFailed = 1;
      KillTimer(mainWindow, TIMER_MOUSE_GLIDE);
      deliverReopeningMessages();
      reopenedAfterShutdown = KillTimer(mainWindow, TIMER_PORT_RETRY) || KillTimer(mainWindow, TIMER_MOUSE_GLIDE);
    }
  };

  // Asked, and told the session goes on after all: nothing happens.
  EXPECT_EQ(SendMessageA(mainWindow, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  SendMessageA(mainWindow, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(IsWindow(mainWindow));
  EXPECT_EQ(deviceHolds(), "held");

  // The session ends: everything happens before the message returns.
  SendMessageA(mainWindow, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(seen, (Calls{"serialBytes(null): held", "serialStatus(null): held", "irdaBytes(null): held",
                         "irdaStatus(null): held", "stopListener: held", "closePort(1): held",
                         "tray delete: held"}))
      << "nothing may reopen a link once the shutdown has begun";
  EXPECT_FALSE(reopenedAfterShutdown) << "a timer was armed during the shutdown";
  EXPECT_EQ(deviceHolds(), "released");
  EXPECT_EQ(trayCalls.back().record.uFlags, 0u);
  EXPECT_FALSE(IsWindow(mainWindow));
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop is told to end";

  // The entry point's own shutdown after the loop finds nothing left to do.
  seen.clear();
  EXPECT_EQ(shutDown(), 0);
  EXPECT_TRUE(seen.empty());
}

TEST_F(MainWindowTest, HelpCommandOpensTheProductsPage) {
  deliver(WM_COMMAND, 40005);
  EXPECT_EQ(helpPagesOpened, (Calls{"Tavrin"}));
}

TEST_F(MainWindowTest, UnknownCommandsAndTimersAreIgnored) {
  deliver(WM_COMMAND, 40004);
  deliver(WM_COMMAND, MAKEWPARAM(40002, 1));
  deliver(WM_TIMER, 7);
  EXPECT_TRUE(IsWindow(mainWindow));
  EXPECT_TRUE(linkCalls.empty());
  EXPECT_TRUE(trayCalls.empty());
  EXPECT_TRUE(helpPagesOpened.empty());
}

TEST_F(MainWindowTest, ArrivalOfTheFailedPortReopensItAtOnce) {
  const struct {
    int port;
    const char* name;
    const char* tip;
  } rows[] = {{2, "COM3", Com3At9600}, {22, "com23", "Tavrin: COM23 @ 9600 Baud"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    settings.portName = ComPortNames[row.port];
    failSerialLink();
    nextOpenResult = 1;
    EXPECT_EQ(sendPortEvent(DBT_DEVICEARRIVAL, row.name), TRUE);
    EXPECT_EQ(linkCalls, (Calls{std::string("openPort(") + ComPortNames[row.port] + ",5,1)"}));
    ASSERT_EQ(trayCalls.size(), 1u);
    EXPECT_EQ(narrow(trayCalls[0].record.szTip), row.tip);
    EXPECT_EQ(trayCalls[0].record.uFlags & NIF_INFO, 0u);
    EXPECT_FALSE(timerWasArmed(TIMER_PORT_RETRY));
  }
}

// The port was absent at start-up, so no retry runs: an arrival whose open
// fails (the port is briefly busy) arms it, and the next tick opens it.
TEST_F(MainWindowTest, ArrivalWhoseOpenFailsArmsTheRetryAndTheNextTickOpens) {
  KillTimer(mainWindow, TIMER_PORT_RETRY);
  nextOpenResult = 0;
  sendPortEvent(DBT_DEVICEARRIVAL, "COM3");
  EXPECT_EQ(linkCalls, (Calls{"openPort(COM3,5,1)"}));
  EXPECT_EQ(narrow(trayIconData.szTip), PleaseConfigure);
  nextOpenResult = 1;
  deliver(WM_TIMER, TIMER_PORT_RETRY);
  EXPECT_EQ(linkCalls, (Calls{"openPort(COM3,5,1)", "openPort(COM3,5,1)"}));
  EXPECT_EQ(narrow(trayIconData.szTip), Com3At9600);
  EXPECT_FALSE(timerWasArmed(TIMER_PORT_RETRY));
}

// A handle whose driver went away without a removal: the port's arrival
// while it counts as open is its failure, and it is reopened.
TEST_F(MainWindowTest, ArrivalOfThePortBelievedOpenReopensIt) {
  portIsOpen = 1;
  sendPortEvent(DBT_DEVICEARRIVAL, "COM3");
  EXPECT_EQ(linkCalls, (Calls{"closePort(0)", "openPort(COM3,5,1)"}));
  EXPECT_FALSE(timerWasArmed(TIMER_PORT_RETRY));
}

TEST_F(MainWindowTest, RemovalOfTheOpenPortIsALinkFailureAtOnce) {
  portIsOpen = 1;
  nextOpenResult = 0;
  EXPECT_EQ(sendPortEvent(DBT_DEVICEREMOVECOMPLETE, "Com3"), TRUE);
  EXPECT_EQ(linkCalls, (Calls{"closePort(0)", "openPort(COM3,5,1)"}));
  ASSERT_EQ(trayCalls.size(), 1u);
  EXPECT_EQ(narrow(trayCalls[0].record.szTip), PleaseConfigure);
  EXPECT_EQ(narrow(trayCalls[0].record.szInfo), "Unable to open COM3\nPlease check communications settings.");
  EXPECT_TRUE(timerWasArmed(TIMER_PORT_RETRY));
}

TEST_F(MainWindowTest, DeviceEventsForOtherPortsOrStatesChangeNothing) {
  const struct {
    const char* what;
    int open;
    WPARAM event;
    const char* name;
    DWORD deviceType;
  } rows[] = {
      {"another port arrives", 0, DBT_DEVICEARRIVAL, "COM4", DBT_DEVTYP_PORT},
      {"a longer name arrives", 0, DBT_DEVICEARRIVAL, "COM33", DBT_DEVTYP_PORT},
      {"not a port", 0, DBT_DEVICEARRIVAL, "COM3", DBT_DEVTYP_VOLUME},
      {"removal while closed", 0, DBT_DEVICEREMOVECOMPLETE, "COM3", DBT_DEVTYP_PORT},
      {"another port removed", 1, DBT_DEVICEREMOVECOMPLETE, "COM4", DBT_DEVTYP_PORT},
      {"removal only asked", 1, DBT_DEVICEQUERYREMOVE, "COM3", DBT_DEVTYP_PORT},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    failSerialLink();
    portIsOpen = row.open;
    nextOpenResult = 1;
    EXPECT_EQ(sendPortEvent(row.event, row.name, row.deviceType), TRUE);
    EXPECT_TRUE(linkCalls.empty());
    EXPECT_TRUE(trayCalls.empty());
    EXPECT_TRUE(timerWasArmed(TIMER_PORT_RETRY));
  }
  EXPECT_EQ(SendMessageA(mainWindow, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0), TRUE);
  EXPECT_TRUE(linkCalls.empty());
}

void feedDevice(const char* bytes) {
  for (; *bytes; ++bytes) onLinkByte(static_cast<unsigned char>(*bytes));
}

// Every way a link is lost lets go of what its device held and of the half
// sequence it was sending; what the device sends next is typed as usual.
TEST_F(MainWindowTest, LostLinkLetsGoOfEverythingTheDeviceHeld) {
  const struct {
    const char* what;
    std::function<void()> lose;
  } rows[] = {
      {"serial failure", [] { portIsOpen = 1; deliver(MSG_SERIAL_STATUS, LINK_FAILURE); }},
      {"removal of the open port", [] { portIsOpen = 1; sendPortEvent(DBT_DEVICEREMOVECOMPLETE, "COM3"); }},
      {"IrDA peer gone", [] { postIrdaStatus(LINK_DISCONNECTED); pumpMessages(); }},
      {"IrDA failure", [] { postIrdaStatus(LINK_FAILURE); pumpMessages(); }},
      {"Configure closing the port", [] {
         portIsOpen = 1;
         settings.portName = IrdaPortName;
         applyLinkSettings(commPort, ComPortNames[2]);
         settings.portName = ComPortNames[2];
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    portReaderFailed = 1;
    feedDevice("\x1b,lock,leftwinkey.\x1b,moulock.\x1b,mougo,right,5.\x1b,lock,ct");
    pumpMessages();
    ASSERT_TRUE(keyIsPressed(VK_LWIN));
    ASSERT_EQ(buttonsLocked(), BUTTON_LEFT);
    row.lose();
    pumpMessages();
    EXPECT_FALSE(keyIsPressed(VK_LWIN));
    EXPECT_EQ(lockedModifiers | pendingModifiers, 0);
    EXPECT_EQ(buttonsPressed() | buttonsLocked(), 0);
    EXPECT_FALSE(timerWasArmed(TIMER_MOUSE_GLIDE)) << "the glide goes on";
    EXPECT_EQ(assemblerState, ASSEMBLER_NORMAL) << "the half sequence would swallow the next text";
    KillTimer(mainWindow, TIMER_PORT_RETRY);
  }
}

// The tooltip's second line and the icon follow what the device holds; a
// burst makes one change 50 ms after the last, letting go shows at once,
// and with nothing held the tooltip and the icon are the program's own.
TEST_F(MainWindowTest, TrayShowsWhatTheDeviceHoldsOneChangePerBurst) {
  const HICON own = trayIconData.hIcon;
  Sleep(TIMER_HELD_STATE_MS);  // past the last change a test before this one showed
  feedDevice("\x1b,lock,ctrl.");
  pumpMessages();
  ASSERT_EQ(trayCalls.size(), 1u);
  EXPECT_EQ(narrow(trayCalls[0].record.szTip), std::string(Com3At9600) + "\nLocked: Ctrl.");
  EXPECT_NE(trayCalls[0].record.hIcon, own);
  const DWORD burst = GetTickCount();
  for (const char* command : {"\x1b,hold,alt.", "\x1b,hold,shift."}) {
    feedDevice(command);
    pumpMessages();
  }
  // A machine too slow for the burst to fit in 40 ms cannot show this part.
  EXPECT_TRUE(GetTickCount() - burst >= 40 || trayCalls.size() == 1u) << "changed again within 50 ms";
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 100; pumpMessages()) Sleep(10);
  EXPECT_EQ(narrow(trayCalls.back().record.szTip), std::string(Com3At9600) + "\nLocked: Ctrl; held for the next key: Alt+Shift.");
  const size_t before = trayCalls.size();
  feedDevice("\x1b,rel.");
  pumpMessages();
  ASSERT_EQ(trayCalls.size(), before + 1) << "letting go waits for nothing";
  EXPECT_EQ(narrow(trayCalls.back().record.szTip), Com3At9600);
  EXPECT_EQ(trayCalls.back().record.hIcon, own);
}

DWORD WINAPI pauseOnOtherLink(LPVOID) {
  feedDevice("\x1b,wait,5000.");
  return 0;
}

// A pause on the other link holds the interpreter lock: the release after a
// lost link ends it rather than holding the UI thread for its 5 seconds.
TEST_F(MainWindowTest, ReleaseAfterALostLinkEndsAPauseOnTheOtherLink) {
  HANDLE other = CreateThread(nullptr, 0, pauseOnOtherLink, nullptr, 0, nullptr);
  ASSERT_NE(other, nullptr);
  Sleep(300);  // into the pause; a pause that began later fails the wait below
  portIsOpen = 1;
  portReaderFailed = 1;
  const DWORD start = GetTickCount();
  deliver(MSG_SERIAL_STATUS, LINK_FAILURE);
  EXPECT_LT(GetTickCount() - start, 1000u) << "the UI thread waited for the pause";
  EXPECT_EQ(WaitForSingleObject(other, 1000), WAIT_OBJECT_0) << "the pause went on";
  CloseHandle(other);
  KillTimer(mainWindow, TIMER_PORT_RETRY);
}

// Waits for the glide timer's ticks, seen before they are dispatched.
int glideTicksWithin(DWORD milliseconds, DWORD* firstGap) {
  const DWORD start = GetTickCount();
  DWORD last = start;
  int ticks = 0;
  MSG message;
  while (GetTickCount() - start < milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_TIMER && message.wParam == TIMER_MOUSE_GLIDE) {
        const DWORD now = GetTickCount();
        if (ticks == 1 && firstGap) *firstGap = now - last;
        last = now;
        ++ticks;
      }
      DispatchMessageA(&message);
    }
  }
  return ticks;
}

TEST_F(MainWindowTest, GlideRequestsArmAndStopTheTimerOnTheWindowsThread) {
  deliver(MSG_GLIDE_TIMER, 1);
  DWORD gap = 0;
  const int ticks = glideTicksWithin(700, &gap);
  EXPECT_GE(ticks, 4);
  EXPECT_LE(ticks, 6);
  EXPECT_GE(gap, 100u);
  EXPECT_LE(gap, 200u);
  deliver(MSG_GLIDE_TIMER, 0);
  EXPECT_EQ(glideTicksWithin(300, nullptr), 0);
}

DWORD WINAPI reportForeground(LPVOID window) {
  NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, static_cast<HWND>(window), OBJID_WINDOW, CHILDID_SELF);
  return 0;
}

// Windows drops input to an administrator's window; the integrity stand-ins
// make the test's own windows report the level the row gives, read when the
// system reports the window as the foreground. Each window above Tavrin
// gives one balloon for the whole run, the first time input is about to go
// to it, and the tooltip stays.
TEST_F(MainWindowTest, InputToAWindowAboveTavrinGivesOneBalloonPerWindow) {
  const std::string longTitle(300, 't');
  auto makeWindow = [](const std::string& title) {
    return CreateWindowExA(0, "STATIC", title.c_str(), WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                           nullptr, nullptr);
  };
  HWND console = makeWindow("Administrator: Command Prompt");
  HWND installer = makeWindow(longTitle);
  HWND editor = makeWindow("Notes");
  watchForeground();
  const std::string tail = "\" because that window runs as administrator.";
  struct Row { HWND window; DWORD level; std::string balloon; } rows[] = {
      {editor, SECURITY_MANDATORY_MEDIUM_RID, ""},
      {console, SECURITY_MANDATORY_HIGH_RID, "Tavrin cannot type into \"Administrator: Command Prompt" + tail},
      {console, SECURITY_MANDATORY_HIGH_RID, ""},
      {editor, SECURITY_MANDATORY_MEDIUM_RID, ""},
      {installer, SECURITY_MANDATORY_SYSTEM_RID,
       "Tavrin cannot type into \"" + longTitle.substr(0, 255 - 69 - 3) + "..." + tail},
      {console, SECURITY_MANDATORY_HIGH_RID, ""},
  };
  for (const Row& row : rows) {
    otherProcessIntegrity = row.level;
    SetForegroundWindow(row.window);
    // Windows reports the change itself; Wine 8 does not, so the test does,
    // from another thread as the system would.
    HANDLE notifier = CreateThread(nullptr, 0, reportForeground, row.window, 0, nullptr);
    while (MsgWaitForMultipleObjects(1, &notifier, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) pumpMessages();
    CloseHandle(notifier);
    pumpMessages();
    ASSERT_EQ(row.window, GetForegroundWindow());
    trayCalls.clear();
    emitMouseEvent(MOUSEEVENTF_MOVE, 0, 0, 0);
    emitMouseEvent(MOUSEEVENTF_MOVE, 0, 0, 0);
    pumpMessages();
    SCOPED_TRACE(row.balloon);
    if (row.balloon.empty()) {
      EXPECT_TRUE(trayCalls.empty());
      continue;
    }
    ASSERT_EQ(1u, trayCalls.size());
    EXPECT_EQ(row.balloon, narrow(trayCalls[0].record.szInfo));
    EXPECT_TRUE(trayCalls[0].record.uFlags & NIF_INFO);
    EXPECT_EQ(Com3At9600, narrow(trayCalls[0].record.szTip));
    EXPECT_FALSE(trayIconData.uFlags & NIF_INFO) << "a later status update shows no balloon again";
  }
  stopWatchingForeground();
  otherProcessIntegrity = SECURITY_MANDATORY_MEDIUM_RID;
  for (HWND window : {console, installer, editor}) DestroyWindow(window);
}

// Nobody but SYSTEM and the person may make Tavrin let go: both objects of
// the hand-over grant those two alone, and one that another account owns
// is not trusted. Wine keeps these descriptors but enforces none of them.
TEST(HandOver, ObjectsGrantSystemAndThePersonAloneAndTrustNoOtherOwner) {
  ASSERT_FALSE(watchForHandOver(nullptr)) << "no secure-desktop Tavrin runs";
  for (const char* name : {HAND_OVER_CLAIM, HAND_OVER_REQUEST}) {
    HANDLE object = OpenMutexA(READ_CONTROL, FALSE, name);
    if (!object) object = OpenEventA(READ_CONTROL, FALSE, name);
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                             &owner, nullptr, &dacl, nullptr, &descriptor)) << name;
    ASSERT_TRUE(dacl && dacl->AceCount == 2) << name;
    ACCESS_ALLOWED_ACE *system = nullptr, *person = nullptr;
    GetAce(dacl, 0, reinterpret_cast<void**>(&system));
    GetAce(dacl, 1, reinterpret_cast<void**>(&person));
    EXPECT_TRUE(IsWellKnownSid(&system->SidStart, WinLocalSystemSid)) << name;
    EXPECT_TRUE(EqualSid(&person->SidStart, owner)) << name << ": the person, who created it";
    LocalFree(descriptor);
    CloseHandle(object);
  }
  stopWatchingForHandOver();
  struct Row { const char* owner; bool trusted; } rows[] = {
      {"S-1-5-18", true}, {"S-1-5-32-544", true}, {"S-1-5-21-7-7-7-1001", true},
      {"S-1-5-21-7-7-7-1002", false}, {"S-1-1-0", false}, {"S-1-5-11", false}, {"S-1-5-32-545", false}};
  PSID person = nullptr, owner = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidA("S-1-5-21-7-7-7-1001", &person));
  for (const Row& row : rows) {
    ASSERT_TRUE(ConvertStringSidToSidA(row.owner, &owner));
    EXPECT_EQ(row.trusted, trustedHandOverOwner(owner, person)) << row.owner;
    LocalFree(owner);
  }
  LocalFree(person);
}

}  // namespace
