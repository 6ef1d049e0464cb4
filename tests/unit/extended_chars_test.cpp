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

// The Unicode code points of code page 437's upper half, as the IBM PC
// character set names them, row by row.
const unsigned Cp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // C-cedilla u-umlaut e-acute ...
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // ... cent pound yen peseta florin
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // reversed not sign, not sign, halves
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // shades and box drawing
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // alpha sharp-s Gamma pi Sigma sigma micro tau
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // Phi Theta Omega delta infinity phi epsilon cap
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // identical plus-minus >= <= integrals divide approx
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // degree bullet middle-dot root n squared square nbsp
};

// Windows-1252 for a code point: 0xA0..0xFF are Latin-1 itself; of the
// 0x80..0x9F row only the florin can come from code page 437. 0 for none.
unsigned cp1252Of(unsigned codePoint) {
  if (codePoint >= 0xA0 && codePoint <= 0xFF) return codePoint;
  if (codePoint == 0x0192) return 0x83;
  return 0;
}

TEST(AsciiToAnsiTable, FollowsCodePage437ToWindows1252WithItsKnownDepartures) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    unsigned expected = cp1252Of(Cp437[b - 0x80]);
    // The departures the product keeps: phi stands in for o-slash; degree,
    // middle dot, superscript two and no-break space give nothing.
    if (b == 0xED) expected = 0xF8;
    if (b == 0xF8 || b == 0xFA || b == 0xFD || b == 0xFF) expected = 0;
    EXPECT_EQ(AsciiToAnsiTable[b - 0x80], expected) << "code page 437 byte 0x" << std::hex << b;
  }
}

// Read while the test program starts, before any test changes it.
const int interpretationAtProcessStart = interpretation.load();

// Before the settings are loaded, bytes from 128 up are translated from
// code page 437; the stored default (ANSI) comes only with the settings.
TEST(Interpretation, IsAsciiExtendedWhenTheProcessStarts) {
  EXPECT_EQ(interpretationAtProcessStart, 0);
}

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
