// The sequence assembler: tokens, escape sequences, the 62-character limit,
// the modifier commands and the dispatch of tokens.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fresh_interpreter.h"

namespace {

// Every token the assembler yields for the bytes, "<none>" where a byte
// yields nothing, joined by "|".
std::string tokensOf(const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    const char* token = SequenceAssembler(b);
    if (!token) continue;
    if (!out.empty()) out += '|';
    out += token;
  }
  return out;
}

void feedText(const std::string& bytes) { feed(bytes.data(), bytes.size()); }

struct TokenCase {
  const char* what;
  std::string bytes;
  std::string tokens;
};

class AssemblerTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(AssemblerTokens, YieldsTheTokens) {
  const TokenCase& c = GetParam();
  freshInterpreter();
  EXPECT_EQ(tokensOf(c.bytes), c.tokens) << c.what;
  EXPECT_EQ(assemblerState, ASSEMBLER_NORMAL) << c.what;
}

const std::string ESC = "\x1b";

INSTANTIATE_TEST_SUITE_P(
    Streams, AssemblerTokens,
    ::testing::Values(
        TokenCase{"plain bytes", "abc", "a|b|c"},
        TokenCase{"control bytes become letters", std::string("\x01\x1a\x0b\x0e\x1c\x1d\x1e\x1f", 8), "A|Z|K|N|\\|]|^|_"},
        TokenCase{"BS TAB LF FF CR pass", "\x08\x09\x0a\x0c\x0d", "\x08|\x09|\x0a|\x0c|\x0d"},
        TokenCase{"NUL yields an empty token", std::string("a\0b", 3), "a||b"},
        TokenCase{"bytes above 127 pass", "\x80\xff", "\x80|\xff"},
        TokenCase{"a named key", ESC + "enter.", "enter"},
        TokenCase{"spaces dropped", ESC + "en ter .", "enter"},
        TokenCase{"ESC restarts the sequence", ESC + "ent" + ESC + "tab.", "tab"},
        TokenCase{"no case folding, control bytes kept", ESC + "A\x01z.", "A\x01z"},
        TokenCase{"empty sequence", ESC + ".", ""},
        TokenCase{"a comma token", ESC + ",click.", ",click"},
        TokenCase{",hold without its comma is a comma token", ESC + ",hold.", ",hold"},
        TokenCase{",combine without its comma is a comma token", ESC + ",combineshift.", ",combineshift"},
        TokenCase{",combine yields the rest", ESC + ",combine,ctrl,alt,del.", "del"},
        TokenCase{",combine with nothing left yields an empty token", ESC + ",combine,ctrl.", ""},
        TokenCase{"modifier commands yield nothing", ESC + ",lock,alt." + ESC + ",rel." + ESC + ",hold,shift.x", "x"},
        TokenCase{"a byte 0 inside a sequence ends its text", ESC + std::string("ab\0cd.", 6), "ab"}));

TEST(Assembler, SixtyTwoCharactersKeptAndTheSixtyThirdEndsTheSequence) {
  freshInterpreter();
  const std::string letters(70, 'q');
  EXPECT_EQ(tokensOf(ESC + letters + "."), std::string(62, 'q') + "|q|q|q|q|q|q|q|.");
}

TEST(Assembler, FullSequenceStillIgnoresSpacesAndRestartsOnEsc) {
  freshInterpreter();
  const std::string full = ESC + std::string(62, 'w');
  EXPECT_EQ(tokensOf(full + "   " + ESC + "up."), "up");
  EXPECT_EQ(tokensOf(full + "."), std::string(62, 'w'));
}

TEST(Assembler, SequenceWaitsForItsFullStopIndefinitely) {
  freshInterpreter();
  EXPECT_EQ(tokensOf(ESC + std::string(61, 'e')), "");
  EXPECT_EQ(assemblerState, ASSEMBLER_ESCAPE);
  EXPECT_EQ(writePos, 61);
}

// A byte stream of any shape keeps the buffer positions inside the buffer
// and the collected text terminated.
TEST(Assembler, RandomStreamsKeepPositionsInsideTheBuffer) {
  std::mt19937 random(12345);
  const unsigned char alphabet[] = {27, 27, ' ', '.', ',', 'a', 'L', 0, 200, 'c', 'o', 'm', 'b', 'i', 'n', 'e'};
  freshInterpreter();
  for (int i = 0; i < 200000; ++i) {
    const unsigned char b = (random() % 4 == 0) ? static_cast<unsigned char>(random()) : alphabet[random() % sizeof alphabet];
    const char* token = SequenceAssembler(b);
    ASSERT_GE(writePos, 0);
    ASSERT_LE(writePos, COMMAND_LIMIT);
    ASSERT_EQ(commandStart, 0);
    ASSERT_TRUE(assemblerState == ASSEMBLER_NORMAL || assemblerState == ASSEMBLER_ESCAPE);
    ASSERT_NE(std::memchr(CommandBuffer, 0, COMMAND_LIMIT + 1), nullptr);
    if (token) {
      ASSERT_EQ(token, CommandBuffer);
      ASSERT_LE(std::strlen(token), static_cast<size_t>(COMMAND_LIMIT));
    }
    if (i % 4096 == 0) recorder::reset();
  }
}

struct CommandCase {
  const char* what;
  std::string bytes;
  ModifierSet pendingBefore;
  ModifierSet lockedBefore;
  const char* strokes;
  ModifierSet pendingAfter;
  ModifierSet lockedAfter;
};

class ModifierCommands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ModifierCommands, ChangeTheSetsAndSendTheKeys) {
  const CommandCase& c = GetParam();
  freshInterpreter();
  pendingModifiers = c.pendingBefore;
  lockedModifiers = c.lockedBefore;
  feedText(c.bytes);
  EXPECT_EQ(recorder::keyStrokes(), c.strokes) << c.what;
  EXPECT_EQ(pendingModifiers, c.pendingAfter) << c.what;
  EXPECT_EQ(lockedModifiers, c.lockedAfter) << c.what;
  EXPECT_EQ(extendedKeyFlag, 0) << c.what;
  EXPECT_EQ(recorder::checkYieldAfterEveryKeyEvent(), "") << c.what;
}

const ModifierSet C = MODIFIER_CTRL, S = MODIFIER_SHIFT, A = MODIFIER_ALT, W = MODIFIER_WIN;

INSTANTIATE_TEST_SUITE_P(
    Commands, ModifierCommands,
    ::testing::Values(
        CommandCase{"lock ctrl sends one key-down", ESC + ",lock,ctrl.", 0, 0, "+11", 0, C},
        CommandCase{"locking again sends nothing", ESC + ",lock,ctrl." + ESC + ",LOCK,Control.", 0, 0, "+11", 0, C},
        CommandCase{"lock shift sends nothing", ESC + ",lock,shift.", 0, 0, "", 0, S},
        CommandCase{"lock win is extended", ESC + ",lock,leftwinkey.", 0, 0, "+5bx", 0, W},
        CommandCase{"lock alt holds the context", ESC + ",lock,ralt.a", 0, 0, "+12a +12a +41a -41a", 0, A},
        CommandCase{"names without commas", ESC + ",lock,ctrlaltshift.", 0, 0, "+11 +12a", 0, C | A | S},
        CommandCase{"lock keeps a pending bit pending", ESC + ",lock,ctrl.", C, 0, "+11", C, C},
        CommandCase{"bare lock locks nothing", ESC + ",lock.", 0, 0, "", 0, 0},
        CommandCase{"lock without a comma strips the first letter of the name",
                    ESC + ",lockalt." + ESC + ",lockxctrl.", 0, 0, "+11", 0, C},
        CommandCase{"unknown name ends the list", ESC + ",lock,leftalt,ctrl.", 0, 0, "", 0, 0},
        CommandCase{"altgr is alt", ESC + ",lock,altgr.", 0, 0, "+12a", 0, A},
        CommandCase{"lalt is alt", ESC + ",lock,lalt.", 0, 0, "+12a", 0, A},
        CommandCase{"lctrl is ctrl", ESC + ",lock,lctrl.", 0, 0, "+11", 0, C},
        CommandCase{"rctrl is ctrl", ESC + ",lock,rctrl.", 0, 0, "+11", 0, C},
        CommandCase{"lcontrol is ctrl", ESC + ",lock,lcontrol.", 0, 0, "+11", 0, C},
        CommandCase{"rcontrol is ctrl", ESC + ",lock,rcontrol.", 0, 0, "+11", 0, C},
        CommandCase{"lshift is shift", ESC + ",hold,lshift.", 0, 0, "", S, 0},
        CommandCase{"rshift is shift", ESC + ",hold,rshift.", 0, 0, "", S, 0},
        CommandCase{"rightwinkey is win", ESC + ",lock,rightwinkey.", 0, 0, "+5bx", 0, W},
        CommandCase{"each long name is read whole: the next one follows",
                    ESC + ",hold,lcontrol,rshift,rightwinkey,lalt.", 0, 0, "", C | S | W | A, 0},
        CommandCase{"rel releases all", ESC + ",rel.", 0, C | A, "-11 -12", 0, 0},
        CommandCase{"rel of shift sends its key-up", ESC + ",lock,shift." + ESC + ",rel.", S, 0, "-10", 0, 0},
        CommandCase{"rel of a named one", ESC + ",rel,alt.", 0, C | A, "-12", 0, C},
        CommandCase{"rel of two names is one release, Ctrl first",
                    ESC + ",lock,alt." + ESC + ",lock,ctrl." + ESC + ",rel,alt,ctrl.", 0, 0, "+12a +11a -11a -12", 0, 0},
        CommandCase{"rel with nothing locked sends nothing", ESC + ",rel.", 0, 0, "", 0, 0},
        CommandCase{"rel clears pending bits too", ESC + ",rel,ctrl.", C | S, C, "-11", S, 0},
        CommandCase{"rel without a comma loses a letter: releases all", ESC + ",relctrl.", 0, C | A, "-11 -12", 0, 0},
        CommandCase{"rel of a name not locked releases nothing", ESC + ",rel,shift.", 0, C, "", 0, C},
        CommandCase{"hold toggles pending", ESC + ",hold,shift.", 0, 0, "", S, 0},
        CommandCase{"hold twice cancels", ESC + ",hold,shift,shift.", 0, 0, "", 0, 0},
        CommandCase{"hold discards what follows the names", ESC + ",hold,ctrl,xyz.", 0, 0, "", C, 0},
        CommandCase{"hold then a letter", ESC + ",hold,shift.aa", 0, 0, "+10 +41 -41 -10 +41 -41", 0, 0},
        CommandCase{"hold of an empty list", ESC + ",hold,.", S, 0, "", S, 0},
        CommandCase{"combine types the rest with the pending set", ESC + ",combine,ctrl,alt,del.", 0, 0,
                    "+12a +11a +2exa -2exa -11a -12", 0, 0},
        CommandCase{"combine with nothing left: the next key carries it", ESC + ",combine,ctrl.a", 0, 0,
                    "+11 +41 -41 -11", 0, 0},
        CommandCase{"combine toggles a bit already pending off", ESC + ",combine,shift,a.", S, 0, "+41 -41", 0, 0},
        CommandCase{"combine with a comma rest goes to the mouse commands", ESC + ",combine,ctrl,,xyz.", 0, 0, "", C, 0}));

TEST(ModifierCommands, BareLockIgnoresWhatAnOlderSequenceLeftInTheBuffer) {
  freshInterpreter();
  // ",lockXctrl" leaves "ctrl" at positions 6..9; a bare ",lock" ends at 5.
  feedText(ESC + ",lockXctrl.");
  EXPECT_EQ(lockedModifiers, C);
  feedText(ESC + ",rel.");
  recorder::reset();
  feedText(ESC + ",lock.");
  feedText(ESC + ",rel.");
  EXPECT_EQ(lockedModifiers, 0);
  EXPECT_EQ(recorder::keyStrokes(), "");
}

struct DispatchCase {
  const char* what;
  std::string bytes;
  const char* calls;
};

class Dispatch : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(Dispatch, SendsTokenToTheRightHandler) {
  const DispatchCase& c = GetParam();
  freshInterpreter();
  feedText(c.bytes);
  std::string strokes = recorder::keyStrokes();
  for (const recorder::Call& call : recorder::calls(recorder::kindBit(recorder::Kind::Mouse)))
    strokes += " " + recorder::describe(call);
  EXPECT_EQ(strokes, c.calls) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, Dispatch,
    ::testing::Values(
        DispatchCase{"a lone comma is a character", ",", "+bc -bc"},
        DispatchCase{"a comma sequence of one character too", ESC + ",.", "+bc -bc"},
        DispatchCase{"a comma command goes to the mouse", ESC + ",click.", " mouse flags=0x0002 dx=0 dy=0 mouse flags=0x0004 dx=0 dy=0"},
        DispatchCase{"a combine whose rest is a mouse command clicks",
                     ESC + ",combine,ctrl,,click,right.", " mouse flags=0x0008 dx=0 dy=0 mouse flags=0x0010 dx=0 dy=0"},
        DispatchCase{"a comma word the mouse does not know does nothing", ESC + ",enter." + ESC + ",x.", ""},
        DispatchCase{"a named key", ESC + "enter.", "+0d -0d"},
        DispatchCase{"a word types its first character", ESC + "hello.", "+48 -48"},
        DispatchCase{"an extended byte: only the first byte counts", ESC + "\xe9xyz.",
                     "+12a +60a -60a +62a -62a +63a -63a +63a -63a -12"},
        DispatchCase{"NUL types nothing", std::string("\0", 1), ""}));

// The About monitor sees every byte, and is cleared for every non-empty
// token only.
TEST(OnLinkByte, EchoesEveryByteAndClearsOnTokens) {
  freshInterpreter();
  aboutOpen = 1;
  feedText(ESC + ",hold,shift.");
  feedText("a");
  aboutOpen = 0;
  const auto texts = recorder::calls(recorder::kindBit(recorder::Kind::MonitorText));
  ASSERT_EQ(texts.size(), 14u);
  // The modifier command yields no token, so its text stays and "a" is appended.
  EXPECT_STREQ(recorder::monitorText(texts[12]), "<esc>,hold,shift.");
  EXPECT_STREQ(recorder::monitorText(texts[13]), "<esc>,hold,shift.a");
  EXPECT_EQ(echoPos, 0) << "the token a cleared the echo";
  EXPECT_EQ(recorder::keyStrokes(), "+10 +41 -41 -10");
}

TEST(OnLinkByte, UsesOnlyTheLowEightBits) {
  freshInterpreter();
  onLinkByte(0x100 + 'a');
  onLinkByte(-256 + 'b');
  EXPECT_EQ(recorder::keyStrokes(), "+41 -41 +42 -42");
}

}  // namespace
