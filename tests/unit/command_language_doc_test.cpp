// Runs every example of docs/command-language.md through the interpreter
// and compares what the platform receives with what the example says, so
// the reference and the program cannot drift apart.
//
// An example is a fenced block tagged "example": header lines ("setting:",
// "caps lock:", "system:", "send:", "ticks:") and then one expected event
// per line, in the document's words ("press Alt", "tap Keypad 0", "left
// button down", "move by -3, -3", "glide starts", "nothing").
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fresh_interpreter.h"

namespace {

struct Example {
  int line = 0;  // of the opening fence, for messages
  int interpretation = 1;
  int language = 0x0409;
  int ticks = 0;
  bool capsLock = false;
  std::string send;
  std::vector<std::string> expected;  // event lines as written
};

std::string trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool takeHeader(const std::string& line, const char* name, std::string* value) {
  const std::string prefix = std::string(name) + ":";
  if (line.compare(0, prefix.size(), prefix) != 0) return false;
  *value = trim(line.substr(prefix.size()));
  return true;
}

// The byte string of a "send:" line: characters as written, <n> a byte by
// its decimal value, <ESC> and the other control names their byte.
bool decodeSend(const std::string& text, std::string* bytes, std::string* error) {
  static const std::map<std::string, int> names = {{"ESC", 27}, {"CR", 13}, {"LF", 10}, {"TAB", 9},
                                                   {"BS", 8},   {"NUL", 0}, {"FF", 12}};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '<') {
      *bytes += text[i];
      continue;
    }
    const size_t close = text.find('>', i);
    if (close == std::string::npos) return *error = "unclosed < in send line", false;
    const std::string inside = text.substr(i + 1, close - i - 1);
    int value;
    if (names.count(inside)) {
      value = names.at(inside);
    } else {
      char* end;
      value = static_cast<int>(std::strtol(inside.c_str(), &end, 10));
      if (inside.empty() || *end || value < 0 || value > 255) return *error = "bad byte <" + inside + ">", false;
    }
    *bytes += static_cast<char>(value);
    i = close;
  }
  return true;
}

std::vector<Example> readExamples(const std::string& path, std::string* error) {
  std::ifstream in(path);
  std::vector<Example> examples;
  if (!in) {
    *error = "cannot read " + path;
    return examples;
  }
  std::string line;
  int number = 0;
  Example* current = nullptr;
  while (std::getline(in, line)) {
    ++number;
    const std::string t = trim(line);
    if (!current) {
      if (t == "```example") {
        examples.emplace_back();
        current = &examples.back();
        current->line = number;
      }
      continue;
    }
    if (t == "```") {
      current = nullptr;
      continue;
    }
    std::string value;
    if (takeHeader(t, "send", &value)) {
      // The send line keeps its inner spaces: they are bytes.
      current->send = line.substr(line.find(':') + 2);
    } else if (takeHeader(t, "setting", &value)) {
      if (value == "ASCII Extended") current->interpretation = 0;
      else if (value == "ANSI Extended") current->interpretation = 1;
      else if (value == "Unicode (UTF-8)") current->interpretation = 2;
      else *error = "line " + std::to_string(number) + ": unknown setting " + value;
    } else if (takeHeader(t, "system", &value)) {
      if (value == "German") current->language = 0x0407;
      else if (value == "English") current->language = 0x0409;
      else *error = "line " + std::to_string(number) + ": unknown system " + value;
    } else if (takeHeader(t, "caps lock", &value)) {
      current->capsLock = value == "on";
    } else if (takeHeader(t, "ticks", &value)) {
      current->ticks = std::atoi(value.c_str());
    } else if (!t.empty()) {
      current->expected.push_back(t);
    }
  }
  if (current) *error = "example at line " + std::to_string(current->line) + " is not closed";
  return examples;
}

// Keys in the document's words and their virtual keys.
const std::map<std::string, int>& keyWords() {
  static const std::map<std::string, int> words = [] {
    std::map<std::string, int> w = {
        {"Shift", 0x10},       {"Ctrl", 0x11},      {"Alt", 0x12},        {"Win", 0x5B},       {"Right Win", 0x5C},
        {"Apps", 0x5D},        {"Enter", 0x0D},     {"Tab", 0x09},        {"Space", 0x20},     {"Backspace", 0x08},
        {"Escape", 0x1B},      {"Insert", 0x2D},    {"Delete", 0x2E},     {"Home", 0x24},      {"End", 0x23},
        {"Page Up", 0x21},     {"Page Down", 0x22}, {"Up", 0x26},         {"Down", 0x28},      {"Left", 0x25},
        {"Right", 0x27},       {"Caps Lock", 0x14}, {"Num Lock", 0x90},   {"Scroll Lock", 0x91},
        {"Print Screen", 0x2C}, {"Pause", 0x13},    {"Keypad *", 0x6A},   {"Keypad /", 0x6F},
        {";", 0xBA},           {"=", 0xBB},         {",", 0xBC},          {"-", 0xBD},         {".", 0xBE},
        {"/", 0xBF},           {"`", 0xC0},         {"[", 0xDB},          {"\\", 0xDC},        {"]", 0xDD},
        {"'", 0xDE},           {"Volume Up", 0xAF}, {"Volume Down", 0xAE}, {"Volume Mute", 0xAD},
        {"Play/Pause", 0xB3},  {"Next Track", 0xB0}, {"Previous Track", 0xB1}, {"Media Stop", 0xB2},
        {"Browser Back", 0xA6}, {"Browser Forward", 0xA7}, {"Browser Refresh", 0xA8}, {"Browser Home", 0xAC}};
    for (char c = 'A'; c <= 'Z'; ++c) w[std::string(1, c)] = c;
    for (char c = '0'; c <= '9'; ++c) {
      w[std::string(1, c)] = c;
      w["Keypad " + std::string(1, c)] = 0x60 + (c - '0');
    }
    for (int f = 1; f <= 24; ++f) w["F" + std::to_string(f)] = 0x6F + f;
    return w;
  }();
  return words;
}

// The expected events of one line in the recorder's words (several for
// "tap"), or an error.
bool expandEvent(const std::string& line, std::vector<std::string>* out, std::string* error) {
  static const std::map<std::string, std::string> mouseWords = {
      {"left button down", "mouse flags=0x0002 dx=0 dy=0"},   {"left button up", "mouse flags=0x0004 dx=0 dy=0"},
      {"right button down", "mouse flags=0x0008 dx=0 dy=0"},  {"right button up", "mouse flags=0x0010 dx=0 dy=0"},
      {"middle button down", "mouse flags=0x0020 dx=0 dy=0"}, {"middle button up", "mouse flags=0x0040 dx=0 dy=0"},
      {"move to the top-left corner", "mouse flags=0x8001 dx=0 dy=0"},
      {"glide starts", "glide arm"},                          {"glide stops", "glide stop"}};
  if (mouseWords.count(line)) {
    out->push_back(mouseWords.at(line));
    return true;
  }
  // "type é (U+00E9)": one character as Unicode input, a key-down and
  // key-up per UTF-16 unit.
  unsigned codePoint;
  if (line.compare(0, 5, "type ") == 0 && std::sscanf(line.c_str() + line.rfind("(U+"), "(U+%x)", &codePoint) == 1) {
    std::vector<unsigned> units{codePoint};
    if (codePoint >= 0x10000) units = {0xD800 + ((codePoint - 0x10000) >> 10), 0xDC00 + (codePoint & 0x3FF)};
    for (unsigned unit : units) {
      char text[40];
      std::snprintf(text, sizeof text, "unicode down u=0x%04x", unit);
      out->push_back(text);
      std::snprintf(text, sizeof text, "unicode up u=0x%04x", unit);
      out->push_back(text);
    }
    return true;
  }
  int dx, dy;
  char rest;
  if (std::sscanf(line.c_str(), "move by %d, %d%c", &dx, &dy, &rest) == 2) {
    out->push_back("mouse flags=0x0001 dx=" + std::to_string(dx) + " dy=" + std::to_string(dy));
    return true;
  }
  if (std::sscanf(line.c_str(), "put the pointer at %d, %d%c", &dx, &dy, &rest) == 2) {
    out->push_back("mouse to x=" + std::to_string(dx) + " y=" + std::to_string(dy));
    return true;
  }
  // "scroll up 3 notches": one wheel event of 120 per notch.
  char direction[8];
  int notches;
  if (std::sscanf(line.c_str(), "scroll %7s %d notch%c", direction, &notches, &rest) >= 2) {
    const std::string d = direction;
    const bool sideways = d == "left" || d == "right";
    const int sign = (d == "up" || d == "right") ? 1 : -1;
    out->push_back(std::string("mouse flags=") + (sideways ? "0x1000" : "0x0800") +
                   " dx=0 dy=0 data=" + std::to_string(sign * 120 * notches));
    return true;
  }
  int ms;
  if (std::sscanf(line.c_str(), "wait %d ms%c", &ms, &rest) == 1) {
    out->push_back("wait ms=" + std::to_string(ms));
    return true;
  }
  for (const char* verb : {"press ", "release ", "tap "}) {
    if (line.compare(0, std::strlen(verb), verb) != 0) continue;
    const std::string key = line.substr(std::strlen(verb));
    if (!keyWords().count(key)) return *error = "unknown key \"" + key + "\"", false;
    char vk[8];
    std::snprintf(vk, sizeof vk, "%02x", keyWords().at(key));
    if (verb[0] != 'r') out->push_back(std::string("key down vk=0x") + vk);
    if (verb[0] != 'p') out->push_back(std::string("key up vk=0x") + vk);
    return true;
  }
  return *error = "unknown event \"" + line + "\"", false;
}

// What the platform received, in the same words: key events without their
// scan code, flags and extra information, yields left out.
std::vector<std::string> receivedEvents() {
  std::vector<std::string> events;
  for (const recorder::Call& call : recorder::calls()) {
    if (call.kind == recorder::Kind::Yield || call.kind == recorder::Kind::MonitorText) continue;
    std::string text = recorder::describe(call);
    if (call.kind == recorder::Kind::Key) text = text.substr(0, text.find(" scan="));
    events.push_back(text);
  }
  return events;
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += "  " + line + "\n";
  return out.empty() ? "  (nothing)\n" : out;
}

const std::string docPath = std::string(TAVRIN_SOURCE_DIR) + "/docs/command-language.md";

TEST(CommandLanguageDocument, HasExamplesOfEveryCommand) {
  std::string error;
  const std::vector<Example> examples = readExamples(docPath, &error);
  ASSERT_EQ(error, "");
  std::string allSends;
  for (const Example& example : examples) allSends += example.send + "\n";
  // Command words may be written in any case.
  for (char& c : allSends) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* word : {",hold,", ",combine,", ",lock,", ",rel.", ",rel,", ",click.", ",click,", ",dblclick",
                           ",moulock.", ",moulock,", ",mourel.", ",moureset.", ",goto,", ",move,", ",mougo,",
                           ",moustop.", ",mourel,", ",scroll,", ",clear.", ",wait,", "<233>", "<130>", "<1>",
                           "<cr>"})
    EXPECT_NE(allSends.find(word), std::string::npos) << "no example sends " << word;
}

TEST(CommandLanguageDocument, EveryExampleIsWhatTavrinDoes) {
  std::string error;
  const std::vector<Example> examples = readExamples(docPath, &error);
  ASSERT_EQ(error, "");
  ASSERT_GE(examples.size(), 20u);
  for (const Example& example : examples) {
    SCOPED_TRACE("example at line " + std::to_string(example.line) + " of docs/command-language.md");
    std::string bytes;
    ASSERT_TRUE(decodeSend(example.send, &bytes, &error)) << error;
    ASSERT_FALSE(bytes.empty()) << "example sends nothing";

    std::vector<std::string> expected;
    if (!(example.expected.size() == 1 && example.expected[0] == "nothing"))
      for (const std::string& line : example.expected) ASSERT_TRUE(expandEvent(line, &expected, &error)) << error;

    freshInterpreter(example.interpretation);
    recorder::setSystemLanguage(example.language);
    recorder::setCapsLock(example.capsLock);
    feed(bytes.data(), bytes.size());
    for (int i = 0; i < example.ticks && recorder::glideArmed(); ++i) glideTick();
    const std::vector<std::string> received = receivedEvents();
    EXPECT_EQ(received, expected) << "the document says:\n" << joinLines(expected) << "Tavrin does:\n"
                                  << joinLines(received);
    // Leave nothing running for the next example.
    feed("\x1b,rel.\x1b,mourel.\x1b,moustop.");
  }
}

}  // namespace
