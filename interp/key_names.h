// Key names of the command language and their virtual keys.
#pragma once

#include <cstdint>

#include "platform.h"

// The code between a token and a virtual key: characters 0..255, negative
// codes for named keys (-3..-118), set-1 scan codes in bits 8..15 (low byte 0), and the
// keypad codes, 1000 plus the code of another family.
typedef int32_t KeyCode;

struct KeyName {
  const char* name;  // lower case
  KeyCode code;
};

// Every key name, 126 of them.
extern const KeyName KeyNames[];
extern const int KeyNameCount;

// Writes the KeyCode of a token to *out: a one-character token is its own
// character; otherwise one leading "-" is dropped and the rest is matched
// whole, ignoring ASCII case, against the key names; a word that is no key
// name gives its first character (an empty one gives 0). Returns 0 for a key
// name, else the character code written.
int lookupKeyName(KeyCode* out, const char* token);

// The character a KeyCode is typed as through the keyboard layout (0..255),
// or -1 for a key with a virtual key of its own.
int layoutCharacter(KeyCode code);

// The key of a KeyCode on layout: the virtual key, and for keys found
// through the layout its shift state and flags; vk NO_KEY when the layout
// has no key for the character. Sets extendedKeyFlag to 1 for the keys that
// are sent as extended keys; never sets it to 0.
LayoutKey keyCodeToVirtualKey(KeyCode code, KeyboardLayout layout);

// The scan code of the key that types c (a printable ASCII sign) on the US
// English layout, 0 for none; *shifted tells whether it takes Shift there.
int usPositionOf(unsigned char c, bool* shifted);

// The fixed scan code of a virtual key that is sent with one whatever the
// layout (volume, media and browser keys), else 0.
int standardScanCode(int vk);
