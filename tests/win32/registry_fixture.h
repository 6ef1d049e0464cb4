// Registry helpers for the settings tests: every key and value the program
// touches is cleared before and after each test, and keys can be locked with
// a security descriptor that refuses full access.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#define TEST_SETTINGS_PATH "Software\\Morvane\\Tavrin"
#define TEST_RUN_PATH "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
#define TEST_WINLOGON_PATH "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"
#define TEST_ACCESSIBILITY_PATH "Software\\Microsoft\\Windows NT\\CurrentVersion\\Accessibility"

// Removes Software\Morvane under both roots, the "Tavrin" Run value under
// both roots, the four automatic log-on values, the assistive technology
// registration "Tavrin" and the sign-in list.
void clearProgramRegistry();

void putText(HKEY root, const char* path, const char* name, const std::string& text);
void putDword(HKEY root, const char* path, const char* name, DWORD value);
void putBinary(HKEY root, const char* path, const char* name, const void* data, DWORD size);
void removeValue(HKEY root, const char* path, const char* name);

bool valuePresent(HKEY root, const char* path, const char* name);
bool keyPresent(HKEY root, const char* path);
// The value's data and type; type REG_NONE and empty data when absent.
std::string valueData(HKEY root, const char* path, const char* name, DWORD* type = nullptr);
DWORD dwordValue(HKEY root, const char* path, const char* name);

// While alive, the key grants everyone only reading, deleting and changing
// its security: any open with full access fails with access denied. The
// key is created when missing; its earlier security is put back at the end.
class KeyLock {
public:
  KeyLock(HKEY root, const char* path);
  ~KeyLock();

private:
  HKEY root;
  std::string path;
  std::string savedDescriptor;
};

// While alive, HKLM\HARDWARE\DEVICEMAP\SERIALCOMM holds only the values the
// test adds (name, then the port text the system would give); the values
// found there before are put back at the end.
class SystemPortMap {
public:
  SystemPortMap();
  ~SystemPortMap();
  void add(const char* name, const char* port);

private:
  struct Value {
    std::string name, data;
    DWORD type;
  };
  void clear();
  std::vector<Value> saved;
};
