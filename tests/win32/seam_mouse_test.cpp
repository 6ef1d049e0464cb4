// Mouse commands typed through the interpreter into the real seam, observed
// by a low-level mouse hook; the glide requests observed at a test window
// standing in for the main window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app_windows.h"
#include "interp.h"
#include "messages.h"
#include "seam_feed.h"
#include "seam_hooks.h"

namespace {

struct MouseRow {
  const char* name;
  std::string input;
  std::vector<HookRecord> expected;
};

HookRecord moveTo(LONG x, LONG y) { return mouseAt(WM_MOUSEMOVE, x, y); }

// Every row starts with ,moureset so that positions are known.
std::vector<MouseRow> mouseRows() {
  const std::string reset = esc(",moureset");
  return {
      {"click", reset + esc(",click"),
       {moveTo(0, 0), mouseAt(WM_LBUTTONDOWN, 0, 0), mouseAt(WM_LBUTTONUP, 0, 0)}},
      {"right double click after a move", reset + esc(",move,30,20") + esc(",dblclick,right"),
       {moveTo(0, 0), moveTo(30, 20), mouseAt(WM_RBUTTONDOWN, 30, 20), mouseAt(WM_RBUTTONUP, 30, 20),
        mouseAt(WM_RBUTTONDOWN, 30, 20), mouseAt(WM_RBUTTONUP, 30, 20)}},
      {"relative moves right and down, then left and up", reset + esc(",move,100,50") + esc(",move,-20,-5"),
       {moveTo(0, 0), moveTo(100, 50), moveTo(80, 45)}},
      {"goto puts the pointer on the pixel in one move", reset + esc(",move,300,200") + esc(",goto,40,30"),
       {moveTo(0, 0), moveTo(300, 200), moveTo(40, 30)}},
      {"wheel three notches up, one sideways to the left, at the pointer", esc(",goto,20,10") +
           esc(",scroll,up,3") + esc(",scroll,left"),
       {moveTo(20, 10), wheelAt(WM_MOUSEWHEEL, 20, 10, 360), wheelAt(WM_MOUSEHWHEEL, 20, 10, -120)}},
      {"one of two held buttons released by name", reset + esc(",moulock,right") + esc(",moulock") +
           esc(",mourel,right") + esc(",mourel,left"),
       {moveTo(0, 0), mouseAt(WM_RBUTTONDOWN, 0, 0), mouseAt(WM_LBUTTONDOWN, 0, 0), mouseAt(WM_RBUTTONUP, 0, 0),
        mouseAt(WM_LBUTTONUP, 0, 0)}},
      {"middle button held and released", reset + esc(",moulock,middle") + esc(",mourel"),
       {moveTo(0, 0), mouseAt(WM_MBUTTONDOWN, 0, 0), mouseAt(WM_RBUTTONUP, 0, 0),
        mouseAt(WM_MBUTTONUP, 0, 0), mouseAt(WM_LBUTTONUP, 0, 0)}},
  };
}

class SeamMouse : public ::testing::Test {
 protected:
  // Relative moves are scaled by the pointer speed settings; with the
  // acceleration thresholds off the hook's positions are exact.
  void SetUp() override {
    ASSERT_TRUE(recorder.installed()) << "the low-level hooks could not be installed";
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETMOUSE, 0, savedMouse, 0));
    int noAcceleration[3] = {0, 0, 0};
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETMOUSE, 0, noAcceleration, 0));
  }
  void TearDown() override { SystemParametersInfoA(SPI_SETMOUSE, 0, savedMouse, 0); }

  HookRecorder recorder;
  int savedMouse[3] = {};
};

TEST_F(SeamMouse, EveryRowReachesTheHooksAsExpected) {
  std::string report;
  for (const MouseRow& row : mouseRows()) {
    recorder.clear();
    ASSERT_TRUE(feedFromWorker(row.input)) << "row \"" << row.name << "\": the worker did not finish";
    report += compareRecords(row.name, row.expected, recorder.settle(), nullptr);
  }
  EXPECT_TRUE(report.empty()) << report;
}

// ,goto lands exactly on the pixel whatever the pointer speed settings:
// read back with GetCursorPos at the corners, the centre and beyond the
// edges. The screen size is whatever the bench display has; a second ctest
// entry runs this at another size and names it in TAVRIN_EXPECT_SCREEN.
TEST(SeamPointer, GotoLandsOnThePixelOfThePrimaryScreen) {
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  char size[32];
  std::snprintf(size, sizeof size, "%dx%d", w, h);
  const char* expectedSize = std::getenv("TAVRIN_EXPECT_SCREEN");
  if (expectedSize) {
    ASSERT_STREQ(size, expectedSize) << "the display does not have the size this run is for";
  }
  const struct {
    int x, y;      // asked for
    LONG ex, ey;   // where the pointer must be
  } points[] = {{0, 0, 0, 0},         {w - 1, 0, w - 1, 0},         {0, h - 1, 0, h - 1},
                {w - 1, h - 1, w - 1, h - 1}, {w / 2, h / 2, w / 2, h / 2}, {200, 100, 200, 100},
                {1, 1, 1, 1},         {w - 2, h - 2, w - 2, h - 2}, {-40, 99999, 0, h - 1},
                {99999, -7, w - 1, 0}};
  std::string report;
  for (const auto& p : points) {
    const std::string token = ",goto," + std::to_string(p.x) + "," + std::to_string(p.y);
    ASSERT_TRUE(feedFromWorker(esc(token.c_str())));
    POINT at{-1, -1};
    const DWORD start = GetTickCount();
    do {
      pumpMessagesFor(20);
      GetCursorPos(&at);
    } while ((at.x != p.ex || at.y != p.ey) && GetTickCount() - start < 1000);
    if (at.x != p.ex || at.y != p.ey)
      report += token + " on " + size + ": at " + std::to_string(at.x) + "," + std::to_string(at.y) + ", expected " +
                std::to_string(p.ex) + "," + std::to_string(p.ey) + "\n";
  }
  EXPECT_TRUE(report.empty()) << report;
}

// The test window plays the main window: it records the glide requests and,
// like the real one, arms the glide timer on its own thread and moves the
// pointer on every tick.
std::vector<WPARAM> glideRequests;
DWORD glideRequestThread = 0;

LRESULT CALLBACK glideWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MSG_GLIDE_TIMER) {
    glideRequests.push_back(wParam);
    glideRequestThread = GetCurrentThreadId();
    if (wParam)
      SetTimer(window, TIMER_MOUSE_GLIDE, TIMER_MOUSE_GLIDE_MS, nullptr);
    else
      KillTimer(window, TIMER_MOUSE_GLIDE);
    return 0;
  }
  if (message == WM_TIMER && wParam == TIMER_MOUSE_GLIDE) {
    glideTick();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class SeamGlide : public SeamMouse {
 protected:
  void SetUp() override {
    SeamMouse::SetUp();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = glideWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SeamGlideTest";
    RegisterClassA(&windowClass);
    window = CreateWindowA("SeamGlideTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    glideRequests.clear();
    mainWindow = window;
  }
  void TearDown() override {
    feedFromWorker(esc(",moustop"));
    pumpMessagesFor(100);
    mainWindow = nullptr;
    if (window) DestroyWindow(window);
    UnregisterClassA("SeamGlideTest", GetModuleHandleA(nullptr));
    SeamMouse::TearDown();
  }
  HWND window = nullptr;
};

TEST_F(SeamGlide, RequestsArriveAtTheMainWindowOnItsOwnThread) {
  ASSERT_TRUE(feedFromWorker(esc(",mougo,right,2")));
  pumpMessagesFor(50);
  ASSERT_TRUE(feedFromWorker(esc(",mougo,up,0")));  // speed 0: no request
  pumpMessagesFor(50);
  ASSERT_TRUE(feedFromWorker(esc(",moustop")));
  pumpMessagesFor(50);
  ASSERT_TRUE(feedFromWorker(esc(",mougo,down,3")));
  pumpMessagesFor(50);
  EXPECT_EQ(glideRequests, (std::vector<WPARAM>{1, 0, 1}));
  EXPECT_EQ(glideRequestThread, GetCurrentThreadId());
}

TEST_F(SeamGlide, TicksMoveThePointerByTheStepUntilStopped) {
  ASSERT_TRUE(feedFromWorker(esc(",moureset") + esc(",mougo,right,2")));
  // The corner move and three ticks of 125 ms, however busy the machine.
  const DWORD start = GetTickCount();
  while (recorder.count() < 4 && GetTickCount() - start < 5000) pumpMessagesFor(20);
  ASSERT_TRUE(feedFromWorker(esc(",moustop")));
  std::vector<HookRecord> seen = recorder.settle(300);
  ASSERT_GE(seen.size(), 4u) << "the glide timer did not tick three times in 5 seconds";
  std::string report;
  for (size_t i = 0; i < seen.size(); ++i) {
    const HookRecord expected = moveTo(static_cast<LONG>(2 * i), 0);
    report += compareRecords("glide right 2", {expected}, {seen[i]}, nullptr);
  }
  EXPECT_TRUE(report.empty()) << report;
  const size_t ticks = seen.size();
  pumpMessagesFor(300);
  EXPECT_EQ(recorder.settle().size(), ticks) << "the glide went on after moustop";
}

TEST_F(SeamGlide, NoMainWindowMeansNoRequest) {
  mainWindow = nullptr;
  ASSERT_TRUE(feedFromWorker(esc(",mougo,left,1")));
  pumpMessagesFor(100);
  EXPECT_TRUE(glideRequests.empty());
}

}  // namespace
