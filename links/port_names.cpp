#include "port_names.h"

#include <ctype.h>
#include <string.h>

// Ten names sharing the tens digits t: "COMt0" to "COMt9".
#define COM_TENS(t)                                                                           \
  "COM" #t "0", "COM" #t "1", "COM" #t "2", "COM" #t "3", "COM" #t "4", "COM" #t "5", \
      "COM" #t "6", "COM" #t "7", "COM" #t "8", "COM" #t "9"

const char* const ComPortNames[ComPortNameCount] = {
    "COM1",       "COM2",       "COM3",       "COM4",       "COM5",       "COM6",
    "COM7",       "COM8",       "COM9",       COM_TENS(1),  COM_TENS(2),  COM_TENS(3),
    COM_TENS(4),  COM_TENS(5),  COM_TENS(6),  COM_TENS(7),  COM_TENS(8),  COM_TENS(9),
    COM_TENS(10), COM_TENS(11), COM_TENS(12), COM_TENS(13), COM_TENS(14), COM_TENS(15),
    COM_TENS(16), COM_TENS(17), COM_TENS(18), COM_TENS(19), COM_TENS(20), COM_TENS(21),
    COM_TENS(22), COM_TENS(23), COM_TENS(24), "COM250",     "COM251",     "COM252",
    "COM253",     "COM254",     "COM255",     "COM256"};

const char* comPortName(const char* text) {
  if (!text || _strnicmp(text, "COM", 3) != 0 || !text[3]) return nullptr;
  int number = 0;
  for (const char* digit = text + 3; *digit; ++digit) {
    if (!isdigit(static_cast<unsigned char>(*digit))) return nullptr;
    number = number * 10 + (*digit - '0');
    if (number > ComPortNameCount) return nullptr;
  }
  if (number < 1) return nullptr;
  return ComPortNames[number - 1];
}
