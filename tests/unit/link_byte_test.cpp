// onLinkByte as the links use it: no heap allocation on the byte path, and
// two link threads feeding it at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "fresh_interpreter.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

// Counts every allocation the test program makes through operator new.
void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Text, control bytes, extended bytes, named keys, every modifier command,
// mouse commands, an overlong sequence and an unfinished one cut by ESC.
const std::string MixedStream = std::string("Hello, World! \x01\x08\x09\x0a\x0c\x0d\x7f\xe9\x80", 24) +
                                "\x1b" "enter.\x1b-DEL.\x1b" "kphome.\x1b" "f12.\x1b" "leftwinkey." +
                                "\x1b,lock,ctrl.x\x1b,rel.\x1b,hold,alt,shift.y\x1b,combine,ctrl,alt,del." +
                                "\x1b,lock,leftwinkey,shift.z\x1b,rel,shift.\x1b,rel." +
                                "\x1b,click,right.\x1b,move,-20,5.\x1b,mougo,upleft,3.\x1b,moustop." +
                                "\x1b" + std::string(70, 'o') + "." + "\x1b" "unfin\x1b" "tab.";

TEST(ByteStream, NoHeapAllocationOnTheBytePath) {
  freshInterpreter();
  aboutOpen = 1;  // the echo path too
  const long before = allocations.load();
  for (int round = 0; round < 2000; ++round) {
    for (unsigned char b : MixedStream) onLinkByte(b);
    recorder::reset();
  }
  const long during = allocations.load() - before;
  aboutOpen = 0;
  EXPECT_EQ(during, 0) << "allocations while feeding " << 2000 * MixedStream.size() << " bytes";
}

TEST(ByteStream, TheAllocationCounterCounts) {
  const long before = allocations.load();
  std::string* s = new std::string(100, 'x');
  delete s;
  EXPECT_GE(allocations.load() - before, 1);
}

// Each byte is handled whole under the interpreter lock, so two threads
// typing plain bytes at once never interleave inside one key. (Bytes of an
// escape sequence from one link can mix with bytes from the other: there is
// one assembler, as there is one keyboard.)
TEST(ByteStream, TwoLinkThreadsNeverInterleaveInsideOneKey) {
  freshInterpreter();
  const int perThread = 2000;  // about 12 trace records a byte: within the capacity
  auto typeBytes = [](const char* bytes, int n) {
    for (int i = 0; i < n; ++i) onLinkByte(static_cast<unsigned char>(bytes[i % 2]));
  };
  // Small letters on one thread; capitals (Shift from the layout) on the
  // other, one of them as the control byte 3, which stands for "C".
  std::thread first(typeBytes, "ab", perThread);
  std::thread second(typeBytes, "C\x03", perThread);
  first.join();
  second.join();
  ASSERT_FALSE(recorder::overflowed());

  EXPECT_EQ(pendingModifiers, 0);
  EXPECT_EQ(altHeld, 0);
  EXPECT_EQ(extendedKeyFlag, 0);
  EXPECT_EQ(recorder::checkYieldAfterEveryKeyEvent(), "");

  // Read the strokes key by key: each group must be one byte's whole typing.
  const std::string strokes = recorder::keyStrokes() + " ";
  const std::string groups[] = {"+41 -41 ", "+42 -42 ", "+10 +43 -43 -10 "};
  int counts[3] = {0, 0, 0};
  for (size_t at = 0; at < strokes.size();) {
    int found = -1;
    for (int g = 0; g < 3; ++g)
      if (strokes.compare(at, groups[g].size(), groups[g]) == 0) found = g;
    ASSERT_GE(found, 0) << "interleaved key events at character " << at << ": " << strokes.substr(at, 60);
    ++counts[found];
    at += groups[found].size();
  }
  EXPECT_EQ(counts[0] + counts[1], perThread);
  EXPECT_EQ(counts[2], perThread);
  for (size_t i = 0; i < recorder::count(); ++i)
    if (recorder::at(i).kind == recorder::Kind::Key) EXPECT_TRUE(recorder::at(i).lockHeld) << i;
}

// Two threads sending escape sequences and modifier commands at once mix
// their bytes, but the state stays whole: positions inside the buffer, every
// event under the lock with its yield, and one release and one key bring
// both modifier sets back to empty.
TEST(ByteStream, TwoLinkThreadsSendingSequencesLeaveStateThatRecovers) {
  freshInterpreter();
  const std::string one = "\x1b,lock,ctrl.x\x1b,rel.\x1b" "enter.\x1b,hold,shift.a";
  const std::string two = "\x1b,combine,alt,del.\x1b,lock,leftwinkey.\x1b" "kphome.\x1b,rel,leftwinkey.b";
  auto sendRepeatedly = [](const std::string* bytes) {
    for (int round = 0; round < 60; ++round)
      for (unsigned char b : *bytes) onLinkByte(b);
  };
  std::thread first(sendRepeatedly, &one);
  std::thread second(sendRepeatedly, &two);
  first.join();
  second.join();
  ASSERT_FALSE(recorder::overflowed());
  EXPECT_LE(writePos, COMMAND_LIMIT);
  EXPECT_EQ(recorder::checkYieldAfterEveryKeyEvent(), "");
  for (size_t i = 0; i < recorder::count(); ++i)
    if (recorder::at(i).kind == recorder::Kind::Key) EXPECT_TRUE(recorder::at(i).lockHeld) << i;

  feed("\x1b.\x1b,rel.z");
  EXPECT_EQ(assemblerState, ASSEMBLER_NORMAL);
  EXPECT_EQ(pendingModifiers, 0);
  EXPECT_EQ(lockedModifiers, 0);
  EXPECT_EQ(altHeld, 0);
  EXPECT_EQ(extendedKeyFlag, 0);
}

}  // namespace
