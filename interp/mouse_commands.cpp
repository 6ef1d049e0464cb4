#include "mouse_commands.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>

#include "held_input.h"
#include "interp.h"
#include "platform.h"

namespace {

const unsigned MOUSEEVENTF_MOVE = 0x0001;
const unsigned MOUSEEVENTF_LEFTDOWN = 0x0002;
const unsigned MOUSEEVENTF_LEFTUP = 0x0004;
const unsigned MOUSEEVENTF_RIGHTDOWN = 0x0008;
const unsigned MOUSEEVENTF_RIGHTUP = 0x0010;
const unsigned MOUSEEVENTF_MIDDLEDOWN = 0x0020;
const unsigned MOUSEEVENTF_MIDDLEUP = 0x0040;
const unsigned MOUSEEVENTF_WHEEL = 0x0800;
const unsigned MOUSEEVENTF_HWHEEL = 0x1000;
const unsigned MOUSEEVENTF_ABSOLUTE = 0x8000;

const int WHEEL_DELTA = 120;
const int NOTCHES_MIN = 1;
const int NOTCHES_MAX = 10;
const int PAUSE_MS_MIN = 1;
const int PAUSE_MS_MAX = 5000;

const int GLIDE_SPEED_MIN = 1;
const int GLIDE_SPEED_MAX = 10;

// dx in the low 32 bits, dy in the high 32 bits: the glide command runs on a
// link thread and the tick on the UI thread, and one 64-bit atomic lets the
// tick never pair a new dx with an old dy.
std::atomic<uint64_t> glideDelta{0};

void publishGlideDelta(int dx, int dy) {
  uint64_t packed = static_cast<uint64_t>(static_cast<uint32_t>(dx)) |
                    static_cast<uint64_t>(static_cast<uint32_t>(dy)) << 32;
  glideDelta.store(packed, std::memory_order_relaxed);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive test that text begins with word; word is lower case.
bool startsWithWord(const char* text, const char* word) {
  for (; *word; ++text, ++word)
    if (lowerAscii(*text) != *word) return false;
  return true;
}

bool equalsWord(const char* text, const char* word) {
  return startsWithWord(text, word) && text[std::strlen(word)] == '\0';
}

bool isSpaceLikeStrtol(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads a number the way strtol reads base 10 (leading white space, an
// optional sign, digits; no digits give 0). A value beyond the range of int
// gives INT_MAX or INT_MIN, as strtol does where long is 32 bits (Windows),
// instead of overflowing.
int readDecimal(const char* text) {
  while (isSpaceLikeStrtol(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = (*text++ == '-');
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value >= limit) {
      value = limit;
      break;
    }
  }
  return static_cast<int>(negative ? -value : value);
}

// The press and release flags of the three buttons.
const unsigned BUTTON_EVENTS = 0x007E;

void sendMouse(unsigned flags, int dx = 0, int dy = 0) {
  // Recorded first: a worker terminated between the two leaves nothing
  // pressed that the record does not know of.
  noteMouseEvent(flags, 0);
  emitMouseEvent(flags, dx, dy, 0);
  // A click may bring another window to the front.
  if (flags & BUTTON_EVENTS) inputMayMoveFocus();
}

int clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

void moveToCorner() { sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE); }

// x and y for goto and move: x before the first comma, y after it. Without
// a comma there is no pair and the command does nothing.
bool readPair(const char* text, int* x, int* y) {
  const char* comma = std::strchr(text, ',');
  if (!comma) return false;
  *x = readDecimal(text);
  *y = readDecimal(comma + 1);
  return true;
}

// One absolute placement: a relative move from the corner would be scaled
// by the pointer speed settings and miss the pixel.
void runGoto(const char* rest) {
  int x, y;
  if (readPair(rest, &x, &y)) placePointer(x, y);
}

void runMove(const char* rest) {
  int x, y;
  if (readPair(rest, &x, &y)) sendMouse(MOUSEEVENTF_MOVE, x, y);
}

void runRelease(const char*) {
  sendMouse(MOUSEEVENTF_RIGHTUP);
  sendMouse(MOUSEEVENTF_MIDDLEUP);
  sendMouse(MOUSEEVENTF_LEFTUP);
}

// One button: anything but a button name after the comma does nothing.
void runReleaseNamed(const char* rest) {
  const unsigned release = static_cast<unsigned>(buttonEventFlags(rest, 1));
  if (release) sendMouse(release);
}

void runReset(const char*) { moveToCorner(); }

void clickButton(const char* name, int times) {
  const unsigned press = buttonEventFlags(name, 0);
  const unsigned release = buttonEventFlags(name, 1);
  for (int i = 0; i < times; ++i) {
    sendMouse(press);
    sendMouse(release);
  }
}

void runDoubleClickNamed(const char* rest) { clickButton(rest, 2); }
void runDoubleClickLeft(const char*) { clickButton("left", 2); }
void runClickNamed(const char* rest) { clickButton(rest, 1); }
void runClickLeft(const char*) { clickButton("left", 1); }
// A locked button stays down until ",mourel" or a click of it, also when a
// worker is terminated.
void lockButton(unsigned press) {
  noteMouseEvent(press, 1);
  emitMouseEvent(press, 0, 0, 0);
  inputMayMoveFocus();
}

void runLockNamed(const char* rest) { lockButton(buttonEventFlags(rest, 0)); }
void runLockLeft(const char*) { lockButton(MOUSEEVENTF_LEFTDOWN); }

// The step is worked out in full and published once, so a tick in between
// sees either the old step or the new one.
void runGlide(const char* rest) {
  int dx, dy;
  parseGlideDirection(&rest, &dx, &dy);
  int speed = readDecimal(rest);
  if (speed == 0) {
    publishGlideDelta(dx, dy);
    return;
  }
  speed = clamp(speed, GLIDE_SPEED_MIN, GLIDE_SPEED_MAX);
  publishGlideDelta(dx * speed, dy * speed);
  armGlideTimer();
  noteGlideTimer(1);
}

void runStop(const char*) {
  stopGlideTimer();
  noteGlideTimer(0);
}

struct WheelDirection {
  const char* word;  // lower case
  unsigned flags;
  int sign;
};

const WheelDirection WheelDirections[] = {
    {"up", MOUSEEVENTF_WHEEL, 1},
    {"down", MOUSEEVENTF_WHEEL, -1},
    {"right", MOUSEEVENTF_HWHEEL, 1},
    {"left", MOUSEEVENTF_HWHEEL, -1},
};

// The direction word ends the text or is followed by a comma and the count
// of notches; all notches go out in one event.
void runScroll(const char* rest) {
  for (const WheelDirection& direction : WheelDirections) {
    if (!startsWithWord(rest, direction.word)) continue;
    const char* after = rest + std::strlen(direction.word);
    if (*after != '\0' && *after != ',') continue;
    const int notches = *after == ',' ? clamp(readDecimal(after + 1), NOTCHES_MIN, NOTCHES_MAX) : NOTCHES_MIN;
    emitMouseEvent(direction.flags, 0, 0, direction.sign * notches * WHEEL_DELTA);
    return;
  }
}

void runClear(const char*) { letGoOfEverything(); }

// The pause holds the lock: bytes that arrive meanwhile wait in the links
// and are typed in order afterwards.
void runWait(const char* rest) { pauseTyping(clamp(readDecimal(rest), PAUSE_MS_MIN, PAUSE_MS_MAX)); }

struct MouseCommand {
  const char* word;  // lower case
  bool whole;        // the command text must be the word alone
  void (*run)(const char* rest);
};

// Tried in this order; the words with a comma come before their bare forms.
const MouseCommand Commands[] = {
    {"goto,", false, runGoto},
    {"move,", false, runMove},
    {"mourel,", false, runReleaseNamed},
    {"mourel", true, runRelease},
    {"moureset", true, runReset},
    {"dblclick,", false, runDoubleClickNamed},
    {"dblclick", false, runDoubleClickLeft},
    {"click,", false, runClickNamed},
    {"click", false, runClickLeft},
    {"moulock,", false, runLockNamed},
    {"moulock", false, runLockLeft},
    {"mougo,", false, runGlide},
    {"moustop", false, runStop},
    {"scroll,", false, runScroll},
    {"clear", true, runClear},
    {"wait,", false, runWait},
};

struct Button {
  const char* name;
  unsigned press;
  unsigned release;
};

const Button Buttons[] = {
    {"left", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
    {"middle", MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP},
    {"right", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
};

struct Direction {
  const char* word;  // matched with its case
  int dx;
  int dy;
};

const Direction Directions[] = {
    {"up,", 0, -1},    {"upright,", 1, -1}, {"right,", 1, 0},  {"downright,", 1, 1},
    {"down,", 0, 1},   {"downleft,", -1, 1}, {"left,", -1, 0}, {"upleft,", -1, -1},
};

}  // namespace

void runMouseCommand(const char* token) {
  if (!token || token[0] != ',') return;
  const char* text = token + 1;
  for (const MouseCommand& command : Commands) {
    const bool matches = command.whole ? equalsWord(text, command.word) : startsWithWord(text, command.word);
    if (matches) {
      command.run(text + std::strlen(command.word));
      return;
    }
  }
}

int buttonEventFlags(const char* name, int up) {
  for (const Button& button : Buttons)
    if (equalsWord(name, button.name)) return static_cast<int>(up ? button.release : button.press);
  return 0;
}

void parseGlideDirection(const char** text, int* dx, int* dy) {
  *dx = 0;
  *dy = 0;
  for (const Direction& direction : Directions) {
    const size_t length = std::strlen(direction.word);
    if (std::strncmp(*text, direction.word, length) == 0) {
      *dx = direction.dx;
      *dy = direction.dy;
      *text += length;
      return;
    }
  }
}

GlideDelta currentGlideDelta() {
  const uint64_t packed = glideDelta.load(std::memory_order_relaxed);
  return GlideDelta{static_cast<int>(static_cast<uint32_t>(packed)),
                    static_cast<int>(static_cast<uint32_t>(packed >> 32))};
}

void glideTick() {
  const GlideDelta step = currentGlideDelta();
  sendMouse(MOUSEEVENTF_MOVE, step.dx, step.dy);
}
