// What the device holds down: the keys and buttons a terminated worker
// strands, and everything let go of at exit and at the end of the session.
#include <gtest/gtest.h>

#include <string>

#include "fresh_interpreter.h"

namespace {

const std::string ESC = "\x1b";

void feedText(const std::string& bytes) { feed(bytes.data(), bytes.size()); }

// Key strokes, then the mouse events in the recorder's words.
std::string keysAndMouse() {
  std::string out = recorder::keyStrokes();
  for (const recorder::Call& call : recorder::calls(recorder::kindBit(recorder::Kind::Mouse)))
    out += " | " + recorder::describe(call);
  return out;
}

// The events a worker sent for the byte it was typing when it was
// terminated, inside the lock: keys down and buttons down, none released.
struct Interrupted {
  int keys[3];       // 0 for none
  int extendedKey;   // the one of keys that went down as an extended key
  unsigned buttons;  // MOUSEEVENTF_*DOWN flags
  unsigned unicodeUnit;  // a Unicode key-down, 0 for none
};

void sendAsInterruptedWorker(const Interrupted& w) {
  lockInterpreter();
  for (int vk : w.keys) {
    if (!vk) continue;
    extendedKeyFlag = vk == w.extendedKey ? 1 : 0;
    sendKeyEvent(0, vk);
  }
  if (w.buttons) {
    noteMouseEvent(w.buttons, 0);
    emitMouseEvent(w.buttons, 0, 0, 0);
  }
  if (w.unicodeUnit) {
    noteUnicodeUnit(w.unicodeUnit, 0);
    emitUnicodeUnit(w.unicodeUnit, 0);
  }
  // The worker dies here: the flag stays as it was, the lock is abandoned.
  unlockInterpreter();
}

struct StrandedCase {
  const char* what;
  std::string before;  // what the device sent earlier, completed
  Interrupted worker;
  const char* released;  // what the next taker of the lock sends first
  ModifierSet lockedAfter;
};

class StrandedInput : public ::testing::TestWithParam<StrandedCase> {};

TEST_P(StrandedInput, IsReleasedByTheNextTakerOfAnAbandonedLockAndLockedInputStays) {
  const StrandedCase& c = GetParam();
  freshInterpreter();
  feedText(c.before);
  sendAsInterruptedWorker(c.worker);
  recorder::reset();
  recorder::abandonNextLock();
  enterInterpreter();  // releases what the terminated worker stranded
  unlockInterpreter();
  EXPECT_EQ(keysAndMouse(), c.released) << c.what;
  EXPECT_EQ(lockedModifiers, c.lockedAfter) << c.what;
  EXPECT_EQ(extendedKeyFlag, 0) << c.what;
  // Nothing more goes out for the same keys when the lock is taken again.
  recorder::reset();
  enterInterpreter();  // releases what the terminated worker stranded
  unlockInterpreter();
  EXPECT_EQ(keysAndMouse(), "") << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Workers, StrandedInput,
    ::testing::Values(
        StrandedCase{"capital A half typed, Ctrl locked: A and Shift go, Ctrl stays", ESC + ",lock,ctrl.",
                     {{0x11, 0x10, 0x41}, 0, 0, 0}, "-41 -10", MODIFIER_CTRL},
        StrandedCase{"an extended key keeps its flag on the way up", "", {{0x2E, 0, 0}, 0x2E, 0, 0}, "-2ex", 0},
        StrandedCase{"a pending Win pressed for the key goes, a locked Alt stays", ESC + ",lock,alt.",
                     {{0x12, 0x5B, 0x45}, 0x5B, 0, 0}, "-45a -5bxa", MODIFIER_ALT},
        StrandedCase{"a locked Shift pressed for the key stays", ESC + ",lock,shift.",
                     {{0x10, 0x41, 0}, 0, 0, 0}, "-41", MODIFIER_SHIFT},
        StrandedCase{"a half click goes, the moulock button stays", ESC + ",moulock.",
                     {{0, 0, 0}, 0, 0x0008, 0}, " | mouse flags=0x0010 dx=0 dy=0", 0},
        StrandedCase{"a Unicode key-down gets its key-up", "", {{0, 0, 0}, 0, 0, 0x20AC}, "-u20ac", 0}));

TEST(StrandedInput, TheNextByteAfterAnAbandonmentFirstReleasesThenTypes) {
  freshInterpreter();
  feedText(ESC + ",lock,ctrl.");
  sendAsInterruptedWorker({{0x10, 0x41, 0}, 0, 0, 0});
  recorder::reset();
  recorder::abandonNextLock();
  feedText("b");
  EXPECT_EQ(recorder::keyStrokes(), "-41 -10 +11 +42 -42");
  EXPECT_EQ(recorder::checkYieldAfterEveryKeyEvent(), "");
}

struct HeldCase {
  const char* what;
  std::string sent;
  const char* released;
};

class ReleaseHeldInput : public ::testing::TestWithParam<HeldCase> {};

TEST_P(ReleaseHeldInput, LetsGoOfEverythingTheDeviceHoldsOnce) {
  const HeldCase& c = GetParam();
  freshInterpreter();
  feedText(c.sent);
  recorder::reset();
  releaseHeldInput();
  EXPECT_EQ(keysAndMouse(), c.released) << c.what;
  EXPECT_EQ(recorder::checkYieldAfterEveryKeyEvent(), "") << c.what;
  EXPECT_EQ(lockedModifiers | pendingModifiers, 0) << c.what;
  EXPECT_EQ(buttonsPressed() | buttonsLocked(), 0) << c.what;
  for (const recorder::Call& call : recorder::calls()) EXPECT_TRUE(call.lockHeld) << c.what;
  recorder::reset();
  releaseHeldInput();
  EXPECT_EQ(keysAndMouse(), "") << c.what << ": a second release sends nothing";
}

// ",clear" is the same release, asked for by the device.
TEST_P(ReleaseHeldInput, ClearLetsGoOfTheSameAndStopsAGlide) {
  const HeldCase& c = GetParam();
  freshInterpreter();
  feedText(c.sent + ESC + ",mougo,up,2.");
  recorder::reset();
  feedText(ESC + ",clear.");
  EXPECT_EQ(keysAndMouse(), c.released) << c.what;
  EXPECT_EQ(recorder::calls(recorder::kindBit(recorder::Kind::GlideStop)).size(), 1u) << c.what;
  EXPECT_EQ(lockedModifiers | pendingModifiers, 0) << c.what;
  EXPECT_EQ(buttonsPressed() | buttonsLocked(), 0) << c.what;
  recorder::reset();
  feedText(ESC + ",clear.");
  EXPECT_EQ(recorder::describeCalls(), "") << c.what << ": a second clear sends nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Held, ReleaseHeldInput,
    ::testing::Values(
        HeldCase{"locked Ctrl and the moulock left button", ESC + ",lock,ctrl." + ESC + ",moulock.",
                 "-11 | mouse flags=0x0004 dx=0 dy=0"},
        HeldCase{"all four modifiers in the order of a release; Shift only once a key pressed it",
                 ESC + ",lock,alt,ctrl,leftwinkey,shift.", "-11a -12 -5bx"},
        HeldCase{"a locked Shift pressed by a key", ESC + ",lock,shift.a", "-10"},
        HeldCase{"every moulock button, right middle left", ESC + ",moulock,left." + ESC + ",moulock,middle." +
                     ESC + ",moulock,right.",
                 " | mouse flags=0x0010 dx=0 dy=0 | mouse flags=0x0040 dx=0 dy=0 | mouse flags=0x0004 dx=0 dy=0"},
        HeldCase{"a button released by mourel is not released again", ESC + ",moulock." + ESC + ",mourel.", ""},
        HeldCase{"a click of the locked button lets it go", ESC + ",moulock,right." + ESC + ",click,right.", ""},
        HeldCase{"a pending modifier is forgotten, not pressed", ESC + ",hold,ctrl.", ""}));

struct HalfCase {
  const char* what;
  int interpretationSetting;
  std::string sent;
};

class ReleaseAfterALostLink : public ::testing::TestWithParam<HalfCase> {};

// What was half received when the link went is dropped: the device's next
// text is typed as it is, with no modifier and nothing before it.
TEST_P(ReleaseAfterALostLink, DropsWhatWasHalfReceivedSoTheNextTextIsTyped) {
  const HalfCase& c = GetParam();
  freshInterpreter(c.interpretationSetting);
  feedText(c.sent);
  releaseHeldInput();
  recorder::reset();
  feedText("xyz");
  EXPECT_EQ(recorder::keyStrokes(), "+58 -58 +59 -59 +5a -5a") << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Halves, ReleaseAfterALostLink,
    ::testing::Values(HalfCase{"half an escape sequence", 1, ESC + ",lock,ct"},
                      HalfCase{"a sequence cut at its limit", 1, ESC + std::string(70, 'q')},
                      HalfCase{"a pending one-shot modifier", 1, ESC + ",hold,ctrl."},
                      HalfCase{"a locked Windows key", 1, ESC + ",lock,leftwinkey."},
                      HalfCase{"half a UTF-8 character", 2, "\xe2\x82"}));

// What the tray is told: once per change, at the end of the byte that made
// it, so a Shift pressed and let go inside one capital is never shown.
struct ShownCase { const char* what; std::string sent; unsigned shown; int changes; };

class HeldStateShown : public ::testing::TestWithParam<ShownCase> {};

TEST_P(HeldStateShown, IsHandedOverOnceForEachChange) {
  const ShownCase& c = GetParam();
  freshInterpreter();
  feedText(c.sent);
  EXPECT_EQ(recorder::shownHeldState(), c.shown) << c.what;
  EXPECT_EQ(recorder::heldStateChanges(), c.changes) << c.what;
}

const unsigned PENDING = 1u << HELD_PENDING_SHIFT, DOWN = 1u << HELD_BUTTONS_SHIFT;

INSTANTIATE_TEST_SUITE_P(
    States, HeldStateShown,
    ::testing::Values(
        ShownCase{"a capital's Shift", "A", 0, 0}, ShownCase{"a click", ESC + ",click.", 0, 0},
        ShownCase{"Ctrl for the next key", ESC + ",hold,ctrl.", MODIFIER_CTRL * PENDING, 1},
        ShownCase{"and the key that uses it", ESC + ",hold,ctrl.a", 0, 2},
        ShownCase{"Ctrl locked", ESC + ",lock,ctrl.", MODIFIER_CTRL, 1},
        ShownCase{"pending, then locked, shows locked", ESC + ",hold,ctrl." + ESC + ",lock,ctrl.", MODIFIER_CTRL, 2},
        ShownCase{"right button held", ESC + ",moulock,right.", BUTTON_RIGHT * DOWN, 1},
        ShownCase{"several at once", ESC + ",lock,ctrl." + ESC + ",hold,alt." + ESC + ",moulock.",
                  MODIFIER_CTRL | MODIFIER_ALT * PENDING | BUTTON_LEFT * DOWN, 3},
        ShownCase{"all let go", ESC + ",lock,leftwinkey." + ESC + ",moulock." + ESC + ",rel." + ESC + ",mourel.", 0, 4},
        ShownCase{"the device's clear", ESC + ",lock,alt." + ESC + ",moulock,middle." + ESC + ",clear.", 0, 3}));

// A lost link's release (and any other) tells of it before it returns.
TEST(HeldStateShown, ReleaseTellsOfItAtOnce) {
  freshInterpreter();
  feedText(ESC + ",lock,shift.");
  releaseHeldInput();
  EXPECT_EQ(recorder::heldStateChanges(), 2);
  EXPECT_EQ(recorder::shownHeldState(), 0u);
}

}  // namespace
