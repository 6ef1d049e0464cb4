#include "settings_store.h"

int writeRegistryValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
  return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

int deleteRegistryValue(HKEY key, const char* name) {
  return RegDeleteValueA(key, name) == ERROR_SUCCESS;
}
