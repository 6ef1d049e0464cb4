// Mouse commands: every word with and without its comma, numbers, buttons,
// the glide, and how they meet the modifier state.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "fresh_interpreter.h"

namespace {

// What the platform was made to do, without yields, one call per line.
std::string mouseTrace() {
  return recorder::describeCalls(recorder::OUTPUT_KINDS & ~recorder::kindBit(recorder::Kind::Yield));
}

struct CommandCase {
  const char* token;
  const char* trace;
};

class MouseCommandSends : public ::testing::TestWithParam<CommandCase> {};

TEST_P(MouseCommandSends, ExactlyTheseEvents) {
  freshInterpreter();
  runMouseCommand(GetParam().token);
  EXPECT_EQ(mouseTrace(), GetParam().trace) << "token " << GetParam().token;
}

const char LEFT_CLICK[] = "mouse flags=0x0002 dx=0 dy=0\nmouse flags=0x0004 dx=0 dy=0\n";
const char RIGHT_CLICK[] = "mouse flags=0x0008 dx=0 dy=0\nmouse flags=0x0010 dx=0 dy=0\n";
const char NO_BUTTON_CLICK[] = "mouse flags=0x0000 dx=0 dy=0\nmouse flags=0x0000 dx=0 dy=0\n";
const char RELEASE_ALL[] =
    "mouse flags=0x0010 dx=0 dy=0\nmouse flags=0x0040 dx=0 dy=0\nmouse flags=0x0004 dx=0 dy=0\n";
const char CORNER[] = "mouse flags=0x8001 dx=0 dy=0\n";

INSTANTIATE_TEST_SUITE_P(
    ClicksAndButtons, MouseCommandSends,
    ::testing::Values(
        CommandCase{",click", LEFT_CLICK}, CommandCase{",CLICK,Right", RIGHT_CLICK},
        CommandCase{",click,left", LEFT_CLICK}, CommandCase{",clickright", LEFT_CLICK},
        CommandCase{",click,left,", NO_BUTTON_CLICK}, CommandCase{",click,", NO_BUTTON_CLICK},
        CommandCase{",click,MIDDLE", "mouse flags=0x0020 dx=0 dy=0\nmouse flags=0x0040 dx=0 dy=0\n"},
        CommandCase{",dblclick", "mouse flags=0x0002 dx=0 dy=0\nmouse flags=0x0004 dx=0 dy=0\n"
                                 "mouse flags=0x0002 dx=0 dy=0\nmouse flags=0x0004 dx=0 dy=0\n"},
        CommandCase{",dblclickright", "mouse flags=0x0002 dx=0 dy=0\nmouse flags=0x0004 dx=0 dy=0\n"
                                      "mouse flags=0x0002 dx=0 dy=0\nmouse flags=0x0004 dx=0 dy=0\n"},
        CommandCase{",dblclick,middle", "mouse flags=0x0020 dx=0 dy=0\nmouse flags=0x0040 dx=0 dy=0\n"
                                        "mouse flags=0x0020 dx=0 dy=0\nmouse flags=0x0040 dx=0 dy=0\n"},
        CommandCase{",DblClick,x", "mouse flags=0x0000 dx=0 dy=0\nmouse flags=0x0000 dx=0 dy=0\n"
                                   "mouse flags=0x0000 dx=0 dy=0\nmouse flags=0x0000 dx=0 dy=0\n"},
        CommandCase{",moulock", "mouse flags=0x0002 dx=0 dy=0\n"},
        CommandCase{",moulockright", "mouse flags=0x0002 dx=0 dy=0\n"},
        CommandCase{",moulock,right", "mouse flags=0x0008 dx=0 dy=0\n"},
        CommandCase{",moulock,wheel", "mouse flags=0x0000 dx=0 dy=0\n"},
        CommandCase{",mourel", RELEASE_ALL}, CommandCase{",MOUREL", RELEASE_ALL},
        CommandCase{",mourel,left", "mouse flags=0x0004 dx=0 dy=0\n"},
        CommandCase{",MOUREL,Middle", "mouse flags=0x0040 dx=0 dy=0\n"},
        CommandCase{",mourel,right", "mouse flags=0x0010 dx=0 dy=0\n"},
        CommandCase{",mourel,x", ""}, CommandCase{",mourel,", ""}, CommandCase{",mourel,left,", ""},
        CommandCase{",mourelx", ""},
        CommandCase{",moureset", CORNER}, CommandCase{",MouReset", CORNER}, CommandCase{",moureset,", ""},
        // Not commands at all.
        CommandCase{",enter", ""}, CommandCase{",hold", ""}, CommandCase{",combine", ""},
        CommandCase{",mougo", ""}, CommandCase{",goto", ""}, CommandCase{",move", ""},
        CommandCase{",cli", ""}, CommandCase{", click", ""}, CommandCase{",,click", ""}));

INSTANTIATE_TEST_SUITE_P(
    MovesAndNumbers, MouseCommandSends,
    ::testing::Values(
        CommandCase{",goto,100,50", "mouse to x=100 y=50\n"},
        // Clamping to the screen is the platform's: the pixel goes as asked.
        CommandCase{",GOTO,-5,+7", "mouse to x=-5 y=7\n"},
        CommandCase{",goto,99999,2147483648", "mouse to x=99999 y=2147483647\n"},
        CommandCase{",goto,100", ""}, CommandCase{",goto,", ""},
        CommandCase{",goto,,", "mouse to x=0 y=0\n"},
        CommandCase{",move,-20,5", "mouse flags=0x0001 dx=-20 dy=5\n"},
        CommandCase{",move,,5", "mouse flags=0x0001 dx=0 dy=5\n"},
        CommandCase{",move,30", ""},
        // Reading stops at the first character that is not part of a number.
        CommandCase{",move,12px,3,9", "mouse flags=0x0001 dx=12 dy=3\n"},
        CommandCase{",move,x12,y3", "mouse flags=0x0001 dx=0 dy=0\n"},
        CommandCase{",move,--4,+-4", "mouse flags=0x0001 dx=0 dy=0\n"},
        CommandCase{",move,-,+", "mouse flags=0x0001 dx=0 dy=0\n"},
        CommandCase{",move,007,-0", "mouse flags=0x0001 dx=7 dy=0\n"},
        CommandCase{",move,\t8,\n-9", "mouse flags=0x0001 dx=8 dy=-9\n"},
        CommandCase{",move,1.5,2", "mouse flags=0x0001 dx=1 dy=2\n"},
        // Out of the range of int: held at the nearest end, as strtol does
        // with a 32-bit long.
        CommandCase{",move,2147483647,-2147483648", "mouse flags=0x0001 dx=2147483647 dy=-2147483648\n"},
        CommandCase{",move,2147483648,-2147483649", "mouse flags=0x0001 dx=2147483647 dy=-2147483648\n"},
        CommandCase{",move,99999999999999999999999999,-99999999999999999999999999",
                    "mouse flags=0x0001 dx=2147483647 dy=-2147483648\n"}));

INSTANTIATE_TEST_SUITE_P(
    GlideArming, MouseCommandSends,
    ::testing::Values(CommandCase{",mougo,upleft,3", "glide arm\n"}, CommandCase{",MOUGO,up,1", "glide arm\n"},
                      CommandCase{",mougo,5", "glide arm\n"}, CommandCase{",mougo,up,0", ""},
                      CommandCase{",mougo,Up,5", ""}, CommandCase{",mougo,up", ""},
                      CommandCase{",moustop", "glide stop\n"}, CommandCase{",MOUSTOPNOW", "glide stop\n"}));

INSTANTIATE_TEST_SUITE_P(
    WheelAndPauses, MouseCommandSends,
    ::testing::Values(CommandCase{",scroll,up", "mouse flags=0x0800 dx=0 dy=0 data=120\n"},
                      CommandCase{",scroll,up,3", "mouse flags=0x0800 dx=0 dy=0 data=360\n"},
                      CommandCase{",SCROLL,Down,2", "mouse flags=0x0800 dx=0 dy=0 data=-240\n"},
                      CommandCase{",scroll,right,10", "mouse flags=0x1000 dx=0 dy=0 data=1200\n"},
                      CommandCase{",scroll,left,11", "mouse flags=0x1000 dx=0 dy=0 data=-1200\n"},
                      CommandCase{",scroll,down,0", "mouse flags=0x0800 dx=0 dy=0 data=-120\n"},
                      CommandCase{",scroll,up,-7", "mouse flags=0x0800 dx=0 dy=0 data=120\n"},
                      CommandCase{",scroll,up,", "mouse flags=0x0800 dx=0 dy=0 data=120\n"},
                      CommandCase{",scroll,", ""}, CommandCase{",scroll", ""}, CommandCase{",scroll,upward,2", ""},
                      CommandCase{",scroll,2", ""}, CommandCase{",scroll,upleft", ""},
                      CommandCase{",wait,500", "wait ms=500\n"}, CommandCase{",WAIT,5000", "wait ms=5000\n"},
                      CommandCase{",wait,5001", "wait ms=5000\n"}, CommandCase{",wait,0", "wait ms=1\n"},
                      CommandCase{",wait,-20", "wait ms=1\n"}, CommandCase{",wait,", "wait ms=1\n"},
                      CommandCase{",wait", ""}, CommandCase{",waitx", ""},
                      // Nothing held: nothing at all, not even a glide stop.
                      CommandCase{",clear", ""}, CommandCase{",CLEAR", ""}, CommandCase{",clearall", ""}));

struct GlideCase {
  const char* token;
  int dx, dy;
};

class GlideStep : public ::testing::TestWithParam<GlideCase> {};

TEST_P(GlideStep, IsTheDirectionTimesTheClampedSpeed) {
  freshInterpreter();
  runMouseCommand(GetParam().token);
  const GlideDelta d = currentGlideDelta();
  EXPECT_EQ(d.dx, GetParam().dx) << GetParam().token;
  EXPECT_EQ(d.dy, GetParam().dy) << GetParam().token;
  recorder::reset();
  glideTick();
  char expected[64];
  std::snprintf(expected, sizeof expected, "mouse flags=0x0001 dx=%d dy=%d\n", GetParam().dx, GetParam().dy);
  EXPECT_EQ(mouseTrace(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    DirectionsAndSpeeds, GlideStep,
    ::testing::Values(
        GlideCase{",mougo,up,2", 0, -2}, GlideCase{",mougo,upright,2", 2, -2}, GlideCase{",mougo,right,2", 2, 0},
        GlideCase{",mougo,downright,2", 2, 2}, GlideCase{",mougo,down,2", 0, 2},
        GlideCase{",mougo,downleft,2", -2, 2}, GlideCase{",mougo,left,2", -2, 0},
        GlideCase{",mougo,upleft,2", -2, -2}, GlideCase{",mougo,upleft,3", -3, -3},
        // Speeds out of range.
        GlideCase{",mougo,up,25", 0, -10}, GlideCase{",mougo,up,10", 0, -10}, GlideCase{",mougo,up,11", 0, -10},
        GlideCase{",mougo,up,-4", 0, -1}, GlideCase{",mougo,left,-99999999999999", -1, 0},
        GlideCase{",mougo,right,99999999999999", 10, 0},
        // Speed 0 keeps the unit step; junk reads as 0.
        GlideCase{",mougo,up,0", 0, -1}, GlideCase{",mougo,downleft,", -1, 1}, GlideCase{",mougo,down,fast", 0, 1},
        // Direction words count only in lower case and with their comma.
        GlideCase{",mougo,Up,5", 0, 0}, GlideCase{",mougo,UPLEFT,5", 0, 0}, GlideCase{",mougo,up5", 0, 0},
        GlideCase{",mougo,5", 0, 0}, GlideCase{",mougo,upward,5", 0, 0}, GlideCase{",MouGo,down,4", 0, 4}));

TEST(Glide, StopKeepsTheStepAndAGlideResumesWithTheNewOne) {
  freshInterpreter();
  runMouseCommand(",mougo,up,4");
  runMouseCommand(",moustop");
  EXPECT_FALSE(recorder::glideArmed());
  EXPECT_EQ(currentGlideDelta().dy, -4);
  runMouseCommand(",mougo,down,2");
  EXPECT_TRUE(recorder::glideArmed());
  EXPECT_EQ(currentGlideDelta().dy, 2);
}

TEST(Glide, SpeedZeroChangesTheStepOfARunningGlideWithoutRearming) {
  freshInterpreter();
  runMouseCommand(",mougo,right,6");
  recorder::reset();
  runMouseCommand(",mougo,up,0");
  runMouseCommand(",mougo,Up,5");
  EXPECT_EQ(mouseTrace(), "");
  glideTick();
  EXPECT_EQ(mouseTrace(), "mouse flags=0x0001 dx=0 dy=0\n");
}

TEST(Glide, ATickNeverSeesHalfOfAStep) {
  freshInterpreter();
  std::atomic<bool> done{false};
  std::atomic<long> torn{0};
  std::thread reader([&] {
    while (!done.load()) {
      const GlideDelta d = currentGlideDelta();
      if (d.dx != d.dy) ++torn;
    }
  });
  // Speed 0 changes the step without arming the timer, so the trace stays
  // small; the two steps differ in both components.
  for (int i = 0; i < 200000; ++i) runMouseCommand(i % 2 ? ",mougo,upleft,0" : ",mougo,downright,0");
  done = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
}

TEST(ButtonEventFlags, NamesTheWholeTextInAnyCase) {
  const struct {
    const char* name;
    int press, release;
  } rows[] = {{"left", 0x02, 0x04}, {"LEFT", 0x02, 0x04}, {"Middle", 0x20, 0x40}, {"right", 0x08, 0x10},
              {"rightx", 0, 0},     {"lef", 0, 0},        {"", 0, 0},           {"left,", 0, 0}};
  for (const auto& row : rows) {
    EXPECT_EQ(buttonEventFlags(row.name, 0), row.press) << row.name;
    EXPECT_EQ(buttonEventFlags(row.name, 1), row.release) << row.name;
    EXPECT_EQ(buttonEventFlags(row.name, 7), row.release) << row.name;
  }
}

TEST(ParseGlideDirection, MovesPastTheWordOnlyWhenOneMatches) {
  const char* text = "downleft,7";
  int dx = 9, dy = 9;
  parseGlideDirection(&text, &dx, &dy);
  EXPECT_STREQ(text, "7");
  EXPECT_EQ(dx, -1);
  EXPECT_EQ(dy, 1);

  text = "Down,7";
  dx = dy = 9;
  parseGlideDirection(&text, &dx, &dy);
  EXPECT_STREQ(text, "Down,7");
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(dy, 0);
}

TEST(MouseAndModifiers, LockedCtrlMakesACtrlClick) {
  freshInterpreter();
  feed("\x1b,lock,ctrl.\x1b,click.");
  EXPECT_EQ(recorder::describeCalls(recorder::kindBit(recorder::Kind::Key) | recorder::kindBit(recorder::Kind::Mouse)),
            "key down vk=0x11 scan=0x1d flags=0x0 extra=0x001d0001\n"
            "mouse flags=0x0002 dx=0 dy=0\nmouse flags=0x0004 dx=0 dy=0\n");
  EXPECT_EQ(lockedModifiers, MODIFIER_CTRL);
}

TEST(MouseAndModifiers, PendingModifiersSurviveEveryMouseCommand) {
  freshInterpreter();
  feed("\x1b,hold,ctrl,shift.");
  const char* const commands[] = {"\x1b,click.",         "\x1b,dblclick,right.", "\x1b,moulock.",
                                  "\x1b,mourel.",        "\x1b,moureset.",       "\x1b,goto,1,2.",
                                  "\x1b,move,3,4.",      "\x1b,mougo,up,2.",     "\x1b,moustop.",
                                  "\x1b,nothing,at,all."};
  for (const char* command : commands) {
    feed(command, std::strlen(command));
    EXPECT_EQ(pendingModifiers, MODIFIER_CTRL | MODIFIER_SHIFT) << command + 1;
  }
  EXPECT_EQ(recorder::keyStrokes(), "");
  feed("a");
  EXPECT_EQ(recorder::keyStrokes(), "+11 +10 +41 -41 -10 -11");
}

TEST(MouseAndModifiers, MouseCommandsReachThePlatformInsideTheLock) {
  freshInterpreter();
  feed("\x1b,click.\x1b,mougo,up,3.\x1b,moustop.");
  for (const recorder::Call& call : recorder::calls()) EXPECT_TRUE(call.lockHeld) << recorder::describe(call);
}

}  // namespace
