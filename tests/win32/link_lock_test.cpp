// A link's worker stuck in its byte callback is terminated when its link is
// stopped. The callback here takes a Win32 mutex the way the interpreter's
// lock does (WAIT_ABANDONED counts as acquired), so the terminated worker
// cannot leave the lock held: the other link keeps delivering.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

// The socket headers must come before windows.h.
#include "irda_serv.h"
#include "loopback_peer.h"

#include "comm_port.h"
#include "link_recorder.h"
#include "serial_bench.h"

namespace {

const int StuckByte = 0xEE;
const int LockLost = -1;
const DWORD StopBoundMs = 3000;
const DWORD ArrivalBoundMs = 5000;

HANDLE interpreterLock;
HANDLE releaseStuck;
volatile LONG stuckInside;
volatile LONG abandonedSeen;

void lockedDelivery(int byte) {
  DWORD got = WaitForSingleObject(interpreterLock, 10000);
  if (got == WAIT_ABANDONED)
    InterlockedIncrement(&abandonedSeen);
  else if (got != WAIT_OBJECT_0) {
    recordByte(LockLost);
    return;
  }
  recordByte(byte);
  if (byte == StuckByte) {
    InterlockedExchange(&stuckInside, 1);
    // Longer than the stop bound; bounded so that nothing hangs for good.
    WaitForSingleObject(releaseStuck, 10000);
  }
  ReleaseMutex(interpreterLock);
}

class TwoLinks : public ::testing::Test {
protected:
  void SetUp() override {
    if (!serialBenchPresent()) GTEST_SKIP() << "runs inside tests/bench/serial-bench.sh";
    ASSERT_EQ(serialBenchCommand("connect"), "ok\n");
    peer = openLinePeer();
    ASSERT_NE(peer, INVALID_HANDLE_VALUE);
    interpreterLock = CreateMutexA(0, FALSE, 0);
    releaseStuck = CreateEventA(0, TRUE, FALSE, 0);
    stuckInside = 0;
    abandonedSeen = 0;
    recorderReset();

    serial.setByteCallback(recordByte);
    ASSERT_EQ(serial.openPort(serialBenchPort(), 9, 1), 1);
    ASSERT_TRUE(syncSerialReader(peer));
    serial.setByteCallback(lockedDelivery);

    address = freeLoopbackAddress();
    irda.reset(new CIrDAServ(reinterpret_cast<const sockaddr*>(&address), sizeof address));
    irda->setByteCallback(lockedDelivery);
    ASSERT_EQ(irda->startListener(), 1);
  }

  void TearDown() override {
    if (releaseStuck) SetEvent(releaseStuck);
    if (irda) irda->stopListener();
    serial.closePort(1);
    if (peer != INVALID_HANDLE_VALUE) CloseHandle(peer);
    if (interpreterLock) CloseHandle(interpreterLock);
    if (releaseStuck) CloseHandle(releaseStuck);
    interpreterLock = releaseStuck = 0;
  }

  void sendSerial(const char* data, DWORD size) { ASSERT_TRUE(writeLinePeer(peer, data, size)); }

  void sendIrda(const char* data, int size) {
    SOCKET client = connectPeer(address);
    ASSERT_NE(client, INVALID_SOCKET);
    ASSERT_TRUE(sendAll(client, data, size));
    closePeer(client);
  }

  SocketLibrary library;
  HANDLE peer = INVALID_HANDLE_VALUE;
  CCommPort serial;
  sockaddr_in address;
  std::unique_ptr<CIrDAServ> irda;
};

TEST_F(TwoLinks, SerialReaderTerminatedInsideTheLockLeavesTheIrdaLinkDelivering) {
  const char stuck = static_cast<char>(StuckByte);
  sendSerial(&stuck, 1);
  ASSERT_TRUE(waitUntil([] { return stuckInside != 0; }, ArrivalBoundMs));
  DWORD start = GetTickCount();
  serial.closePort(1);
  EXPECT_GE(GetTickCount() - start, StopBoundMs - 100) << "the reader was stuck, so it was terminated";
  EXPECT_EQ(serial.isOpen(), 0);

  sendIrda("ok", 2);
  ASSERT_TRUE(waitForRecords(3, ArrivalBoundMs));
  EXPECT_EQ(recordedBytes(), (std::vector<int>{StuckByte, 'o', 'k'}));
  EXPECT_EQ(abandonedSeen, 1);
}

TEST_F(TwoLinks, IrdaListenerTerminatedInsideTheLockLeavesTheSerialLinkDelivering) {
  const char stuck = static_cast<char>(StuckByte);
  sendIrda(&stuck, 1);
  ASSERT_TRUE(waitUntil([] { return stuckInside != 0; }, ArrivalBoundMs));
  DWORD start = GetTickCount();
  irda->stopListener();
  EXPECT_GE(GetTickCount() - start, StopBoundMs - 100) << "the listener was stuck, so it was terminated";

  sendSerial("ok", 2);
  ASSERT_TRUE(waitForRecords(3, ArrivalBoundMs));
  EXPECT_EQ(recordedBytes(), (std::vector<int>{StuckByte, 'o', 'k'}));
  EXPECT_EQ(abandonedSeen, 1);
}

}  // namespace
