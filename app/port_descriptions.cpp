#include "port_descriptions.h"

#include <windows.h>
#include <setupapi.h>

namespace {

// The Ports (COM and LPT) device setup class.
const GUID PortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// The port name the device's own key gives ("COM7"); printers of the same
// class give "LPT1", which names no serial port. 0 for none.
int portNumberOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return 0;
  char name[16] = {0};
  DWORD size = sizeof name - 1;
  DWORD type = 0;
  LONG result = RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? comPortNumber(name) : 0;
}

}  // namespace

void findPortDescriptions(bool present[ComPortNameCount], char (*descriptions)[PortDescriptionSize]) {
  HDEVINFO devices = SetupDiGetClassDevsA(&PortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device;
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    const int number = portNumberOf(devices, device);
    if (!number) continue;
    present[number - 1] = true;
    char name[256] = {0};
    DWORD type = 0;
    if (SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_FRIENDLYNAME, &type, reinterpret_cast<BYTE*>(name),
                                          sizeof name - 1, nullptr) &&
        type == REG_SZ)
      lstrcpynA(descriptions[number - 1], name, PortDescriptionSize);
  }
  SetupDiDestroyDeviceInfoList(devices);
}
