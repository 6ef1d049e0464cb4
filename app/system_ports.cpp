#include "system_ports.h"

#include <windows.h>

#define SERIALCOMM_PATH "HARDWARE\\DEVICEMAP\\SERIALCOMM"

void findSystemPorts(bool present[ComPortNameCount]) {
  HKEY key;
  // Read access only: the device map belongs to the system.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SERIALCOMM_PATH, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return;
  for (DWORD index = 0;; ++index) {
    char name[256];
    char data[16] = {0};
    DWORD nameSize = sizeof name;
    DWORD dataSize = sizeof data - 1;
    DWORD type = 0;
    LONG result = RegEnumValueA(key, index, name, &nameSize, nullptr, &type,
                                reinterpret_cast<BYTE*>(data), &dataSize);
    // Data too long for a port name is not one; the next value may be.
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) break;
    int number = type == REG_SZ ? comPortNumber(data) : 0;
    if (number) present[number - 1] = true;
  }
  RegCloseKey(key);
}
