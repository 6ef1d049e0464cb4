// Bringing the serial link into line with the settings, on a real line
// (tests/bench/serial-bench.sh maps the bench's COM port to a pseudo-terminal):
// which port is opened at which rate, the tooltip, and the retry timer that
// must never be left to touch a port the settings have opened.
#include <gtest/gtest.h>

#include <string>

#include "../../app/app_windows.h"
#include "../../app/link_objects.h"
#include "../../app/link_settings.h"
#include "../../app/messages.h"
#include "../../app/settings.h"
#include "box_recorder.h"
#include "serial_bench.h"

namespace {

class LinkSettings : public ::testing::Test {
protected:
  void SetUp() override {
    if (!serialBenchPresent()) GTEST_SKIP() << "runs inside tests/bench/serial-bench.sh";
    ASSERT_EQ("ok\n", serialBenchCommand("connect"));
    settings = Settings{};
    benchPort = portConstant(serialBenchPort());
    ASSERT_NE(nullptr, benchPort);
    mainWindow = CreateWindowExA(0, "STATIC", "retry timer owner", 0, 0, 0, 1, 1, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(nullptr, mainWindow);
  }
  void TearDown() override {
    commPort.closePort(1);
    if (mainWindow) DestroyWindow(mainWindow);
    mainWindow = nullptr;
  }

  static const char* portConstant(const char* name) {
    for (const char* candidate : ComPortNames)
      if (strcmp(candidate, name) == 0) return candidate;
    return nullptr;
  }
  void armRetryTimer() { SetTimer(mainWindow, TIMER_PORT_RETRY, TIMER_PORT_RETRY_MS, nullptr); }
  // KillTimer succeeds only on an armed timer.
  bool retryTimerArmed() { return KillTimer(mainWindow, TIMER_PORT_RETRY) != 0; }
  std::string lineSpeed() {
    std::string stty = serialBenchCommand("stty");
    size_t at = stty.find("speed ");
    return at == std::string::npos ? "" : stty.substr(at + 6, stty.find(' ', at + 6) - at - 6);
  }
  std::string tooltip() {
    wchar_t text[128];
    char shown[256];
    trayStatusText(commPort, text);
    WideCharToMultiByte(CP_UTF8, 0, text, -1, shown, sizeof shown, nullptr, nullptr);
    return shown;
  }
  void apply(const char* port, unsigned rate, const char* previous) {
    settings.portName = port;
    settings.baudRate = rate;
    applyLinkSettings(commPort, previous);
  }

  const char* benchPort = nullptr;
};

TEST_F(LinkSettings, StartUpOpensTheSelectedPortAndStopsTheRetryTimer) {
  armRetryTimer();
  apply(benchPort, 19200, nullptr);
  EXPECT_EQ(1, commPort.isOpen());
  EXPECT_EQ("19200", lineSpeed());
  EXPECT_FALSE(retryTimerArmed()) << "a retry tick must not touch the port just opened";
  EXPECT_EQ(std::string("Tavrin: ") + serialBenchPort() + " @ 19200 Baud", tooltip());
}

TEST_F(LinkSettings, SamePortWhileOpenOnlyChangesTheRate) {
  apply(benchPort, 9600, nullptr);
  ASSERT_EQ(1, commPort.isOpen());
  apply(benchPort, 115200, benchPort);
  EXPECT_EQ(1, commPort.isOpen());
  EXPECT_EQ("115200", lineSpeed());
}

TEST_F(LinkSettings, SamePortWhileClosedIsOpenedAgain) {
  apply(benchPort, 9600, nullptr);
  commPort.closePort(0);
  apply(benchPort, 4800, benchPort);
  EXPECT_EQ(1, commPort.isOpen());
  EXPECT_EQ("4800", lineSpeed());
}

TEST_F(LinkSettings, RateOutsideTheTableRunsAt9600ButShowsAsStored) {
  apply(benchPort, 600, nullptr);
  EXPECT_EQ("9600", lineSpeed());
  EXPECT_EQ(std::string("Tavrin: ") + serialBenchPort() + " @ 600 Baud", tooltip());
}

TEST_F(LinkSettings, IrdaClosesTheSerialPortAndStopsTheRetryTimer) {
  apply(benchPort, 9600, nullptr);
  armRetryTimer();
  apply(IrdaPortName, 9600, benchPort);
  EXPECT_EQ(0, commPort.isOpen());
  EXPECT_FALSE(retryTimerArmed());
  EXPECT_EQ("Tavrin: IrDA", tooltip());
}

TEST_F(LinkSettings, PortThatFailsToOpenKeepsTheRetryTimer) {
  const char* missing = strcmp(benchPort, ComPortNames[15]) == 0 ? ComPortNames[14] : ComPortNames[15];
  apply(benchPort, 9600, nullptr);
  armRetryTimer();
  apply(missing, 9600, benchPort);
  EXPECT_EQ(0, commPort.isOpen()) << "the bench's port was closed for the new selection";
  EXPECT_TRUE(retryTimerArmed()) << "the selected port is still retried";
  EXPECT_EQ("Tavrin: Please configure", tooltip());
}

}  // namespace
