#include "key_names.h"

#include <cstddef>

#include "keystroke.h"
#include "platform.h"

const KeyName KeyNames[] = {
    {"apostrophe", 39},
    {"comma", 44},
    {"~", 126},
    {"space", 32},
    {"tab", 9},
    {"backspace", 127}, {"bspace", 127},
    {"enter", 13}, {"ret", -82}, {"return", -83},
    {"escape", 27}, {"esc", 27},
    {"leftshift", -70}, {"lshift", -71}, {"rightshift", -88}, {"rshift", -89},
    {"lcontrol", -64}, {"ctrl", -65}, {"lctrl", -65}, {"leftcontrol", -68}, {"leftctrl", -69},
    {"rcontrol", -80}, {"rctrl", -81}, {"rightcontrol", -86}, {"rightctrl", -87},
    {"alt", -63}, {"lalt", -63}, {"leftalt", -67}, {"ralt", -79}, {"rightalt", -85},
    {"capslk", -3}, {"capslock", -4},
    {"numlk", -73}, {"numlock", -74},
    {"scroll", -90}, {"scrolllock", -91},
    {"print", -93}, {"printscreen", -94}, {"prtscr", -95},
    {"pause", 0x4500},
    {"f1", 0x3B00}, {"f2", 0x3C00}, {"f3", 0x3D00}, {"f4", 0x3E00}, {"f5", 0x3F00},
    {"f6", 0x4000}, {"f7", 0x4100}, {"f8", 0x4200}, {"f9", 0x4300}, {"f10", 0x4400},
    {"f11", -21}, {"f12", -22},
    {"ins", -24}, {"insert", 0x5200},
    {"del", -5}, {"delete", 0x5300},
    {"home", 0x4700}, {"end", 0x4F00},
    {"pgup", -78}, {"pageup", 0x4900},
    {"pgdn", -77}, {"pagedown", 0x5100},
    {"up", 0x4800}, {"down", 0x5000}, {"left", 0x4B00}, {"right", 0x4D00},
    {"leftwinkey", 0x5B00}, {"rightwinkey", 0x5C00}, {"appskey", 0x5D00},
    {"kp0", 1048}, {"kp1", 1049}, {"kp2", 1050}, {"kp3", 1051}, {"kp4", 1052},
    {"kp5", 1053}, {"kp6", 1054}, {"kp7", 1055}, {"kp8", 1056}, {"kp9", 1057},
    {"kpins", 976}, {"kpinsert", 21992},
    {"kpdel", 995}, {"kpdelete", 22248},
    {"kphome", 19176}, {"kpend", 21224},
    {"kppgup", 922}, {"kppageup", 19688},
    {"kppgdn", 923}, {"kppagedown", 21736},
    {"kpup", 19432}, {"kpdown", 21480}, {"kpleft", 20200}, {"kpright", 20712},
    {"kpenter", 1013},
    {"kpstar", 1042}, {"kpplus", 1043}, {"kpminus", 1045}, {"kpdp", 1046}, {"kpslash", 1047},
    {"multiply", -72}, {"divide", -7}, {"kpdivide", 993},
    {"kpmidl", -51},
    {"f13", -96}, {"f14", -97}, {"f15", -98}, {"f16", -99}, {"f17", -100}, {"f18", -101},
    {"f19", -102}, {"f20", -103}, {"f21", -104}, {"f22", -105}, {"f23", -106}, {"f24", -107},
    {"volumeup", -108}, {"volumedown", -109}, {"volumemute", -110},
    {"playpause", -111}, {"nexttrack", -112}, {"prevtrack", -113}, {"mediastop", -114},
    {"browserback", -115}, {"browserforward", -116}, {"browserrefresh", -117}, {"browserhome", -118},
};

const int KeyNameCount = sizeof KeyNames / sizeof KeyNames[0];

namespace {

struct FixedKey {
  KeyCode code;
  unsigned char vk;
  bool extended;
};

// The five characters with a virtual key of their own; every other
// character is typed through the keyboard layout.
const FixedKey FixedCharacters[] = {
    {9, 0x09, false}, {13, 0x0D, false}, {27, 0x1B, false}, {32, 0x20, false},
    {127, 0x08, false},
};

// Every other KeyCode with a virtual key of its own. The extended ones are
// the navigation block and the Windows and Applications keys; their keypad
// twins share the virtual key but are not extended.
const FixedKey FixedKeys[] = {
    {-82, 0x0D, false}, {-83, 0x0D, false}, {1013, 0x0D, false},
    {-70, 0x10, false}, {-71, 0x10, false}, {-88, 0x10, false}, {-89, 0x10, false},
    {-64, 0x11, false}, {-65, 0x11, false}, {-68, 0x11, false}, {-69, 0x11, false},
    {-80, 0x11, false}, {-81, 0x11, false}, {-86, 0x11, false}, {-87, 0x11, false},
    {-63, 0x12, false}, {-67, 0x12, false}, {-79, 0x12, false}, {-85, 0x12, false},
    {-3, 0x14, false}, {-4, 0x14, false},
    {-73, 0x90, false}, {-74, 0x90, false},
    {-90, 0x91, false}, {-91, 0x91, false},
    {-93, 0x2C, false}, {-94, 0x2C, false}, {-95, 0x2C, false},
    {0x4500, 0x13, false},
    {0x3B00, 0x70, false}, {0x3C00, 0x71, false}, {0x3D00, 0x72, false}, {0x3E00, 0x73, false},
    {0x3F00, 0x74, false}, {0x4000, 0x75, false}, {0x4100, 0x76, false}, {0x4200, 0x77, false},
    {0x4300, 0x78, false}, {0x4400, 0x79, false},
    {-21, 0x7A, false}, {-22, 0x7B, false},
    {-24, 0x2D, true}, {0x5200, 0x2D, true},
    {-5, 0x2E, true}, {0x5300, 0x2E, true},
    {0x4700, 0x24, true}, {0x4F00, 0x23, true},
    {-78, 0x21, true}, {0x4900, 0x21, true},
    {-77, 0x22, true}, {0x5100, 0x22, true},
    {0x4800, 0x26, true}, {0x5000, 0x28, true}, {0x4B00, 0x25, true}, {0x4D00, 0x27, true},
    {0x5B00, 0x5B, true}, {0x5C00, 0x5C, true}, {0x5D00, 0x5D, true},
    {1048, 0x60, false}, {1049, 0x61, false}, {1050, 0x62, false}, {1051, 0x63, false},
    {1052, 0x64, false}, {1053, 0x65, false}, {1054, 0x66, false}, {1055, 0x67, false},
    {1056, 0x68, false}, {1057, 0x69, false},
    {976, 0x2D, false}, {21992, 0x2D, false},
    {995, 0x2E, false}, {22248, 0x2E, false},
    {19176, 0x24, false}, {21224, 0x23, false},
    {922, 0x21, false}, {19688, 0x21, false},
    {923, 0x22, false}, {21736, 0x22, false},
    {19432, 0x26, false}, {21480, 0x28, false}, {20200, 0x25, false}, {20712, 0x27, false},
    {-72, 0x6A, false}, {-7, 0x6F, false}, {993, 0x6F, false},
    {-96, 0x7C, false}, {-97, 0x7D, false}, {-98, 0x7E, false}, {-99, 0x7F, false},
    {-100, 0x80, false}, {-101, 0x81, false}, {-102, 0x82, false}, {-103, 0x83, false},
    {-104, 0x84, false}, {-105, 0x85, false}, {-106, 0x86, false}, {-107, 0x87, false},
    {-108, 0xAF, true}, {-109, 0xAE, true}, {-110, 0xAD, true},
    {-111, 0xB3, true}, {-112, 0xB0, true}, {-113, 0xB1, true}, {-114, 0xB2, true},
    {-115, 0xA6, true}, {-116, 0xA7, true}, {-117, 0xA8, true}, {-118, 0xAC, true},
};

struct ScanCode {
  unsigned char vk;
  unsigned char scan;
};

// The volume, media and browser keys are sent with their set-1 scan codes
// (the E0 prefix is the extended flag) rather than what the keyboard layout
// maps them to: many layouts map them to nothing.
const ScanCode StandardScanCodes[] = {
    {0xAF, 0x30}, {0xAE, 0x2E}, {0xAD, 0x20},
    {0xB3, 0x22}, {0xB0, 0x19}, {0xB1, 0x10}, {0xB2, 0x24},
    {0xA6, 0x6A}, {0xA7, 0x69}, {0xA8, 0x67}, {0xAC, 0x32},
};

struct LayoutSign {
  KeyCode code;
  unsigned char character;
};

// KeyCodes typed with whatever key the current layout uses for a character.
const LayoutSign LayoutSigns[] = {
    {-51, '?'},
    {1042, '*'}, {1043, '+'}, {1045, '-'}, {1046, '.'}, {1047, '/'},
};

template <size_t N>
const FixedKey* findFixedKey(const FixedKey (&keys)[N], KeyCode code) {
  for (const FixedKey& key : keys)
    if (key.code == code) return &key;
  return nullptr;
}

// The five characters and the named keys with a virtual key of their own.
const FixedKey* fixedKeyOf(KeyCode code) {
  return code >= 0 && code <= 255 ? findFixedKey(FixedCharacters, code) : findFixedKey(FixedKeys, code);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whole-string comparison ignoring the case of A..Z only; name is lower case.
bool equalsName(const char* text, const char* name) {
  for (; *name; ++text, ++name)
    if (lowerAscii(*text) != *name) return false;
  return *text == '\0';
}

// The signs of the US English keys from scan code 0x02 on, unshifted and
// shifted; a space stands for a key that types no sign (Backspace, Tab,
// Enter, Ctrl, left Shift).
const char UsPlain[] = "1234567890-=  qwertyuiop[]  asdfghjkl;'` \\zxcvbnm,./";
const char UsShifted[] = "!@#$%^&*()_+  QWERTYUIOP{}  ASDFGHJKL:\"~ |ZXCVBNM<>?";
const int US_FIRST_SCAN = 0x02;

}  // namespace

int lookupKeyName(KeyCode* out, const char* token) {
  const unsigned char first = static_cast<unsigned char>(token[0]);
  if (first != '\0' && token[1] == '\0') {
    *out = first;
    return first;
  }
  if (token[0] == '-') ++token;
  for (const KeyName& key : KeyNames) {
    if (equalsName(token, key.name)) {
      *out = key.code;
      return 0;
    }
  }
  const unsigned char character = static_cast<unsigned char>(token[0]);
  *out = character;
  return character;
}

int layoutCharacter(KeyCode code) {
  if (fixedKeyOf(code)) return -1;
  if (code >= 0 && code <= 255) return code;
  for (const LayoutSign& key : LayoutSigns)
    if (key.code == code) return key.character;
  return code & 0xFF;
}

LayoutKey keyCodeToVirtualKey(KeyCode code, KeyboardLayout layout) {
  const int character = layoutCharacter(code);
  if (character >= 0) return keyForCharacter(layout, static_cast<unsigned char>(character));
  const FixedKey* fixed = fixedKeyOf(code);
  if (fixed->extended) extendedKeyFlag = 1;
  return LayoutKey{fixed->vk, 0, 0};
}

int usPositionOf(unsigned char c, bool* shifted) {
  for (int i = 0; UsPlain[i]; ++i) {
    if (UsPlain[i] == ' ') continue;
    if (UsPlain[i] == c || UsShifted[i] == c) {
      *shifted = UsShifted[i] == c;
      return US_FIRST_SCAN + i;
    }
  }
  return 0;
}

int standardScanCode(int vk) {
  for (const ScanCode& code : StandardScanCodes)
    if (code.vk == vk) return code.scan;
  return 0;
}
