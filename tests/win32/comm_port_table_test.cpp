// The serial vocabulary: rates, their names and indexes, the port names.
#include <gtest/gtest.h>

#include <string.h>

#include "comm_port.h"

namespace {

TEST(SerialVocabulary, BaudToIndexFindsEveryTableRateAndFallsBackTo9600) {
  struct Row {
    int rate;
    int index;
  } rows[] = {{110, 0},   {300, 1},   {1200, 2},   {2400, 3},   {4800, 4},  {9600, 5}, {19200, 6},
              {38400, 7}, {57600, 8}, {115200, 9}, {600, 5},    {0, 5},     {-1, 5},   {230400, 5}};
  for (const Row& row : rows) EXPECT_EQ(CCommPort::baudToIndex(row.rate), row.index) << row.rate;
}

TEST(SerialVocabulary, EveryRateIsNamedByItsDecimalText) {
  for (int i = 0; i < 10; i++) {
    char text[16];
    wsprintfA(text, "%lu", BaudRateTable[i]);
    EXPECT_STREQ(BaudRateNames[i], text);
    EXPECT_EQ(CCommPort::baudToIndex(static_cast<int>(BaudRateTable[i])), i);
  }
}

TEST(SerialVocabulary, PortsCom1ToCom256AreNamedInOrderAndSixteenAreAlwaysListed) {
  ASSERT_EQ(CCommPort::portCount(), 16);
  for (int i = 0; i < ComPortNameCount; i++) {
    char text[8];
    wsprintfA(text, "COM%d", i + 1);
    ASSERT_NE(ComPortNames[i], nullptr) << text;
    EXPECT_STREQ(ComPortNames[i], text);
  }
}

TEST(SerialVocabulary, PortNameTextsGiveTheirConstantOrNothing) {
  struct Row {
    const char* text;
    int number;  // 0: names no port
  } rows[] = {{"COM1", 1},    {"com23", 23},  {"Com256", 256}, {"COM09", 9},    {"COM0100", 100},
              {"COM257", 0},  {"COM0", 0},    {"COM", 0},      {"COM-1", 0},    {"COM2x", 0},
              {"COM 2", 0},   {"COM:", 0},    {"LPT1", 0},     {"CO", 0},       {"", 0},
              {"COM99999999999", 0}};
  for (const Row& row : rows) {
    const char* expected = row.number ? ComPortNames[row.number - 1] : nullptr;
    EXPECT_EQ(comPortName(row.text), expected) << "\"" << row.text << "\"";
  }
  EXPECT_EQ(comPortName(nullptr), nullptr);
}

TEST(SerialVocabulary, ClosedPortIgnoresCloseAndChangeBaud) {
  CCommPort port;
  port.closePort(1);
  port.changeBaud(9);
  port.closePort(0);
  EXPECT_EQ(port.isOpen(), 0);
}

TEST(SerialVocabulary, PortThatDoesNotExistFailsToOpenWithoutCallback) {
  static volatile LONG calls;
  calls = 0;
  CCommPort port;
  port.setByteCallback([](int) { InterlockedIncrement(&calls); });
  port.setStatusCallback([](int) { InterlockedIncrement(&calls); });
  // Longer than the device path holds: cut, and still nothing to open.
  const char* names[] = {"COM99", "NOSUCHPORT", "COM99-with-a-long-tail"};
  for (const char* name : names) {
    EXPECT_EQ(port.openPort(name, 9, 1), 0) << name;
    EXPECT_EQ(port.isOpen(), 0) << name;
  }
  Sleep(100);
  EXPECT_EQ(calls, 0);
}

}  // namespace
