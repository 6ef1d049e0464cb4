// Keystroke synthesis: the fields of every key event, the order of the
// modifier presses and releases, and the pending and locked sets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fresh_interpreter.h"
#include "key_names.h"

namespace {

KeyCode codeOf(const char* token) {
  KeyCode code;
  lookupKeyName(&code, token);
  return code;
}

struct EventCase {
  const char* what;
  int up;
  int vk;
  int extended;
  int altBefore;  // altHeld before the call
  const char* expected;
  int altAfter;
};

class SendKeyEvent : public ::testing::TestWithParam<EventCase> {};

TEST_P(SendKeyEvent, CarriesScanFlagsAndKeyMessageParameter) {
  const EventCase& c = GetParam();
  freshInterpreter();
  extendedKeyFlag = c.extended;
  altHeld = c.altBefore;
  sendKeyEvent(c.up, c.vk);
  EXPECT_EQ(recorder::describeCalls(), c.expected) << c.what;
  EXPECT_EQ(altHeld, c.altAfter) << c.what;
  EXPECT_EQ(extendedKeyFlag, c.extended) << c.what << ": sendKeyEvent leaves the flag alone";
}

INSTANTIATE_TEST_SUITE_P(
    Events, SendKeyEvent,
    ::testing::Values(
        EventCase{"A down", 0, 0x41, 0, 0, "key down vk=0x41 scan=0x1e flags=0x0 extra=0x001e0001\nyield\n", 0},
        EventCase{"A up", 1, 0x41, 0, 0, "key up vk=0x41 scan=0x1e flags=0x2 extra=0xc01e0001\nyield\n", 0},
        EventCase{"any nonzero up is an up", 7, 0x41, 0, 0,
                  "key up vk=0x41 scan=0x1e flags=0x2 extra=0xc01e0001\nyield\n", 0},
        EventCase{"Delete down extended", 0, 0x2E, 1, 0,
                  "key down vk=0x2e scan=0x53 flags=0x1 extra=0x00530001\nyield\n", 0},
        EventCase{"Delete up extended", 1, 0x2E, 1, 0,
                  "key up vk=0x2e scan=0x53 flags=0x3 extra=0xc0530001\nyield\n", 0},
        EventCase{"Alt down sets the context itself", 0, 0x12, 0, 0,
                  "key down vk=0x12 scan=0x38 flags=0x0 extra=0x20380001\nyield\n", 1},
        EventCase{"Alt up clears it first", 1, 0x12, 0, 1,
                  "key up vk=0x12 scan=0x38 flags=0x2 extra=0xc0380001\nyield\n", 0},
        EventCase{"a key while Alt is held", 1, 0x58, 0, 1,
                  "key up vk=0x58 scan=0x2d flags=0x2 extra=0xe02d0001\nyield\n", 1},
        EventCase{"a virtual key without a scan code", 0, 0xFF, 0, 0,
                  "key down vk=0xff scan=0x00 flags=0x0 extra=0x00000001\nyield\n", 0}));

struct TypeCase {
  const char* what;
  const char* token;
  ModifierSet pending;
  ModifierSet locked;
  const char* strokes;
  ModifierSet lockedAfter;
  // The layout and system the key meets.
  bool capsLock = false;
  char noKey = 0;
  char deadKey = 0;
  bool unicodeInput = true;
  char capsKey = 0;
};

class TypeKey : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeKey, PressesModifiersTapsKeyReleasesPending) {
  const TypeCase& c = GetParam();
  freshInterpreter();
  pendingModifiers = c.pending;
  lockedModifiers = c.locked;
  recorder::setCapsLock(c.capsLock);
  if (c.noKey) recorder::setNoKey(c.noKey);
  if (c.deadKey) recorder::setDeadKey(c.deadKey);
  if (c.capsKey) recorder::setCapsKey(c.capsKey);
  recorder::setUnicodeInput(c.unicodeInput);
  typeKey(codeOf(c.token));
  EXPECT_EQ(recorder::keyStrokes(), c.strokes) << c.what;
  EXPECT_EQ(recorder::checkYieldAfterEveryKeyEvent(), "") << c.what;
  EXPECT_EQ(pendingModifiers, 0) << c.what;
  EXPECT_EQ(lockedModifiers, c.lockedAfter) << c.what;
  EXPECT_EQ(extendedKeyFlag, 0) << c.what;
}

const ModifierSet C = MODIFIER_CTRL, S = MODIFIER_SHIFT, A = MODIFIER_ALT, W = MODIFIER_WIN;

INSTANTIATE_TEST_SUITE_P(
    Keys, TypeKey,
    ::testing::Values(
        TypeCase{"small a", "a", 0, 0, "+41 -41", 0},
        TypeCase{"capital A takes Shift from the layout", "A", 0, 0, "+10 +41 -41 -10", 0},
        TypeCase{"locked Ctrl is pressed again, never released", "a", 0, C, "+11 +41 -41", C},
        TypeCase{"pending Alt gives the context bit", "x", A, 0, "+12a +58a -58a -12", 0},
        TypeCase{"pending Win is extended", "e", W, 0, "+5bx +45 -45 -5bx", 0},
        TypeCase{"press order Alt Ctrl Shift Win, release Shift Ctrl Alt Win", "a", C | S | A | W, 0,
                 "+12a +11a +10a +5bxa +41a -41a -10a -11a -12 -5bx", 0},
        TypeCase{"pending and locked: pressed once, released", "a", C, C, "+11 +41 -41 -11", C},
        TypeCase{"locked Shift pressed around the key, kept", "a", 0, S, "+10 +41 -41", S},
        TypeCase{"extended only on the key itself", "del", C, 0, "+11 +2ex -2ex -11", 0},
        TypeCase{"keypad twin not extended", "kpdel", 0, 0, "+2e -2e", 0},
        TypeCase{"Ctrl from the layout (LF is Ctrl+Enter)", "\n", 0, 0, "+11 +0d -0d -11", 0},
        TypeCase{"layout Shift on top of a pending Shift stays one press", "?", S, 0, "+10 +bf -bf -10", 0},
        TypeCase{"the layout's Ctrl leaves locked Ctrl and Alt down", "\n", 0, C | A, "+12a +11a +0da -0da", C | A},
        TypeCase{"a character without a key goes as Unicode input", "q", 0, 0, "+u0071 -u0071", 0, false, 'q'},
        TypeCase{"so does one on a dead key", "^", 0, 0, "+u005e -u005e", 0, false, 0, '^'},
        TypeCase{"without Unicode input a dead key is followed by a space", "^", 0, 0, "+10 +36 -36 -10 +20 -20", 0,
                 false, 0, '^', false},
        TypeCase{"and a missing character goes by Alt and the keypad", "q", 0, 0,
                 "+12a +60a -60a +61a -61a +61a -61a +63a -63a -12", 0, false, 'q', 0, false},
        TypeCase{"Caps Lock: a small letter with Shift", "a", 0, 0, "+10 +41 -41 -10", 0, true},
        TypeCase{"Caps Lock: a capital without", "A", 0, 0, "+41 -41", 0, true},
        TypeCase{"Caps Lock: a held Shift is not pressed", "a", S, 0, "+41 -41", 0, true},
        TypeCase{"Caps Lock: a locked Shift is lifted for the key", "a", 0, S, "-10 +41 -41 +10", S, true},
        TypeCase{"Caps Lock leaves digits and signs alone", "?", 0, 0, "+10 +bf -bf -10", 0, true},
        TypeCase{"but inverts Shift on those the layout says it flips", "1", 0, 0, "+10 +31 -31 -10", 0, true, 0, 0,
                 true, '1'},
        TypeCase{"a letter under Ctrl is its fixed key on any layout", "c", C, 0, "+11 +43 -43 -11", 0, false, 'c'},
        TypeCase{"a capital under locked Ctrl adds Shift, Caps Lock aside", "C", 0, C, "+11 +10 +43 -43 -10", C, true},
        TypeCase{"a digit under Win", "1", W, 0, "+5bx +31 -31 -5bx", 0, false, '1'},
        TypeCase{"Shift alone makes no shortcut", "c", S, 0, "+u0063 -u0063", 0, false, 'c'},
        TypeCase{"a dead key under Ctrl is pressed as a key", "^", C, 0, "+11 +10 +36 -36 -10 -11", 0, false, 0, '^'}));

// Shift states Tavrin cannot press go as Unicode outside a shortcut; under
// Ctrl a sign the layout types with more than Shift is the US English key.
TEST(TypeKey, ShiftStatesThatCannotBePressed) {
  const struct {
    int shiftState;
    ModifierSet pending;
    const char* strokes;
  } rows[] = {{0x08, 0, "+u005b -u005b"}, {0x04, 0, "+u005b -u005b"}, {0x06, C, "+11 +db -db -11"}};
  for (const auto& row : rows) {
    freshInterpreter();
    recorder::setShiftState('[', row.shiftState);
    pendingModifiers = row.pending;
    typeKey('[');
    EXPECT_EQ(recorder::keyStrokes(), row.strokes) << "shift state " << row.shiftState;
  }
}

// The input after which the focus may be elsewhere, or Caps Lock changed.
TEST(TypeKey, InputThatMayMoveTheFocusIsTold) {
  const struct {
    const char* bytes;
    size_t told;
  } rows[] = {{"a?B\x1b" "f5.", 0}, {"\r", 1}, {"\x1b" "capslock.", 1}, {"\x1b,combine,ctrl.c", 1},
              {"\x1b,lock,alt.\x1b,rel.", 1}, {"\x1b,click.", 2}};
  for (const auto& row : rows) {
    freshInterpreter();
    feed(row.bytes, std::strlen(row.bytes));
    EXPECT_EQ(recorder::calls(recorder::kindBit(recorder::Kind::FocusMayMove)).size(), row.told) << row.bytes;
  }
}

TEST(TypeKey, ExtendedFlagSetByMappingIsNotCarriedToTheNextKey) {
  freshInterpreter();
  typeKey(codeOf("home"));
  typeKey(codeOf("kphome"));
  EXPECT_EQ(recorder::keyStrokes(), "+24x -24x +24 -24");
}

struct ReleaseCase {
  const char* what;
  int mask;
  ModifierSet locked;
  ModifierSet pending;
  const char* strokes;
  ModifierSet lockedAfter;
  ModifierSet pendingAfter;
};

class ReleaseLocked : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(ReleaseLocked, SendsKeyUpsOfLockedModifiersInMask) {
  const ReleaseCase& c = GetParam();
  freshInterpreter();
  lockedModifiers = c.locked;
  pendingModifiers = c.pending;
  releaseLocked(c.mask);
  EXPECT_EQ(recorder::keyStrokes(), c.strokes) << c.what;
  EXPECT_EQ(lockedModifiers, c.lockedAfter) << c.what;
  EXPECT_EQ(pendingModifiers, c.pendingAfter) << c.what;
  EXPECT_EQ(extendedKeyFlag, 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Masks, ReleaseLocked,
    ::testing::Values(
        ReleaseCase{"mask 0 releases all: Ctrl then Alt", 0, C | A, 0, "-11 -12", 0, 0},
        ReleaseCase{"order Ctrl Shift Alt Win", 0, C | S | A | W, 0, "-11 -10 -12 -5bx", 0, 0},
        ReleaseCase{"only the masked ones", S, C | S, 0, "-10", C, 0},
        ReleaseCase{"a masked bit not locked sends nothing but leaves pending", A, C, A, "", C, 0},
        ReleaseCase{"only the low byte decides 'all'", 0x100, C, S, "-11", 0, 0},
        ReleaseCase{"nothing locked sends nothing", 0, 0, 0, "", 0, 0},
        ReleaseCase{"pending bits in the mask go too", C, C, C | S, "-11", 0, S}));

TEST(ReleaseLocked, AltUpAfterLockedAltClearsTheContextForLaterKeys) {
  freshInterpreter();
  lockedModifiers = A;
  altHeld = 1;
  releaseLocked(0);
  typeKey('a');
  EXPECT_EQ(recorder::keyStrokes(), "-12 +41 -41");
}

}  // namespace
