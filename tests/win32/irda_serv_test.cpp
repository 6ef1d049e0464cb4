// The IrDA listener's every path, with the listener bound to a loopback TCP
// address in place of the IrDA service (Linux has no IrDA).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "comm_faults.h"
#include "irda_serv.h"
#include "link_recorder.h"
#include "loopback_peer.h"

namespace {

const int S1 = StatusMark + LINK_FAILURE;
const int S2 = StatusMark + LINK_CONNECTED;
const int S3 = StatusMark + LINK_DISCONNECTED;
const DWORD ArrivalBoundMs = 5000;
const DWORD PromptStopMs = 1000;

typedef std::vector<int> Log;

class IrdaListener : public ::testing::Test {
protected:
  void SetUp() override {
    recorderReset();
    address = freeLoopbackAddress();
    link.reset(new CIrDAServ(reinterpret_cast<const sockaddr*>(&address), sizeof address));
    link->setByteCallback(recordByte);
    link->setStatusCallback(recordStatus);
  }

  // One peer's whole visit: connect, send, close in order.
  void visit(const char* text) {
    SOCKET peer = connectPeer(address);
    ASSERT_NE(peer, INVALID_SOCKET);
    ASSERT_TRUE(sendAll(peer, text, static_cast<int>(strlen(text))));
    closePeer(peer);
  }

  DWORD timedStop() {
    DWORD start = GetTickCount();
    link->stopListener();
    return GetTickCount() - start;
  }

  SocketLibrary library;
  sockaddr_in address;
  std::unique_ptr<CIrDAServ> link;
};

TEST_F(IrdaListener, PeerThatSendsAndClosesGivesConnectedBytesDisconnectedAndTheNextIsAccepted) {
  ASSERT_EQ(link->startListener(), 1);
  visit("abc");
  ASSERT_TRUE(waitForRecords(5, ArrivalBoundMs));
  EXPECT_EQ(recorderEntries(), (Log{S2, 97, 98, 99, S3}));

  visit("d");
  ASSERT_TRUE(waitForRecords(8, ArrivalBoundMs));
  EXPECT_EQ(recorderEntries(), (Log{S2, 97, 98, 99, S3, S2, 100, S3}));
}

TEST_F(IrdaListener, TwoHundredFiftyBytesArriveInOrderOneCallbackEach) {
  char data[250];
  Log expected{S2};
  for (int i = 0; i < 250; i++) {
    data[i] = static_cast<char>(255 - i);
    expected.push_back(255 - i);
  }
  expected.push_back(S3);
  ASSERT_EQ(link->startListener(), 1);
  SOCKET peer = connectPeer(address);
  ASSERT_NE(peer, INVALID_SOCKET);
  ASSERT_TRUE(sendAll(peer, data, sizeof data));
  closePeer(peer);
  ASSERT_TRUE(waitForRecords(252, ArrivalBoundMs));
  EXPECT_EQ(recorderEntries(), expected);
}

TEST_F(IrdaListener, StopWhileWaitingForAPeerEndsPromptlyWithoutStatus) {
  ASSERT_EQ(link->startListener(), 1);
  Sleep(100);
  EXPECT_LT(timedStop(), PromptStopMs);
  SOCKET late = connectPeer(address, 0);
  EXPECT_EQ(late, INVALID_SOCKET) << "nothing listens after the stop";
  if (late != INVALID_SOCKET) closesocket(late);
  Sleep(100);
  EXPECT_EQ(recorderEntries(), Log{});
}

TEST_F(IrdaListener, StopWhileAPeerIsConnectedEndsPromptlyWithoutStatus) {
  ASSERT_EQ(link->startListener(), 1);
  SOCKET peer = connectPeer(address);
  ASSERT_NE(peer, INVALID_SOCKET);
  ASSERT_TRUE(sendAll(peer, "x", 1));
  ASSERT_TRUE(waitForRecords(2, ArrivalBoundMs));
  EXPECT_LT(timedStop(), PromptStopMs);
  char ignored;
  EXPECT_LE(recv(peer, &ignored, 1, 0), 0) << "the connection is closed on the listener's side";
  closesocket(peer);
  Sleep(100);
  EXPECT_EQ(recorderEntries(), (Log{S2, 'x'}));
}

TEST_F(IrdaListener, StopOnAStoppedListenerDoesNothingAndStartWorksAfterwards) {
  EXPECT_LT(timedStop(), PromptStopMs);
  ASSERT_EQ(link->startListener(), 1);
  link->stopListener();
  link->stopListener();
  ASSERT_EQ(link->startListener(), 1);
  visit("z");
  ASSERT_TRUE(waitForRecords(3, ArrivalBoundMs));
  EXPECT_EQ(recorderEntries(), (Log{S2, 'z', S3}));
}

TEST_F(IrdaListener, ReceiveErrorGivesOneFailureAndNoFurtherAcceptUntilRestarted) {
  ASSERT_EQ(link->startListener(), 1);
  SOCKET peer = connectPeer(address);
  ASSERT_NE(peer, INVALID_SOCKET);
  ASSERT_TRUE(sendAll(peer, "q", 1));
  ASSERT_TRUE(waitForRecords(2, ArrivalBoundMs));
  resetPeer(peer);
  ASSERT_TRUE(waitForRecords(3, ArrivalBoundMs));
  SOCKET next = connectPeer(address, 0);
  EXPECT_EQ(next, INVALID_SOCKET) << "the ended listener accepts no one";
  if (next != INVALID_SOCKET) closesocket(next);
  Sleep(200);
  EXPECT_EQ(recorderEntries(), (Log{S2, 'q', S1}));

  link->stopListener();
  ASSERT_EQ(link->startListener(), 1);
  visit("r");
  ASSERT_TRUE(waitForRecords(6, ArrivalBoundMs));
  EXPECT_EQ(recorderEntries(), (Log{S2, 'q', S1, S2, 'r', S3}));
}

TEST_F(IrdaListener, AcceptFailureIsReportedOnceAndARestartListensAgain) {
  setCommFault(FAIL_ACCEPT);
  ASSERT_EQ(link->startListener(), 1);
  const int reported = waitForRecords(1, ArrivalBoundMs);
  Sleep(200);
  setCommFault(NO_COMM_FAULT);
  ASSERT_TRUE(reported) << "the failing accept ended the listener silently";
  EXPECT_EQ(recorderEntries(), Log{S1});

  link->stopListener();
  ASSERT_EQ(link->startListener(), 1);
  visit("k");
  ASSERT_TRUE(waitForRecords(4, ArrivalBoundMs));
  EXPECT_EQ(recorderEntries(), (Log{S1, S2, 'k', S3}));
}

// A byte callback waiting in SendMessage for a window of the thread that
// stops the link: the stop serves the message, so the worker ends by itself.
TEST_F(IrdaListener, StopWhileACallbackWaitsOnTheStoppingThreadsWindowEndsItPromptly) {
  ASSERT_TRUE(blockedCallbackReady());
  link->setByteCallback(blockOnStoppingThread);
  ASSERT_EQ(link->startListener(), 1);
  SOCKET peer = connectPeer(address);
  ASSERT_NE(peer, INVALID_SOCKET);
  ASSERT_TRUE(sendAll(peer, "xy", 2));
  ASSERT_TRUE(waitUntil([] { return blockedCallbackEntered() != 0; }, ArrivalBoundMs));
  EXPECT_LT(timedStop(), 100u);
  EXPECT_EQ(blockedCallbackReturned(), 1) << "the worker was terminated in its callback";
  closesocket(peer);
  blockedCallbackDone();
}

TEST_F(IrdaListener, DataWithoutByteCallbackIsDroppedWhileStatusesAreReported) {
  link->setByteCallback(0);
  ASSERT_EQ(link->startListener(), 1);
  visit("abc");
  ASSERT_TRUE(waitForRecords(2, ArrivalBoundMs));
  link->setByteCallback(recordByte);
  visit("d");
  ASSERT_TRUE(waitForRecords(5, ArrivalBoundMs));
  EXPECT_EQ(recorderEntries(), (Log{S2, S3, S2, 'd', S3}));
}

TEST_F(IrdaListener, AFurtherPeerIsAcceptedOnlyAfterTheCurrentOneEnds) {
  ASSERT_EQ(link->startListener(), 1);
  SOCKET first = connectPeer(address);
  ASSERT_NE(first, INVALID_SOCKET);
  ASSERT_TRUE(waitForRecords(1, ArrivalBoundMs));
  // The backlog completes the second connection, but it is not served yet.
  SOCKET second = connectPeer(address);
  ASSERT_NE(second, INVALID_SOCKET);
  ASSERT_TRUE(sendAll(second, "2", 1));
  Sleep(300);
  EXPECT_EQ(recorderEntries(), Log{S2});

  ASSERT_TRUE(sendAll(first, "1", 1));
  closePeer(first);
  ASSERT_TRUE(waitForRecords(5, ArrivalBoundMs));
  EXPECT_EQ(recorderEntries(), (Log{S2, '1', S3, S2, '2'}));
  closePeer(second);
}

// The stopping thread and the listener's own clean-up both close the
// connection and the listening socket. A socket closed twice would take a
// handle since reused by a newer socket with it, so every round checks that
// the next one still gets its sockets, and that no stop had to terminate a
// listener left blocked on a socket nobody closed.
TEST_F(IrdaListener, StopRacingTheListenersCleanUpClosesEachSocketOnce) {
  SOCKET sentinel = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_NE(sentinel, INVALID_SOCKET);
  DWORD slowestStop = 0;
  for (int round = 0; round < 60; round++) {
    SCOPED_TRACE(round);
    ASSERT_EQ(link->startListener(), 1);
    SOCKET peer = connectPeer(address);
    ASSERT_NE(peer, INVALID_SOCKET);
    if (round % 2) {
      ASSERT_TRUE(waitForRecords(1, ArrivalBoundMs));
      sendAll(peer, "x", 1);
      closePeer(peer);
    }
    DWORD took = timedStop();
    if (took > slowestStop) slowestStop = took;
    if (!(round % 2)) closesocket(peer);
    EXPECT_EQ(recordedStatusCount(LINK_FAILURE), 0) << "a stop reports nothing";
    recorderReset();
  }
  EXPECT_LT(slowestStop, 2000u);
  int type = 0, length = sizeof type;
  EXPECT_EQ(getsockopt(sentinel, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length), 0);
  closesocket(sentinel);
}

TEST(IrdaService, AddressIsTheVeZIDEDServiceOfTheIrdaFamily) {
  unsigned char expected[32] = {26, 0, 0, 0, 0, 0, 'V', 'e', 'Z', 'I', 'D', 'E', 'D'};
  ASSERT_EQ(sizeof IrdaServiceAddress, sizeof expected);
  EXPECT_EQ(memcmp(&IrdaServiceAddress, expected, sizeof expected), 0);
}

TEST(IrdaService, WithoutIrdaSupportStartFailsAndLeavesNothingOpen) {
  SocketLibrary library;
  SOCKET probe = socket(AF_IRDA, SOCK_STREAM, 0);
  if (probe != INVALID_SOCKET) {
    closesocket(probe);
    GTEST_SKIP() << "this system has IrDA sockets";
  }
  CIrDAServ irda;
  DWORD before = 0, after = 0;
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
  EXPECT_EQ(irda.startListener(), 0);
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
  EXPECT_EQ(after, before);
  DWORD start = GetTickCount();
  irda.stopListener();
  EXPECT_LT(GetTickCount() - start, 100u) << "nothing to wait for";
}

}  // namespace
