#include "registry_fixture.h"

#include <stdexcept>

static HKEY openForWrite(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    throw std::runtime_error(std::string("cannot create test key ") + path);
  return key;
}

static void putRaw(HKEY root, const char* path, const char* name, DWORD type, const void* data,
                   DWORD size) {
  HKEY key = openForWrite(root, path);
  LONG result = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) throw std::runtime_error(std::string("cannot write ") + name);
}

void putText(HKEY root, const char* path, const char* name, const std::string& text) {
  putRaw(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void putDword(HKEY root, const char* path, const char* name, DWORD value) {
  putRaw(root, path, name, REG_DWORD, &value, sizeof value);
}

void putBinary(HKEY root, const char* path, const char* name, const void* data, DWORD size) {
  putRaw(root, path, name, REG_BINARY, data, size);
}

void removeValue(HKEY root, const char* path, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
}

bool keyPresent(HKEY root, const char* path) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string valueData(HKEY root, const char* path, const char* name, DWORD* type) {
  if (type) *type = REG_NONE;
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  char data[2048];
  DWORD size = sizeof data;
  DWORD found = REG_NONE;
  LONG result = RegQueryValueExA(key, name, nullptr, &found, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return "";
  if (type) *type = found;
  return std::string(data, size);
}

bool valuePresent(HKEY root, const char* path, const char* name) {
  DWORD type;
  valueData(root, path, name, &type);
  return type != REG_NONE;
}

DWORD dwordValue(HKEY root, const char* path, const char* name) {
  std::string data = valueData(root, path, name);
  DWORD value = 0;
  if (data.size() == sizeof value) memcpy(&value, data.data(), sizeof value);
  return value;
}

void clearProgramRegistry() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    RegDeleteTreeA(root, "Software\\Morvane");
    removeValue(root, TEST_RUN_PATH, "Tavrin");
  }
  for (const char* name : {"AutoAdminLogon", "ForceAutoLogon", "DefaultUserName", "DefaultPassword"})
    removeValue(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, name);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, TEST_ACCESSIBILITY_PATH "\\ATs\\Tavrin");
  removeValue(HKEY_LOCAL_MACHINE, TEST_ACCESSIBILITY_PATH, "Configuration");
}

KeyLock::KeyLock(HKEY root, const char* path) : root(root), path(path) {
  RegCloseKey(openForWrite(root, path));
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open key to lock it");
  char saved[4096];
  DWORD size = sizeof saved;
  if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved, &size) == ERROR_SUCCESS)
    savedDescriptor.assign(saved, size);
  // Built by hand: the string form of descriptors is refused on the
  // Windows 95 family.
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  char aclBuffer[256];
  PACL acl = reinterpret_cast<PACL>(aclBuffer);
  InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
  AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | DELETE | WRITE_DAC | READ_CONTROL, everyone);
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  PSECURITY_DESCRIPTOR locked = &descriptor;
  LONG result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, locked);
  FreeSid(everyone);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS)
    throw std::runtime_error(std::string("cannot lock ") + path + ": error " + std::to_string(result));
}

KeyLock::~KeyLock() {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
  if (!savedDescriptor.empty())
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &savedDescriptor[0]);
  RegCloseKey(key);
}

#define SERIALCOMM_PATH "HARDWARE\\DEVICEMAP\\SERIALCOMM"

SystemPortMap::SystemPortMap() {
  HKEY key = openForWrite(HKEY_LOCAL_MACHINE, SERIALCOMM_PATH);
  for (DWORD index = 0;; ++index) {
    char name[256], data[256];
    DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
    if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                      &dataSize) != ERROR_SUCCESS)
      break;
    saved.push_back({name, std::string(data, dataSize), type});
  }
  RegCloseKey(key);
  clear();
}

SystemPortMap::~SystemPortMap() {
  clear();
  for (const Value& value : saved)
    putRaw(HKEY_LOCAL_MACHINE, SERIALCOMM_PATH, value.name.c_str(), value.type, value.data.data(),
           static_cast<DWORD>(value.data.size()));
}

void SystemPortMap::add(const char* name, const char* port) {
  putText(HKEY_LOCAL_MACHINE, SERIALCOMM_PATH, name, port);
}

void SystemPortMap::clear() {
  HKEY key = openForWrite(HKEY_LOCAL_MACHINE, SERIALCOMM_PATH);
  char name[256];
  DWORD nameSize = sizeof name;
  while (RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         RegDeleteValueA(key, name) == ERROR_SUCCESS)
    nameSize = sizeof name;
  RegCloseKey(key);
}
