// The interpreter lock and the About monitor's hand-over, on the real seam.
#include <gtest/gtest.h>

#include <string>

#include "app_windows.h"
#include "held_input.h"
#include "interp.h"
#include "irda_serv.h"
#include "loopback_peer.h"
#include "keystroke.h"
#include "messages.h"
#include "platform.h"
#include "seam_feed.h"
#include "seam_hooks.h"

namespace {

struct Holder {
  HANDLE held;     // set once the holder owns the lock
  HANDLE release;  // the holder lets go when this is set
  int pressVk;     // a key the holder presses inside the lock, as in a byte
};

DWORD WINAPI holdLock(LPVOID param) {
  Holder* holder = static_cast<Holder*>(param);
  lockInterpreter();
  if (holder->pressVk) sendKeyEvent(0, holder->pressVk);
  SetEvent(holder->held);
  WaitForSingleObject(holder->release, INFINITE);
  unlockInterpreter();
  return 0;
}

struct Taker {
  HANDLE got;
};

DWORD WINAPI takeLock(LPVOID param) {
  lockInterpreter();
  SetEvent(static_cast<Taker*>(param)->got);
  unlockInterpreter();
  return 0;
}

class InterpreterLock : public ::testing::Test {
 protected:
  void SetUp() override {
    holder.held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    holder.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    taker.got = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(holder.held && holder.release && taker.got);
  }
  void TearDown() override {
    SetEvent(holder.release);
    for (HANDLE thread : {holderThread, takerThread})
      if (thread) {
        if (WaitForSingleObject(thread, 3000) != WAIT_OBJECT_0) TerminateThread(thread, 1);
        CloseHandle(thread);
      }
    CloseHandle(holder.held);
    CloseHandle(holder.release);
    CloseHandle(taker.got);
  }
  void startHolder() {
    holderThread = CreateThread(nullptr, 0, holdLock, &holder, 0, nullptr);
    ASSERT_NE(holderThread, nullptr);
    ASSERT_EQ(WaitForSingleObject(holder.held, 3000), WAIT_OBJECT_0);
  }
  void startTaker() {
    takerThread = CreateThread(nullptr, 0, takeLock, &taker, 0, nullptr);
    ASSERT_NE(takerThread, nullptr);
  }
  Holder holder{};
  Taker taker{};
  HANDLE holderThread = nullptr;
  HANDLE takerThread = nullptr;
};

TEST_F(InterpreterLock, SecondThreadWaitsUntilTheFirstLetsGo) {
  startHolder();
  startTaker();
  EXPECT_EQ(WaitForSingleObject(taker.got, 300), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(holder.release);
  EXPECT_EQ(WaitForSingleObject(taker.got, 3000), WAIT_OBJECT_0);
}

// A link's reader stuck for 3 seconds is terminated by design; if it held
// the lock then, the other link must still get it.
TEST_F(InterpreterLock, WorkerTerminatedWhileHoldingItLeavesItToTheOtherLink) {
  startHolder();
  ASSERT_TRUE(TerminateThread(holderThread, 1));
  ASSERT_EQ(WaitForSingleObject(holderThread, 3000), WAIT_OBJECT_0);
  startTaker();
  EXPECT_EQ(WaitForSingleObject(taker.got, 3000), WAIT_OBJECT_0) << "the abandoned lock was never taken";

  HookRecorder recorder;
  ASSERT_TRUE(recorder.installed());
  ASSERT_TRUE(feedFromWorker("a")) << "a byte after the abandonment hung";
  const std::vector<HookRecord> expected{keyDown(0x41, 0x1e, 0x001e0001), keyUp(0x41, 0x1e, 0xc01e0001)};
  const std::string report = compareRecords("typing after the abandonment", expected, recorder.settle(), nullptr);
  EXPECT_TRUE(report.empty()) << report;
}

// A worker terminated in the middle of a key leaves it down: the program's
// next taking of the lock lets it go, and the Ctrl the device locked stays.
TEST_F(InterpreterLock, KeyOfAWorkerTerminatedInsideAByteIsReleasedAndLockedCtrlStaysDown) {
  HookRecorder recorder;
  ASSERT_TRUE(recorder.installed());
  ASSERT_TRUE(feedFromWorker(esc(",lock,ctrl")));
  holder.pressVk = 0x41;
  startHolder();
  ASSERT_TRUE(TerminateThread(holderThread, 1));
  ASSERT_EQ(WaitForSingleObject(holderThread, 3000), WAIT_OBJECT_0);
  enterInterpreter();  // releases what the terminated worker stranded
  unlockInterpreter();
  const std::vector<HookRecord> stranded{keyDown(0x11, 0x1d, 0x001d0001), keyDown(0x41, 0x1e, 0x001e0001),
                                         keyUp(0x41, 0x1e, 0xc01e0001)};
  std::string report = compareRecords("terminated inside a key", stranded, recorder.settle(), nullptr);
  EXPECT_TRUE(report.empty()) << report;
  EXPECT_TRUE(keyIsPressed(0x11));

  recorder.clear();
  releaseHeldInput();
  report = compareRecords("exit after it", {keyUp(0x11, 0x1d, 0xc01d0001)}, recorder.settle(), nullptr);
  EXPECT_TRUE(report.empty()) << report;
}

LONG volatile inside = 0;
LONG volatile overlaps = 0;
HANDLE startLine = nullptr;

DWORD WINAPI enterManyTimes(LPVOID) {
  WaitForSingleObject(startLine, INFINITE);
  for (int i = 0; i < 200; ++i) {
    lockInterpreter();
    if (InterlockedIncrement(&inside) != 1) InterlockedIncrement(&overlaps);
    Sleep(0);
    InterlockedDecrement(&inside);
    unlockInterpreter();
  }
  return 0;
}

TEST(InterpreterLockStress, ThreadsNeverOverlapInsideIt) {
  startLine = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(startLine, nullptr);
  HANDLE threads[4];
  for (HANDLE& thread : threads) {
    thread = CreateThread(nullptr, 0, enterManyTimes, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
  }
  SetEvent(startLine);
  EXPECT_EQ(WaitForMultipleObjects(4, threads, TRUE, 10000), WAIT_OBJECT_0);
  for (HANDLE thread : threads) CloseHandle(thread);
  CloseHandle(startLine);
  EXPECT_EQ(overlaps, 0);
}

// The About box stands in as a window that takes the text on each notice.
std::string monitorText;
DWORD monitorThread = 0;
int monitorNotices = 0;

LRESULT CALLBACK aboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MSG_MONITOR_TEXT) {
    char text[256];
    takeMonitorText(text, sizeof text);
    monitorText = text;
    monitorThread = GetCurrentThreadId();
    ++monitorNotices;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A link thread echoing a burst, as onLinkByte does: under the lock.
void echoBurst(void*) {
  const char* texts[] = {"h", "he", "hello<esc>"};
  for (const char* text : texts) {
    lockInterpreter();
    showMonitorText(text);
    unlockInterpreter();
  }
}

// The echo never waits for the About box: the worker finishes while this
// thread, which owns the box, serves no message; the box then gets one
// notice and the newest text, on its own thread.
TEST(MonitorText, NeverWaitsForTheAboutBoxWhichTakesTheNewestTextOnItsThread) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = aboutProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SeamAboutTest";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("SeamAboutTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  monitorText.clear();
  monitorNotices = 0;

  ASSERT_TRUE(runOnWorker(echoBurst, nullptr));  // no About box
  pumpMessagesFor(50);
  EXPECT_EQ(monitorNotices, 0);

  aboutWindow = window;
  EXPECT_TRUE(runOnWorker(echoBurst, nullptr)) << "the echo waited for the About box";
  pumpMessagesFor(50);
  EXPECT_EQ(monitorNotices, 1);
  EXPECT_EQ(monitorText, "hello<esc>");
  EXPECT_EQ(monitorThread, GetCurrentThreadId());
  // After the box has taken the text, the next change posts a new notice.
  ASSERT_TRUE(runOnWorker(echoBurst, nullptr));
  pumpMessagesFor(50);
  EXPECT_EQ(monitorNotices, 2);
  aboutWindow = nullptr;
  DestroyWindow(window);
  UnregisterClassA("SeamAboutTest", GetModuleHandleA(nullptr));
}

// A device's long pause holds its link's worker, with the interpreter lock,
// inside the byte callback. Stopping the link ends the pause at once: the
// stop neither waits for it nor reaches the termination of the worker.
TEST(Pause, ALinkStopDuringALongWaitReturnsWithin100Ms) {
  HookRecorder recorder;
  ASSERT_TRUE(recorder.installed());
  SocketLibrary library;
  sockaddr_in address = freeLoopbackAddress();
  CIrDAServ link(reinterpret_cast<const sockaddr*>(&address), sizeof address);
  link.setByteCallback(onLinkByte);
  ASSERT_EQ(link.startListener(), 1);
  SOCKET peer = connectPeer(address);
  ASSERT_NE(peer, INVALID_SOCKET);
  const std::string bytes = "a" + esc(",wait,5000") + "b";
  ASSERT_TRUE(sendAll(peer, bytes.data(), static_cast<int>(bytes.size())));
  // The a is typed just before the pause begins.
  const DWORD start = GetTickCount();
  while (recorder.count() < 2 && GetTickCount() - start < 3000) pumpMessagesFor(10);
  ASSERT_GE(recorder.count(), 2u) << "the a before the pause was not typed";
  pumpMessagesFor(150);
  const DWORD stopStart = GetTickCount();
  link.stopListener();
  const DWORD stopMs = GetTickCount() - stopStart;
  closePeer(peer);
  EXPECT_LE(stopMs, 100u) << "the stop waited for the pause";

  // Once the stop is over, a pause lasts its time again.
  const DWORD pauseStart = GetTickCount();
  ASSERT_TRUE(feedFromWorker(esc(",wait,300")));
  EXPECT_GE(GetTickCount() - pauseStart, 280u) << "the pause after a stop was cut short";
  recorder.settle();
}

}  // namespace
