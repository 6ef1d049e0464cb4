// Key names and virtual-key mapping: the lookup rules, every name's virtual
// key and extended flag, and which codes go through the keyboard layout.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "fresh_interpreter.h"
#include "key_names.h"

namespace {

struct LookupCase {
  const char* token;
  KeyCode code;
  int returned;
};

class LookupKeyName : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LookupKeyName, WritesCodeAndReturnsCharacterOrZero) {
  const LookupCase& c = GetParam();
  KeyCode code = 12345;
  EXPECT_EQ(lookupKeyName(&code, c.token), c.returned) << "token \"" << c.token << "\"";
  EXPECT_EQ(code, c.code) << "token \"" << c.token << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, LookupKeyName,
    ::testing::Values(
        // One-character tokens are their own character, before any name.
        LookupCase{"a", 97, 97}, LookupCase{"A", 65, 65}, LookupCase{"-", 45, 45},
        LookupCase{"~", 126, 126}, LookupCase{"\t", 9, 9}, LookupCase{"\xe9", 233, 233},
        // Names: whole, any case, one leading minus dropped.
        LookupCase{"enter", 13, 0}, LookupCase{"Enter", 13, 0}, LookupCase{"ENTER", 13, 0},
        LookupCase{"-enter", 13, 0}, LookupCase{"-~", 126, 0}, LookupCase{"tab", 9, 0},
        LookupCase{"KpHoMe", 19176, 0}, LookupCase{"kpinsert", 21992, 0}, LookupCase{"f10", 0x4400, 0},
        LookupCase{"lctrl", -65, 0}, LookupCase{"bspace", 127, 0},
        // A second minus stays; what is left is not a name.
        LookupCase{"--enter", 45, 45}, LookupCase{"--", 45, 45},
        // Not a name: the first character (after one minus).
        LookupCase{"hello", 104, 104}, LookupCase{"-xyz", 120, 120}, LookupCase{"ente", 101, 101},
        LookupCase{"entera", 101, 101}, LookupCase{"f25", 102, 102}, LookupCase{"volume", 118, 118}, LookupCase{"-\xe9t\xe9", 233, 233},
        // Only A..Z are folded: a byte of 128 or above never matches a letter.
        LookupCase{"\xc5NTER", 0xC5, 0xC5},
        LookupCase{"", 0, 0}));

TEST(KeyNameTable, Has126DistinctLowerCaseNames) {
  EXPECT_EQ(KeyNameCount, 126);
  std::set<std::string> names;
  for (int i = 0; i < KeyNameCount; ++i) {
    const std::string name = KeyNames[i].name;
    EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
    for (char ch : name) EXPECT_FALSE(ch >= 'A' && ch <= 'Z') << name;
  }
}

TEST(KeyNameTable, EveryCodeBelongsToOneFamily) {
  for (int i = 0; i < KeyNameCount; ++i) {
    const KeyCode c = KeyNames[i].code;
    const bool character = c >= 0 && c <= 255;
    const bool negative = c >= -118 && c <= -3;
    const bool scanKey = c >= 0x3B00 && c <= 0x5D00 && (c & 0xFF) == 0;
    const bool keypad = (c >= 922 && c <= 1057) || (c >= 19176 && c <= 22248 && (c & 0xFF) == 0xE8);
    EXPECT_EQ(character + negative + scanKey + keypad, 1) << KeyNames[i].name << " " << c;
  }
}

TEST(KeyNameTable, EveryNameIsFoundInAnyCaseAndAfterOneMinus) {
  for (int i = 0; i < KeyNameCount; ++i) {
    const KeyName& key = KeyNames[i];
    if (std::strlen(key.name) == 1) continue;  // "~" is reached only with its minus
    std::string upper = key.name;
    for (char& ch : upper)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    for (const std::string& token : {std::string(key.name), upper, "-" + upper}) {
      KeyCode code = 0;
      EXPECT_EQ(lookupKeyName(&code, token.c_str()), 0) << token;
      EXPECT_EQ(code, key.code) << token;
    }
  }
}

const int LAYOUT = -1;  // the virtual key comes from the layout lookup of `character`

struct MappingCase {
  const char* name;
  int vk;  // or LAYOUT
  bool extended;
  char character;
};

MappingCase fixed(const char* name, int vk) { return MappingCase{name, vk, false, 0}; }
MappingCase extended(const char* name, int vk) { return MappingCase{name, vk, true, 0}; }
MappingCase layout(const char* name, char character) { return MappingCase{name, LAYOUT, false, character}; }

// Every key name with the virtual key it is sent as.
const MappingCase Mappings[] = {
    layout("apostrophe", '\''), layout("comma", ','), layout("-~", '~'),
    fixed("space", 0x20), fixed("tab", 0x09), fixed("backspace", 0x08), fixed("bspace", 0x08),
    fixed("enter", 0x0D), fixed("ret", 0x0D), fixed("return", 0x0D), fixed("kpenter", 0x0D),
    fixed("escape", 0x1B), fixed("esc", 0x1B),
    fixed("leftshift", 0x10), fixed("lshift", 0x10), fixed("rightshift", 0x10), fixed("rshift", 0x10),
    fixed("lcontrol", 0x11), fixed("ctrl", 0x11), fixed("lctrl", 0x11), fixed("leftcontrol", 0x11), fixed("leftctrl", 0x11),
    fixed("rcontrol", 0x11), fixed("rctrl", 0x11), fixed("rightcontrol", 0x11), fixed("rightctrl", 0x11),
    fixed("alt", 0x12), fixed("lalt", 0x12), fixed("leftalt", 0x12), fixed("ralt", 0x12), fixed("rightalt", 0x12),
    fixed("capslk", 0x14), fixed("capslock", 0x14), fixed("numlk", 0x90), fixed("numlock", 0x90),
    fixed("scroll", 0x91), fixed("scrolllock", 0x91), fixed("print", 0x2C), fixed("printscreen", 0x2C), fixed("prtscr", 0x2C),
    fixed("pause", 0x13),
    fixed("f1", 0x70), fixed("f2", 0x71), fixed("f3", 0x72), fixed("f4", 0x73), fixed("f5", 0x74), fixed("f6", 0x75),
    fixed("f7", 0x76), fixed("f8", 0x77), fixed("f9", 0x78), fixed("f10", 0x79), fixed("f11", 0x7A), fixed("f12", 0x7B),
    extended("ins", 0x2D), extended("insert", 0x2D), extended("del", 0x2E), extended("delete", 0x2E),
    extended("home", 0x24), extended("end", 0x23), extended("pgup", 0x21), extended("pageup", 0x21),
    extended("pgdn", 0x22), extended("pagedown", 0x22), extended("up", 0x26), extended("down", 0x28),
    extended("left", 0x25), extended("right", 0x27),
    extended("leftwinkey", 0x5B), extended("rightwinkey", 0x5C), extended("appskey", 0x5D),
    fixed("kp0", 0x60), fixed("kp1", 0x61), fixed("kp2", 0x62), fixed("kp3", 0x63), fixed("kp4", 0x64),
    fixed("kp5", 0x65), fixed("kp6", 0x66), fixed("kp7", 0x67), fixed("kp8", 0x68), fixed("kp9", 0x69),
    fixed("kpins", 0x2D), fixed("kpinsert", 0x2D), fixed("kpdel", 0x2E), fixed("kpdelete", 0x2E),
    fixed("kphome", 0x24), fixed("kpend", 0x23), fixed("kppgup", 0x21), fixed("kppageup", 0x21),
    fixed("kppgdn", 0x22), fixed("kppagedown", 0x22), fixed("kpup", 0x26), fixed("kpdown", 0x28),
    fixed("kpleft", 0x25), fixed("kpright", 0x27),
    layout("kpstar", '*'), layout("kpplus", '+'), layout("kpminus", '-'),
    layout("kpdp", '.'), layout("kpslash", '/'), layout("kpmidl", '?'),
    fixed("multiply", 0x6A), fixed("divide", 0x6F), fixed("kpdivide", 0x6F),
    fixed("f13", 0x7C), fixed("f14", 0x7D), fixed("f15", 0x7E), fixed("f16", 0x7F), fixed("f17", 0x80),
    fixed("f18", 0x81), fixed("f19", 0x82), fixed("f20", 0x83), fixed("f21", 0x84), fixed("f22", 0x85),
    fixed("f23", 0x86), fixed("f24", 0x87),
    extended("volumeup", 0xAF), extended("volumedown", 0xAE), extended("volumemute", 0xAD),
    extended("playpause", 0xB3), extended("nexttrack", 0xB0), extended("prevtrack", 0xB1),
    extended("mediastop", 0xB2), extended("browserback", 0xA6), extended("browserforward", 0xA7),
    extended("browserrefresh", 0xA8), extended("browserhome", 0xAC),
};

// The key as VkKeyScan packs it: shift state over virtual key, -1 for none.
int keyOf(KeyCode code) {
  const LayoutKey key = keyCodeToVirtualKey(code, 0);
  return key.vk == NO_KEY ? -1 : key.shiftState << 8 | key.vk;
}

TEST(KeyCodeToVirtualKey, EveryNameHasItsVirtualKeyAndExtendedFlag) {
  EXPECT_EQ(sizeof Mappings / sizeof Mappings[0], 126u);
  for (const MappingCase& m : Mappings) {
    freshInterpreter();
    KeyCode code;
    ASSERT_EQ(lookupKeyName(&code, m.name), 0) << m.name;
    const int v = keyOf(code);
    const auto lookups = recorder::calls(recorder::kindBit(recorder::Kind::LayoutLookup));
    if (m.vk == LAYOUT) {
      ASSERT_EQ(lookups.size(), 1u) << m.name;
      EXPECT_EQ(lookups[0].vk, static_cast<unsigned char>(m.character)) << m.name;
      EXPECT_EQ(v, lookups[0].result) << m.name << ": the layout's answer, shift state included";
    } else {
      EXPECT_EQ(v, m.vk) << m.name;
      EXPECT_TRUE(lookups.empty()) << m.name << " must not go through the layout";
    }
    EXPECT_EQ(extendedKeyFlag, m.extended ? 1 : 0) << m.name;
  }
}

// The volume, media and browser keys go out as extended keys with their
// own scan codes, down and up, without asking the layout.
TEST(KeyNameScanCodes, MediaKeysCarryTheirStandardScanCode) {
  const struct {
    const char* name;
    unsigned vk, scan;
  } rows[] = {{"volumeup", 0xAF, 0x30},    {"volumedown", 0xAE, 0x2E},     {"volumemute", 0xAD, 0x20},
              {"playpause", 0xB3, 0x22},   {"nexttrack", 0xB0, 0x19},      {"prevtrack", 0xB1, 0x10},
              {"mediastop", 0xB2, 0x24},   {"browserback", 0xA6, 0x6A},    {"browserforward", 0xA7, 0x69},
              {"browserrefresh", 0xA8, 0x67}, {"browserhome", 0xAC, 0x32}};
  for (const auto& row : rows) {
    freshInterpreter();
    const std::string bytes = std::string("\x1b") + row.name + ".";
    feed(bytes.data(), bytes.size());
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "key down vk=0x%02x scan=0x%02x flags=0x1 extra=0x00%02x0001\n"
                  "key up vk=0x%02x scan=0x%02x flags=0x3 extra=0xc0%02x0001\n",
                  row.vk, row.scan, row.scan, row.vk, row.scan, row.scan);
    EXPECT_EQ(recorder::describeCalls(recorder::kindBit(recorder::Kind::Key) | recorder::kindBit(recorder::Kind::MapScan)),
              expected) << row.name;
  }
}

TEST(KeyCodeToVirtualKey, NeverClearsAnExtendedFlagAlreadySet) {
  for (KeyCode code : {19176 /* kphome */, 13, 97 /* a */, 0x3B00 /* f1 */, -51 /* kpmidl */}) {
    freshInterpreter();
    extendedKeyFlag = 1;
    keyOf(code);
    EXPECT_EQ(extendedKeyFlag, 1) << code;
  }
}

struct CharacterCase {
  KeyCode code;
  int expected;
  bool throughLayout;
};

class CharacterMapping : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(CharacterMapping, FiveFixedKeysOthersThroughTheLayout) {
  const CharacterCase& c = GetParam();
  freshInterpreter();
  EXPECT_EQ(keyOf(c.code), c.expected) << "code " << c.code;
  const size_t lookups = recorder::calls(recorder::kindBit(recorder::Kind::LayoutLookup)).size();
  EXPECT_EQ(lookups, c.throughLayout ? 1u : 0u) << "code " << c.code;
  EXPECT_EQ(extendedKeyFlag, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, CharacterMapping,
    ::testing::Values(CharacterCase{9, 0x09, false}, CharacterCase{13, 0x0D, false}, CharacterCase{27, 0x1B, false},
                      CharacterCase{32, 0x20, false}, CharacterCase{127, 0x08, false},
                      // US layout answers: Backspace, Ctrl+Enter, Ctrl+L, Shift+A, Shift+/.
                      CharacterCase{8, 0x08, true}, CharacterCase{10, 0x20D, true}, CharacterCase{12, 0x24C, true},
                      CharacterCase{'A', 0x141, true}, CharacterCase{'a', 0x41, true}, CharacterCase{'?', 0x1BF, true},
                      CharacterCase{0xE9, -1, true}));

TEST(KeyCodeToVirtualKey, NoKeyInTheLayoutGivesMinusOne) {
  freshInterpreter();
  recorder::setNoKey('?');
  KeyCode code;
  lookupKeyName(&code, "kpmidl");
  EXPECT_EQ(keyOf(code), -1);
  EXPECT_EQ(keyOf('?'), -1);
  EXPECT_EQ(keyOf('/'), 0xBF);
}

}  // namespace
