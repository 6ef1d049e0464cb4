// Unicode text (interpretation 2): byte streams and the Unicode units they
// type, valid UTF-8 and every way of its going wrong, against the recorder.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "fresh_interpreter.h"

namespace {

// What the platform received: a Unicode unit sent down and at once up reads
// "00e9"; any other event as the recorder's short form ("+41", "-u00e9").
std::string typed() {
  return std::regex_replace(recorder::keyStrokes(), std::regex("\\+u(\\w{4}) -u\\1"), "$1");
}

// Alt + keypad 0 and the three digits of code, as ANSI text is typed.
std::string altKeypad(int code) {
  std::string out = "+12a +60a -60a";
  for (int digit : {code / 100, code % 100 / 10, code % 10}) {
    const std::string vk = "6" + std::to_string(digit);
    out += " +" + vk + "a -" + vk + "a";
  }
  return out + " -12";
}

struct UnicodeRow {
  const char* name;
  std::string stream;
  std::string expected;
  bool unicodeInput = true;  // false: the Windows 95 family
};

std::vector<UnicodeRow> rows() {
  return {
      {"two bytes", "\xc3\xa9", "00e9"},
      {"two bytes, Cyrillic", "\xd0\xb6", "0436"},
      {"three bytes", "\xe2\x82\xac", "20ac"},
      {"four bytes as high then low surrogate", "\xf0\x9f\x98\x80", "d83d de00"},
      {"edges of the valid ranges",
       "\xc2\x80\xdf\xbf\xe0\xa0\x80\xed\x9f\xbf\xee\x80\x80\xef\xbf\xbf\xf0\x90\x80\x80\xf4\x8f\xbf\xbf",
       "0080 07ff 0800 d7ff e000 ffff d800 dc00 dbff dfff"},
      {"ASCII between characters goes through the keys", "a\xc3\xa9" "b", "+41 -41 00e9 +42 -42"},
      // Invalid: each byte types as its Windows-1252 character.
      {"overlong two bytes", "\xc0\xaf\xc1\xbf", "00c0 00af 00c1 00bf"},
      {"overlong three bytes", "\xe0\x80\xaf", "00e0 20ac 00af"},
      {"overlong four bytes", "\xf0\x8f\xbf\xbf", "00f0 00bf 00bf"},
      {"surrogate", "\xed\xa0\x80", "00ed 00a0 20ac"},
      {"above U+10FFFF", "\xf4\x90\x80\x80\xf5\x80", "00f4 20ac 20ac 00f5 20ac"},
      {"stray continuation bytes", "\x80\x9f\xbf", "20ac 0178 00bf"},
      {"the five unassigned bytes type nothing", "\x81\x8d\x8f\x90\x9d", ""},
      {"unassigned byte inside a cut sequence", "\xe2\x81z", "00e2 +5a -5a"},
      // Cut short: the pending bytes first, then the interrupting byte as usual.
      {"cut by ASCII", "\xc3" "a", "00c3 +41 -41"},
      {"cut by NUL, which types nothing", std::string("\xe2\x82\0", 3), "00e2 201a"},
      {"cut by ESC, whose command still runs", "\xe2\x82\x1b" "enter.", "00e2 201a +0d -0d"},
      {"cut by another lead byte", "\xc3\xc3\xa9", "00c3 00e9"},
      {"cut four-byte sequence", "\xf0\x9f\x98" "a", "00f0 0178 02dc +41 -41"},
      {"Windows-1252 text a byte at a time", "caf\xe9 \xe8\xe0 ", "+43 -43 +41 -41 +46 -46 00e9 +20 -20 00e8 00e0 +20 -20"},
      // Escape tokens: the leading character whole.
      {"escape token with a character", "\x1b\xe2\x82\xac" "x.", "20ac"},
      {"escape token with four bytes", "\x1b\xf0\x9f\x98\x80.", "d83d de00"},
      {"escape token cut short", "\x1b\xe2\x82.", "00e2"},
      {"escape token with an invalid lead", "\x1b\xc0\xaf.", "00c0"},
      {"escape token with an unassigned byte", "\x1b\x81\xc3\xa9.", ""},
      // Under Ctrl no Unicode unit: a character the layout has no key for
      // types nothing, and takes the pending Ctrl with it.
      {"combine yields a character", "\x1b,combine,ctrl,\xc3\xa9.a", "+41 -41"},
      {"locked ctrl stays down", "\x1b,lock,ctrl.\xc3\xa9", "+11"},
      // Shift alone is left as it is.
      {"pending shift survives a character", "\x1b,hold,shift.\xc3\xa9" "a", "00e9 +10 +41 -41 -10"},
      // The Windows 95 family: the ANSI code by Alt and the keypad, or nothing.
      {"no Unicode input: Latin-1 letter", "\xc3\xa9", altKeypad(233), false},
      {"no Unicode input: euro from the upper 1252 range", "\xe2\x82\xac", altKeypad(128), false},
      {"no Unicode input: outside the code page", "\xd0\xb6" "a", "+41 -41", false},
      {"no Unicode input: surrogates, and no second unit", "\xf0\x9f\x98\x80", "", false},
      {"no Unicode input: invalid byte", "\xc0", altKeypad(192), false},
  };
}

TEST(UnicodeText, EveryStreamTypesItsUnits) {
  for (const UnicodeRow& row : rows()) {
    freshInterpreter(2);
    recorder::setUnicodeInput(row.unicodeInput);
    feed(row.stream.data(), row.stream.size());
    EXPECT_EQ(typed(), row.expected) << "row \"" << row.name << "\"";
    EXPECT_EQ(recorder::checkYieldAfterEveryKeyEvent(), "") << "row \"" << row.name << "\"";
  }
}

// A sequence still waiting for bytes is dropped with the rest of the
// interpreter state, and the other interpretations never collect one.
TEST(UnicodeText, DecoderStateGoesWithTheInterpreter) {
  freshInterpreter(2);
  feed("\xe2\x82");
  freshInterpreter(2);
  feed("a");
  EXPECT_EQ(typed(), "+41 -41");

  freshInterpreter(1);
  feed("\xc3\xa9");
  EXPECT_EQ(typed(), altKeypad(195) + " " + altKeypad(169));
}

}  // namespace
