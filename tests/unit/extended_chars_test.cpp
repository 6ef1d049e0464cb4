// Extended characters: translation, the German euro case, and the exact
// Alt + keypad events, against the recorder.
#include <gtest/gtest.h>

#include <string>

#include "extended_chars.h"
#include "fresh_interpreter.h"

namespace {

const int US_ENGLISH = 0x0409;
const int GERMAN = 0x0407;

// The key strokes (recorder short form) of Alt + keypad 0 and the three
// digits of code, with Alt released at the end unless altStaysDown.
std::string altKeypadStrokes(int code, bool altStaysDown = false) {
  std::string out = "+12a +60a -60a";
  for (int digit : {code / 100, code % 100 / 10, code % 10}) {
    char vk[8];
    std::snprintf(vk, sizeof vk, "%02x", 0x60 + digit);
    out += std::string(" +") + vk + "a -" + vk + "a";
  }
  if (!altStaysDown) out += " -12";
  return out;
}

int languageQueries() {
  int n = 0;
  for (const recorder::Call& call : recorder::calls(recorder::ALL_KINDS))
    if (call.kind == recorder::Kind::SystemLanguage) ++n;
  return n;
}

struct ExtendedCase {
  int interpretation;
  int language;
  unsigned char byte;
  int typedCode;
};

class ExtendedByteTyped : public ::testing::TestWithParam<ExtendedCase> {};

TEST_P(ExtendedByteTyped, AsAltKeypadCode) {
  const ExtendedCase& c = GetParam();
  freshInterpreter(c.interpretation);
  recorder::setSystemLanguage(c.language);
  typeExtendedByte(c.byte);
  EXPECT_EQ(recorder::keyStrokes(), altKeypadStrokes(c.typedCode))
      << "byte 0x" << std::hex << int(c.byte) << " interpretation " << c.interpretation << " language 0x" << c.language;
  EXPECT_EQ(recorder::checkYieldAfterEveryKeyEvent(), "");
}

INSTANTIATE_TEST_SUITE_P(
    BothInterpretationsAndLanguages, ExtendedByteTyped,
    ::testing::Values(
        // ANSI Extended: the byte is the code, except 0xF0.
        ExtendedCase{1, US_ENGLISH, 0xE9, 233}, ExtendedCase{1, US_ENGLISH, 0x82, 130},
        ExtendedCase{1, US_ENGLISH, 0xFF, 255}, ExtendedCase{1, US_ENGLISH, 0x80, 128},
        ExtendedCase{1, US_ENGLISH, 0xF0, 128}, ExtendedCase{1, GERMAN, 0xF0, 128},
        ExtendedCase{1, GERMAN, 0xC7, 199},
        // ASCII Extended: code page 437 translated to ANSI.
        ExtendedCase{0, US_ENGLISH, 0x82, 0xE9}, ExtendedCase{0, US_ENGLISH, 0x81, 0xFC},
        ExtendedCase{0, US_ENGLISH, 0xE1, 0xDF}, ExtendedCase{0, US_ENGLISH, 0xE6, 0xB5},
        ExtendedCase{0, US_ENGLISH, 0xF1, 0xB1}, ExtendedCase{0, US_ENGLISH, 0xF6, 0xF7},
        ExtendedCase{0, US_ENGLISH, 0xAB, 0xBD}, ExtendedCase{0, US_ENGLISH, 0x9F, 0x83},
        // The departures from code page 1252: phi stands for o-slash, and
        // degree, middle dot, superscript two and no-break space give 0.
        ExtendedCase{0, US_ENGLISH, 0xED, 0xF8}, ExtendedCase{0, US_ENGLISH, 0xF8, 0},
        ExtendedCase{0, US_ENGLISH, 0xFA, 0}, ExtendedCase{0, US_ENGLISH, 0xFD, 0},
        ExtendedCase{0, US_ENGLISH, 0xFF, 0},
        // Characters without an ANSI twin type code 0.
        ExtendedCase{0, US_ENGLISH, 0xB3, 0}, ExtendedCase{0, US_ENGLISH, 0xDF, 0},
        ExtendedCase{0, US_ENGLISH, 0x9E, 0}, ExtendedCase{0, US_ENGLISH, 0xE0, 0},
        // C-cedilla becomes the euro sign on German systems only; 0xF0 is
        // first turned into 0x80 and then translated.
        ExtendedCase{0, US_ENGLISH, 0x80, 199}, ExtendedCase{0, GERMAN, 0x80, 128},
        ExtendedCase{0, 0x0807, 0x80, 128}, ExtendedCase{0, 0x0C07, 0x80, 128},
        ExtendedCase{0, 0x0417, 0x80, 199}, ExtendedCase{0, 0x0700, 0x80, 199},
        ExtendedCase{0, US_ENGLISH, 0xF0, 199}, ExtendedCase{0, GERMAN, 0xF0, 128},
        ExtendedCase{0, GERMAN, 0x82, 0xE9}, ExtendedCase{0, GERMAN, 0xB3, 0}));

TEST(AsciiToAnsiTable, HasNothingForTheBoxDrawingBlock) {
  for (int b = 0xB0; b <= 0xDF; ++b) EXPECT_EQ(AsciiToAnsiTable[b - 0x80], 0) << std::hex << b;
}

TEST(ExtendedByte, AsksTheSystemLanguageOnlyOnTheAsciiPath) {
  freshInterpreter(1);
  for (int b = 0x80; b <= 0xFF; ++b) typeExtendedByte(static_cast<unsigned char>(b));
  EXPECT_EQ(languageQueries(), 0);

  freshInterpreter(0);
  typeExtendedByte(0x80);
  EXPECT_GE(languageQueries(), 1);
}

TEST(ExtendedByte, EveryEventCarriesItsScanCodeAndNoExtendedFlag) {
  freshInterpreter(1);
  typeExtendedByte(0xE9);
  for (const recorder::Call& call : recorder::calls(recorder::kindBit(recorder::Kind::Key))) {
    EXPECT_EQ(call.flags & 1u, 0u) << recorder::describe(call);
    EXPECT_EQ(call.scan, static_cast<int>((call.extra >> 16) & 0xFF)) << recorder::describe(call);
  }
  const std::string trace = recorder::describeCalls();
  EXPECT_EQ(trace.substr(0, trace.find('\n')), "key down vk=0x12 scan=0x38 flags=0x0 extra=0x20380001");
}

TEST(ExtendedByte, LockedAltStaysDown) {
  freshInterpreter(1);
  feed("\x1b,lock,alt.");
  recorder::reset();
  typeExtendedByte(0xE9);
  EXPECT_EQ(recorder::keyStrokes(), altKeypadStrokes(233, true));
  EXPECT_EQ(altHeld, 1);
  EXPECT_EQ(lockedModifiers, MODIFIER_ALT);
}

TEST(ExtendedByte, OtherLockedModifiersAreNotTouched) {
  freshInterpreter(1);
  feed("\x1b,lock,ctrl,shift,leftwinkey.");
  recorder::reset();
  typeExtendedByte(0xE9);
  EXPECT_EQ(recorder::keyStrokes(), altKeypadStrokes(233));
}

TEST(ExtendedByte, PendingModifiersWaitForTheNextKey) {
  freshInterpreter(1);
  feed("\x1b,hold,shift.\xe9");
  EXPECT_EQ(pendingModifiers, MODIFIER_SHIFT);
  EXPECT_EQ(recorder::keyStrokes(), altKeypadStrokes(233));
  recorder::reset();
  feed("a");
  EXPECT_EQ(recorder::keyStrokes(), "+10 +41 -41 -10");
  EXPECT_EQ(pendingModifiers, 0);
}

TEST(ExtendedByte, OnlyTheFirstByteOfATokenIsTyped) {
  // A sequence whose text starts with a byte of 128 or above.
  freshInterpreter(1);
  feed("\x1b\xe9xyz.");
  EXPECT_EQ(recorder::keyStrokes(), altKeypadStrokes(233));
}

}  // namespace
