// Find my device on real lines (tests/bench/serial-bench.sh: the bench's
// port and two quiet ones, each on a pseudo-terminal): Configure finds the
// port that receives while the link types nothing, and stops at once on
// Cancel; the rate choice through a ClearCommError stand-in that answers as
// a real UART would.
#include <gtest/gtest.h>

#include <string>

#include "../../app/configure_dialog.h"
#include "../../app/link_objects.h"
#include "../../app/settings.h"
#include "../../links/port_search.h"
#include "../../res/resource.h"
#include "box_recorder.h"
#include "comm_faults.h"
#include "link_recorder.h"
#include "serial_bench.h"

namespace {

class PortSearch : public ::testing::Test {
protected:
  void SetUp() override {
    if (!serialBenchPresent()) GTEST_SKIP() << "runs inside tests/bench/serial-bench.sh";
    ASSERT_EQ("ok\n", serialBenchCommand("connect"));
    port = comPortName(serialBenchPort());
    peer = openLinePeer();
    ASSERT_NE(INVALID_HANDLE_VALUE, peer);
    settings = Settings{};
    settings.portName = port;
    settings.baudRate = 9600;
    commPort.setByteCallback(recordByte);
    ASSERT_EQ(1, commPort.openPort(port, CCommPort::baudToIndex(9600), 1));
    dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONFIGURE), nullptr,
                                configureDialogProc, 0);
  }
  void TearDown() override {
    if (streaming) stopLineStream(&stream);
    if (dialog) DestroyWindow(dialog);
    if (peer != INVALID_HANDLE_VALUE) CloseHandle(peer);
    commPort.closePort(1);
    commPort.setByteCallback(nullptr);
    setLineErrorsExceptAt(0);
  }
  // The device keeps sending until the test ends.
  void startStream() { ASSERT_TRUE(streaming = startLineStream(&stream, peer)); }
  std::string text(int id) {
    char buffer[300];
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
  }

  const char* port = nullptr;
  HANDLE peer = INVALID_HANDLE_VALUE;
  LineStream stream;
  bool streaming = false;
  HWND dialog = nullptr;
};

TEST_F(PortSearch, FindSelectsThePortThatReceivesTypesNothingAndThenTheLinkTypesAgain) {
  startStream();
  SendMessageA(dialog, WM_COMMAND, IDC_FIND, 0);
  ASSERT_TRUE(portSearchRunning());
  recorderReset();
  int typedWhileSearching = 0;
  for (DWORD start = GetTickCount(); portSearchRunning() && GetTickCount() - start < 30000;) {
    pumpMessages(20);
    if (portSearchRunning()) typedWhileSearching = recorderCount();
  }
  EXPECT_EQ("Found the device on " + std::string(port) + ". Its rate could not be told: choose the rate set on the device.",
            text(IDC_SEARCH_STATUS)) << "a pseudo-terminal reports no line errors at any rate";
  EXPECT_EQ(port, text(IDC_PORT));
  EXPECT_EQ(0, typedWhileSearching);
  EXPECT_TRUE(waitForRecords(1, 5000)) << "the link has its port back and types again";
  EXPECT_EQ(port, settings.portName) << "nothing is stored before OK";
}

TEST_F(PortSearch, CancelStopsTheSearchAtOnceAndGivesTheLinkItsPort) {
  SendMessageA(dialog, WM_COMMAND, IDC_FIND, 0);
  pumpMessages(300);
  ASSERT_TRUE(portSearchRunning());
  const DWORD start = GetTickCount();
  SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_LT(GetTickCount() - start, 500u);
  EXPECT_FALSE(portSearchRunning());
  EXPECT_EQ(1, commPort.isOpen());
}

volatile LONG lastEvent = 0;
volatile LONG lastRate = 0;
void recordSearch(int event, const char*, unsigned rate) {
  InterlockedExchange(&lastRate, static_cast<LONG>(rate));
  InterlockedExchange(&lastEvent, event);
}

// A real UART shows line errors at every rate but the device's: the first
// rate whose bytes read clean is taken once one has shown errors. A port
// without errors at any rate keeps the rate the search began with.
TEST_F(PortSearch, RateIsTheCleanOneOnceAnotherShowedLineErrors) {
  commPort.closePort(1);
  startStream();
  const struct {
    unsigned first, deviceRate;
    int event;
    unsigned rate;
  } rows[] = {{9600, 19200, SEARCH_RATE_FOUND, 19200},
              {38400, 38400, SEARCH_RATE_FOUND, 38400},
              {9600, 0, SEARCH_RATE_UNKNOWN, 9600}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.deviceRate);
    setLineErrorsExceptAt(row.deviceRate);
    lastEvent = 0;
    ASSERT_TRUE(startPortSearch(&port, 1, row.first, 10000, recordSearch));
    waitUntil([] { return lastEvent != 0 && lastEvent != SEARCH_FOUND; }, 30000);
    stopPortSearch();
    EXPECT_EQ(row.event, lastEvent);
    EXPECT_EQ(row.rate, static_cast<unsigned>(lastRate));
  }
}

}  // namespace
