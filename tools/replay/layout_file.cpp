#include "layout_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform.h"
#include "us_layout.h"

namespace {

const int ENTRIES = 256;

bool loaded = false;
int keyScans[ENTRIES];
unsigned keyFlags[ENTRIES];
int scanCodes[ENTRIES];

// What the lines of a table have given so far.
struct Given {
  bool keyScan[ENTRIES] = {};
  bool scan[ENTRIES] = {};
  bool dead[ENTRIES] = {};
  bool caps[ENTRIES] = {};
};

// A whole number in [min, max]; base 0 takes decimal and 0x hexadecimal.
bool parseInRange(const char* text, long min, long max, long* value) {
  if (!text) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || v < min || v > max) return false;
  *value = v;
  return true;
}

std::string lineError(const char* path, int line, const char* what) {
  return std::string(path) + ":" + std::to_string(line) + ": " + what;
}

// One entry line into the tables; false with *error set when it is bad.
bool readEntry(char* text, const char* path, int line, Given* given, std::string* error) {
  const char* kind = std::strtok(text, " \t\r\n");
  if (!kind || kind[0] == '#') return true;
  const char* index = std::strtok(nullptr, " \t\r\n");
  const char* answer = std::strtok(nullptr, " \t\r\n");
  const char* extra = std::strtok(nullptr, " \t\r\n");
  const bool isChar = std::strcmp(kind, "char") == 0;
  const bool isDead = std::strcmp(kind, "dead") == 0;
  const bool isCaps = std::strcmp(kind, "caps") == 0;
  const bool isFlag = isDead || isCaps;
  if (!isChar && !isFlag && std::strcmp(kind, "scan") != 0) {
    *error = lineError(path, line, "an entry starts with \"char\", \"scan\", \"dead\" or \"caps\"");
    return false;
  }
  long i = 0, v = 0;
  const bool good = parseInRange(index, 0, ENTRIES - 1, &i) &&
                    (isFlag ? !answer : !extra && parseInRange(answer, isChar ? -1 : 0, 0xFFFF, &v));
  if (!good) {
    *error = lineError(path, line, isFlag   ? "expected \"dead C\" or \"caps C\" with C 0..255"
                                   : isChar ? "expected \"char C ANSWER\" with C 0..255 and ANSWER -1..0xffff"
                                            : "expected \"scan VK SCAN\" with VK 0..255 and SCAN 0..0xffff");
    return false;
  }
  bool* have = isDead ? given->dead : isCaps ? given->caps : isChar ? given->keyScan : given->scan;
  if (have[i]) {
    *error = lineError(path, line, "this entry was given before");
    return false;
  }
  have[i] = true;
  // VkKeyScanExW answers a SHORT: 0xffff and -1 are the same "no key".
  if (isChar)
    keyScans[i] = static_cast<int16_t>(static_cast<uint16_t>(v));
  else if (!isFlag)
    scanCodes[i] = static_cast<int>(v);
  return true;
}

// Adds flag to the answers of the bytes that the lines of kind name; false
// when such a line names a byte without a key.
bool addFlags(const bool (&given)[ENTRIES], unsigned flag, const char* kind, const char* path, std::string* error) {
  for (int c = 0; c < ENTRIES; ++c) {
    if (!given[c]) continue;
    if (keyScans[c] < 0) {
      char entry[32];
      std::snprintf(entry, sizeof entry, "%s 0x%02x", kind, c);
      *error = std::string(path) + ": \"" + entry + "\" names a byte that has no key in the table";
      return false;
    }
    keyFlags[c] |= flag;
  }
  return true;
}

}  // namespace

bool loadLayoutFile(const char* path, std::string* error) {
  std::FILE* in = std::fopen(path, "r");
  if (!in) {
    *error = std::string("cannot open ") + path + ": " + std::strerror(errno);
    return false;
  }
  for (int i = 0; i < ENTRIES; ++i) {
    keyScans[i] = -1;
    keyFlags[i] = 0;
    scanCodes[i] = usMapVirtualKey(i);
  }
  Given given;
  char text[256];
  int line = 0;
  bool good = true;
  while (good && std::fgets(text, sizeof text, in)) {
    ++line;
    good = readEntry(text, path, line, &given, error);
  }
  std::fclose(in);
  if (!good) return false;
  loaded = addFlags(given.dead, LAYOUT_DEAD_KEY, "dead", path, error) &&
           addFlags(given.caps, LAYOUT_CAPS_KEY, "caps", path, error);
  return loaded;
}

namespace {

LayoutKey keyOfAnswer(int answer, unsigned flags) {
  if (answer < 0) return LayoutKey{NO_KEY, 0, 0};
  return LayoutKey{answer & 0xFF, answer >> 8, flags};
}

}  // namespace

LayoutKey layoutKeyForChar(unsigned char c) {
  if (loaded) return keyOfAnswer(keyScans[c], keyFlags[c]);
  return keyOfAnswer(usVkKeyScan(c), usCapsKey(c) ? LAYOUT_CAPS_KEY : 0);
}

int layoutMapVirtualKey(int vk) {
  if (!loaded) return usMapVirtualKey(vk);
  return vk >= 0 && vk < ENTRIES ? scanCodes[vk] : 0;
}

// From the top, as the US English model: a main-block key wins over the
// keypad key that shares its code.
int layoutVirtualKeyAt(int scan) {
  if (!loaded) return usVirtualKeyAt(scan);
  for (int vk = ENTRIES - 1; vk > 0; --vk)
    if (scanCodes[vk] == scan) return vk;
  return 0;
}
