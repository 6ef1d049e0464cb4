// The About monitor's echo: the text it shows, its wrap at the end of the
// buffer, and that the text is handed over under the lock.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fresh_interpreter.h"

namespace {

std::vector<std::string> shownTexts() {
  std::vector<std::string> texts;
  for (const recorder::Call& call : recorder::calls(recorder::kindBit(recorder::Kind::MonitorText)))
    texts.push_back(recorder::monitorText(call));
  return texts;
}

void echo(const char* bytes, size_t length) {
  for (size_t i = 0; i < length; ++i) echoByte(static_cast<unsigned char>(bytes[i]));
}

void echoPlain(int count, char byte = 'x') {
  for (int i = 0; i < count; ++i) echoByte(byte);
}

void expectBufferSound() {
  EXPECT_EQ(echoBuffer[255], 0);
  EXPECT_GE(echoPos, 0);
  EXPECT_LE(echoPos, 254);
  EXPECT_LE(std::strlen(echoBuffer), 255u);
}

TEST(MonitorEcho, APlainCharacterIsShownAloneThenCleared) {
  freshInterpreter();
  aboutOpen = 1;
  feed("ab");
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(echoPos, 0);
  EXPECT_EQ(echoBuffer[0], 0);
}

TEST(MonitorEcho, ASequenceBuildsUpWithAMarkerForEscape) {
  freshInterpreter();
  aboutOpen = 1;
  feed("\x1b" "en t.");
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"<esc>", "<esc>e", "<esc>en", "<esc>en ", "<esc>en t",
                                                    "<esc>en t."}));
  // The token was typed and cleared the text; the next byte starts afresh.
  recorder::reset();
  feed("q");
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"q"}));
}

TEST(MonitorEcho, ModifierCommandsStayOnViewAndTheNextIsAppended) {
  freshInterpreter();
  aboutOpen = 1;
  feed("\x1b,lock,ctrl.\x1b,rel.");
  EXPECT_EQ(shownTexts().back(), "<esc>,lock,ctrl.<esc>,rel.");
}

TEST(MonitorEcho, NothingIsEchoedWhileTheAboutBoxIsClosed) {
  freshInterpreter();
  feed("\x1b,hold,shift.");
  EXPECT_TRUE(shownTexts().empty());
  EXPECT_EQ(echoBuffer[0], 0);
}

TEST(MonitorEcho, AZeroByteEndsTheTextButIsKept) {
  freshInterpreter();
  aboutOpen = 1;
  feed("\x1b" "ab");
  feed("\0", 1);
  feed("c");
  EXPECT_EQ(shownTexts().back(), "<esc>ab");
  EXPECT_EQ(echoPos, 9);
  EXPECT_EQ(std::memcmp(echoBuffer, "<esc>ab\0c", 9), 0);
}

// The About box copies the text under the lock, so it is handed over inside it.
TEST(MonitorEcho, TheTextIsHandedOverUnderTheLock) {
  freshInterpreter();
  echo("\x1b" "abc", 4);
  for (const recorder::Call& call : recorder::calls(recorder::kindBit(recorder::Kind::MonitorText)))
    EXPECT_TRUE(call.lockHeld);
  EXPECT_FALSE(recorder::lockHeldByThisThread());
}

TEST(MonitorEcho, TwoHundredEscapesNeverWritePastTheBuffer) {
  freshInterpreter();
  for (int i = 0; i < 200; ++i) {
    echoByte(27);
    expectBufferSound();
    EXPECT_EQ(echoPos % 5, 0) << "after " << i + 1 << " markers";
  }
  // 51 markers fill 0..254; the 52nd starts again at the beginning.
  const std::vector<std::string> texts = shownTexts();
  ASSERT_EQ(texts.size(), 200u);
  EXPECT_EQ(texts[50].size(), 255u);
  EXPECT_EQ(texts[51], "<esc>");
  for (const std::string& text : texts) EXPECT_LE(text.size(), 255u);
}

struct MarkerCase {
  int start;      // echoPos when the marker arrives
  int posAfter;   // echoPos afterwards
  int markerAt;   // where the marker's characters were written
};

class MarkerNearTheEnd : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(MarkerNearTheEnd, FitsWholeOrStartsAgainAtTheBeginning) {
  const MarkerCase& c = GetParam();
  freshInterpreter();
  echoPlain(c.start);
  ASSERT_EQ(echoPos, c.start);
  echoByte(27);
  expectBufferSound();
  EXPECT_EQ(echoPos, c.posAfter);
  EXPECT_EQ(std::memcmp(echoBuffer + c.markerAt, "<esc>", 5), 0);
  EXPECT_EQ(echoBuffer[c.markerAt + 5], 0);
  const std::string shown = shownTexts().back();
  EXPECT_EQ(shown.size(), static_cast<size_t>(c.markerAt + 5));
}

INSTANTIATE_TEST_SUITE_P(Positions249To254, MarkerNearTheEnd,
                         ::testing::Values(MarkerCase{249, 254, 249}, MarkerCase{250, 0, 250},
                                           MarkerCase{251, 5, 0}, MarkerCase{252, 5, 0}, MarkerCase{253, 5, 0},
                                           MarkerCase{254, 5, 0}));

TEST(MonitorEcho, PlainBytesWrapAndOverwriteFromTheStart) {
  freshInterpreter();
  echoPlain(255, 'x');
  EXPECT_EQ(echoPos, 0);
  echoByte('y');
  expectBufferSound();
  const std::string shown = shownTexts().back();
  EXPECT_EQ(shown.size(), 255u);
  EXPECT_EQ(shown.substr(0, 3), "yxx");
}

TEST(MonitorEcho, OnlyTheLowEightBitsAreEchoed) {
  freshInterpreter();
  echoByte(0x100 + 'k');
  echoByte(0x7F00 | 27);
  echoByte(0x1E9);
  EXPECT_EQ(shownTexts().back(), "k<esc>\xe9");
}

TEST(MonitorEcho, TwoLinksEchoingAtOnceShowOnlyWholeMarkers) {
  freshInterpreter();
  aboutOpen = 1;
  auto link = [] {
    for (int i = 0; i < 500; ++i) onLinkByte(27);
  };
  std::thread serial(link), irda(link);
  serial.join();
  irda.join();
  const std::vector<std::string> texts = shownTexts();
  ASSERT_FALSE(recorder::overflowed());
  ASSERT_EQ(texts.size(), 1000u);
  for (const std::string& text : texts) {
    ASSERT_EQ(text.size() % 5, 0u) << text;
    for (size_t i = 0; i < text.size(); i += 5) ASSERT_EQ(text.compare(i, 5, "<esc>"), 0) << text;
  }
  expectBufferSound();
}

TEST(MonitorEcho, ClearEmptiesAllOfTheBuffer) {
  freshInterpreter();
  echoPlain(254, 'z');
  lockInterpreter();
  clearEcho();
  unlockInterpreter();
  EXPECT_EQ(echoPos, 0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(echoBuffer[i], 0) << i;
}

}  // namespace
